// The map text parser: what a reader's handlers receive, the status a text ends
// with, the error text, and hostile input that must end with a status code.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "maptext/km_token.h"
#include "maptext/map_read.h"
#include "recording_reader.h"

using maptext_test::RecordingReader;

namespace {

const std::string kSig = "#CM&^# 161\r\n";

// Parses `body` (after the signature line unless `withSignature` is false) and
// returns the reader for inspection.
struct Parse {
  std::istringstream in;
  RecordingReader reader;
  LONG result;
  explicit Parse(const std::string& text) : in(text), reader(&in) { result = reader.readFile(); }
};

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

// A page with every kind of record: header annotations, a node type and a link
// type, two nodes, a link and two annotations (a text and an OLE object).
std::string richPage() {
  return kSig +
         "(B(a\"Tavix: Netscape Plugin\",2,3),(n\"Map one\")(c\"note\")(e 5,1,\"x\")"
         "(a\"Other\",7,8)(n\"alias\"),\r\n"
         "(T 162,2,\n"
         " (n 1,\"Idea\",(p 0,),(s 3,(f 4,5),(L 6,7,8),9),(t a,(F 1 2 (3))),(e 1,2,))\n"
         " (l 2,\"Arrow\",(p 1,),(x 1,2,),(t b,),(L 1,2,3),4,(h 1,2,3,(f 4,5),(L 6,7,8)),,)\n"
         "),\n"
         "(C 162,(r 0,0,64,-1),(r ,,10,),0,,\n"
         " (N 162,2,(n 1,\"A\",1,10,20,30,40,6,\"ref\",)(n 2,,\"Idea\",,,,,0,5,)),\n"
         " (L 162,1,(l 3,2,(i 1,2),5,6,0,,)),\n"
         " (A 162,2,(a 4,\"note\",1,2,3,4,0,a b c,0,(t\"hello\"),)"
         "(a 5,,,,,,,,,(o~4\nz\n~),))))\n";
}

TEST(MapReadTest, RichPageDeliversEveryRecordInOrder) {
  Parse p(richPage());
  EXPECT_EQ(0, p.result) << "expected status 0, got " << p.result;
  std::string expected =
      "header cm=\"Map one\" author=\"Tavix: Netscape Plugin\" v=2,3 multi=0 ext=(e5,1,\"x\") "
      "names=(n\"alias\") authors=(a\"Other\",7,8) comments=(c\"note\")\n"
      "nodetype v=354 id=1 name=\"Idea\" parent=0 shape=3,4,5,6,7,8,9 text=10 ext=(e1,2,)\n"
      "linktype v=354 id=2 name=\"Arrow\" parent=1 x=1,2 text=11 line=1,2,3 value=4 "
      "heads=<1 2 3 4 5 6 7 8><- - - - - - - -> ext=-\n"
      "cm v=354 name=\"Map one\" bounds=[0 0 100 -1] viewport=[32768 32768 16 32768] extra=0\n"
      "node v=354 id=1 name=\"A\" type=1/- at=16,32,48,64 flags=6 ref=-/\"ref\" ext=-\n"
      "node v=354 id=2 name=- type=-/\"Idea\" at=-,-,-,- flags=0 ref=5/- ext=-\n"
      "link v=354 id=3 type=2/- nodes=[1 2 ] ab=5,6 flags=0 ref=-/- ext=-\n"
      "anno v=354 id=4 name=\"note\" at=1,2,3,4 flags=0 values=[10 11 12] extra=0 kind=t "
      "data=\"hello\":6 ext=-\n"
      "anno v=354 id=5 name=- at=-,-,-,- flags=- values=[] extra=- kind=o data=bytes:4 ext=-\n";
  EXPECT_EQ(expected, joined(p.reader.lines));
  EXPECT_EQ(0x161, p.reader.fileVersion);
  EXPECT_EQ(0x162, p.reader.cmVersion);
  EXPECT_EQ(0x162, p.reader.annotationsVersion);
  EXPECT_TRUE(p.reader.wasHeaderRead());
  EXPECT_FALSE(p.reader.wasHeaderRejected());
}

TEST(MapReadTest, SmallestTextCallsOnlyTheHeaderHandler) {
  Parse p(kSig + "(B(a\"me\",1,1),,,)");
  EXPECT_EQ(0, p.result);
  ASSERT_EQ(1u, p.reader.lines.size());
  EXPECT_EQ("header cm=- author=\"me\" v=1,1 multi=0 ext=- names=- authors=- comments=-",
            p.reader.lines[0]);
}

TEST(MapReadTest, HeaderResultWithBitZeroClearMarksHeaderRejected) {
  std::istringstream in(kSig + "(B(a\"me\",1,1),,,)");
  RecordingReader r(&in);
  r.headerResult = 2;
  EXPECT_EQ(0, r.readFile());
  EXPECT_TRUE(r.wasHeaderRejected());
}

// Texts that must end with a given status, and the records delivered before.
TEST(MapReadTest, MalformedTextsEndWithTheirStatus) {
  struct Case {
    const char* name;
    std::string text;
    LONG status;
    size_t records;  // handler calls made before the error
  };
  const std::string head = kSig + "(B(a\"me\",1,1),,";
  const std::string cm = head + "(T 162,0,),(C 162,,,0,,";
  const Case cases[] = {
      {"no major author", kSig + "(B,,,)", -4, 1},
      {"bad signature", "#CM&^! 161\r\n(B(a\"me\",1,1),,,)", -2, 0},
      {"signature without blank", "#CM&^#\r\n161(B", -2, 0},
      {"no version", "#CM&^# (B(a\"me\",1,1),,,)", -3, 0},
      {"second integer after version", "#CM&^# 161 1\r\n(B(a\"me\",1,1),,,)", -10, 1},
      {"name specifier without string", kSig + "(B(a\"me\",1,1),(n 5),,)", -9, 1},
      {"major author missing comma", kSig + "(B(a\"me\" 1,1),,,)", -6, 1},
      {"major author missing close", kSig + "(B(a\"me\",1,1,),,,)", -8, 1},
      {"types without version", head + "(T ,0,),)", -12, 1},
      {"node type without id", head + "(T 162,0,(n ,,,,,)),)", -12, 1},
      {"unknown annotation body tag", cm + "(N 162,0,),(L 162,0,),(A 162,1,(a 1,,,,,,,,,(q),))))",
       -6, 2},
      {"second concept map", head + "(T 162,0,),(C 162,,,0,7", -10, 1},
      {"link list bad entry", cm + "(N 162,0,),(L 162,1,(l 1,,(i 1 2),,,,,)),))", -6, 2},
      {"node after error not delivered",
       cm + "(N 162,2,(n 1,,,,,,,,,)(n ,,,,,,,,,)(n 3,,,,,,,,,)),,))", -12, 3},
      {"unterminated string", head + "(T 162,0,(n 1,\"abc", -6, 1},
      {"unterminated list", cm + "(N 162,0,", -8, 2},
      {"empty input", "", -2, 0},
  };
  for (const Case& c : cases) {
    Parse p(c.text);
    EXPECT_EQ(c.status, p.result) << c.name;
    EXPECT_EQ(c.records, p.reader.lines.size()) << c.name << "\n" << joined(p.reader.lines);
  }
}

// Flags are present in node and link objects from section version 354 on.
TEST(MapReadTest, NodeAndLinkFlagsFollowTheSectionVersion) {
  struct Case {
    const char* name;
    std::string section;
    LONG status;
    std::string record;
  };
  const std::string cm = kSig + "(B(a\"me\",1,1),,,(C 162,,,0,,";
  const Case cases[] = {
      {"353 node without flags", "(N 161,1,(n 1,,,1,2,3,4,5,)),,)", 0,
       "node v=353 id=1 name=- type=-/- at=1,2,3,4 flags=- ref=5/- ext=-"},
      {"353 node with flags", "(N 161,1,(n 1,,,1,2,3,4,9,5,)),,)", -8, ""},
      {"354 node with flags", "(N 162,1,(n 1,,,1,2,3,4,9,5,)),,)", 0,
       "node v=354 id=1 name=- type=-/- at=1,2,3,4 flags=9 ref=5/- ext=-"},
      {"354 node without flags", "(N 162,1,(n 1,,,1,2,3,4,5,)),,)", -6, ""},
      {"353 link without flags", ",(L 161,1,(l 1,,,1,2,5,)),)", 0,
       "link v=353 id=1 type=-/- nodes=- ab=1,2 flags=- ref=5/- ext=-"},
      {"354 link with flags", ",(L 162,1,(l 1,,,1,2,7,5,)),)", 0,
       "link v=354 id=1 type=-/- nodes=- ab=1,2 flags=7 ref=5/- ext=-"},
  };
  for (const Case& c : cases) {
    Parse p(cm + c.section + ")");
    EXPECT_EQ(c.status, p.result) << c.name;
    std::string last = p.reader.lines.empty() ? "" : p.reader.lines.back();
    if (c.status == 0) {
      EXPECT_EQ(c.record, last) << c.name;
    } else {
      EXPECT_EQ(0u, last.rfind("cm ", 0)) << c.name << ": no object after the error, got " << last;
    }
  }
}

// The parent and the link constraint are in their place from types version
// 354 on; a link type may also give them after its arrow heads, which wins.
TEST(MapReadTest, TypesFollowTheirVersion) {
  struct Case {
    const char* name;
    std::string types;
    std::string record;
  };
  const Case cases[] = {
      {"353 node type", "(T 161,1,(n 1,\"N\",(s 1,,,),,))",
       "nodetype v=353 id=1 name=\"N\" parent=- shape=1,-,-,-,-,-,- text=- ext=-"},
      {"353 link type, trailing parent and constraint",
       "(T 161,1,(l 2,,,(L 1,2,3),,,,(p 5,)(x 6,7,)))",
       "linktype v=353 id=2 name=- parent=5 x=6,7 text=- line=1,2,3 value=- "
       "heads=<- - - - - - - -><- - - - - - - -> ext=-"},
      {"354 link type, trailing parent wins", "(T 162,1,(l 2,,(p 1,),(x 2,3,),,,,,,(p 9,)))",
       "linktype v=354 id=2 name=- parent=9 x=2,3 text=- line=-,-,- value=- "
       "heads=<- - - - - - - -><- - - - - - - -> ext=-"},
  };
  for (const Case& c : cases) {
    Parse p(kSig + "(B(a\"me\",1,1),," + c.types + ",)");
    EXPECT_EQ(0, p.result) << c.name;
    ASSERT_EQ(2u, p.reader.lines.size()) << c.name;
    EXPECT_EQ(c.record, p.reader.lines[1]) << c.name;
  }
}

TEST(MapReadTest, LinkNodeListsAndTypeForms) {
  const std::string cm = kSig + "(B(a\"me\",1,1),,,(C 162,,,0,,,(L 162,3,";
  Parse p(cm + "(l 1,\"T\",(i),,,,,)(l 2,4,,,,,,)(l 3,,(i 1,,2),,,,,)),))");
  EXPECT_EQ(0, p.result);
  ASSERT_EQ(5u, p.reader.lines.size()) << joined(p.reader.lines);
  EXPECT_EQ("link v=354 id=1 type=-/\"T\" nodes=[] ab=-,- flags=- ref=-/- ext=-",
            p.reader.lines[2]);
  EXPECT_EQ("link v=354 id=2 type=4/- nodes=- ab=-,- flags=- ref=-/- ext=-", p.reader.lines[3]);
  // An empty entry reads as absent, which also ends the list for its consumer.
  EXPECT_EQ("link v=354 id=3 type=-/- nodes=[1 ] ab=-,- flags=- ref=-/- ext=-",
            p.reader.lines[4]);
}

TEST(MapReadTest, ThisAppNumbersAreRecordedOnlyWhenAskedFor) {
  const std::string text = kSig + "(B(a\"orvane\",4,5),(a\"Tavix: Netscape Plugin\",6,7),,)";
  {
    std::istringstream in(text);
    RecordingReader r(&in);
    EXPECT_EQ(0, r.readFile());
    EXPECT_EQ(0, r.thisAppVersion1) << "numbers recorded without being asked for";
    EXPECT_EQ(1, r.thisAppVersion2);
  }
  {
    std::istringstream in(text);
    RecordingReader r(&in);
    r.thisAppVersion1 = r.thisAppVersion2 = KM_ABSENT;
    EXPECT_EQ(0, r.readFile());
    EXPECT_EQ(6, r.thisAppVersion1);
    EXPECT_EQ(7, r.thisAppVersion2);
    EXPECT_EQ(std::string("(a\"Tavix: Netscape Plugin\",6,7)"),
              maptext_test::streamText(r.authors.get()));
  }
}

TEST(MapReadTest, ErrorTextFollowsTheSizeRule) {
  Parse p(kSig + "(B(a\"me\" 1,1),,,) tail of the input here");
  ASSERT_EQ(-6, p.result);
  char small[40];
  int needed = p.reader.errorText(small, sizeof small);
  EXPECT_STREQ("Expected separator", small);
  EXPECT_EQ(18 + 90, needed);

  char tiny[8];
  EXPECT_EQ(0, p.reader.errorText(tiny, sizeof tiny)) << "a text that does not fit needs no size";
  EXPECT_STREQ("Expecte", tiny);

  Parse q(kSig + "(B(a\"me\" 1,1),,,) tail of the input here");
  char big[200];
  EXPECT_EQ(0, q.reader.errorText(big, sizeof big));
  // The error is noticed after the integer that stands where the comma belongs.
  std::string expected = "Expected separator (-6) found integer at offset " +
                         std::to_string(q.reader.getErrorOffset()) +
                         " before \",1),,,) tail of the \"";
  EXPECT_EQ(expected, std::string(big));
  EXPECT_EQ(static_cast<LONG>(kSig.size() + 10), q.reader.getErrorOffset());

  Parse ok(kSig + "(B(a\"me\",1,1),,,)");
  EXPECT_EQ(0, ok.reader.errorText(big, sizeof big));
  EXPECT_STREQ("Success", big);
}

TEST(MapReadTest, StatusTextsAreTheSystemsOwn) {
  const std::pair<LONG, const char*> table[] = {
      {0, "Success"},
      {1, "Success"},
      {-1, "Cound not open file"},
      {-2, "Bad signature"},
      {-3, "Bad version number"},
      {-4, "Bad major author"},
      {-5, "Unknown"},
      {-6, "Expected separator"},
      {-7, "Expected file annotation"},
      {-8, "Expected close paren"},
      {-9, "Bad name spec"},
      {-10, "Multi-file not supported"},
      {-11, "Expected EOF"},
      {-12, "Expected integer"},
      {-13, "Unknown"},
      {-99, "Unknown"},
  };
  for (const auto& e : table) EXPECT_STREQ(e.second, MapRead::statusText(e.first)) << e.first;
}

TEST(MapReadTest, InputsThatCannotBeRead) {
  RecordingReader none(static_cast<std::istream*>(nullptr));
  EXPECT_FALSE(none.isOpen());
  maptext_test::Recording<MapRead> noInput("x");
  EXPECT_EQ(-13, noInput.getStatus());
  EXPECT_EQ(-13, noInput.readFile());
  maptext_test::Recording<MapRead> missing("x", "/nonexistent/dir/page.map");
  EXPECT_EQ(-1, missing.getStatus());
  char buf[100];
  missing.errorText(buf, sizeof buf);
  EXPECT_STREQ("Cound not open file", buf);
}

TEST(MapReadTest, AttributeLists) {
  std::istringstream in("(V\"colour\",\"red\")(V\"flag\",)(V,\"v\"))\r\n");
  RecordingReader r(&in);
  EXPECT_EQ(0, r.readAttrs());
  EXPECT_EQ("attr \"colour\"=\"red\"\nattr \"flag\"=-\nattr -=\"v\"\n", joined(r.lines));

  std::istringstream bad("(V\"a\" \"b\")(V\"c\",\"d\")");
  RecordingReader rb(&bad);
  EXPECT_EQ(-6, rb.readAttrs());
  EXPECT_TRUE(rb.lines.empty());
}

// ---- Hostile input ----

// Every proper prefix of a valid page ends with an error status: none of them
// crashes, hangs or is taken for a whole page.
TEST(MapReadHostileTest, EveryTruncationEndsWithAnError) {
  const std::string page = richPage();
  size_t end = page.rfind(')') + 1;
  // A text that stops before its body's "(B" has nothing to read and is left
  // with the status of its signature line.
  size_t bodyStart = kSig.size() + 2;
  for (size_t n = 0; n < end; ++n) {
    Parse p(page.substr(0, n));
    if (n >= bodyStart) {
      EXPECT_LT(p.result, 0) << "prefix of " << n << " bytes";
    } else {
      EXPECT_LE(p.result, 0) << "prefix of " << n << " bytes";
    }
  }
}

// Whether a reading took its text for a whole page: success, and nothing but
// layout left after what it read (a text without "(B" reads as an empty one).
bool readWhole(Parse& p) {
  return p.result >= 0 && p.reader.lexer() != nullptr &&
         p.reader.lexer()->readKMToken() == KMToken::END_OF_INPUT;
}

// Every single byte replaced by a hostile one ends with a status the parser
// defines: success, or an error with its own text and an input position inside
// the text. Beyond that, what the change must do where the page's structure
// decides it (in the body, outside strings, the object's bytes and the font
// block the lexer skips whole):
//   - a 0xFF byte ends the input there, so the text reads as the part before it;
//   - a parenthesis replaced by anything else, or a quote added, leaves the page
//     unbalanced, which no reading may take for a whole page;
//   - a layout byte replaced by a NUL is still layout: the page reads as before.
TEST(MapReadHostileTest, CorruptedBytesEndWithAStatus) {
  const std::string page = richPage();
  Parse sound(page);
  ASSERT_TRUE(readWhole(sound));
  std::vector<bool> structural(page.size());
  bool inString = false, inObject = false;
  int fontDepth = 0;
  for (size_t i = 0; i < page.size(); ++i) {
    const char c = page[i];
    const bool edge = (c == '"' && !inObject) || (c == '~' && !inString);
    if (!inString && !inObject && c == '(' && i + 1 < page.size() && page[i + 1] == 'F') fontDepth = 1;
    else if (fontDepth > 0 && c == '(') ++fontDepth;
    structural[i] = i >= kSig.size() && !inString && !inObject && !edge && fontDepth == 0;
    if (fontDepth > 0 && c == ')') --fontDepth;
    if (c == '"' && !inObject) inString = !inString;
    if (c == '~' && !inString) inObject = !inObject;
  }
  const char hostile[] = {'\0', '\x80', '\xff', '(', ')', ',', '"', '~', '-'};
  for (size_t i = 0; i < page.size(); ++i) {
    const char was = page[i];
    for (char h : hostile) {
      if (h == was) continue;
      std::string text = page;
      text[i] = h;
      Parse p(text);
      const std::string at = "byte " + std::to_string(i) + " ('" + std::string(1, was) + "') -> " +
                             std::to_string(static_cast<unsigned char>(h));
      if (p.result < 0) {
        EXPECT_STRNE("Unknown", MapRead::statusText(p.result)) << at << ": status " << p.result;
        EXPECT_GE(p.reader.getErrorOffset(), 0) << at;
        EXPECT_LE(p.reader.getErrorOffset(), static_cast<LONG>(text.size())) << at;
      } else {
        EXPECT_LE(p.result, MapRead::OPTIONAL_ABSENT) << at;
      }
      if (!structural[i]) continue;
      if (h == '\xff') {
        Parse cut(page.substr(0, i));
        EXPECT_EQ(cut.result, p.result) << at;
        EXPECT_EQ(cut.reader.lines, p.reader.lines) << at;
      } else if (was == '(' || was == ')' || h == '"') {
        EXPECT_FALSE(readWhole(p)) << at << " read as a whole page";
      }
      if (h == '\0' && (was == ' ' || was == '\r' || was == '\n')) {
        EXPECT_EQ(0, p.result) << at;
        EXPECT_EQ(sound.reader.lines, p.reader.lines) << at;
      }
    }
  }
}

TEST(MapReadHostileTest, DeepNestingAndHugeAnnouncements) {
  const std::string head = kSig + "(B(a\"me\",1,1),,(T 162,0,(n 1,,,(s,,,),";
  std::string nested;
  for (size_t i = 0; i < 1000000; ++i) nested += "(x";
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"font nested a million deep", head + "(t 1,(F" + nested + ")"},
      {"extension nested a million deep", head + "," + "(e" + nested},
      {"binary object announcing four gigabytes",
       kSig + "(B(a\"me\",1,1),,,(C 162,,,0,,,,(A 162,1,(a 1,,,,,,,,,(o~ffffffff\n!!!!!"},
      {"string never closed", kSig + "(B(a\"" + std::string(100000, 'x')},
      {"values without end", kSig + "(B(a\"me\",1,1),,,(C 162,,,0,,,,(A 162,1,(a 1,,,,,,," +
                                 std::string(200000, '1') + std::string(1, ' ') + "2 3"},
      {"bytes 0x80 to 0xff", kSig + "(B(a\"me\",1,1)\x80\x81\xfe\xff,,,)"},
  };
  for (const Case& c : cases) {
    Parse p(c.text);
    EXPECT_LT(p.result, 0) << c.name;
  }
  // A deep font block that is closed properly is skipped as a whole.
  std::string closed = head + "(t 1,(F" + nested + std::string(1000001, ')') +
                       "),)),(C 162,,,0,,,,))";
  Parse ok(closed);
  EXPECT_EQ(0, ok.result);
}

// A NUL between tokens is layout and one inside a string is dropped, as every
// other control character is.
TEST(MapReadHostileTest, NulBytesAreLayout) {
  Parse p(kSig + std::string("(B(a\"m\0e\",1,1),\0,,)", 19));
  EXPECT_EQ(0, p.result);
  ASSERT_EQ(1u, p.reader.lines.size());
  EXPECT_EQ(0u, p.reader.lines[0].find("header cm=- author=\"me\" ")) << p.reader.lines[0];
}

}  // namespace
