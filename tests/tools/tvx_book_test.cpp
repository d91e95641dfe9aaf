// tvx new, info, ls, cat and put on scratch books: the bytes a new book starts
// with, the reported header fields and counts, the listing in both forms, and
// page bodies going in and out byte for byte.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <memory>

#include "store/middle_level_store.h"
#include "tool_test_support.h"

namespace {

class TvxBookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    book = dir.file("book.tvx");
    RunResult r = tvx({"new", book});
    ASSERT_EQ(0, r.status) << r.err;
  }

  // Runs tvx and expects success with nothing on standard error.
  std::string ok(const std::vector<std::string>& args, const std::string& input = std::string()) {
    RunResult r = tvx(args, input);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    return r.out;
  }

  ToolScratch dir;
  std::string book;
};

TEST_F(TvxBookTest, NewBookHasTheBookHeaderAndRefusesAnExistingFile) {
  const std::string bytes = readFileBytes(book);
  ASSERT_GE(bytes.size(), 37u);
  // size 37, "#NXST#", version 1568, "#MLS#", store version 32, free list 0,
  // index handle 37, next ID 0.
  const std::string header("\x25\0\0\0#NXST#\0\x20\x06\0\0#MLS#\0\x20\0\0\0\0\0\0\0\x25\0\0\0\0\0\0\0",
                           37);
  EXPECT_EQ(header, bytes.substr(0, 37));

  RunResult again = tvx({"new", book});
  EXPECT_EQ(1, again.status);
  EXPECT_EQ("tvx: '" + book + "' already exists\n", again.err);
  EXPECT_EQ(bytes, readFileBytes(book)) << "the existing book must not change";

  RunResult noDir = tvx({"new", dir.file("missing/book.tvx")});
  EXPECT_EQ(1, noDir.status);
  EXPECT_EQ(0u, noDir.err.find("tvx: cannot make book '")) << noDir.err;
}

TEST_F(TvxBookTest, InfoReportsHeaderFieldsAndSpaceOfANewBook) {
  const std::string out = ok({"info", book});
  const std::string expected =
      "book                " + book + "\n"
      "signature           #NXST#\n"
      "version             1568\n"
      "store signature     #MLS#\n"
      "store version       32\n"
      "header size         37\n"
      "free list head      0\n"
      "next ID             0\n"
      "index handle        37\n"
      "file size           " + std::to_string(readFileBytes(book).size()) + "\n"
      "blocks              1\n"
      "free blocks         0\n"
      "free bytes          0\n"
      "pages               0\n"
      "links               0\n"
      "other entries       0\n"
      "fragmentation index 1.00\n";
  EXPECT_EQ(expected, out);
}

TEST_F(TvxBookTest, InfoCountsPagesLinksFreeSpaceAndFragmentation) {
  ok({"page", "add", book, "A"});
  ok({"page", "add", book, "B"});
  ok({"link", "add", book, "A", "B"});
  const std::string fresh = ok({"info", "--json", book});
  EXPECT_NE(std::string::npos, fresh.find("\"fragmentationIndex\":1.00}")) << fresh;

  // Growing a body in small steps while other records are made after it splits
  // the body's record into several blocks.
  std::string body = sampleBody();
  for (int i = 0; i < 6; ++i) {
    body = "#CM&^# 161\r\n(B(a\"" + std::string(200 * (i + 1), 'x') + "\",1,1),,,)";
    ok({"put", book, "A", "-"}, body);
    ok({"attr", book, "B", "n" + std::to_string(i), std::string(300, 'v')});
  }
  const std::string json = ok({"info", "--json", book});
  EXPECT_NE(std::string::npos, json.find("\"pages\":2,\"links\":1,\"otherEntries\":0,")) << json;
  const std::size_t at = json.find("\"fragmentationIndex\":");
  ASSERT_NE(std::string::npos, at) << json;
  const double index = std::stod(json.substr(at + 21));
  EXPECT_GT(index, 1.0) << json;
  // A replaced body leaves its old record's blocks free.
  const std::size_t freeAt = json.find("\"freeBlocks\":");
  ASSERT_NE(std::string::npos, freeAt);
  EXPECT_NE("0", json.substr(freeAt + 13, 1)) << json;
  EXPECT_EQ(body, ok({"cat", book, "A"}));
}

TEST_F(TvxBookTest, LsListsPagesAndLinksInBothForms) {
  EXPECT_EQ("0 pages\n0 links\n", ok({"ls", book}));
  ok({"page", "add", "--type", "Topic", book, "Plants"});
  ok({"page", "add", book, "Leaf \"green\" parts"});
  ok({"put", book, "Plants", "-"}, sampleBody());
  ok({"link", "add", "--type", "has part", book, "Plants", "1"});
  ok({"home", book, "Plants"});

  const std::string table =
      "2 pages\n"
      "    ID KIND    FLAGS     BODY LINKS HOME  TYPE             NAME\n"
      "     0 0x9         0       29     1    *  Topic            Plants\n"
      "     1 0x1         0        0     1       Undefined        Leaf \"green\" parts\n"
      "1 link\n"
      "    ID TYPE             ENDS\n"
      "     2 has part         from 0 (Plants) to 1 (Leaf \"green\" parts)\n";
  EXPECT_EQ(table, ok({"ls", book}));

  const std::string json =
      "{\"pages\":["
      "{\"id\":0,\"kind\":9,\"name\":\"Plants\",\"type\":\"Topic\",\"flags\":0,\"bodySize\":29,"
      "\"links\":1,\"home\":true},"
      "{\"id\":1,\"kind\":1,\"name\":\"Leaf \\\"green\\\" parts\",\"type\":\"Undefined\",\"flags\":0,"
      "\"bodySize\":0,\"links\":1,\"home\":false}],"
      "\"links\":[{\"id\":2,\"type\":\"has part\",\"ends\":["
      "{\"dir\":2,\"page\":0,\"name\":\"Plants\"},{\"dir\":1,\"page\":1,\"name\":\"Leaf \\\"green\\\" parts\"}]}]}\n";
  EXPECT_EQ(json, ok({"ls", "--json", book}));
}

TEST_F(TvxBookTest, LsJsonEscapesControlCharactersAndBytesThatAreNotUtf8) {
  ok({"page", "add", book, std::string("tab\there")});
  ok({"page", "add", book, std::string("caf\xc3\xa9")});    // UTF-8: kept as it is
  ok({"page", "add", book, std::string("caf\xe9")});        // Latin-1: escaped
  const std::string json = ok({"ls", "--json", book});
  EXPECT_NE(std::string::npos, json.find("\"name\":\"tab\\there\"")) << json;
  EXPECT_NE(std::string::npos, json.find("\"name\":\"caf\xc3\xa9\"")) << json;
  EXPECT_NE(std::string::npos, json.find("\"name\":\"caf\\u00e9\"")) << json;
}

TEST_F(TvxBookTest, PutAndCatCarryBodiesByteForByte) {
  const std::string file = dir.file("page.map");
  const std::string longBody = "#CM&^# 161\r\n(B(a\"" + std::string(3000, 'a') + "\",1,1),,,)";
  writeFileBytes(file, longBody);
  // Made by put when missing, with the type asked for.
  ok({"put", "--type", "Topic", book, "Long", file});
  EXPECT_EQ(longBody, ok({"cat", book, "Long"}));
  EXPECT_EQ(longBody, ok({"cat", book, "0"}));
  EXPECT_EQ(longBody, facetOf(book, 0, 1));
  EXPECT_EQ(std::string("Long\0Topic\0" "0", 12), facetOf(book, 0, 0));

  // A shorter body replaces a longer one with nothing of the old left behind.
  const std::string shortBody = sampleBody("x");
  ok({"put", book, "0", "-"}, shortBody);
  EXPECT_EQ(shortBody, ok({"cat", book, "Long"}));
  EXPECT_EQ(shortBody, facetOf(book, 0, 1));

  // A page that has no body writes nothing.
  ok({"page", "add", book, "Empty"});
  EXPECT_EQ("", ok({"cat", book, "Empty"}));
}

TEST_F(TvxBookTest, PutRefusesTextThatDoesNotParseAndLeavesTheBookAlone) {
  ok({"put", book, "P", "-"}, sampleBody());
  const std::string before = readFileBytes(book);
  struct Case {
    const char* what;
    std::string text;
    std::string err;
  };
  const Case cases[] = {
      {"not map text", "hello",
       "tvx: 'standard input' is not map text: Bad signature (-2) found EOF at offset 5 before "
       "\"                    \"\n"},
      {"missing comma", "#CM&^# 161\r\n(B(a\"me\" 1,1),,,)",
       "tvx: 'standard input' is not map text: Expected separator (-6) found integer at offset 22 before "
       "\"             ,1),,,)\"\n"},
      {"text after the map", sampleBody() + " junk",
       "tvx: 'standard input' is not map text: Expected EOF (-11) found Invalid character 'j' (106) at "
       "offset 31 before \"                 unk\"\n"},
      {"empty", "",
       "tvx: 'standard input' is not map text: Bad signature (-2) found EOF at offset 0 before "
       "\"                    \"\n"},
  };
  for (const Case& c : cases) {
    RunResult r = tvx({"put", book, "P", "-"}, c.text);
    EXPECT_EQ(1, r.status) << c.what;
    EXPECT_EQ(c.err, r.err) << c.what;
    EXPECT_EQ(before, readFileBytes(book)) << c.what;
  }
  EXPECT_EQ(sampleBody(), ok({"cat", book, "P"}));
}

TEST_F(TvxBookTest, PagesAreFoundByIdOrNameAndMissingOnesAreReported) {
  ok({"page", "add", book, "First"});
  ok({"page", "add", book, "7"});  // a page whose name is digits
  ok({"put", book, "First", "-"}, sampleBody("first"));
  ok({"put", book, "7", "-"}, sampleBody("seven"));
  EXPECT_EQ(sampleBody("first"), ok({"cat", book, "0"}));
  // "1" is the ID of the page named "7"; "7" names no ID, so it is a name.
  EXPECT_EQ(sampleBody("seven"), ok({"cat", book, "1"}));
  EXPECT_EQ(sampleBody("seven"), ok({"cat", book, "7"}));

  RunResult missing = tvx({"cat", book, "Nowhere"});
  EXPECT_EQ(1, missing.status);
  EXPECT_EQ("tvx: no page 'Nowhere' in " + book + "\n", missing.err);
  EXPECT_EQ("", missing.out);

  const std::string before = readFileBytes(book);
  RunResult byId = tvx({"put", book, "42", "-"}, sampleBody());
  EXPECT_EQ(1, byId.status);
  EXPECT_EQ("tvx: no page with ID 42 in " + book + " (a new page needs a name)\n", byId.err);
  EXPECT_EQ(before, readFileBytes(book));

  RunResult unreadable = tvx({"put", book, "First", dir.file("absent.map")});
  EXPECT_EQ(1, unreadable.status);
  EXPECT_EQ("tvx: cannot read '" + dir.file("absent.map") + "': No such file or directory\n",
            unreadable.err);
}

// The book database offers a badly fragmented book to the defragmenter when
// it closes. Nobody is there to answer: the question becomes one "tvx: " line
// with the cautious answer, and the defragmenter is not started.
TEST_F(TvxBookTest, TheDefragmentationQuestionIsPrintedAndAnsweredNo) {
  ok({"page", "add", book, "A"});
  ok({"page", "add", book, "B"});
  {
    // Two bodies grown a little at a time by turns: neither can grow in place,
    // so each becomes a chain of many small blocks.
    // Deleted by hand: the store's destructor may throw, which a smart
    // pointer's destructor would turn into termination.
    MiddleLevelStore* store = MiddleLevelStore::make(book.c_str(), 2, 0x20);
    for (int i = 0; i < 40; ++i) {
      for (ULONG id : {0u, 1u}) {
        std::unique_ptr<StoreStream> s = store->insert(id, 1, 32);
        s->seekp(0, std::ios::end);
        *s << std::string(40, 'a' + static_cast<char>(id));
        s->flush();
      }
    }
    store->commit();
    delete store;
  }
  // A stand-in defragmenter on PATH that leaves a mark when it runs.
  const std::string bin = dir.file("bin");
  mkdir(bin.c_str(), 0777);
  const std::string mark = dir.file("defragmenter-ran");
  writeFileBytes(bin + "/blkpack", "#!/bin/sh\ntouch '" + mark + "'\n");
  chmod((bin + "/blkpack").c_str(), 0755);
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath != nullptr ? oldPath : "";
  setenv("PATH", (bin + ":" + savedPath).c_str(), 1);
  RunResult r = tvx({"ls", book});
  setenv("PATH", savedPath.c_str(), 1);

  EXPECT_EQ(0, r.status);
  const std::string prefix = "tvx: Tavix: File '" + book +
                             "' appears to be excessively fragmented, and has a fragmentation index of ";
  EXPECT_EQ(0u, r.err.find(prefix)) << r.err;
  const std::string suffix =
      " which can cause performance degradation. Do you want to defrag this file now? [No]\n";
  ASSERT_GE(r.err.size(), suffix.size());
  EXPECT_EQ(suffix, r.err.substr(r.err.size() - suffix.size())) << r.err;
  EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << "one line: " << r.err;
  EXPECT_FALSE(fileExists(mark)) << "the defragmenter must not be started";
}

}  // namespace
