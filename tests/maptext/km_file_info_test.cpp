// The header information carried from reading to writing: its starting state,
// deep copies, and starting an output file from it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "maptext/km_esrap.h"
#include "maptext/km_file_info.h"
#include "recording_reader.h"

namespace {

TEST(KMFileInfoTest, StartsWithTheDocumentedState) {
  KMFileInfo info("orvane");
  const LONG versions[] = {info.fileVersion,  info.cmVersion,    info.typesVersion,
                           info.nodesVersion, info.linksVersion, info.annotationsVersion};
  for (LONG v : versions) EXPECT_EQ(0, v);
  EXPECT_EQ(0, info.majorAuthorVersion1);
  EXPECT_EQ(1, info.majorAuthorVersion2);
  EXPECT_EQ(0, info.thisAppVersion1);
  EXPECT_EQ(1, info.thisAppVersion2);
  EXPECT_STREQ("orvane", info.getAppTag());
  EXPECT_EQ(nullptr, info.getCMName());
  EXPECT_EQ(nullptr, info.getMajorAuthor());
  EXPECT_EQ(nullptr, info.comments.get());
}

TEST(KMFileInfoTest, AssignmentMakesAnIndependentCopy) {
  KMFileInfo source("Nexil");
  source.fileVersion = 0x161;
  source.annotationsVersion = 0x162;
  source.majorAuthorVersion1 = 7;
  source.thisAppVersion2 = 9;
  source.setCMName("Map");
  source.setMajorAuthor("Ann");
  KMFileInfo::makeStream(source.comments) << "(c\"one\")";
  KMFileInfo::makeStream(source.extensions) << "(e1,2,)";
  // A half-read source stream is still copied whole.
  char first;
  source.comments->get(first);

  KMFileInfo copy("other");
  KMFileInfo::makeStream(copy.names) << "(n\"stale\")";
  copy = source;
  source.comments->str("changed");
  source.clear();

  EXPECT_EQ(nullptr, source.comments.get());
  EXPECT_EQ(nullptr, source.getAppTag());
  ASSERT_NE(nullptr, copy.comments.get());
  EXPECT_EQ("(c\"one\")", copy.comments->str());
  EXPECT_EQ("(e1,2,)", copy.extensions->str());
  EXPECT_EQ(nullptr, copy.names.get()) << "assignment clears what the target held";
  EXPECT_STREQ("Map", copy.getCMName());
  EXPECT_STREQ("Ann", copy.getMajorAuthor());
  EXPECT_STREQ("Nexil", copy.getAppTag());
  EXPECT_EQ(0x161, copy.fileVersion);
  EXPECT_EQ(0x162, copy.annotationsVersion);
  EXPECT_EQ(7, copy.majorAuthorVersion1);
  EXPECT_EQ(9, copy.thisAppVersion2);

  // The copy's streams take further text at their end.
  *copy.comments << "(c\"two\")";
  EXPECT_EQ("(c\"one\")(c\"two\")", copy.comments->str());

  KMFileInfo self("x");
  KMFileInfo::makeStream(self.authors) << "(a\"me\",1,1)";
  KMFileInfo& alias = self;
  self = alias;
  ASSERT_NE(nullptr, self.authors.get());
  EXPECT_EQ("(a\"me\",1,1)", self.authors->str());
}

// saveOn starts the file with the major author when there is one, else with the
// application tag and this application's first number. Read back to check.
TEST(KMFileInfoTest, SaveOnStartsTheFileWithTheRightAuthor) {
  struct Case {
    const char* name;
    const char* majorAuthor;
    std::string header;
  };
  const Case cases[] = {
      {"major author", "Ann",
       "header cm=- author=\"Ann\" v=5,1 multi=0 ext=- names=- authors=- comments=-"},
      {"application tag", nullptr,
       "header cm=- author=\"orvane\" v=3,1 multi=0 ext=- names=- authors=- comments=-"},
  };
  for (const Case& c : cases) {
    KMFileInfo info("orvane");
    info.setMajorAuthor(c.majorAuthor);
    info.majorAuthorVersion1 = 5;
    info.thisAppVersion1 = 3;
    std::stringstream out;
    {
      KMEsrap w(&out, "writer");
      EXPECT_FALSE(info.saveOn(w)) << c.name;
      w.close();
    }
    maptext_test::RecordingReader r(&out);
    EXPECT_EQ(0, r.readFile()) << c.name << ": " << out.str();
    ASSERT_EQ(1u, r.lines.size()) << c.name;
    EXPECT_EQ(c.header, r.lines[0]) << c.name;
  }
}

TEST(KMFileInfoTest, SaveOnReportsAWriterThatFailed) {
  KMFileInfo info("orvane");
  KMEsrap noOutput("writer");
  EXPECT_TRUE(info.saveOn(noOutput)) << "a writer without output has status "
                                     << noOutput.getStatus();
  std::stringstream out;
  KMEsrap twice(&out, "writer");
  EXPECT_FALSE(info.saveOn(twice));
  EXPECT_TRUE(info.saveOn(twice)) << "the second file on one writer must fail, status "
                                  << twice.getStatus();
}

}  // namespace
