// "tvx types": the example book's types as trees with their own and inherited
// attributes and no repair; a damaged type page's repairs listed word for word
// without a byte of the book changing; a book without a type page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_test_support.h"

namespace {

class TvxTypesTest : public ExampleBookTest {};

TEST_F(TvxTypesTest, TheExampleListsItsTypesWithNoRepair) {
  const std::string before = readFileBytes(book);
  RunResult r = tvx({"types", book});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", r.err);
  const char* lines[] = {
      "Node types:\n"
      "  Undefined (0): text #000000, line #000000, fill #FFFFFF, shape 2, shape value 0\n",
      "\n    Star (2): text #000000, line #C00000, fill #FFD700, shape 2, shape value "
      "(inherited: 0)\n",
      "\n    Planet (3): ",
      "\n      Moon (4): text #000000, line #000000, fill #C0C0C0, shape 2, shape value "
      "(inherited: 0)\n",
      "\n    Region (6): ",
      "\nLink types:\n  Undefined (0): text #000000, line #000000, source Undefined (0), "
      "destination Undefined (0)\n",
      "\n    lies between (2): text #000000, line #008000, source Region (6), destination "
      "Planet (3)\n",
      "\nNo repair needed.\n",
  };
  std::size_t at = 0;
  for (const char* line : lines) {
    const std::size_t found = r.out.find(line, at);
    ASSERT_NE(std::string::npos, found) << "expected, in order: " << line << "\nin:\n" << r.out;
    at = found;
  }

  RunResult j = tvx({"types", "--json", book});
  EXPECT_EQ(0, j.status) << j.err;
  EXPECT_NE(std::string::npos, j.out.find("\"repairs\":[],\"errors\":[]}")) << j.out;
  EXPECT_NE(std::string::npos,
            j.out.find("{\"id\":4,\"name\":\"Moon\",\"parent\":3,\"depth\":2,\"attributes\":{"
                       "\"textColor\":{\"value\":\"#000000\",\"inherited\":false}"))
      << j.out;
  EXPECT_NE(std::string::npos,
            j.out.find("\"source\":{\"value\":7,\"name\":\"Small body\",\"inherited\":false}"))
      << j.out;
  EXPECT_EQ(before, readFileBytes(book)) << "reading the types writes nothing";
}

TEST_F(TvxTypesTest, ADamagedTypePageListsItsRepairsAndWritesNothing) {
  const std::string hostile =
      "#CM&^# 161\r\n(B(a\"orvane\",1,1),,(T162,0,"
      "(n1,\"A\",(p2,),,,)(n2,\"B\",(p1,),,,)(n3,\"Lost\",(p77359400,),,,)"
      "(n3,\"Twin\",(p0,),,,)(l1,\"flows\",(p0,),(x9,a,),,,1,,,)),)";
  ASSERT_EQ(0, tvx({"put", book, "0", "-"}, hostile).status);
  const std::string before = readFileBytes(book);
  RunResult r = tvx({"types", book});
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos,
            r.out.find("Repairs the type page needs (4 repairs, not written):\n"
                       "  Node type inconsistency: cyclic inheritance -- parent of A set to "
                       "Undefined\n"
                       "  Node type inconsistency: parent of Lost not found -- set to Undefined\n"
                       "  typedb consistency: source of flows not found -- set to Undefined\n"
                       "  typedb consistency: source of flows not found -- set to Undefined\n"))
      << r.out;
  EXPECT_NE(std::string::npos, r.out.find("\n    A (1): ")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("\n      B (2): ")) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find("Twin")) << "a second type with id 3 is refused";
  EXPECT_EQ(before, readFileBytes(book));
}

TEST_F(TvxTypesTest, ABookWithoutATypePageIsAFailure) {
  const std::string bare = dir.file("bare.tvx");
  ASSERT_EQ(0, tvx({"new", bare}).status);
  RunResult r = tvx({"types", bare});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("tvx: " + bare + ": the book has no type page\n", r.err);
  EXPECT_EQ(2, tvx({"types"}).status);
}

}  // namespace
