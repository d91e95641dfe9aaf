// The map text lexer: token forms, string and binary bodies, push-back, the
// raw-byte helpers, and hostile input that must always end in a token.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "error_capture.h"
#include "maptext/km_lex.h"
#include "maptext/km_token.h"

namespace {

// Every token of `input` as "type:value" (value = intValue for parens, ints and
// invalid tokens, the text for strings, the length for binary objects), up to
// and including the first end of input.
std::vector<std::string> tokens(const std::string& input) {
  std::istringstream in(input);
  KMLex lex(in);
  std::vector<std::string> out;
  // Bounded: input.size() + 1 tokens at most, since every token but the last
  // consumes a byte.
  for (size_t i = 0; i <= input.size() + 1; ++i) {
    int t = lex.readKMToken();
    KMToken& tok = lex.token();
    std::string v;
    if (t == KMToken::STRING) {
      v = std::string(tok.valString.get(), tok.length - 1);
    } else if (t == KMToken::BINARY) {
      v = std::to_string(tok.length);
    } else if (t != KMToken::RIGHT_PAREN && t != KMToken::COMMA && t != KMToken::END_OF_INPUT) {
      v = std::to_string(tok.intValue);
    }
    out.push_back(std::to_string(t) + ":" + v);
    if (t == KMToken::END_OF_INPUT) break;
  }
  return out;
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& x : v) s += x + " ";
  return s;
}

struct TokenCase {
  const char* name;
  std::string input;
  std::string expected;
};

TEST(KMLexTest, TokenFormsTable) {
  const TokenCase cases[] = {
      {"paren tag n", "(n", "1:110 7: "},
      {"paren tag blank", "( ", "1:32 7: "},
      {"paren at end has no tag", "(", "1:-1 7: "},
      {"close and comma", ") ,", "2: 3: 7: "},
      {"minus zero is invalid", "-0", "0:45 7: "},
      {"minus 1a", "-1a", "4:-26 7: "},
      {"eight f digits", "ffffffff", "4:-1 7: "},
      {"upper and lower hex", "12ab 12AB", "4:4779 4:4779 7: "},
      {"wraps at 32 bits", "123456789", "4:591751049 7: "},
      {"two integers need a blank", "1 2,3", "4:1 4:2 3: 4:3 7: "},
      {"layout skipped", std::string("\x01\x1f\x7f\t\r\n )"), "2: 7: "},
      {"NUL is layout", std::string("\0(a", 3), "1:97 7: "},
      {"high byte invalid", "\x80", "0:-128 7: "},
      {"byte fe invalid", "\xfe", "0:-2 7: "},
      {"byte ff ends input", "\xff(a", "7: "},
      {"other character invalid", "#", "0:35 7: "},
      {"empty input", "", "7: "},
      {"minus alone", "-", "0:45 7: "},
      {"minus then paren", "-)", "0:45 2: 7: "},
      {"most negative", "-80000000", "4:-2147483648 7: "},
  };
  for (const TokenCase& c : cases) {
    EXPECT_EQ(c.expected, joined(tokens(c.input))) << c.name;
  }
}

struct StringCase {
  const char* name;
  std::string input;
  std::string text;  // expected text when valid
  bool valid;
};

TEST(KMLexTest, StringBodiesTable) {
  const StringCase cases[] = {
      {"plain", "\"abc\"", "abc", true},
      {"escaped quote and backslash", "\"a\\\"b\\\\c\"", "a\"b\\c", true},
      {"hex escape", "\"\\09\\7e\\7E\"", "\t~~", true},
      {"backslash n", "\"x\\ny\"", "x\ny", true},
      {"other escape stands for itself", "\"\\q\\(\"", "q(", true},
      {"line breaks are layout", "\"ab\r\ncd\n\"", "abcd", true},
      {"control, DEL and high bytes dropped", "\"a\x01\x7f\x80\xff" "b\"", "ab", true},
      {"escaped NUL kept", std::string("\"a\\00b\""), std::string("a\0b", 3), true},
      {"empty", "\"\"", "", true},
      {"lone hex digit before quote", "\"\\5\"", "\x05", true},
      {"unterminated", "\"abc", "", false},
      {"unterminated after backslash", "\"abc\\", "", false},
  };
  for (const StringCase& c : cases) {
    std::istringstream in(c.input);
    KMLex lex(in);
    int t = lex.readKMToken();
    if (!c.valid) {
      EXPECT_EQ(KMToken::INVALID, t) << c.name;
      EXPECT_EQ(KMToken::END_OF_INPUT, lex.readKMToken()) << c.name;
      continue;
    }
    ASSERT_EQ(KMToken::STRING, t) << c.name;
    KMToken& tok = lex.token();
    EXPECT_EQ(c.text.size() + 1, tok.length) << c.name;
    EXPECT_EQ(c.text, std::string(tok.valString.get(), tok.length - 1)) << c.name;
    EXPECT_EQ('\0', tok.valString[tok.length - 1]) << c.name;
    EXPECT_EQ(KMToken::END_OF_INPUT, lex.readKMToken()) << c.name;
  }
}

TEST(KMLexTest, LongStringGrowsBuffer) {
  std::string body(1000, 'x');
  std::istringstream in("\"" + body + "\"");
  KMLex lex(in);
  ASSERT_EQ(KMToken::STRING, lex.readKMToken());
  EXPECT_EQ(1001u, lex.token().length);
  EXPECT_EQ(body, std::string(lex.token().valString.get()));
  EXPECT_GE(lex.token().capacity, 1000u);
  EXPECT_EQ(0u, lex.token().capacity % KMToken::GROW_STEP);

  // A text of megabytes is read in linear time (growing by 80 characters at a
  // time would copy terabytes).
  std::string huge(4u << 20, 'h');
  std::istringstream big("\"" + huge + "\"");
  KMLex lex2(big);
  ASSERT_EQ(KMToken::STRING, lex2.readKMToken());
  EXPECT_EQ(huge.size() + 1, lex2.token().length);
  EXPECT_EQ(0, std::memcmp(huge.data(), lex2.token().valString.get(), huge.size()));
}

struct BinaryCase {
  const char* name;
  std::string input;
  std::vector<unsigned char> bytes;  // expected when valid
  bool valid;
};

TEST(KMLexTest, BinaryBodiesTable) {
  const BinaryCase cases[] = {
      // Little-endian words: the first byte is the lowest digit of the group.
      {"one word", "~4\n!!!!\"\n~", {1, 0, 0, 0}, true},
      {"zero word", "~4\nz\n~", {0, 0, 0, 0}, true},
      {"partial word", "~3\n!!!!\"\n~", {1, 0, 0}, true},
      {"highest word", "~4\ns8W-!\n~", {0xFF, 0xFF, 0xFF, 0xFF}, true},
      {"empty", "~0\n~", {}, true},
      {"line feeds between words ignored", "~8\nz\n\nz\n~", {0, 0, 0, 0, 0, 0, 0, 0}, true},
      {"missing word", "~8\nz\n~", {}, false},
      {"missing tilde", "~4\nz\n", {}, false},
      {"extra word instead of tilde", "~4\nzz~", {}, false},
      {"cut inside a group", "~4\n!!", {}, false},
      {"huge count, short body", "~ffffffff\nzzzz\n~", {}, false},
      {"huge count, no body", "~ffffffff", {}, false},
  };
  for (const BinaryCase& c : cases) {
    std::istringstream in(c.input);
    KMLex lex(in);
    int t = lex.readKMToken();
    if (!c.valid) {
      EXPECT_EQ(KMToken::INVALID, t) << c.name;
      void* p = reinterpret_cast<void*>(1);
      EXPECT_TRUE(lex.token().value(p)) << c.name;
      continue;
    }
    ASSERT_EQ(KMToken::BINARY, t) << c.name;
    KMToken& tok = lex.token();
    ASSERT_EQ(c.bytes.size(), tok.length) << c.name;
    for (size_t i = 0; i < c.bytes.size(); ++i) {
      EXPECT_EQ(c.bytes[i], tok.binValue[i]) << c.name << " byte " << i;
    }
    EXPECT_EQ(KMToken::END_OF_INPUT, lex.readKMToken()) << c.name;
  }
}

TEST(KMLexTest, BinaryBytesCanBeTakenOver) {
  std::istringstream in("~4\n!!!!\"\n~ ~4\nz\n~");
  KMLex lex(in);
  ASSERT_EQ(KMToken::BINARY, lex.readKMToken());
  std::unique_ptr<unsigned char[]> first = lex.token().takeBinValue();
  ASSERT_TRUE(first);
  ASSERT_EQ(KMToken::BINARY, lex.readKMToken());
  // The next token has bytes of its own; the first block is untouched.
  EXPECT_EQ(1, first[0]);
  EXPECT_EQ(0, lex.token().binValue[0]);
}

TEST(KMLexTest, RequeueDeliversOneTokenOnceMore) {
  std::istringstream in("1 2");
  KMLex lex(in);
  ASSERT_EQ(KMToken::INTEGER, lex.readKMToken());
  EXPECT_EQ(0, lex.requeueKMToken());
  EXPECT_EQ(1, lex.requeueKMToken());
  EXPECT_EQ(KMToken::INTEGER, lex.readKMToken());
  EXPECT_EQ(1, lex.token().intValue);
  EXPECT_EQ(KMToken::INTEGER, lex.readKMToken());
  EXPECT_EQ(2, lex.token().intValue);
  EXPECT_EQ(KMToken::END_OF_INPUT, lex.readKMToken());
}

TEST(KMLexTest, RawByteHelpers) {
  std::istringstream in("1aF9zz \t\r\n  rest;of line");
  KMLex lex(in);
  EXPECT_EQ(0x1AF9u, lex.readUInt());
  // The first non-digit stays unread.
  EXPECT_EQ(0u, lex.readUInt());
  char two[3] = {0, 0, 0};
  EXPECT_EQ(2, lex.readBytes(two, 2));
  EXPECT_EQ(std::string("zz"), std::string(two, 2));
  lex.eatWhite();
  char buf[32];
  EXPECT_EQ(4, lex.readBytes(buf, 32, ';'));
  EXPECT_STREQ("rest", buf);
  // Stops before the delimiter, and at n - 1 bytes.
  char small[4];
  EXPECT_EQ(3, lex.readBytes(small, 4, 'x'));
  EXPECT_STREQ(";of", small);
  EXPECT_EQ(5, lex.readBytes(buf, 32, '\n'));
  EXPECT_STREQ(" line", buf);
  EXPECT_EQ(0, lex.readBytes(buf, 32, '\n'));
  EXPECT_EQ(KMToken::END_OF_INPUT, lex.readKMToken());
}

TEST(KMLexTest, ReadUIntWrapsAt32Bits) {
  std::istringstream in("123456789abcdef0)");
  KMLex lex(in);
  EXPECT_EQ(0x9abcdef0u, lex.readUInt());
  EXPECT_EQ(KMToken::RIGHT_PAREN, lex.readKMToken());
}

TEST(KMLexTest, ScanToCloseParenFollowsDepth) {
  std::istringstream in("(a 1,(b \"(\" ~4\nz\n~)(c)) 7");
  KMLex lex(in);
  ASSERT_EQ(KMToken::LEFT_PAREN, lex.readKMToken());
  EXPECT_EQ(KMToken::RIGHT_PAREN, lex.scanToCloseParen());
  EXPECT_EQ(KMToken::INTEGER, lex.readKMToken());
  EXPECT_EQ(7, lex.token().intValue);

  std::istringstream cut("(a (b 1");
  KMLex lex2(cut);
  lex2.readKMToken();
  EXPECT_EQ(KMToken::END_OF_INPUT, lex2.scanToCloseParen());
}

TEST(KMLexTest, DeepNestingNeedsNoStack) {
  const size_t depth = 1000000;
  std::string deep;
  deep.reserve(depth * 2 + 2);
  for (size_t i = 0; i < depth; ++i) deep += "(a";
  std::istringstream in(deep);
  KMLex lex(in);
  lex.readKMToken();
  EXPECT_EQ(KMToken::END_OF_INPUT, lex.scanToCloseParen());

  std::istringstream in2(deep);
  KMLex lex2(in2);
  lex2.readKMToken();
  std::ostringstream out;
  EXPECT_EQ(KMToken::END_OF_INPUT, lex2.copyBlockToStream(out));
  EXPECT_EQ(deep, out.str());
}

TEST(KMLexTest, CopyBlockToStreamNormalisesLayout) {
  std::istringstream in("(e 1 ,  2,\n \"a\\\"b\" (x -1)~4\nz\n~ ) #");
  KMLex lex(in);
  ASSERT_EQ(KMToken::LEFT_PAREN, lex.readKMToken());
  std::ostringstream out;
  EXPECT_EQ(KMToken::RIGHT_PAREN, lex.copyBlockToStream(out));
  EXPECT_EQ("(e1,2,\"a\\\"b\"(xffffffff)\n~4\nz\n~\n)", out.str());
  // The block is consumed; what follows is not.
  EXPECT_EQ(KMToken::INVALID, lex.readKMToken());
  EXPECT_EQ('#', lex.token().intValue);
}

TEST(KMLexTest, DisplayNamesOfEveryType) {
  struct Case {
    std::string input;
    const char* name;
  } cases[] = {
      {"(a", "Left Paren"},       {")", "Right Paren"},     {",", "Comma Separator"},
      {"12", "integer"},          {"\"s\"", "String"},      {"~0\n~", "Binary Object"},
      {"", "EOF"},                {"#", "Invalid character '#' (35)"},
      {"-0", "Invalid character '-' (45)"},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.input);
    KMLex lex(in);
    lex.readKMToken();
    EXPECT_STREQ(c.name, lex.peekTokenAsString()) << "input \"" << c.input << "\"";
  }
  KMLex none;
  none.token().type = 42;
  EXPECT_STREQ("Unknown token type", none.peekTokenAsString());
}

TEST(KMLexTest, BadStreamIsReportedAsInvalidToken) {
  maptext_test::ErrorCapture capture;
  std::istringstream in("(a");
  KMLex lex(in);
  in.setstate(std::ios::badbit);
  EXPECT_EQ(KMToken::INVALID, lex.readKMToken());
  EXPECT_EQ(0, lex.token().intValue);
  EXPECT_STREQ("Invalid character '0' (0)", lex.peekTokenAsString());
  ASSERT_EQ(1u, capture.messages.size());
  EXPECT_EQ("E|E: KMLex::readKMToken: bad stream, rdstate = 0x1", capture.messages[0]);
}

TEST(KMLexTest, BadStreamEndsScansAndCopies) {
  maptext_test::ErrorCapture capture;
  std::istringstream in("(a (b 1");
  KMLex lex(in);
  lex.readKMToken();
  in.setstate(std::ios::badbit);
  EXPECT_EQ(KMToken::INVALID, lex.scanToCloseParen());
  EXPECT_EQ(1u, capture.messages.size());

  std::istringstream in2("(a (b 1");
  KMLex lex2(in2);
  lex2.readKMToken();
  in2.setstate(std::ios::badbit);
  std::ostringstream out;
  EXPECT_EQ(KMToken::INVALID, lex2.copyBlockToStream(out));
  EXPECT_EQ("(a", out.str());
  EXPECT_EQ(2u, capture.messages.size());
}

TEST(KMLexTest, WithoutStreamEveryReadIsEndOfInput) {
  KMLex none;
  EXPECT_FALSE(none.isOpen());
  EXPECT_EQ(KMToken::END_OF_INPUT, none.readKMToken());
  EXPECT_EQ(0u, none.readUInt());
  EXPECT_EQ(-1, none.position());

  KMLex missing("/nonexistent/folder/page.map");
  EXPECT_FALSE(missing.isOpen());
  EXPECT_EQ(KMToken::END_OF_INPUT, missing.readKMToken());

  std::istringstream failed("(a");
  failed.setstate(std::ios::failbit);
  KMLex onFailed(failed);
  EXPECT_FALSE(onFailed.isOpen());
  EXPECT_EQ(KMToken::END_OF_INPUT, onFailed.readKMToken());
}

TEST(KMLexTest, ReadsFromAFileItOpened) {
  std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                     "/km_lex_test_file.map";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  std::fputs("(n 2a,\"x\")", f);
  std::fclose(f);
  {
    KMLex lex(path.c_str());
    ASSERT_TRUE(lex.isOpen());
    EXPECT_EQ(KMToken::LEFT_PAREN, lex.readKMToken());
    EXPECT_EQ(KMToken::INTEGER, lex.readKMToken());
    EXPECT_EQ(0x2a, lex.token().intValue);
    EXPECT_EQ(5, lex.position());
  }
  std::remove(path.c_str());
}

TEST(KMLexTest, PositionSurvivesTheEnd) {
  std::istringstream in("12");
  KMLex lex(in);
  lex.readKMToken();
  EXPECT_EQ(KMToken::END_OF_INPUT, lex.readKMToken());
  EXPECT_EQ(2, lex.position());
  // The stream's own state is left alone, so its owner can still seek.
  EXPECT_TRUE(in.good());
}

TEST(KMTokenTest, ValueAccessors) {
  KMToken tok;
  tok.setString("hello", 5);
  char* s = nullptr;
  EXPECT_FALSE(tok.value(s));
  EXPECT_STREQ("hello", s);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_TRUE(tok.value(p));
  EXPECT_EQ(nullptr, p);

  char buf[8];
  EXPECT_FALSE(tok.value(buf, 7));
  EXPECT_STREQ("hello", buf);
  EXPECT_TRUE(tok.value(buf, 3));
  EXPECT_STREQ("hel", buf);
  EXPECT_TRUE(tok.value(buf, 5));
  EXPECT_STREQ("hello", buf);

  tok.set(KMToken::INTEGER, 5);
  EXPECT_TRUE(tok.value(s));
  EXPECT_EQ(nullptr, s);
  EXPECT_FALSE(tok.value(buf, 3));
  EXPECT_STREQ("", buf);
  EXPECT_TRUE(tok.value(buf, 0));

  unsigned char bytes[3] = {7, 8, 9};
  tok.setBinary(bytes, 3);
  EXPECT_FALSE(tok.value(p));
  EXPECT_EQ(0, std::memcmp(p, bytes, 3));
}

TEST(KMTokenTest, GrowValStringKeepsContents) {
  KMToken tok;
  tok.growValString(0);
  EXPECT_EQ(KMToken::GROW_STEP, tok.capacity);
  std::strcpy(tok.valString.get(), "keep me");
  tok.growValString(0);
  EXPECT_EQ(2 * KMToken::GROW_STEP, tok.capacity);
  EXPECT_STREQ("keep me", tok.valString.get());
  tok.growValString(100);  // smaller than capacity: nothing
  EXPECT_EQ(2 * KMToken::GROW_STEP, tok.capacity);
  tok.growValString(500);
  EXPECT_EQ(500u, tok.capacity);
  EXPECT_STREQ("keep me", tok.valString.get());
  tok.makeRoom(400);
  EXPECT_EQ(500u, tok.capacity);
  tok.makeRoom(501);
  EXPECT_EQ(501u, tok.capacity);
  EXPECT_STREQ("keep me", tok.valString.get());
}

// Pseudo-random bytes, weighted towards the characters that start tokens, must
// always end in end of input, every token consuming input.
TEST(KMLexTest, HostileBytesAlwaysEnd) {
  const char alphabet[] = "()~\"\\-,z!u0123456789abcdefABCDEF \n\x80\xff\x00";
  uint32_t seed = 12345;
  for (int round = 0; round < 2000; ++round) {
    std::string input;
    size_t len = (seed >> 8) % 200;
    for (size_t i = 0; i < len; ++i) {
      seed = seed * 1103515245u + 12345u;
      if ((seed >> 16) % 4 == 0) {
        input.push_back(static_cast<char>(seed >> 24));
      } else {
        input.push_back(alphabet[(seed >> 16) % (sizeof alphabet - 1)]);
      }
    }
    seed = seed * 1103515245u + 12345u;
    std::istringstream in(input);
    KMLex lex(in);
    size_t count = 0;
    int t;
    do {
      t = lex.readKMToken();
      ASSERT_LE(++count, input.size() + 1) << "round " << round;
      ASSERT_TRUE(lex.token().classInvarient(__FILE__, __LINE__)) << "round " << round;
    } while (t != KMToken::END_OF_INPUT);
  }
}

}  // namespace
