// String: construction, copying, joining, equality and byte ordering.
#include "kit/string.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(StringTest, NullAndEmptyAreTheSameEmptyText) {
  const String fromNull(nullptr);
  const String fromEmpty("");
  EXPECT_EQ(1u, fromNull.size());
  EXPECT_STREQ("", fromNull.c_str());
  EXPECT_TRUE(fromNull.isEqual(fromEmpty));
  EXPECT_FALSE(fromNull.isLessThan(fromEmpty));
  EXPECT_TRUE(fromNull.classInvarient(__FILE__, __LINE__));
}

TEST(StringTest, KeepsItsOwnCopyOfTheText) {
  char text[] = "page";
  const String s(text);
  text[0] = 'X';
  EXPECT_STREQ("page", s.c_str());
  String copy(s);
  copy += String("s");
  EXPECT_STREQ("page", s.c_str()) << "a copy must not share the text";
  EXPECT_STREQ("pages", copy.c_str());
}

TEST(StringTest, JoiningTexts) {
  struct Case {
    const char* left;
    const char* right;
    const char* joined;
  };
  const Case cases[] = {
      {"abc", "de", "abcde"}, {"", "de", "de"}, {"abc", "", "abc"}, {"", "", ""}};
  for (const Case& c : cases) {
    const String left(c.left);
    const String joined = left + String(c.right);
    EXPECT_STREQ(c.joined, joined.c_str()) << c.left << " + " << c.right;
    EXPECT_EQ(std::strlen(c.joined) + 1, joined.size()) << c.left << " + " << c.right;
    EXPECT_STREQ(c.left, left.c_str()) << "+ must leave its left operand alone";
    EXPECT_TRUE(joined.classInvarient(__FILE__, __LINE__));
  }
}

TEST(StringTest, AppendingToItself) {
  String s("ab");
  s += s;
  EXPECT_STREQ("abab", s.c_str());
  EXPECT_EQ(5u, s.size());
}

TEST(StringTest, AssignmentCopiesAndSelfAssignmentKeeps) {
  String s("abc");
  s = s;
  EXPECT_STREQ("abc", s.c_str());
  EXPECT_EQ(4u, s.size());

  // Same size, longer and shorter texts all end up equal to the source.
  for (const char* text : {"xyz", "a longer text", "", "q"}) {
    const String source(text);
    s = source;
    EXPECT_STREQ(text, s.c_str());
    EXPECT_EQ(std::strlen(text) + 1, s.size());
    EXPECT_TRUE(s.isEqual(source));
    EXPECT_NE(source.c_str(), s.c_str()) << "assignment must copy, not share";
  }
}

TEST(StringTest, EqualityAndOrdering) {
  struct Case {
    const char* left;
    const char* right;
    bool equal;
    bool less;
  };
  const Case cases[] = {
      {"ab", "abc", false, true},  {"abc", "ab", false, false}, {"ab", "ab", true, false},
      {"B", "a", false, true},     {"a", "B", false, false},    {"", "a", false, true},
      {"\xe9", "z", false, false},  // byte order: 0xE9 sorts after 'z'
  };
  for (const Case& c : cases) {
    const String left(c.left);
    const String right(c.right);
    EXPECT_EQ(c.equal, left.isEqual(right)) << c.left << " vs " << c.right;
    EXPECT_EQ(c.equal, left == right) << c.left << " vs " << c.right;
    EXPECT_EQ(c.less, left.isLessThan(right)) << c.left << " vs " << c.right;
    EXPECT_EQ(c.less, left < right) << c.left << " vs " << c.right;
  }
}

}  // namespace
