// Integers and offsets as the token writer spells them: lower-case hexadecimal,
// negatives as their 32-bit two's complement, offsets as exactly eight digits,
// and a blank between two integers in a row.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "maptext/km_xel.h"

namespace {

TEST(KMXelNumbers, IntegersAndOffsetsAreSpelledInLowerCaseHex) {
  const struct {
    LONG value;
    const char* integer;
    const char* offset;
  } cases[] = {
      {0, "0", "00000000"},
      {1, "1", "00000001"},
      {0xF, "f", "0000000f"},
      {0x10, "10", "00000010"},
      {0xABC, "abc", "00000abc"},
      {0x7FFFFFFF, "7fffffff", "7fffffff"},
      {-1, "ffffffff", "ffffffff"},
      {-16, "fffffff0", "fffffff0"},
      {static_cast<LONG>(0x80000000u), "80000000", "80000000"},
      {0x12345678, "12345678", "12345678"},
  };
  for (const auto& c : cases) {
    std::stringstream a, b;
    {
      KMXel w(a);
      w.write(c.value);
    }
    {
      KMXel w(b);
      w.writeOffset(c.value);
    }
    EXPECT_EQ(c.integer, a.str()) << "integer " << c.value;
    EXPECT_EQ(c.offset, b.str()) << "offset " << c.value;
  }
}

TEST(KMXelNumbers, IntegersInARowAreSeparatedByOneBlank) {
  std::stringstream out;
  {
    KMXel w(out);
    w.write(static_cast<LONG>(10));
    w.write(static_cast<LONG>(-2));
    w.writeOffset(3);
    w.writeSeparator();
    w.write(static_cast<LONG>(0));
  }
  EXPECT_EQ("a fffffffe 00000003,0", out.str());
}

}  // namespace
