// The translator: opening a file that another open holds, the codes of the
// open, writing through the shared stream (cut at its end on close), and
// carrying a header from one map text to another.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "browser_skips.h"
#include "maptext/km_translator.h"
#include "platform/system/desktop.h"
#include "platform/io/share_open.h"
#include "recording_reader.h"

namespace {

using Translator = maptext_test::Recording<KMTranslator>;

const char* kTag = "Tavix: Netscape Plugin";

int gWaits = 0;
DWORD gLastWait = 0;
void countWait(DWORD ms) {
  ++gWaits;
  gLastWait = ms;
}

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class KMTranslatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kmtrXXXXXX";
    std::string dir = pattern;
    ASSERT_NE(nullptr, mkdtemp(&dir[0]));
    folder = dir;
    path = folder + "/page.map";
    gWaits = 0;
    previousWait = KMTranslator::setRetryWait(countWait);
  }
  void TearDown() override {
    KMTranslator::setRetryWait(previousWait);
    std::remove(path.c_str());
    std::remove((folder + "/copy.map").c_str());
    rmdir(folder.c_str());
  }

  std::string folder;
  std::string path;
  KMTranslator::RetryWait previousWait = nullptr;
};

const std::string kPage = "#CM&^# 161\r\n(B(a\"Tavix: Netscape Plugin\",1,1),(c\"kept\"),,)";

TEST_F(KMTranslatorTest, LockedFileFallsBackToReadOnly) {
  TVX_SKIP_IN_BROWSER(browser_skips::kNoShareLocks);
  writeFileBytes(path, kPage);
  int holder = _sopen(path.c_str(), _O_RDWR, _SH_DENYWR);
  ASSERT_GE(holder, 0);
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  {
    Translator t(kTag, path.c_str(), KMTranslator::MODE_READ_WRITE |
                                         KMTranslator::MODE_READ_ONLY_FALLBACK);
    EXPECT_EQ(201, t.getStatus()) << "expected 201 (opened read-only)";
    EXPECT_TRUE(t.isOpen());
    EXPECT_TRUE(t.ownsTheStream());
    EXPECT_EQ(0, gWaits) << "falling back to reading needs no wait";
    EXPECT_EQ(0, t.readFile());
    ASSERT_EQ(1u, t.lines.size());
    EXPECT_NE(std::string::npos, t.lines[0].find("comments=(c\"kept\")")) << t.lines[0];
  }
  EXPECT_TRUE(desk.eventsOf(ScriptedDesktop::Kind::Beep).empty());
  EXPECT_EQ(kPage, readFileBytes(path)) << "a read-only translator leaves the file alone";
  _close(holder);
}

TEST_F(KMTranslatorTest, LockedFileWithoutFallbackEndsLockedAfterThreeAttempts) {
  TVX_SKIP_IN_BROWSER(browser_skips::kNoShareLocks);
  writeFileBytes(path, kPage);
  int holder = _sopen(path.c_str(), _O_RDWR, _SH_DENYWR);
  ASSERT_GE(holder, 0);
  ScriptedDesktop desk;
  DesktopScope scope(desk);
  Translator t(kTag, path.c_str(), KMTranslator::MODE_READ_WRITE);
  EXPECT_EQ(-203, t.getStatus());
  EXPECT_EQ(-203, t.status());
  EXPECT_FALSE(t.ok());
  EXPECT_FALSE(t.isOpen());
  EXPECT_EQ(2, gWaits) << "one wait between each two of the three attempts";
  EXPECT_EQ(1000u, gLastWait);
  auto beeps = desk.eventsOf(ScriptedDesktop::Kind::Beep);
  ASSERT_EQ(2u, beeps.size());
  EXPECT_EQ(MB_ICONINFORMATION, beeps[0].type);
  _close(holder);

  // Once the holder lets go, the same translator opens the file for writing.
  EXPECT_EQ(0, t.open(path.c_str(), KMTranslator::MODE_READ_WRITE));
  EXPECT_TRUE(t.isOpen());
}

TEST_F(KMTranslatorTest, OpenOutcomes) {
  struct Case {
    const char* name;
    bool exists;
    short mode;
    LONG status;
    bool openAfter;
  };
  const Case cases[] = {
      {"missing, read only", false, 0, -201, false},
      {"missing, read-write", false, KMTranslator::MODE_READ_WRITE, -201, false},
      {"missing, created", false, KMTranslator::MODE_READ_WRITE | KMTranslator::MODE_CREATE, 0,
       true},
      {"present, read only", true, 0, 0, true},
      {"present, read-write", true, KMTranslator::MODE_READ_WRITE, 0, true},
  };
  for (const Case& c : cases) {
    std::remove(path.c_str());
    if (c.exists) writeFileBytes(path, kPage);
    Translator t(kTag, path.c_str(), c.mode);
    EXPECT_EQ(c.status, t.getStatus()) << c.name;
    EXPECT_EQ(c.openAfter, t.isOpen()) << c.name;
    EXPECT_EQ(0, gWaits) << c.name;
  }
  struct stat st;
  ASSERT_EQ(0, stat(path.c_str(), &st));
  std::remove(path.c_str());
  {
    Translator t(kTag, path.c_str(), KMTranslator::MODE_CREATE);
    ASSERT_EQ(0, stat(path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0700u) << "a created file is the owner's to read and write";
  }
  Translator none(kTag, static_cast<const char*>(nullptr), 0);
  EXPECT_EQ(-201, none.getStatus());
}

// Writing a shorter map text over a longer file leaves no stale tail: closing
// the stream cuts the file where the writer stopped.
TEST_F(KMTranslatorTest, WritingCutsTheFileAtItsEnd) {
  writeFileBytes(path, std::string(4000, 'x'));
  {
    Translator t(kTag, path.c_str(), KMTranslator::MODE_READ_WRITE);
    ASSERT_EQ(0, t.getStatus());
    EXPECT_EQ(0, t.save());
    t.writeComment("short");
    t.closeStream();
    EXPECT_EQ(nullptr, t.getStream());
    EXPECT_FALSE(t.isOpen());
  }
  std::string bytes = readFileBytes(path);
  EXPECT_LT(bytes.size(), 200u);
  EXPECT_EQ(std::string::npos, bytes.find("xx")) << bytes;
  std::istringstream in(bytes);
  maptext_test::RecordingReader r(&in);
  EXPECT_EQ(0, r.readFile()) << bytes;
  ASSERT_EQ(1u, r.lines.size());
  EXPECT_EQ(
      "header cm=- author=\"Tavix: Netscape Plugin\" v=0,1 multi=0 ext=- names=- authors=- "
      "comments=(c\"short\")",
      r.lines[0]);
}

// A header read from one map text is written out again with another.
TEST_F(KMTranslatorTest, HeaderCarriesFromReadingToWriting) {
  writeFileBytes(path,
                 "#CM&^# 161\r\n(B(a\"Ann\",4,1),(n\"Title\")(c\"remark\")(e 7,1,\"data\")"
                 "(a\"Tavix: Netscape Plugin\",2,3),,)");
  std::string copyPath = folder + "/copy.map";
  Translator reader(kTag, path.c_str(), 0);
  EXPECT_EQ(0, reader.readFile());
  {
    Translator writer(kTag, copyPath.c_str(),
                      KMTranslator::MODE_READ_WRITE | KMTranslator::MODE_CREATE);
    static_cast<KMFileInfo&>(writer) = reader;
    EXPECT_EQ(0, writer.save());
  }
  Translator back(kTag, copyPath.c_str(), 0);
  EXPECT_EQ(0, back.readFile()) << readFileBytes(copyPath);
  ASSERT_EQ(1u, back.lines.size());
  EXPECT_EQ(reader.lines[0], back.lines[0]);
}

TEST_F(KMTranslatorTest, AttachedStreamsAndStatus) {
  std::stringstream s(kPage);
  {
    Translator t(kTag, &s);
    EXPECT_TRUE(t.isOpen());
    EXPECT_FALSE(t.ownsTheStream());
    EXPECT_EQ(0, t.readFile());
    t.closeStream();
    EXPECT_EQ(nullptr, t.getStream());
  }
  EXPECT_EQ(kPage, s.str()) << "an attached stream belongs to its owner";

  Translator empty(kTag);
  EXPECT_FALSE(empty.isOpen());
  EXPECT_EQ(-13, empty.status()) << "the parser's negative status comes first";
  EXPECT_FALSE(empty.ok());
  EXPECT_EQ(-1, empty.save());

  // With the parser content, the writer's status shows.
  std::stringstream out;
  Translator w(kTag, &out);
  EXPECT_EQ(0, w.save());
  EXPECT_EQ(0, w.status());
  w.save();
  EXPECT_EQ(-101, w.status()) << "a second file on one writer";
  EXPECT_FALSE(w.ok());
}

}  // namespace
