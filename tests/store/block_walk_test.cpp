// The distrustful block walk: on hand-made images, what it takes as blocks,
// where it steps over bytes that are no block, and how it rebuilds records
// and fragments from the blocks' links.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/block_walk.h"

namespace {

void put32(std::string& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// One block: header, `data` as its user bytes (length = data's size), spaces
// after them, and the trailer (or `trailer` when given).
std::string block(uint32_t size, const std::string& data, uint32_t next, uint32_t fourth, uint16_t marks,
                  uint32_t trailer = 0) {
  std::string b(size, ' ');
  put32(b, 0, size);
  put32(b, 4, static_cast<uint32_t>(data.size()));
  put32(b, 8, next);
  put32(b, 12, fourth);
  b[16] = static_cast<char>(marks & 0xFF);
  b[17] = static_cast<char>(marks >> 8);
  b.replace(18, data.size(), data);
  put32(b, size - 4, trailer != 0 ? trailer : size);
  return b;
}

const uint32_t H = 10;  // a file header of ten bytes
const uint32_t First = 2, Free = 1;

TEST(BlockWalkTest, TakesBlocksStepsOverDamageAndRebuildsRecords) {
  struct Case {
    const char* name;
    std::string image;  // after the header
    std::vector<std::string> records;  // "first:whole|cut|fragment:bytes"
    std::size_t gaps;
  };
  const std::string a = block(60, "alpha", H + 60, 32, First), a2 = block(60, "-two", 0, H, 0);
  const std::vector<Case> cases = {
      {"a record of two blocks", a + a2, {"10:whole:alpha-two"}, 0},
      {"garbage between blocks is a gap", block(60, "one", 0, 32, First) + "garbage!" + block(54, "two", 0, 32, First),
       {"10:whole:one", "78:whole:two"}, 1},
      {"a trailer confirmed by the next block",
       block(60, "one", 0, 32, First, 7) + block(54, "two", 0, 32, First), {"10:whole:one", "70:whole:two"}, 0},
      {"a free-marked block that holds bytes", block(60, "kept", 0, 32, First | Free), {"10:whole:kept"}, 0},
      {"a link to garbage cuts the record; the rest is a fragment",
       block(60, "alpha", 999, 32, First) + a2 + block(54, "", 0, 0, Free | First),
       {"10:cut:alpha", "70:fragment:-two"}, 0},
      {"a record looping on itself is cut", block(60, "loop", H, 32, First), {"10:cut:loop"}, 0},
      {"a truncated last block is a gap", a + a2.substr(0, 30), {"10:cut:alpha"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = std::string(H, 'h') + c.image;
    BlockWalk walk(file, H);
    std::vector<std::string> got;
    for (const BlockWalk::Record& r : walk.records())
      got.push_back(std::to_string(r.first) + ":" + (r.fragment ? "fragment" : r.whole ? "whole" : "cut") + ":" +
                    walk.bytes(r));
    EXPECT_EQ(got, c.records);
    EXPECT_EQ(walk.gaps().size(), c.gaps);
  }
}

// Any bytes: the walk ends, and every block it takes lies inside the file.
TEST(BlockWalkTest, EveryByteSequenceEndsInsideTheFile) {
  std::string file = std::string(H, 'h') + block(60, "alpha", H + 60, 32, First) + block(60, "-two", 0, H, 0);
  for (std::size_t at = 0; at < file.size(); ++at) {
    for (unsigned char v : {0x00, 0x01, 0x36, 0xFF}) {
      std::string b = file;
      b[at] = static_cast<char>(v);
      BlockWalk walk(b, H);
      std::size_t covered = H;
      for (const BlockWalk::Block& k : walk.blocks()) covered += k.size;
      for (const BlockWalk::Gap& g : walk.gaps()) covered += g.size;
      EXPECT_EQ(covered, b.size()) << "byte " << at;
      for (const BlockWalk::Record& r : walk.records()) EXPECT_LE(walk.bytes(r).size(), b.size());
    }
  }
}

}  // namespace
