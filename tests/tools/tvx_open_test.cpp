// "tvx open": an embedded object of the example book written out as its
// program would get it, and the refusals.
#include <gtest/gtest.h>

#include <string>

#include "tool_test_support.h"

namespace {

class TvxOpenTest : public ExampleBookTest {};

TEST_F(TvxOpenTest, ThePictureIsWrittenAsABitmapFileNamedAfterItsClass) {
  const RunResult r = tvx({"open", "-o", dir.path(), book, "A picture of the Solar System", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string path = dir.path() + "/PBrush.bmp";
  EXPECT_EQ(r.out, path + "\n");
  EXPECT_EQ(r.err, "tvx: PBrush object written to " + path + "\n");
  const std::string before = readFileBytes(book);
  const std::string bytes = readFileBytes(path);
  ASSERT_EQ(bytes.size(), 14u + 40u + 64u * 3u * 40u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");

  const RunResult none = tvx({"open", "-o", dir.path(), book, "1", "3"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "tvx: " + book + ": the page has no embedded object 3\n");
  EXPECT_EQ(tvx({"open", book, "1", "three"}).status, 2);
  EXPECT_EQ(readFileBytes(book), before) << "the book is read, not changed";
  // The page's description names the box an object.
  ASSERT_EQ(tvx({"render", "-o", dir.file("p.json"), book, "A picture of the Solar System"}).status, 0);
  EXPECT_NE(readFileBytes(dir.file("p.json")).find("{\"kind\":\"object\",\"id\":3,"), std::string::npos);
}

}  // namespace
