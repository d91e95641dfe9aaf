// The map text token writer: the exact bytes of each form, the in-place count
// fields, pretty printing, and cutting a file at the output position. Every form
// is also read back through the lexer.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "error_capture.h"
#include "maptext/km_lex.h"
#include "maptext/km_xel.h"
#include "platform/io/fd_stream.h"

namespace {

std::string scratchPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/" + name;
}

std::string fileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// Reads one string token from `bytes`.
std::string readBackString(const std::string& bytes) {
  std::istringstream in(bytes);
  KMLex lex(in);
  if (lex.readKMToken() != KMToken::STRING) return "<not a string>";
  std::string text(lex.token().valString.get(), lex.token().length - 1);
  if (lex.readKMToken() != KMToken::END_OF_INPUT) return "<trailing tokens>";
  return text;
}

TEST(KMXelTest, IntegersListsAndSeparators) {
  std::ostringstream out;
  KMXel w(out);
  w.writeOpenList('a');
  w.write(1);
  w.write(0x1a);
  w.write(-1);
  w.writeSeparator();
  w.write(static_cast<LONG>(0x80000000u));
  w.writeOpenList('b');
  w.write(0);
  w.writeCloseList();
  w.write(2);
  w.writeOffset(0x1a);
  w.writeCloseList();
  EXPECT_EQ("(a1 1a ffffffff,80000000(b0)2 0000001a)", out.str());

  std::istringstream in(out.str());
  KMLex lex(in);
  std::vector<LONG> ints;
  for (int t; (t = lex.readKMToken()) != KMToken::END_OF_INPUT;) {
    if (t == KMToken::INTEGER) ints.push_back(lex.token().intValue);
  }
  std::vector<LONG> expected = {1, 0x1a, -1, static_cast<LONG>(0x80000000u), 0, 2, 0x1a};
  EXPECT_EQ(expected, ints);
}

TEST(KMXelTest, MarkedFieldIsPatchedInPlace) {
  std::stringstream out;
  KMXel w(out);
  w.writeOpenList('N');
  w.write(0x162);
  LONG mark = -1;
  w.writeAndMark(0, mark);  // after an integer: a blank first
  EXPECT_EQ(6, mark);
  w.writeSeparator();
  w.writeOpenList('n');
  w.write(5);
  w.writeAtMark(3, mark);
  // Back at the end, and the pending blank is kept.
  w.write(6);
  w.writeCloseList();
  EXPECT_EQ("(N162 00000003,(n5 6)", out.str());
}

TEST(KMXelTest, StringWithQuoteBackslashTabAndLineFeed) {
  const std::string text = "a\"b\\c\td\ne";
  std::ostringstream out;
  KMXel w(out);
  w.write(text.c_str());
  EXPECT_EQ("\"a\\\"b\\\\c\\09d\\n\ne\"", out.str());
  EXPECT_EQ(text, readBackString(out.str()));
}

TEST(KMXelTest, LongStringIsWrittenOverThreeLines) {
  const std::string text(200, 'x');
  std::ostringstream out;
  KMXel w(out);
  w.write(text.c_str());
  const std::string expected =
      "\"" + std::string(77, 'x') + "\n" + std::string(78, 'x') + "\n" + std::string(45, 'x') + "\"";
  EXPECT_EQ(expected, out.str());
  EXPECT_EQ(text, readBackString(out.str()));
}

TEST(KMXelTest, LineBreaksNeverSplitAnEscape) {
  // Escapes of two and three characters straddling the 78th column, high bytes,
  // NULs and line feeds: every variant must read back byte for byte.
  for (int lead = 70; lead <= 80; ++lead) {
    std::string text(static_cast<size_t>(lead), 'y');
    text += std::string("\\\"\t\x80\xff\n", 6);
    text.push_back('\0');
    text += std::string(100, '\x01');
    std::ostringstream out;
    KMXel w(out);
    w.writeString(text.data(), static_cast<ULONG>(text.size()));
    EXPECT_EQ(text, readBackString(out.str())) << "lead " << lead;
    // No line is longer than 78 characters plus one escape.
    std::istringstream lines(out.str());
    std::string line;
    while (std::getline(lines, line)) EXPECT_LE(line.size(), 80u) << "lead " << lead;
  }
}

TEST(KMXelTest, BinaryObjectsAsGroups) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    std::string expected;
  } cases[] = {
      {"five bytes, two groups", {1, 2, 3, 4, 5}, "\n~5\n\"9S]+!!!!&\n~\n"},
      {"zero word", {0, 0, 0, 0}, "\n~4\nz\n~\n"},
      {"highest word", {0xff, 0xff, 0xff, 0xff}, "\n~4\ns8W-!\n~\n"},
      {"empty", {}, "\n~0\n~\n"},
      {"seventeen words, two lines", std::vector<unsigned char>(68, 0),
       "\n~44\n" + std::string(16, 'z') + "\nz\n~\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    KMXel w(out);
    w.write(c.bytes.data(), static_cast<LONG>(c.bytes.size()));
    EXPECT_EQ(c.expected, out.str()) << c.name;

    std::istringstream in(out.str());
    KMLex lex(in);
    ASSERT_EQ(KMToken::BINARY, lex.readKMToken()) << c.name;
    ASSERT_EQ(c.bytes.size(), lex.token().length) << c.name;
    EXPECT_EQ(0, c.bytes.empty() ? 0 : std::memcmp(c.bytes.data(), lex.token().binValue.get(),
                                                    c.bytes.size()))
        << c.name;
  }
}

TEST(KMXelTest, EveryTokenTypeHasItsForm) {
  KMToken tok;
  std::ostringstream out;
  KMXel w(out);
  tok.set(KMToken::LEFT_PAREN, 'q');
  w.write(tok);
  tok.set(KMToken::INTEGER, 0x2b);
  w.write(tok);
  tok.set(KMToken::COMMA);
  w.write(tok);
  tok.setString("s\"", 2);
  w.write(tok);
  tok.set(KMToken::INVALID, 'x');
  w.write(tok);
  tok.set(KMToken::END_OF_INPUT);
  w.write(tok);
  tok.set(99);
  w.write(tok);
  const unsigned char b[2] = {0, 0};
  tok.setBinary(b, 2);
  w.write(tok);
  tok.set(KMToken::RIGHT_PAREN);
  w.write(tok);
  EXPECT_EQ("(q2b,\"s\\\"\"3f ffffffff 21\n~2\nz\n~\n)", out.str());
}

TEST(KMXelTest, PrettyPrintIndentsOpeningParens) {
  std::ostringstream out;
  KMXel w(out);
  w.setPrettyPrint(1);
  w.writeOpenList('B');
  w.writeOpenList('a');
  w.write(1);
  w.writeCloseList();
  w.writeOpenList('T');
  w.writeOpenList('n');
  w.writeCloseList();
  w.writeCloseList();
  w.writeCloseList();
  EXPECT_EQ(0, w.getDepth());
  EXPECT_EQ("\n(B\n (a1)\n (T\n  (n)))", out.str());
}

TEST(KMXelTest, WriteStreamCopiesVerbatimAfterIndent) {
  std::ostringstream out;
  KMXel w(out);
  w.setPrettyPrint(1);
  w.writeOpenList('x');
  std::istringstream block("(e1,2,\"raw  text\")");
  block.get();  // the whole stream is copied, wherever its position
  w.writeStream(&block);
  w.writeStream(nullptr);
  w.writeBytes("tail", 2);
  w.writeCloseList();
  EXPECT_EQ("\n(x\n (e1,2,\"raw  text\")ta)", out.str());
}

TEST(KMXelTest, WriteEOFCutsAFileItOpened) {
  maptext_test::ErrorCapture capture;
  const std::string path = scratchPath("km_xel_cut.map");
  {
    KMXel w(path.c_str());
    ASSERT_TRUE(w.isOpen());
    w.writeBytes("0123456789abcdefghij");
    w.stream()->seekp(15);
    w.writeEOF();
  }
  EXPECT_EQ("0123456789abcde", fileBytes(path));
  EXPECT_TRUE(capture.messages.empty());
  std::remove(path.c_str());
}

TEST(KMXelTest, WriteEOFCutsADescriptorStream) {
  maptext_test::ErrorCapture capture;
  const std::string path = scratchPath("km_xel_cut_fd.map");
  {
    std::ofstream old(path, std::ios::binary);
    old << std::string(100, '#');
  }
  int fd = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  {
    FdStream s(fd);
    KMXel w(s);
    w.writeBytes("short map text");
    w.writeEOF();
  }
  ::close(fd);
  EXPECT_EQ("short map text", fileBytes(path));
  EXPECT_TRUE(capture.messages.empty());
  std::remove(path.c_str());
}

TEST(KMXelTest, WriteEOFReports) {
  maptext_test::ErrorCapture capture;
  const std::string path = scratchPath("km_xel_short.map");
  {
    KMXel w(path.c_str());
    w.writeBytes("0123456789");
    w.writeEOF();  // position 10: too short, nothing changes
    w.writeBytes("ab");
  }
  EXPECT_EQ("0123456789ab", fileBytes(path));
  {
    // A file stream this writer did not open: at its end there is nothing to
    // cut; before it, its file cannot be found.
    std::ofstream theirs(path, std::ios::binary | std::ios::trunc);
    KMXel w(theirs);
    w.writeBytes("0123456789abcdef");
    w.writeEOF();
    theirs.seekp(12);
    w.writeEOF();
  }
  {
    // An in-memory stream has nothing to cut and nothing to report.
    std::ostringstream mem;
    KMXel w(mem);
    w.writeEOF();
  }
  const std::vector<std::string> expected = {
      "E|E: KMXel::writeEOF: stream position = 10, too short, not truncating",
      "E|E: KMXel::writeEOF: no file descriptor associated with filebuf",
  };
  EXPECT_EQ(expected, capture.messages);
  std::remove(path.c_str());
}

TEST(KMXelTest, WithoutStreamNothingIsWritten) {
  KMXel none;
  EXPECT_FALSE(none.isOpen());
  none.writeOpenList('a');
  none.write(1);
  none.write("text");
  none.writeEOF();
  EXPECT_EQ(-1, none.position());

  KMXel bad("/nonexistent/folder/out.map");
  EXPECT_FALSE(bad.isOpen());

  std::ostringstream failed;
  failed.setstate(std::ios::failbit);
  KMXel onFailed(failed);
  EXPECT_FALSE(onFailed.isOpen());
}

}  // namespace
