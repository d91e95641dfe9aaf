// The tvx program's command line: dispatching, help texts, usage errors and
// their exit status, checked word for word.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_test_support.h"

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(TvxCommandLine, ProgramHelpListsEveryCommandOfThisTool) {
  for (const char* flag : {"--help", "-h", "help"}) {
    RunResult r = tvx({flag});
    EXPECT_EQ(0, r.status) << flag;
    EXPECT_EQ("", r.err) << flag;
    EXPECT_TRUE(startsWith(r.out, "usage: tvx COMMAND [ARGS...]\n")) << r.out;
    for (const char* cmd : {"new", "info", "ls", "cat", "put", "page", "attr", "link", "home"}) {
      EXPECT_NE(std::string::npos, r.out.find(std::string("\n  ") + cmd + " "))
          << "command " << cmd << " missing from:\n" << r.out;
    }
  }
}

// The commands "tvx --help" lists: the first word of each line after "Commands:".
std::vector<std::string> listedCommands() {
  const std::string out = tvx({"--help"}).out;
  std::vector<std::string> names;
  std::size_t at = out.find("Commands:\n");
  if (at == std::string::npos) return names;
  // Bounded by the text: each turn moves past one line.
  for (at = out.find('\n', at) + 1; out.compare(at, 2, "  ") == 0; at = out.find('\n', at) + 1) {
    names.push_back(out.substr(at + 2, out.find(' ', at + 2) - at - 2));
  }
  return names;
}

TEST(TvxCommandLine, EveryCommandsHelpHasTheSameParts) {
  const std::vector<std::string> names = listedCommands();
  ASSERT_EQ(20u, names.size());
  for (const std::string& cmd : names) {
    RunResult r = tvx({cmd, "--help"});
    EXPECT_EQ(0, r.status) << cmd;
    EXPECT_EQ("", r.err) << cmd;
    // usage, what it does, options (--help among them), an example, in that order.
    const std::size_t usage = r.out.find("usage: tvx " + cmd + " ");
    const std::size_t what = r.out.find("\n\n");
    const std::size_t options = r.out.find("\n\nOptions:\n");
    const std::size_t help = r.out.find("\n  -h, --help ");
    const std::size_t example = r.out.find("\n\nExample");
    EXPECT_EQ(0u, usage) << cmd << ":\n" << r.out;
    EXPECT_LT(what, options) << cmd << " says nothing of what it does:\n" << r.out;
    EXPECT_LT(options, help) << cmd << ":\n" << r.out;
    EXPECT_LT(help, example) << cmd << ":\n" << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\n  tvx " + cmd + " ", example))
        << cmd << " has no example:\n" << r.out;
    RunResult h = tvx({"help", cmd});
    EXPECT_EQ(r.out, h.out) << "tvx help " << cmd;
  }
}

TEST(TvxCommandLine, VersionNamesTheRelease) {
  RunResult r = tvx({"--version"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("tvx " TVX_VERSION "\n", r.out);
  EXPECT_EQ("", r.err);
}

// The small page that "tvx put --help" shows is map text that put takes.
TEST(TvxCommandLine, PutHelpShowsMapTextThatPutTakes) {
  const std::string help = tvx({"put", "--help"}).out;
  EXPECT_NE(std::string::npos, help.find("examples/solar-system/pages/")) << help;
  const std::size_t start = help.find("\n  #CM&^# ");
  ASSERT_NE(std::string::npos, start) << help;
  std::string page;
  // The indented lines up to the blank line that ends the sample.
  for (std::size_t at = start + 1; help.compare(at, 2, "  ") == 0; at = help.find('\n', at) + 1) {
    page += help.substr(at + 2, help.find('\n', at) - at - 1);
  }
  ToolScratch dir;
  const std::string book = dir.file("leaves.tvx");
  ASSERT_EQ(0, tvx({"new", book}).status);
  RunResult put = tvx({"put", book, "Leaves", "-"}, page);
  EXPECT_EQ(0, put.status) << put.err << "\n" << page;
  EXPECT_EQ(page, tvx({"cat", book, "Leaves"}).out);
  EXPECT_EQ(book + ": ok (3 blocks, 0 free, 1 page, 0 links)\n", tvx({"check", book}).out);
}

TEST(TvxCommandLine, WrongCommandLinesGiveStatusTwoAndOneLine) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{}, "tvx: no command given (try \"tvx --help\")\n"},
      {{"frobnicate"}, "tvx: unknown command \"frobnicate\" (try \"tvx --help\")\n"},
      {{"help", "frobnicate"}, "tvx: unknown command \"frobnicate\" (try \"tvx --help\")\n"},
      {{"ls"}, "tvx: ls: missing arguments (try \"tvx ls --help\")\n"},
      {{"ls", "a.tvx", "b.tvx"}, "tvx: ls: unexpected argument \"b.tvx\" (try \"tvx ls --help\")\n"},
      {{"ls", "--bogus", "a.tvx"}, "tvx: ls: unknown option \"--bogus\" (try \"tvx ls --help\")\n"},
      {{"ls", "-x", "a.tvx"}, "tvx: ls: unknown option \"-x\" (try \"tvx ls --help\")\n"},
      {{"info", "--json=yes", "a.tvx"},
       "tvx: info: option \"--json\" takes no value (try \"tvx info --help\")\n"},
      {{"link", "add", "a.tvx", "x", "y", "--type"},
       "tvx: link: option \"--type\" needs a value (try \"tvx link --help\")\n"},
      {{"page"}, "tvx: page: missing action (add, rm, rename or retype) (try \"tvx page --help\")\n"},
      {{"page", "move", "a.tvx"}, "tvx: page: unknown action \"move\" (try \"tvx page --help\")\n"},
      {{"page", "rm", "--type", "T", "a.tvx", "x"},
       "tvx: page: --type belongs to \"page add\" (try \"tvx page --help\")\n"},
      {{"page", "add", "a.tvx", ""}, "tvx: page: a page name cannot be empty (try \"tvx page --help\")\n"},
      {{"link", "rm", "a.tvx"}, "tvx: link: missing arguments (try \"tvx link --help\")\n"},
      {{"attr", "--rm", "a.tvx", "p"}, "tvx: attr: missing arguments (try \"tvx attr --help\")\n"},
      {{"attr", "a.tvx", "p", "n", "v", "w"},
       "tvx: attr: unexpected argument \"w\" (try \"tvx attr --help\")\n"},
      {{"put", "a.tvx", "p"}, "tvx: put: missing arguments (try \"tvx put --help\")\n"},
      {{"home", "a.tvx", "p", "q"}, "tvx: home: unexpected argument \"q\" (try \"tvx home --help\")\n"},
      // Names and types that page references could not carry.
      {{"page", "add", "a.tvx", "x#$y"},
       "tvx: page: a page name cannot hold \"#@\" or \"#$\" (try \"tvx page --help\")\n"},
      {{"page", "rename", "a.tvx", "p", "net#@x"},
       "tvx: page: a page name cannot hold \"#@\" or \"#$\" (try \"tvx page --help\")\n"},
      {{"page", "add", "a.tvx", std::string(257, 'n')},
       "tvx: page: a page name is at most 256 bytes long (try \"tvx page --help\")\n"},
      {{"page", "retype", "a.tvx", "p", std::string(257, 't')},
       "tvx: page: a type is at most 256 bytes long (try \"tvx page --help\")\n"},
      {{"put", "a.tvx", "a#$b", "-"},
       "tvx: put: a page name cannot hold \"#@\" or \"#$\" (try \"tvx put --help\")\n"},
      {{"link", "add", "--type", "t#@", "a.tvx", "p", "q"},
       "tvx: link: a type cannot hold \"#@\" or \"#$\" (try \"tvx link --help\")\n"},
  };
  for (const Case& c : cases) {
    RunResult r = tvx(c.args);
    std::string line;
    for (const std::string& a : c.args) line += " [" + a + "]";
    EXPECT_EQ(2, r.status) << line;
    EXPECT_EQ(c.err, r.err) << line;
    EXPECT_EQ("", r.out) << line;
  }
}

TEST(TvxCommandLine, DoubleDashEndsOptions) {
  ToolScratch dir;
  const std::string book = dir.file("--json");
  RunResult made = tvx({"new", "--", book});
  ASSERT_EQ(0, made.status) << made.err;
  EXPECT_TRUE(fileExists(book));
  RunResult listed = tvx({"ls", "--json", "--", book});
  EXPECT_EQ(0, listed.status) << listed.err;
  EXPECT_EQ("{\"pages\":[],\"links\":[]}\n", listed.out);
}

}  // namespace
