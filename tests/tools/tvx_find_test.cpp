// "tvx find": pages found by name and by contents on the example book, with
// the objects that matched; the exit statuses for found, not found, a wrong
// command line and a book that does not open; names with control characters
// shown visibly; a damaged page passed over and counted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_test_support.h"

namespace {

class TvxFindTest : public ExampleBookTest {};

TEST_F(TvxFindTest, JupiterIsFoundByNameAndInContentsAndATextBoxWordWithItsObject) {
  RunResult r = tvx({"find", book, "jupiter", "--names"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("1 page\n     8  Jupiter  (Planet; name)\n", r.out);

  r = tvx({"find", book, "Jupiter"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(1u, countOf(r.out, "  Jupiter  (Planet; name)\n")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("  Sun  (Star; contents)\n        symbol ")) << r.out;
  EXPECT_NE(std::string::npos,
            r.out.find("        text box 8: Millions of rocky bodies between the orbits of Mars and Jupiter.\n"))
      << r.out;

  // "volcano" is only in the Mars page's text box.
  r = tvx({"find", "--contents", "--word", book, "Volcano"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("1 page\n     7  Mars  (Planet; contents)\n"
            "        text box 8: The red planet, with the largest volcano known, Olympus Mons.\n",
            r.out);
  r = tvx({"find", "--json", "--contents", "--case", book, "volcano"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos,
            r.out.find("\"pages\":[{\"id\":7,\"name\":\"Mars\",\"type\":\"Planet\",\"matched\":\"contents\","
                       "\"objects\":[{\"kind\":\"text box\",\"id\":8,\"text\":\"The red planet"))
      << r.out;
  EXPECT_NE(std::string::npos, r.out.find("\"unreadable\":0}")) << r.out;
}

TEST_F(TvxFindTest, ExitStatusesTellFoundNotFoundAndWrongCommandLinesApart) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* err;  // a part of standard error
  };
  const std::string missing = dir.file("none.tvx");
  const std::string garbage = dir.file("garbage.tvx");
  writeFileBytes(garbage, std::string(4096, 'x'));
  const Case cases[] = {
      {{"find", book, "Volcano", "--case"}, 1, ""},
      {{"find", book, "Zyzzyva", "--word"}, 1, ""},
      {{"find", book}, 2, "(try \"tvx find --help\")"},
      {{"find", book, ""}, 2, "the text to find is empty"},
      {{"find", book, "x", "--fast"}, 2, "--fast"},
      {{"find", missing, "x"}, 2, "cannot open book"},
      {{"find", garbage, "x"}, 2, "cannot open book"},
      {{"find", dir.path(), "x"}, 2, "not a file"},
  };
  for (const Case& c : cases) {
    RunResult r = tvx(c.args);
    EXPECT_EQ(c.status, r.status) << c.args.back() << "\n" << r.err;
    EXPECT_NE(std::string::npos, r.err.find(c.err)) << r.err;
    if (c.status == 1) {
      EXPECT_EQ("0 pages\n", r.out);
    }
  }
  RunResult help = tvx({"find", "--help"});
  EXPECT_EQ(0, help.status);
  EXPECT_NE(std::string::npos, help.out.find("usage: tvx find [OPTIONS] BOOK TEXT\n")) << help.out;
  EXPECT_NE(std::string::npos, help.out.find("Exit status: 0 when a page was found, 1 when none was, 2 for")) << help.out;
}

TEST_F(TvxFindTest, APageNameWithControlCharactersIsPrintedVisibly) {
  RunResult r = tvx({"page", "rename", book, "Jupiter", "Jupi\x1b[2Jter"});
  ASSERT_EQ(0, r.status) << r.err;
  r = tvx({"find", book, "jupi", "--names"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("  Jupi\\x1B[2Jter  (Planet; name)\n")) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find('\x1b'));
}

TEST_F(TvxFindTest, APageWhoseMapTextDoesNotReadIsPassedOverAndCounted) {
  const std::string folder = dir.file("exported");
  ASSERT_EQ(0, tvx({"export", book, folder}).status);
  // The Moon page (ID 6) cut off in the middle of its first symbol.
  writeFileBytes(folder + "/pages/6.map",
                 "#CM&^# 161\r\n(B(a\"x\",1,1),(n\"Moon\"),,(C162,(r0,0,1,1),(r0,0,1,1),0,,(N162,00000001,(n1,\"Moon");
  const std::string damaged = dir.file("damaged.tvx");
  ASSERT_EQ(0, tvx({"import", "--force", folder, damaged}).status);
  RunResult r = tvx({"find", "--contents", "--json", damaged, "Galilean"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("\"name\":\"Jupiter\"")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("\"unreadable\":1}")) << r.out;
  EXPECT_EQ("tvx: find: 1 page could not be read and was passed over\n", r.err);
}

}  // namespace
