// The structured writer: the exact bytes of whole files and of each production,
// the separators written for skipped parts, the patched counts, every status
// code, and absent values written as nothing.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "maptext/km_esrap.h"
#include "platform/io/fd_stream.h"
#include "recording_reader.h"

using maptext_test::RecordingReader;

namespace {

const char kTag[] = "Tavix: Netscape Plugin";
const std::string kSig = "#CM&^# 161\r\n";
const LONG A = KM_ABSENT;

// A writer on a string stream, pretty printing off so that bytes are compact.
struct Out {
  std::stringstream s;
  KMEsrap w;
  Out() : w(&s, kTag) { w.setPrettyPrint(0); }
  std::string str() const { return s.str(); }
};

LONG parse(const std::string& text) {
  std::istringstream in(text);
  RecordingReader r(&in);
  return r.readFile();
}

TEST(KMEsrapTest, AuthorOnlyFile) {
  Out o;
  EXPECT_EQ(0, o.w.writeFile("Me", 2, nullptr));
  EXPECT_EQ(0, o.w.close());
  EXPECT_EQ(kSig + "(B(a\"Me\",2,1),,,)", o.str());
  EXPECT_EQ(0, parse(o.str()));

  // Pretty printing only adds line breaks and indentation.
  std::stringstream pretty;
  KMEsrap w(&pretty, kTag);
  w.writeFile("Me", 2, nullptr);
  w.close();
  EXPECT_EQ(kSig + "\n(B\n (a\"Me\",2,1),,,)", pretty.str());
  EXPECT_EQ(0, parse(pretty.str()));
}

TEST(KMEsrapTest, NullAuthorLeavesOutTheMajorAuthorSpec) {
  Out o;
  o.w.writeFile(nullptr, 1, nullptr);
  o.w.close();
  EXPECT_EQ(kSig + "(B,,,)", o.str());
  EXPECT_EQ(MapRead::BAD_MAJOR_AUTHOR, parse(o.str()));
}

TEST(KMEsrapTest, NodeSectionCountIsPatched) {
  Out o;
  o.w.writeFile("Me", 1, nullptr);
  o.w.writeNodeObject(1, "A", 7, nullptr, 10, 20, 30, 40, 0, A, nullptr, nullptr);
  o.w.writeNodeObject(2, nullptr, A, "Idea", 1, 2, 3, 4, 0x11, 5, nullptr, nullptr);
  o.w.writeNodeObject(3, nullptr, A, nullptr, A, A, A, A, 0, A, "http://x/", nullptr);
  EXPECT_EQ(0, o.w.close());
  EXPECT_EQ(kSig +
                "(B(a\"Me\",1,1),,,(C162,,,,,(N162,00000003,"
                "(n1,\"A\",7,a,14,1e,28,0,,)"
                "(n2,,\"Idea\",1,2,3,4,11,5,)"
                "(n3,,,,,,,0,\"http://x/\",)),,))",
            o.str());
  EXPECT_EQ(0, parse(o.str()));
}

TEST(KMEsrapTest, SkippedPartsKeepTheirSeparators) {
  struct Case {
    const char* name;
    std::function<void(KMEsrap&)> write;
    std::string expected;  // after the signature line
  } cases[] = {
      {"concept map right after the header",
       [](KMEsrap& w) { w.writeConceptMap(nullptr, nullptr, A); },
       "(B(a\"Me\",1,1),,,(C162,,,,,,,))"},
      {"annotation section after only the concept map header",
       [](KMEsrap& w) {
         w.writeAnnotationSection();
       },
       "(B(a\"Me\",1,1),,,(C162,,,,,,,(A162,00000000,)))"},
      {"links then annotations",
       [](KMEsrap& w) {
         w.writeNodeSection();
         w.writeLinkObject(1, 2, nullptr, 3, 4, A, A, 0, A, nullptr, nullptr);
         w.writeAnnotationObject(5, nullptr, A, A, A, A, 0, nullptr, 0, 't', "x", 2, nullptr, A);
       },
       "(B(a\"Me\",1,1),,,(C162,,,,,(N162,00000000,),(L162,00000001,(l1,2,(i3,4),,,0,,)),"
       "(A162,00000001,(a5,,,,,,0,,,(t\"x\"),))))"},
      {"nodes then annotations",
       [](KMEsrap& w) {
         w.writeNodeSection();
         w.writeAnnotationSection();
       },
       "(B(a\"Me\",1,1),,,(C162,,,,,(N162,00000000,),,(A162,00000000,)))"},
      {"types only",
       [](KMEsrap& w) {
         w.writeNodeType(1, "Idea", A, A, A, A, A, A, A, A, A, nullptr);
       },
       "(B(a\"Me\",1,1),,(T162,00000001,(n1,\"Idea\",(p,),,,)),)"},
      {"types then concept map with rectangles",
       [](KMEsrap& w) {
         w.writeCMTypes();
         RECT b = {0, 0, 100, 200};
         RECT v = {-32768, A, 5, 6};
         w.writeConceptMap(&b, &v, 7);
       },
       "(B(a\"Me\",1,1),,(T162,00000000,),(C162,(r0,0,64,c8),(r,,5,6),7,,,,))"},
      {"explicitly closed parts",
       [](KMEsrap& w) {
         w.writeConceptMap(nullptr, nullptr, 0);
         w.closeCMHeader();
         w.writeNodeSection();
         w.closeNodeSection();
         w.closeConceptMap();
         w.closeBody();
       },
       "(B(a\"Me\",1,1),,,(C162,,,0,,(N162,00000000,),,))"},
  };
  for (const Case& c : cases) {
    Out o;
    o.w.writeFile("Me", 1, nullptr);
    c.write(o.w);
    EXPECT_EQ(0, o.w.close()) << c.name;
    EXPECT_EQ(kSig + c.expected, o.str()) << c.name;
    EXPECT_EQ(0, parse(o.str())) << c.name;
  }
}

TEST(KMEsrapTest, StatusCodes) {
  struct Case {
    const char* name;
    std::function<void(KMEsrap&)> write;
    LONG expected;
  } cases[] = {
      {"file twice", [](KMEsrap& w) { w.writeFile("Me", 1, nullptr); }, -101},
      {"section header twice", [](KMEsrap& w) { w.writeSectionHeader("Me", 1, nullptr); }, -104},
      {"concept map twice",
       [](KMEsrap& w) {
         w.writeConceptMap(nullptr, nullptr, A);
         w.writeConceptMap(nullptr, nullptr, A);
       },
       -105},
      {"types twice",
       [](KMEsrap& w) {
         w.writeCMTypes();
         w.closeCMTypes();
         w.writeCMTypes();
       },
       -106},
      {"types after the concept map",
       [](KMEsrap& w) {
         w.writeConceptMap(nullptr, nullptr, A);
         w.writeNodeType(1, nullptr, A, A, A, A, A, A, A, A, A, nullptr);
       },
       -106},
      {"node section twice",
       [](KMEsrap& w) {
         w.writeNodeSection();
         w.writeNodeSection();
       },
       -107},
      {"nodes after annotations",
       [](KMEsrap& w) {
         w.writeAnnotationSection();
         w.writeNodeObject(1, nullptr, A, nullptr, A, A, A, A, 0, A, nullptr, nullptr);
       },
       -107},
      {"link section twice",
       [](KMEsrap& w) {
         w.writeNodeSection();
         w.writeLinkSection();
         w.writeLinkSection();
       },
       -108},
      {"annotation section twice",
       [](KMEsrap& w) {
         w.writeAnnotationSection();
         w.writeAnnotationSection();
       },
       -109},
      {"link section without node section", [](KMEsrap& w) { w.writeLinkSection(); }, -110},
      {"link without node section",
       [](KMEsrap& w) { w.writeLinkObject(1, A, nullptr, 1, 2, A, A, 0, A, nullptr, nullptr); },
       -110},
      {"unknown annotation kind",
       [](KMEsrap& w) {
         w.writeAnnotationObject(1, nullptr, A, A, A, A, 0, nullptr, 0, 'x', nullptr, 0, nullptr,
                                 A);
       },
       -111},
      {"no annotation body", 
       [](KMEsrap& w) {
         w.writeAnnotationObject(1, nullptr, A, A, A, A, 0, nullptr, 0, 0, nullptr, 0, nullptr, A);
       },
       -111},
      {"body while open", [](KMEsrap& w) { w.writeBody("Me", 1, nullptr); }, -113},
  };
  for (const Case& c : cases) {
    Out o;
    o.w.writeFile("Me", 1, nullptr);
    c.write(o.w);
    EXPECT_EQ(c.expected, o.w.getStatus()) << c.name;
    // Once negative, nothing more is written and the code stays.
    const std::string before = o.str();
    EXPECT_EQ(c.expected, o.w.writeNodeObject(9, "late", A, nullptr, 1, 1, 1, 1, 0, A, nullptr,
                                              nullptr))
        << c.name;
    EXPECT_EQ(c.expected, o.w.writePair("late", "pair")) << c.name;
    EXPECT_EQ(c.expected, o.w.close()) << c.name;
    EXPECT_EQ(before, o.str()) << c.name;
  }
}

TEST(KMEsrapTest, OutputStatusCodes) {
  KMEsrap none(kTag);
  EXPECT_EQ(-112, none.getStatus());
  EXPECT_EQ(-112, none.writeFile("Me", 1, nullptr));
  EXPECT_FALSE(none.isOpen());

  KMEsrap badPath(kTag, "/nonexistent/folder/page.map");
  EXPECT_EQ(-102, badPath.getStatus());

  std::stringstream bad;
  bad.setstate(std::ios::badbit);
  KMEsrap onBad(&bad, kTag);
  EXPECT_EQ(-103, onBad.getStatus());
  KMEsrap onNull(static_cast<std::ostream*>(nullptr), kTag);
  EXPECT_EQ(-103, onNull.getStatus());

  // attach resets the status and the productions.
  std::stringstream good;
  EXPECT_EQ(0, none.attach(&good));
  EXPECT_EQ(0, none.writeFile("Me", 1, nullptr));
  EXPECT_TRUE(none.classInvarient(__FILE__, __LINE__));
  none.close();  // before `good` goes
  EXPECT_EQ(std::string("#CM&^# 161\r\n\n(B\n (a\"Me\",1,1),,,)"), good.str());
}

TEST(KMEsrapTest, TypesWithEverySpec) {
  Out o;
  o.w.writeFile("Me", 1, nullptr);
  std::istringstream ext("(e1,2,\"x\")");
  o.w.writeNodeType(1, "Idea", 0, 3, 4, A, A, A, 8, 9, 0xa, &ext);
  o.w.writeNodeType(2, nullptr, A, A, A, A, A, A, A, A, A, nullptr);
  o.w.writeLinkType(3, "Arrow", 1, 1, A, 0xb, 1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, A, A, A, A, A,
                    A, A, 2, nullptr);
  o.w.writeLinkType(4, nullptr, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A, A,
                    A, A, nullptr);
  EXPECT_EQ(0, o.w.close());
  EXPECT_EQ(kSig +
                "(B(a\"Me\",1,1),,(T162,00000004,"
                "(n1,\"Idea\",(p0,),(s3,(f4,),(L,,8),9),(ta,),\n(e1,2,\"x\"))"
                "(n2,,(p,),,,)"
                "(l3,\"Arrow\",(p1,),(x1,,),(tb,),(L1,2,3),4,(h1,2,3,(f4,5),(L6,7,8)),"
                "(h,,,,(L,,2)),)"
                "(l4,,(p,),(x,,),,,,,,)),)",
            o.str());
  EXPECT_EQ(0, parse(o.str()));
}

TEST(KMEsrapTest, HeaderAnnotationsFromTheFileInformation) {
  Out o;
  o.w.setCMName("Map one");
  KMFileInfo::makeStream(o.w.names) << "(n\"alias\")";
  KMFileInfo::makeStream(o.w.authors) << "(a\"Other\",7,8)";
  KMFileInfo::makeStream(o.w.comments) << "(c\"note\")";
  KMFileInfo::makeStream(o.w.extensions) << "(e5,1,\"x\")";
  o.w.names->get();  // streams are copied whole, wherever their position
  std::istringstream ext("(e6,2,)");
  o.w.writeFile("Me", 3, &ext);
  o.w.close();
  EXPECT_EQ(kSig +
                "(B(a\"Me\",3,1),(n\"Map one\")\n(n\"alias\")\n(a\"Other\",7,8)\n(c\"note\")"
                "\n(e5,1,\"x\")\n(e6,2,),,)",
            o.str());
  EXPECT_EQ(0, parse(o.str()));
}

TEST(KMEsrapTest, SmallProductions) {
  Out o;
  o.w.thisAppVersion2 = 0x2a;
  o.w.writePair("colour", "red");
  o.w.writePair("empty", nullptr);
  o.w.writeExtension(-1, 3, "data");
  o.w.writeExtension(7, A, nullptr);
  o.w.writeComment("c");
  o.w.writeNameSpec("n");
  o.w.writeAuthorSpec("a", A, 2);
  o.w.writeAuthorSpec(nullptr, 1, 2);
  o.w.writeText('g', "ink");
  const unsigned char bytes[5] = {1, 2, 3, 4, 5};
  o.w.writeMSOLE(bytes, 5);
  o.w.writeMacSubPub(nullptr, 0);
  o.w.writeRectangle(nullptr);
  EXPECT_EQ(0, o.w.getStatus());
  EXPECT_EQ(
      "(V\"colour\",\"red\")(V\"empty\",)(e2a,3,\"data\")(e7,,)(c\"c\")(n\"n\")(a\"a\",,2)"
      "(g\"ink\")(o\n~5\n\"9S]+!!!!&\n~\n)(m)",
      o.str());
}

TEST(KMEsrapTest, AnnotationValuesAndBodies) {
  Out o;
  o.w.writeFile("Me", 1, nullptr);
  const LONG values[3] = {1, A, 0x10};
  o.w.writeAnnotationObject(1, "n", 1, 2, 3, 4, 5, values, 3, 'p', "pen", 4, nullptr, 6);
  const unsigned char zeros[4] = {0, 0, 0, 0};
  o.w.writeAnnotationObject(2, nullptr, A, A, A, A, 0, nullptr, 0, 'o', zeros, 4, nullptr, A);
  o.w.close();
  EXPECT_EQ(kSig +
                "(B(a\"Me\",1,1),,,(C162,,,,,,,(A162,00000002,"
                "(a1,\"n\",1,2,3,4,5,1 80000000 10,6,(p\"pen\"),)"
                "(a2,,,,,,0,,,(o\n~4\nz\n~\n),))))",
            o.str());
  EXPECT_EQ(0, parse(o.str()));
}

TEST(KMEsrapTest, CloseCutsTheFileAtTheEnd) {
  const char* dir = std::getenv("TMPDIR");
  const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/km_esrap_close.map";
  {
    std::ofstream old(path, std::ios::binary);
    old << std::string(500, 'Z');
  }
  int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  {
    FdStream s(fd);
    KMEsrap w(&s, kTag);
    w.setPrettyPrint(0);
    w.writeFile("Me", 1, nullptr);
    w.writeNodeObject(1, nullptr, A, nullptr, 1, 2, 3, 4, 0, A, nullptr, nullptr);
    EXPECT_EQ(0, w.close());
  }
  ::close(fd);
  std::ifstream f(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << f.rdbuf();
  EXPECT_EQ(kSig + "(B(a\"Me\",1,1),,,(C162,,,,,(N162,00000001,(n1,,,1,2,3,4,0,,)),,))",
            bytes.str());
  std::remove(path.c_str());
}

TEST(KMEsrapTest, WritesAFileItCreates) {
  const char* dir = std::getenv("TMPDIR");
  const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/km_esrap_own.map";
  {
    KMEsrap w(kTag, path.c_str());
    ASSERT_TRUE(w.isOpen());
    w.writeFile("Me", 1, nullptr);
    w.writeNodeSection();
    // The destructor closes what is open.
  }
  std::ifstream f(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << f.rdbuf();
  EXPECT_EQ(kSig + "\n(B\n (a\"Me\",1,1),,,\n (C162,,,,,\n  (N162,00000000,),,))", bytes.str());
  EXPECT_EQ(0, parse(bytes.str()));
  std::remove(path.c_str());
}

TEST(KMEsrapTest, FragmentsWithoutAFile) {
  Out o;
  o.w.writeNodeObject(1, nullptr, A, nullptr, A, A, A, A, 0, A, nullptr, nullptr);
  o.w.writeAnnotationSection();
  o.w.close();
  EXPECT_EQ("(N162,00000001,(n1,,,,,,,0,,)),,(A162,00000000,)", o.str());
  EXPECT_EQ(0, o.w.getStatus());
}

}  // namespace
