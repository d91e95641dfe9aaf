// NXL link files: reading, refusing, writing and round trips through a stream
// and through a file of the translator's own.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/nxl_esrap.h"
#include "core/nxl_parse.h"
#include "core/nxl_translator.h"
#include "core_test_support.h"
#include "maptext/km_records.h"
#include "maptext/km_translator.h"

namespace {

// One link object as handed to the handler, with its texts copied.
struct Seen {
  LONG version, id;
  std::string text1;
  bool hasText1;
  LONG number1;
  std::string text2;
  bool hasText2;
  LONG number2;
};

Seen copyOf(const NXL_Link& l) {
  return Seen{l.version, l.id, l.text1 ? l.text1 : "", l.text1 != nullptr, l.number1,
              l.text2 ? l.text2 : "", l.text2 != nullptr, l.number2};
}

class Recorder : public NXLParse {
 public:
  explicit Recorder(std::istream* in) : KMFileInfo("Tavix"), GenericFileInfo("Tavix"),
                                        NXLFileInfo("Tavix"), NXLParse("Tavix", in) {}
  int CMLinkObject(NXL_Link& l) override {
    seen.push_back(copyOf(l));
    return 0;
  }
  std::vector<Seen> seen;
};

class RecordingTranslator : public NXLTranslator {
 public:
  RecordingTranslator(const char* path, short mode)
      : KMFileInfo("Tavix"), GenericFileInfo("Tavix"), NXLFileInfo("Tavix"),
        NXLTranslator("Tavix", path, mode) {}
  int CMLinkObject(NXL_Link& l) override {
    seen.push_back(copyOf(l));
    return 0;
  }
  std::vector<Seen> seen;
};

TEST(NXLRead, LinkSectionWithoutObjectsReadsCleanly) {
  std::istringstream in("#NXL&^# 161\r\n(B(a\"Tavix\",1,1),,,(L161,00000000,\"links\",))");
  Recorder r(&in);
  EXPECT_EQ(0, r.readFile());
  EXPECT_TRUE(r.seen.empty());
  EXPECT_EQ(353, r.linkSectionVersion);
  ASSERT_NE(nullptr, r.linkSectionName);
  EXPECT_STREQ("links", r.linkSectionName.get());
  EXPECT_STREQ("Tavix", r.getMajorAuthor());
  EXPECT_STREQ("#NXL&^#", r.signature());
}

TEST(NXLRead, StatusForEachKindOfDamage) {
  struct Case {
    const char* what;
    const char* text;
    LONG status;
    const char* statusText;
  };
  const Case cases[] = {
      {"a map text file", "#CM&^# 161\r\n(B(a\"Tavix\",1,1),,,)", -2, "Bad signature"},
      {"signature alone", "#NXL&^#", -3, "Bad version number"},
      {"no link section", "#NXL&^# 161 (B(a,,),,,)", 0, "Success"},
      {"two separators after the author", "#NXL&^# 161 (B(a,,),,(L161,,,))", -6,
       "Expected separator"},
      {"object without an id", "#NXL&^# 161 (B(a,,),,,(L161,,,(l,,,,)))", -12,
       "Expected integer"},
      {"object one field short", "#NXL&^# 161 (B(a,,),,,(L161,,,(l1,,,)))", -6,
       "Expected separator"},
      {"section never closed", "#NXL&^# 161 (B(a,,),,,(L161,,,(l1,,,,)", -8,
       "Expected close paren"},
      {"section without a version", "#NXL&^# 161 (B(a,,),,,(L,,,))", -12, "Expected integer"},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    Recorder r(&in);
    EXPECT_EQ(c.status, r.readFile()) << c.what;
    EXPECT_STREQ(c.statusText, Recorder::statusText(r.getStatus())) << c.what;
  }
}

TEST(NXLWrite, WriteThenReadRoundTrips) {
  std::stringstream file;
  {
    NXLEsrap w(&file, "Tavix");
    w.setPrettyPrint(0);
    EXPECT_EQ(0, w.writeFile("Tavix", 5, nullptr));
    EXPECT_EQ(0, w.writeLinkSection("links"));
    EXPECT_EQ(0, w.writeLinkObject(1, "<this>#$1:A", 2, "<this>#$2:B", 1));
    EXPECT_EQ(0, w.writeLinkObject(2, nullptr, KM_ABSENT, "x", -5));
    EXPECT_EQ(0, w.close());
  }
  EXPECT_EQ(std::string("#NXL&^# 161\r\n(B(a\"Tavix\",5,1),,,(L161,00000002,\"links\","
                        "(l1,\"<this>#$1:A\",2,\"<this>#$2:B\",1)(l2,,,\"x\",fffffffb)))"),
            file.str());

  file.seekg(0);
  Recorder r(&file);
  EXPECT_EQ(0, r.readFile());
  ASSERT_EQ(2u, r.seen.size());
  const Seen& one = r.seen[0];
  EXPECT_EQ(353, one.version);
  EXPECT_EQ(1, one.id);
  EXPECT_EQ("<this>#$1:A", one.text1);
  EXPECT_EQ(2, one.number1);
  EXPECT_EQ("<this>#$2:B", one.text2);
  EXPECT_EQ(1, one.number2);
  const Seen& two = r.seen[1];
  EXPECT_FALSE(two.hasText1);
  EXPECT_EQ(KM_ABSENT, two.number1);
  EXPECT_EQ("x", two.text2);
  EXPECT_EQ(-5, two.number2);
  EXPECT_EQ(5, r.majorAuthorVersion1);
}

TEST(NXLWrite, ProductionsOutOfOrderAreRefused) {
  std::stringstream file;
  NXLEsrap w(&file, "Tavix");
  EXPECT_EQ(NXLEsrap::NO_BODY, w.writeLinkSection("early"));
  NXLEsrap v(&file, "Tavix");
  EXPECT_EQ(0, v.writeFile("Tavix", 1, nullptr));
  EXPECT_EQ(NXLEsrap::NO_LINK_SECTION, v.writeLinkObject(1, nullptr, 0, nullptr, 0));
  NXLEsrap u(&file, "Tavix");
  u.writeFile("Tavix", 1, nullptr);
  u.writeLinkSection(nullptr);
  u.closeLinkSection();
  EXPECT_EQ(NXLEsrap::LINKS_DONE, u.writeLinkSection(nullptr));
}

TEST(NXLTranslatorFile, WritesAFileAndReadsItBack) {
  const std::string path = freshDir("nxl_file") + "links.nxl";
  {
    NXLTranslator t("Tavix", path.c_str(),
                    KMTranslator::MODE_READ_WRITE | KMTranslator::MODE_CREATE);
    ASSERT_TRUE(t.isOpen()) << t.status();
    EXPECT_EQ(0, t.saveInternal());
    EXPECT_EQ(0, t.writeLinkSection("links"));
    EXPECT_EQ(0, t.writeLinkObject(7, "a", 1, "b", 2));
    t.closeStream();
    EXPECT_FALSE(t.isOpen());
    EXPECT_TRUE(t.ok());
  }
  const std::string bytes = readFileBytes(path);
  EXPECT_EQ(0u, bytes.find("#NXL&^# 161\r\n")) << bytes;

  RecordingTranslator r(path.c_str(), 0);
  ASSERT_TRUE(r.isOpen());
  EXPECT_EQ(0, r.readFile());
  ASSERT_EQ(1u, r.seen.size());
  EXPECT_EQ(7, r.seen[0].id);
  EXPECT_EQ("b", r.seen[0].text2);

  RecordingTranslator missing((path + ".none").c_str(), 0);
  EXPECT_EQ(KMTranslator::NOT_FOUND, missing.status());
  EXPECT_FALSE(missing.isOpen());
}

}  // namespace
