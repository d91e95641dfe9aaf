// The file helpers: stream and file copies (bytes, length, time and result codes),
// newer-only and wildcard copies, path parts, backup names, default paths,
// search-and-replace in a file, and sounds.
#include "kit/file_helpers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "kit/kit_test_support.h"
#include "platform/io/fault_injection.h"
#include "platform/io/pending_copy.h"
#include "platform/system/desktop.h"
#include "platform/io/share_open.h"
#include "platform/system/system.h"

namespace {

std::time_t modifiedTime(const std::string& path) {
  std::time_t t = 0;
  EXPECT_TRUE(getFileTime(path.c_str(), &t)) << path;
  return t;
}

// A text of n bytes that differs at every position in a 251-byte cycle.
std::string patterned(std::size_t n) {
  std::string text(n, '\0');
  for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>(i % 251);
  return text;
}

class FileHelpersTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return scratch_.file(name); }
  ScratchFolder scratch_;
};

// ---- copy ----

TEST_F(FileHelpersTest, CopyWithAMissingStreamDoesNothing) {
  std::istringstream in("abc");
  std::ostringstream out;
  EXPECT_EQ(0, copy(nullptr, &in));
  EXPECT_EQ(0, copy(&out, nullptr));
  EXPECT_EQ("", out.str());
  EXPECT_EQ(0, in.tellg());
}

TEST_F(FileHelpersTest, CopyCopiesAllFromTheStartAndRewinds) {
  for (std::size_t n : {0u, 1u, 127u, 128u, 129u, 1000u}) {
    const std::string bytes = patterned(n);
    std::istringstream in(bytes);
    in.ignore(5);  // copying starts at 0 wherever the stream stood
    std::ostringstream out;
    EXPECT_EQ(static_cast<LONG>(n), copy(&out, &in)) << n << " bytes";
    EXPECT_EQ(bytes, out.str()) << n << " bytes";
    EXPECT_TRUE(in.good()) << "state cleared after " << n << " bytes";
    EXPECT_EQ(0, in.tellg()) << n << " bytes";
  }
}

// ---- copyFile ----

TEST_F(FileHelpersTest, CopyFileCopiesBytesAndModificationTime) {
  const std::string bytes = patterned(1000);
  writeFile(path("src.tvx"), bytes);
  ASSERT_TRUE(setFileTime(path("src.tvx").c_str(), 1000000000));
  EXPECT_EQ(0, copyFile(path("dest.tvx").c_str(), path("src.tvx").c_str()));
  EXPECT_EQ(bytes, readFile(path("dest.tvx")));
  EXPECT_EQ(1000000000, modifiedTime(path("dest.tvx")));
}

TEST_F(FileHelpersTest, CopyFileCutsALongerDestinationToTheSourceLength) {
  writeFile(path("dest.tvx"), std::string(5000, 'X'));
  writeFile(path("src.tvx"), "short book");
  EXPECT_EQ(0, copyFile(path("dest.tvx").c_str(), path("src.tvx").c_str()));
  EXPECT_EQ("short book", readFile(path("dest.tvx")));

  writeFile(path("empty.tvx"), "");
  EXPECT_EQ(0, copyFile(path("dest.tvx").c_str(), path("empty.tvx").c_str()));
  EXPECT_EQ("", readFile(path("dest.tvx")));
}

TEST_F(FileHelpersTest, CopyFileOntoItselfKeepsTheFile) {
  const std::string bytes = patterned(700);
  writeFile(path("same.tvx"), bytes);
  EXPECT_EQ(0, copyFile(path("same.tvx").c_str(), path("same.tvx").c_str()));
  EXPECT_EQ(bytes, readFile(path("same.tvx")));
}

TEST_F(FileHelpersTest, CopyFileFailureCodes) {
  writeFile(path("src.tvx"), "book");
  // -2: a missing source, and the destination is not created for nothing.
  EXPECT_EQ(-2, copyFile(path("dest.tvx").c_str(), path("missing.tvx").c_str()));
  EXPECT_FALSE(fileExists(path("dest.tvx")));
  // -3: a destination that cannot be opened.
  EXPECT_EQ(-3, copyFile(path("no-folder/dest.tvx").c_str(), path("src.tvx").c_str()));
  // -3: a destination another open refuses to share, left as it was.
  writeFile(path("locked.tvx"), "keep me");
  const int holder = _sopen(path("locked.tvx").c_str(), _O_RDWR | _O_BINARY, _SH_DENYRW);
  ASSERT_GE(holder, 0);
  EXPECT_EQ(-3, copyFile(path("locked.tvx").c_str(), path("src.tvx").c_str()));
  _close(holder);
  EXPECT_EQ("keep me", readFile(path("locked.tvx")));
  // A folder is not a file that can be read: -2, and nothing is created.
  ASSERT_EQ(0, ::mkdir(path("folder.tvx").c_str(), 0755));
  EXPECT_EQ(-2, copyFile(path("dest2.tvx").c_str(), path("folder.tvx").c_str()));
  EXPECT_NE(0, ::access(path("dest2.tvx").c_str(), F_OK));
}

// ---- copyFileBytes ----

// Copies between two descriptors (each file opened on its own) of files in the
// folders given, into a longer destination; checks bytes, the tail left, the
// count and that the descriptors' offsets did not move. `step`: the copy's
// write-back step (0: none).
void checkByteCopy(const std::string& from, const std::string& to, std::size_t n,
                   const std::string& label, int64_t step = 0) {
  const std::string bytes = patterned(n);
  const std::string oldDest(n + 100, 'X');
  writeFile(from, bytes);
  writeFile(to, oldDest);
  const int in = ::open(from.c_str(), O_RDONLY);
  const int out = ::open(to.c_str(), O_WRONLY);
  ASSERT_GE(in, 0) << label;
  ASSERT_GE(out, 0) << label;
  ASSERT_EQ(3, ::lseek(in, 3, SEEK_SET));
  int64_t copied = -1;
  bool readFailed = true;
  EXPECT_TRUE(copyFileBytes(in, out, &copied, &readFailed, step)) << label;
  EXPECT_EQ(static_cast<int64_t>(n), copied) << label;
  EXPECT_FALSE(readFailed) << label;
  EXPECT_EQ(3, ::lseek(in, 0, SEEK_CUR)) << label << ": the source's offset moved";
  EXPECT_EQ(0, ::lseek(out, 0, SEEK_CUR)) << label << ": the destination's offset moved";
  ::close(in);
  ::close(out);
  EXPECT_TRUE(bytes + oldDest.substr(n) == readFile(to)) << label;
}

TEST_F(FileHelpersTest, CopyFileBytesCopiesEverySizeByKernelOrThroughMemory) {
  // /dev/shm lies on another file system than the scratch folder: there the
  // kernel refuses and the bytes pass through memory (in blocks of 64 KB).
  const bool otherFileSystem = ::access("/dev/shm", W_OK) == 0;
  const std::string shm = "/dev/shm/tvx-copy-" + std::to_string(::getpid());
  for (std::size_t n : {0u, 1u, 4096u, 65536u + 7u, 300000u}) {
    // Without write-back steps, and in steps that end inside and on a block.
    for (int64_t step : {0, 4096, 65536 + 7}) {
      const std::string label = std::to_string(n) + " bytes, step " + std::to_string(step);
      checkByteCopy(path("a.bin"), path("b.bin"), n, "same folder, " + label, step);
      if (otherFileSystem) {
        checkByteCopy(path("a.bin"), shm, n, "to another file system, " + label, step);
        checkByteCopy(shm, path("b.bin"), n, "from another file system, " + label, step);
      }
    }
  }
  ::unlink(shm.c_str());
}

TEST_F(FileHelpersTest, CopyFileBytesOntoItselfKeepsTheFile) {
  // The kernel refuses a copy whose ranges overlap in one file; through memory
  // every byte lands where it was.
  const std::string bytes = patterned(200000);
  writeFile(path("same.bin"), bytes);
  const int in = ::open(path("same.bin").c_str(), O_RDONLY);
  const int out = ::open(path("same.bin").c_str(), O_WRONLY);
  int64_t copied = 0;
  EXPECT_TRUE(copyFileBytes(in, out, &copied));
  EXPECT_EQ(200000, copied);
  ::close(in);
  ::close(out);
  EXPECT_TRUE(bytes == readFile(path("same.bin")));
}

TEST_F(FileHelpersTest, CopyFileBytesFailuresSayWhichSideFailed) {
  writeFile(path("src.bin"), patterned(200000));
  const std::string shm = "/dev/shm/tvx-fail-" + std::to_string(::getpid());
  const bool otherFileSystem = ::access("/dev/shm", W_OK) == 0;
  struct Case {
    const char* label;
    std::string to;
    uint64_t failingWrite;  // 0: none
  };
  std::vector<Case> cases = {{"the kernel's copy fails", path("dest.bin"), 1}};
  if (otherFileSystem) {
    cases.push_back({"the first write through memory fails", shm, 1});
    cases.push_back({"the third write through memory fails", shm, 3});
  }
  for (const Case& c : cases) {
    writeFile(c.to, "");
    const int in = ::open(path("src.bin").c_str(), O_RDONLY);
    const int out = ::open(c.to.c_str(), O_WRONLY);
    FaultInjection::failNth(c.failingWrite, FaultInjection::Write);
    int64_t copied = -1;
    bool readFailed = true;
    EXPECT_FALSE(copyFileBytes(in, out, &copied, &readFailed)) << c.label;
    FaultInjection::disarm();
    EXPECT_FALSE(readFailed) << c.label;
    EXPECT_LT(copied, 200000) << c.label;
    ::close(in);
    ::close(out);
    // Space reserved ahead of the copy never shows as bytes of the file.
    EXPECT_EQ(static_cast<std::size_t>(copied), readFile(c.to).size()) << c.label;
  }
  ::unlink(shm.c_str());

  // A source that is no regular file is the source's failure; nothing is written.
  ASSERT_EQ(0, ::mkdir(path("folder").c_str(), 0755));
  const int folder = ::open(path("folder").c_str(), O_RDONLY);
  const int out = ::open(path("dest.bin").c_str(), O_WRONLY | O_TRUNC);
  bool readFailed = false;
  EXPECT_FALSE(copyFileBytes(folder, out, nullptr, &readFailed));
  EXPECT_TRUE(readFailed);
  EXPECT_FALSE(copyFileBytes(-1, out, nullptr, &readFailed));
  EXPECT_TRUE(readFailed);
  ::close(folder);
  ::close(out);
  EXPECT_EQ("", readFile(path("dest.bin")));

  // copyFile reports a failed write as the destination's (-3).
  FaultInjection::failNth(1, FaultInjection::Write);
  EXPECT_EQ(-3, copyFile(path("dest.bin").c_str(), path("src.bin").c_str()));
  FaultInjection::disarm();
}

// ---- copyNewFile and copyNewFileWild ----

// ---- startFileCopy ----

TEST_F(FileHelpersTest, StartFileCopyGivesTheLengthAtOnceAndTheBytesAndTimeWhenWhole) {
  // Over the copy's 4 MB steps, onto a longer destination and an empty one.
  for (std::size_t n : {0u, 1u, 4096u, (4u << 20) + 4099u}) {
    const std::string bytes = patterned(n);
    writeFile(path("src.tvx"), bytes);
    ASSERT_TRUE(setFileTime(path("src.tvx").c_str(), 1000000000));
    writeFile(path("dest.tvx"), std::string(n + 9000, 'X'));
    std::shared_ptr<PendingCopy> copy =
        startFileCopy(path("dest.tvx").c_str(), path("src.tvx").c_str());
    ASSERT_NE(nullptr, copy) << n << " bytes";
    struct stat st;
    ASSERT_EQ(0, ::stat(path("dest.tvx").c_str(), &st));
    EXPECT_EQ(static_cast<off_t>(n), st.st_size) << "the final length before any byte lands";
    EXPECT_TRUE(copy->wait()) << n << " bytes";
    EXPECT_EQ(bytes, readFile(path("dest.tvx"))) << n << " bytes";
    EXPECT_EQ(1000000000, modifiedTime(path("dest.tvx"))) << n << " bytes";
    copy.reset();
    std::remove(path("dest.tvx").c_str());
  }
  // A destination that does not exist yet is made.
  writeFile(path("src.tvx"), "book");
  std::shared_ptr<PendingCopy> copy =
      startFileCopy(path("new.tvx").c_str(), path("src.tvx").c_str());
  ASSERT_NE(nullptr, copy);
  EXPECT_TRUE(copy->wait());
  EXPECT_EQ("book", readFile(path("new.tvx")));
}

TEST_F(FileHelpersTest, StartFileCopyRefusesWhatCannotStartAndCountsItsWritesWhileHooked) {
  writeFile(path("src.tvx"), "book");
  EXPECT_EQ(nullptr, startFileCopy(path("dest.tvx").c_str(), path("missing.tvx").c_str()));
  EXPECT_FALSE(fileExists(path("dest.tvx"))) << "never made for nothing";
  EXPECT_EQ(nullptr,
            startFileCopy(path("no/such/folder/dest.tvx").c_str(), path("src.tvx").c_str()));
  EXPECT_EQ(nullptr, startFileCopy(nullptr, path("src.tvx").c_str()));
  EXPECT_EQ(nullptr, startFileCopy(path("dest.tvx").c_str(), nullptr));

  // With the failure hook armed the copy is made before the call returns, and a
  // failed write leaves it failed.
  FaultInjection::failNth(1, FaultInjection::Write);
  std::shared_ptr<PendingCopy> copy =
      startFileCopy(path("dest.tvx").c_str(), path("src.tvx").c_str());
  const uint64_t injected = FaultInjection::failures();
  FaultInjection::disarm();
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(1u, injected);
  EXPECT_TRUE(copy->finished());
  EXPECT_FALSE(copy->wait());

  // A copy started with the hook disarmed runs on its own thread and never asks
  // the hook, armed meanwhile for what the caller does.
  const std::string bytes = patterned((8u << 20) + 5u);
  writeFile(path("big.tvx"), bytes);
  copy = startFileCopy(path("big-copy.tvx").c_str(), path("big.tvx").c_str());
  FaultInjection::failNth(1, FaultInjection::Write, true);
  ASSERT_NE(nullptr, copy);
  const bool whole = copy->wait();
  const uint64_t counted = FaultInjection::count();
  FaultInjection::disarm();
  EXPECT_TRUE(whole);
  EXPECT_EQ(0u, counted);
  EXPECT_EQ(bytes, readFile(path("big-copy.tvx")));
}

TEST_F(FileHelpersTest, CopyNewFileCopiesOnlyWhenNewer) {
  writeFile(path("src.tvx"), "new text");
  ASSERT_TRUE(setFileTime(path("src.tvx").c_str(), 2000000));
  // Missing destination: copied.
  EXPECT_EQ(0, copyNewFile(path("dest.tvx").c_str(), path("src.tvx").c_str()));
  EXPECT_EQ("new text", readFile(path("dest.tvx")));
  // Same time (a copy keeps the source's time): up to date, left alone.
  writeFile(path("dest.tvx"), "edited");
  ASSERT_TRUE(setFileTime(path("dest.tvx").c_str(), 2000000));
  EXPECT_EQ(1, copyNewFile(path("dest.tvx").c_str(), path("src.tvx").c_str()));
  EXPECT_EQ("edited", readFile(path("dest.tvx")));
  // Newer destination: left alone.
  ASSERT_TRUE(setFileTime(path("dest.tvx").c_str(), 3000000));
  EXPECT_EQ(1, copyNewFile(path("dest.tvx").c_str(), path("src.tvx").c_str()));
  EXPECT_EQ("edited", readFile(path("dest.tvx")));
  // Older destination: copied again.
  ASSERT_TRUE(setFileTime(path("dest.tvx").c_str(), 1000000));
  EXPECT_EQ(0, copyNewFile(path("dest.tvx").c_str(), path("src.tvx").c_str()));
  EXPECT_EQ("new text", readFile(path("dest.tvx")));
  // Existing destination, source that cannot be examined.
  EXPECT_EQ(-1, copyNewFile(path("dest.tvx").c_str(), path("missing.tvx").c_str()));
}

TEST_F(FileHelpersTest, CopyNewFileWildCopiesMatchingFilesIntoTheFolder) {
  ASSERT_EQ(0, ::mkdir(path("in").c_str(), 0755));
  ASSERT_EQ(0, ::mkdir(path("out").c_str(), 0755));
  writeFile(path("in/a.tvx"), "A");
  writeFile(path("in/B.TVX"), "B");
  writeFile(path("in/c.txt"), "C");
  const std::string pattern = path("in/*.tvx");
  const std::string dest = path("out/anything.xyz");  // only its folder counts
  EXPECT_EQ(2, copyNewFileWild(dest.c_str(), pattern.c_str()));
  EXPECT_EQ("A", readFile(path("out/a.tvx")));
  EXPECT_EQ("B", readFile(path("out/B.TVX")));
  EXPECT_FALSE(fileExists(path("out/c.txt")));
  EXPECT_FALSE(fileExists(dest));
  EXPECT_EQ(0, copyNewFileWild(dest.c_str(), pattern.c_str())) << "all up to date";

  // Without wildcards the destination is the file itself.
  EXPECT_EQ(1, copyNewFileWild(path("out/single.txt").c_str(), path("in/c.txt").c_str()));
  EXPECT_EQ("C", readFile(path("out/single.txt")));

  const std::string tooLong = path("out/") + std::string(261, 'x');
  EXPECT_EQ(0, copyNewFileWild(tooLong.c_str(), pattern.c_str()));
}

// ---- Path parts, backup names, default paths ----

TEST_F(FileHelpersTest, SplitPathParts) {
  struct Case {
    const char* path;
    const char* drive;
    const char* directory;
    const char* name;
    const char* extension;
  };
  const Case cases[] = {
      {"C:\\books\\old.tvx", "C:", "\\books\\", "old", ".tvx"},
      {"/home/u/map.v2.tvx", "", "/home/u/", "map.v2", ".tvx"},
      {"dir.d/name", "", "dir.d/", "name", ""},
      {"mixed/dir\\file.x", "", "mixed/dir\\", "file", ".x"},
      {"notes", "", "", "notes", ""},
      {".profile", "", "", "", ".profile"},
      {"1:/x", "", "1:/", "x", ""},  // only a letter makes a drive
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    const PathParts parts = splitPath(c.path);
    EXPECT_EQ(c.drive, parts.drive) << c.path;
    EXPECT_EQ(c.directory, parts.directory) << c.path;
    EXPECT_EQ(c.name, parts.name) << c.path;
    EXPECT_EQ(c.extension, parts.extension) << c.path;
    EXPECT_EQ(c.path, mergePath(parts)) << c.path;
  }
}

TEST_F(FileHelpersTest, MakeBackupNameInsertsTheMark) {
  struct Case {
    const char* name;
    char mark;
    const char* backup;
  };
  const Case cases[] = {
      {"book.tvx", '~', "book.~tvx"},
      {"C:\\books\\book.tvx", '~', "C:\\books\\book.~tvx"},
      {"dir.d/x.map", '$', "dir.d/x.$map"},
      {"/a.b/book", '~', "/a.b/book.~"},
      {"book.", '~', "book.~"},
  };
  for (const Case& c : cases) {
    char out[kPathBufferSize];
    makeBackupName(out, c.name, c.mark);
    EXPECT_STREQ(c.backup, out) << c.name;
  }
}

TEST_F(FileHelpersTest, MergeWithDefaultPathFillsMissingParts) {
  struct Case {
    const char* path;
    const char* defaultPath;
    const char* merged;
  };
  const Case cases[] = {
      {"notes", "C:\\books\\old.tvx", "C:\\books\\notes.tvx"},
      {"D:notes.map", "C:\\books\\old.tvx", "D:\\books\\notes.map"},
      {"/mine/x.tvx", "C:\\books\\old.tvx", "C:/mine/x.tvx"},
      {".map", "/books/old.tvx", "/books/old.map"},
      {"", "/books/old.tvx", "/books/old.tvx"},
      {"keep/all.txt", "", "keep/all.txt"},
  };
  for (const Case& c : cases) {
    char path[kPathBufferSize];
    std::strcpy(path, c.path);
    mergeWithDefaultPath(path, c.defaultPath);
    EXPECT_STREQ(c.merged, path) << c.path << " with " << c.defaultPath;
  }
}

TEST_F(FileHelpersTest, PathResultsStayInsideTheBuffer) {
  char path[kPathBufferSize];
  std::strcpy(path, "name");
  const std::string longDefault = "/" + std::string(300, 'd') + "/x.tvx";
  mergeWithDefaultPath(path, longDefault.c_str());
  EXPECT_EQ(static_cast<std::size_t>(kPathBufferSize - 1), std::strlen(path));

  const std::string longName = std::string(258, 'n') + ".tvx";
  char out[kPathBufferSize];
  makeBackupName(out, longName.c_str(), '~');
  EXPECT_EQ(static_cast<std::size_t>(kPathBufferSize - 1), std::strlen(out));
}

// ---- subInFile ----

TEST_F(FileHelpersTest, SubInFileReplacesLeftToRightIgnoringCase) {
  struct Case {
    const char* text;
    const char* find;
    const char* replace;
    const char* result;
  };
  const Case cases[] = {
      {"abab", "ab", "X", "XX"},
      {"aaab", "aab", "X", "aX"},
      {"aaa", "aa", "b", "ba"},
      {"Hello HELLO hello", "hello", "bye", "bye bye bye"},
      {"xxab", "abc", "Q", "xxab"},
      {"a.b", "b", "", "a."},
      {"one\ntwo\n", "E\nT", "-", "on-wo\n"},
      {"", "x", "y", ""},
      {"tail ab", "ab", "a longer replacement", "tail a longer replacement"},
  };
  for (const Case& c : cases) {
    writeFile(path("notes.txt"), c.text);
    EXPECT_EQ(0, subInFile(path("notes.txt").c_str(), c.find, c.replace)) << c.text;
    EXPECT_EQ(c.result, readFile(path("notes.txt"))) << c.text << " / " << c.find;
    EXPECT_EQ(c.text, readFile(path("notes.~xt"))) << "the backup keeps the original";
  }
}

TEST_F(FileHelpersTest, SubInFileBackupNames) {
  struct Case {
    const char* file;
    const char* backup;
  };
  const Case cases[] = {{"map.tvx", "map.~vx"}, {"dot.", "dot.~"}, {"a.b.c", "a.~.c"}};
  ASSERT_EQ(0, ::mkdir(path("d.x").c_str(), 0755));
  for (const Case& c : cases) {
    const std::string file = path(std::string("d.x/") + c.file);
    writeFile(file, "abc");
    writeFile(path(std::string("d.x/") + c.backup), "old backup");
    EXPECT_EQ(0, subInFile(file.c_str(), "B", "-")) << c.file;
    EXPECT_EQ("a-c", readFile(file)) << c.file;
    EXPECT_EQ("abc", readFile(path(std::string("d.x/") + c.backup))) << c.file;
  }
}

TEST_F(FileHelpersTest, SubInFileFailureCodesLeaveTheFileAlone) {
  writeFile(path("plain"), "abc");
  writeFile(path("notes.txt"), "abc");
  EXPECT_EQ(-2, subInFile(path("missing.txt").c_str(), "a", "b"));
  EXPECT_EQ(-5, subInFile(path("plain").c_str(), "a", "b"));
  EXPECT_EQ("abc", readFile(path("plain")));
  EXPECT_EQ(-7, subInFile(path("notes.txt").c_str(), "", "b"));
  EXPECT_EQ("abc", readFile(path("notes.txt"))) << "an empty search must not move the file";
  EXPECT_FALSE(fileExists(path("notes.~xt")));
  // -6: the backup name is taken by a folder that cannot be removed.
  ASSERT_EQ(0, ::mkdir(path("notes.~xt").c_str(), 0755));
  writeFile(path("notes.~xt/inside"), "x");
  EXPECT_EQ(-6, subInFile(path("notes.txt").c_str(), "a", "b"));
  EXPECT_EQ("abc", readFile(path("notes.txt")));
}

// ---- playSound ----

TEST_F(FileHelpersTest, PlaySoundIsAsynchronousWithoutDefault) {
  ScriptedDesktop desktop;
  DesktopScope scope(desktop);
  playSound("NXSELECT.WAV");
  const std::vector<ScriptedDesktop::Event> sounds = desktop.eventsOf(ScriptedDesktop::Kind::Sound);
  ASSERT_EQ(1u, sounds.size());
  EXPECT_EQ("NXSELECT.WAV", sounds[0].text);
  EXPECT_EQ(SND_ASYNC | SND_NODEFAULT, sounds[0].type);
}

}  // namespace
