// tvx page, attr, link and home: every change lands in the book's records as
// the core writes them (entry headers, link records, link lists, attribute
// lists, kind words), link lists stay consistent both ways, deleting a page
// reaches its links, and a book another program holds for writing is refused
// without being touched.
#include <gtest/gtest.h>

#include <memory>
#include <cstdlib>
#include <string>
#include <vector>

#include "kit/error_msg_exception.h"
#include "store/middle_level_store.h"
#include "tool_test_support.h"

namespace {

class TvxEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    book = dir.file("edit.tvx");
    RunResult r = tvx({"new", book});
    ASSERT_EQ(0, r.status) << r.err;
  }

  std::string ok(const std::vector<std::string>& args, const std::string& input = std::string()) {
    RunResult r = tvx(args, input);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    return r.out;
  }

  // A link list naming the given link IDs, as the core stores it.
  static std::string linkList(const std::vector<int>& ids) {
    std::string bytes;
    for (int id : ids) bytes += "<this>#$" + std::to_string(id) + std::string(1, '\0');
    return bytes + "\xff";
  }

  ToolScratch dir;
  std::string book;
};

TEST_F(TvxEditTest, PageAddRenameRetypeWriteTheEntryHeader) {
  EXPECT_EQ("0\n", ok({"page", "add", book, "Plants"}));
  EXPECT_EQ("1\n", ok({"page", "add", "--type", "Topic", book, "Roots"}));
  EXPECT_EQ(std::string("Plants\0Undefined\0" "0", 18), facetOf(book, 0, 0));
  EXPECT_EQ(std::string("Roots\0Topic\0" "0", 13), facetOf(book, 1, 0));
  EXPECT_EQ(1u, kindOf(book, 0));

  ok({"page", "rename", book, "Roots", "Root systems"});
  ok({"page", "retype", book, "1", "Organ"});
  EXPECT_EQ(std::string("Root systems\0Organ\0" "0", 20), facetOf(book, 1, 0));
  // A shorter name leaves nothing of the longer one behind.
  ok({"page", "rename", book, "1", "R"});
  EXPECT_EQ(std::string("R\0Organ\0" "0", 9), facetOf(book, 1, 0));
  // Renaming to the name it already has is no clash.
  ok({"page", "rename", book, "R", "R"});

  const std::string before = readFileBytes(book);
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case refused[] = {
      {{"page", "add", book, "Plants"}, "tvx: a page named 'Plants' already exists\n"},
      {{"page", "rename", book, "R", "Plants"}, "tvx: a page named 'Plants' already exists\n"},
      {{"page", "rename", book, "Nope", "X"}, "tvx: no page 'Nope' in " + book + "\n"},
      {{"page", "retype", book, "9", "X"}, "tvx: no page '9' in " + book + "\n"},
      {{"page", "rm", book, "Nope"}, "tvx: no page 'Nope' in " + book + "\n"},
  };
  for (const Case& c : refused) {
    RunResult r = tvx(c.args);
    EXPECT_EQ(1, r.status) << c.args[1];
    EXPECT_EQ(c.err, r.err) << c.args[1];
    EXPECT_EQ(before, readFileBytes(book)) << c.args[1];
  }
}

TEST_F(TvxEditTest, LinkAddAndRmKeepRecordsAndListsInStep) {
  ok({"page", "add", book, "A"});
  ok({"page", "add", book, "B"});
  ok({"page", "add", book, "C"});
  EXPECT_EQ("3\n", ok({"link", "add", "--type", "part of", book, "A", "B"}));
  EXPECT_EQ("4\n", ok({"link", "add", book, "A", "2"}));

  EXPECT_EQ(2u, kindOf(book, 3));
  EXPECT_EQ(std::string("\0part of\0" "0", 10), facetOf(book, 3, 0));
  EXPECT_EQ(std::string("2\0<this>#$0:A\0" "1\0<this>#$1:B\0", 28), facetOf(book, 3, 1));
  EXPECT_EQ(linkList({3, 4}), facetOf(book, 0, 2));
  EXPECT_EQ(linkList({3}), facetOf(book, 1, 2));
  EXPECT_EQ(linkList({4}), facetOf(book, 2, 2));

  ok({"link", "rm", book, "3"});
  EXPECT_EQ(0u, kindOf(book, 3)) << "the link entry must be gone";
  EXPECT_EQ(linkList({4}), facetOf(book, 0, 2)) << "a shorter list leaves no stale entries";
  EXPECT_EQ("", facetOf(book, 1, 2)) << "an empty list is no list";
  EXPECT_EQ(linkList({4}), facetOf(book, 2, 2));

  const std::string before = readFileBytes(book);
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case refused[] = {
      {{"link", "rm", book, "3"}, "tvx: no link '3' in " + book + "\n"},
      {{"link", "rm", book, "0"}, "tvx: no link '0' in " + book + "\n"},  // a page
      {{"link", "rm", book, "x"}, "tvx: no link 'x' in " + book + "\n"},
      {{"link", "add", book, "A", "Nope"}, "tvx: no page 'Nope' in " + book + "\n"},
      {{"link", "add", book, "4", "A"}, "tvx: no page '4' in " + book + "\n"},  // a link
  };
  for (const Case& c : refused) {
    RunResult r = tvx(c.args);
    EXPECT_EQ(1, r.status) << c.args[2] << " " << c.args[3];
    EXPECT_EQ(c.err, r.err);
    EXPECT_EQ(before, readFileBytes(book));
  }
}

TEST_F(TvxEditTest, DeletingAPageDeletesItsTwoEndedLinksFromTheOtherEnds) {
  ok({"page", "add", book, "A"});
  ok({"page", "add", book, "B"});
  ok({"page", "add", book, "C"});
  ok({"link", "add", book, "A", "B"});  // 3
  ok({"link", "add", book, "C", "A"});  // 4
  ok({"link", "add", book, "B", "C"});  // 5
  ok({"attr", book, "A", "URL", "https://example.org/a"});

  ok({"page", "rm", book, "A"});
  EXPECT_EQ(0u, kindOf(book, 0));
  EXPECT_EQ(0u, kindOf(book, 3));
  EXPECT_EQ(0u, kindOf(book, 4));
  EXPECT_EQ(2u, kindOf(book, 5));
  EXPECT_EQ(linkList({5}), facetOf(book, 1, 2));
  EXPECT_EQ(linkList({5}), facetOf(book, 2, 2));
  EXPECT_EQ(
      "{\"pages\":[{\"id\":1,\"kind\":1,\"name\":\"B\",\"type\":\"Undefined\",\"flags\":0,"
      "\"bodySize\":0,\"links\":1,\"home\":false},{\"id\":2,\"kind\":1,\"name\":\"C\","
      "\"type\":\"Undefined\",\"flags\":0,\"bodySize\":0,\"links\":1,\"home\":false}],"
      "\"links\":[{\"id\":5,\"type\":\"Undefined\",\"ends\":[{\"dir\":2,\"page\":1,\"name\":\"B\"},"
      "{\"dir\":1,\"page\":2,\"name\":\"C\"}]}]}\n",
      ok({"ls", "--json", book}));
}

TEST_F(TvxEditTest, AttributesListGetSetAndRemove) {
  ok({"page", "add", book, "P"});
  EXPECT_EQ("", ok({"attr", book, "P"}));
  ok({"attr", book, "P", "URL", "https://example.org/p"});
  ok({"attr", book, "P", "Note", "two words"});
  ok({"attr", book, "P", "Empty", ""});
  EXPECT_EQ("https://example.org/p\n", ok({"attr", book, "P", "URL"}));
  EXPECT_EQ("\n", ok({"attr", book, "P", "Empty"}));
  const std::string listed = ok({"attr", book, "0"});
  EXPECT_NE(std::string::npos, listed.find("URL=https://example.org/p\n")) << listed;
  EXPECT_NE(std::string::npos, listed.find("Note=two words\n")) << listed;
  EXPECT_NE(std::string::npos, listed.find("Empty=\n")) << listed;
  const std::string stored = facetOf(book, 0, 3);
  EXPECT_NE(std::string::npos, stored.find("(V\"URL\",\"https://example.org/p\")")) << stored;

  // Setting again replaces the value.
  ok({"attr", book, "P", "URL", "https://example.org/q"});
  EXPECT_EQ("https://example.org/q\n", ok({"attr", book, "P", "URL"}));

  ok({"attr", "--rm", book, "P", "URL"});
  RunResult gone = tvx({"attr", book, "P", "URL"});
  EXPECT_EQ(1, gone.status);
  EXPECT_EQ("tvx: page 'P' has no attribute 'URL'\n", gone.err);
  RunResult again = tvx({"attr", "--rm", book, "P", "URL"});
  EXPECT_EQ(1, again.status);
  EXPECT_EQ("tvx: page 'P' has no attribute 'URL'\n", again.err);
  EXPECT_EQ("two words\n", ok({"attr", book, "P", "Note"}));
}

TEST_F(TvxEditTest, HomePageIsShownAndMovedWithTheKindBits) {
  ok({"page", "add", book, "A"});
  ok({"page", "add", book, "B"});
  RunResult none = tvx({"home", book});
  EXPECT_EQ(1, none.status);
  EXPECT_EQ("tvx: " + book + " has no home page\n", none.err);

  ok({"home", book, "A"});
  EXPECT_EQ(9u, kindOf(book, 0));
  EXPECT_EQ("0 A\n", ok({"home", book}));
  ok({"home", book, "1"});
  EXPECT_EQ(1u, kindOf(book, 0)) << "the old home page loses bit 8";
  EXPECT_EQ(9u, kindOf(book, 1));
  EXPECT_EQ("1 B\n", ok({"home", book}));
  // Setting the same page again changes nothing.
  ok({"home", book, "B"});
  EXPECT_EQ(9u, kindOf(book, 1));
  EXPECT_EQ(1u, kindOf(book, 0));
}

// Holds a book open for writing as another program would (open flags 2, share
// 0x20: others may read but not write).
struct WriteHolder {
  explicit WriteHolder(const std::string& path) : store(MiddleLevelStore::make(path.c_str(), 2, 0x20)) {}
  ~WriteHolder() { delete store; }
  MiddleLevelStore* store;
};

TEST_F(TvxEditTest, ABookHeldForWritingElsewhereIsReadButNotChanged) {
  ok({"page", "add", book, "A"});
  ok({"put", book, "A", "-"}, sampleBody());
  const std::string before = readFileBytes(book);
  WriteHolder holder(book);
  setenv("TVX_LOCK_WAIT", "0", 1);  // give up at once instead of waiting for the holder
  const std::vector<std::vector<std::string>> edits = {
      {"put", book, "A", "-"},
      {"page", "add", book, "B"},
      {"page", "rm", book, "A"},
      {"attr", book, "A", "k", "v"},
      {"home", book, "A"},
  };
  for (const auto& args : edits) {
    RunResult r = tvx(args, sampleBody("other"));
    EXPECT_EQ(1, r.status) << args[0];
    EXPECT_NE(std::string::npos,
              r.err.find("tvx: cannot write book '" + book +
                         "': another program holds it open for writing\n"))
        << r.err;
    EXPECT_EQ(before, readFileBytes(book)) << args[0];
  }
  unsetenv("TVX_LOCK_WAIT");
  // Reading goes on.
  EXPECT_EQ(sampleBody(), ok({"cat", book, "A"}));
}

TEST(TvxHostileBooks, DamagedFilesGiveOneLineErrorsNeverACrash) {
  ToolScratch dir;
  const std::string good = dir.file("good.tvx");
  ASSERT_EQ(0, tvx({"new", good}).status);
  ASSERT_EQ(0, tvx({"page", "add", good, "A"}).status);
  ASSERT_EQ(0, tvx({"page", "add", good, "B"}).status);
  ASSERT_EQ(0, tvx({"put", good, "A", "-"}, sampleBody(std::string(500, 'a'))).status);
  ASSERT_EQ(0, tvx({"link", "add", good, "A", "B"}).status);
  ASSERT_EQ(0, tvx({"attr", good, "A", "URL", "https://example.org/"}).status);
  const std::string bytes = readFileBytes(good);

  struct Variant {
    const char* name;
    std::string bytes;
  };
  std::vector<Variant> variants = {
      {"empty", ""},
      {"text", "not a book at all\n"},
      {"header only", bytes.substr(0, 37)},
      {"cut in the ID table", bytes.substr(0, 3000)},
      {"cut after the ID table", bytes.substr(0, 5000)},
      {"cut near the end", bytes.substr(0, bytes.size() - 30)},
  };
  std::string flipped = bytes;
  for (std::size_t i = 4940; i < flipped.size(); i += 97) flipped[i] = static_cast<char>(~flipped[i]);
  variants.push_back({"bytes flipped after the ID table", flipped});
  std::string noise(6000, '\0');
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + 13) % 251);
  variants.push_back({"noise", noise});

  const std::vector<std::vector<std::string>> commands = {
      {"info"}, {"ls"}, {"ls", "--json"}, {"home"}, {"cat", "A"}, {"cat", "0"}, {"attr", "A"},
  };
  for (const Variant& v : variants) {
    const std::string path = dir.file("bad.tvx");
    writeFileBytes(path, v.bytes);
    for (const auto& command : commands) {
      std::vector<std::string> args = {command[0]};
      if (command.size() > 1 && command[1] == "--json") args.push_back("--json");
      args.push_back(path);
      if (command.size() > 1 && command[1] != "--json") args.push_back(command[1]);
      RunResult r = tvx(args);
      EXPECT_TRUE(r.status == 0 || r.status == 1)
          << v.name << ": tvx " << command[0] << " ended with " << r.status << "\n" << r.err;
      // Every message is its own "tvx: " line.
      std::size_t start = 0;
      while (start < r.err.size()) {
        const std::size_t end = r.err.find('\n', start);
        ASSERT_NE(std::string::npos, end) << v.name << ": unterminated line in " << r.err;
        EXPECT_EQ(0u, r.err.compare(start, 5, "tvx: ")) << v.name << ": " << r.err.substr(start, end - start);
        start = end + 1;
      }
      if (r.status == 0) {
        EXPECT_EQ("", r.err) << v.name << " " << command[0];
      }
    }
    EXPECT_EQ(v.bytes, readFileBytes(path)) << v.name << ": reading must not change the file";
  }
}

}  // namespace
