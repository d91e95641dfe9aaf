// Damaged books: the sample book cut short at every length of its first
// kilobytes and at every block boundary; every byte of every block header,
// trailer and free-list link, of the ID table's header and of its buckets
// changed in turn; and chains, facets, free lists, hash links and header fields
// pointed where they must not point (back into their own chain, into another
// record, into a free block, into the file header, past the end). Each damaged
// book is opened read-only and read whole, and checked: the reading and the
// check must each end in a reported problem or in data the sound book held,
// without a crash and in bounded time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/whole_book_reader.h"
#include "hostile_support.h"
#include "sample_book.h"

namespace {

// A case slower than this is a hang for our purposes (the sample book reads in
// about a millisecond).
const double kCaseSecondsLimit = 5.0;

struct Sample {
  std::string bytes;
  BookImage image;
  StoreHeaderFields header;
  std::vector<BlockSpan> blocks;
  // Records: first block -> blocks in chain order.
  std::map<ULONG, std::vector<ULONG>> chains;
  // File offset of each byte of the ID table's stream.
  std::vector<ULONG> tableOffsets;
  ULONG entrySize = 0;
  ULONG buckets = 0;
};

FuzzNexil& app() {
  static FuzzNexil* a = new FuzzNexil();  // lives for the whole test program
  return *a;
}

const Sample& sample() {
  static Sample* s = nullptr;
  if (s != nullptr) return *s;
  quietProcess();
  s = new Sample();  // lives for the whole test program
  const std::string path = scratchDir() + "sample.tvx";
  if (!makeSampleBook(app(), path)) return *s;
  s->bytes = fileBytes(path);
  s->image = readWholeBook(app(), path);
  s->header = readHeaderFields(s->bytes);
  s->blocks = blockMap(s->bytes);
  for (const BlockSpan& b : s->blocks) {
    if (b.free || !b.first) continue;
    std::vector<ULONG>& chain = s->chains[b.handle];
    // Bounded by the number of blocks (the sound book has no loops).
    for (ULONG h = b.handle; h != 0 && chain.size() <= s->blocks.size(); h = getWord(s->bytes, h + 8)) {
      chain.push_back(h);
    }
  }
  for (ULONG h : s->chains[s->header.indexHandle]) {
    const ULONG length = getWord(s->bytes, h + 4);
    for (ULONG i = 0; i < length; ++i) s->tableOffsets.push_back(h + 18 + i);
  }
  if (s->tableOffsets.size() > 21) {
    auto word16 = [&](ULONG at) {
      return static_cast<ULONG>(static_cast<unsigned char>(s->bytes[s->tableOffsets[at]]) |
                                (static_cast<unsigned char>(s->bytes[s->tableOffsets[at + 1]]) << 8));
    };
    s->entrySize = word16(11);
    s->buckets = word16(15);
  }
  return *s;
}

// A word of the ID table's stream, read from or written into the file image.
ULONG tableWord(const std::string& bytes, ULONG streamOffset) {
  const Sample& s = sample();
  ULONG v = 0;
  for (int i = 3; i >= 0; --i) {
    v = (v << 8) | static_cast<unsigned char>(bytes[s.tableOffsets[streamOffset + i]]);
  }
  return v;
}
void putTableWord(std::string& bytes, ULONG streamOffset, ULONG value) {
  const Sample& s = sample();
  for (int i = 0; i < 4; ++i) {
    bytes[s.tableOffsets[streamOffset + i]] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

// Runs damaged images and collects what went wrong, for one report at the end.
class Sweep {
 public:
  // Every case runs in every build: the four sweeps take about ten seconds
  // under the sanitizers.
  explicit Sweep(const char* name) : name_(name) {}

  // What a case promises beyond "no crash, no hang".
  struct Expect {
    // The damage is to a value the file keeps no second copy of (a record's
    // length, a chain's extension size, an ID's flags word): nothing can notice
    // it, so only a bounded, clean run is asked for.
    bool undetectable = false;
    // The reading itself must report a problem (it walks the damaged link).
    bool readerReports = false;
    // The integrity check must report a problem.
    bool checkReports = false;
  };

  void run(const std::string& label, const std::string& bytes) { run(label, bytes, Expect()); }

  void run(const std::string& label, const std::string& bytes, const Expect& expect) {
    // A pointer aimed where it already pointed is no damage.
    if (bytes == sample().bytes) return;
    ++ran_;
    const std::string path = scratchDir() + "damaged.tvx";
    writeBytes(path, bytes);
    const auto start = std::chrono::steady_clock::now();
    const BookImage image = readWholeBook(app(), path);
    const std::string verdict = checkBookFile(path);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string subset = subsetViolation(sample().image, image);
    if (image.problems > 0) ++readerReported_;
    if (!verdict.empty()) ++checkReported_;
    if (seconds > kCaseSecondsLimit) {
      fail(label, "took " + std::to_string(seconds) + " s");
    }
    if (expect.readerReports && image.problems == 0) {
      fail(label, "reading reported nothing" + (subset.empty() ? std::string() : ": " + subset));
    }
    if (expect.undetectable) return;
    if (expect.checkReports && verdict.empty()) fail(label, "the check found the book sound");
    if (verdict.empty() && !subset.empty()) {
      fail(label, "the check found the book sound but reading gave: " + subset);
    }
  }

  // Checks the collected failures; returns how many cases ran.
  int finish() {
    std::string all;
    for (const std::string& f : failures_) all += "  " + f + "\n";
    EXPECT_EQ(0, failureCount_) << name_ << ": " << failureCount_ << " of " << ran_
                                << " damaged books went wrong; the first:\n" << all;
    std::printf("%s: %d cases, reading reported %d, the check reported %d\n", name_.c_str(), ran_,
                readerReported_, checkReported_);
    return ran_;
  }
  int readerReported() const { return readerReported_; }
  int checkReported() const { return checkReported_; }

 private:
  void fail(const std::string& label, const std::string& what) {
    ++failureCount_;
    if (failures_.size() < 12) failures_.push_back(label + ": " + what);
  }
  std::string name_;
  int ran_ = 0;
  int readerReported_ = 0;
  int checkReported_ = 0;
  int failureCount_ = 0;
  std::vector<std::string> failures_;
};

std::string hex(ULONG v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%x", v);
  return buf;
}

TEST(SampleBook, ReadsWholeAndChecksClean) {
  const Sample& s = sample();
  ASSERT_FALSE(s.bytes.empty()) << "the sample book could not be made";
  EXPECT_TRUE(s.image.opened);
  EXPECT_EQ(0, s.image.problems) << "last report: " << s.image.lastReport;
  EXPECT_EQ("", checkBookFile(scratchDir() + "sample.tvx"));
  // Three pages and two links; the removed page is gone.
  int pages = 0, links = 0, bodies = 0, lists = 0, attrs = 0;
  for (const auto& e : s.image.entries) {
    if (e.second.kind & 1) ++pages;
    if (e.second.kind == 2) ++links;
    if (e.second.bodyStatus == 0 && e.second.bodyRecords > 0) ++bodies;
    if (e.second.linkListEntries > 0) ++lists;
    if (!e.second.attrs.empty()) ++attrs;
    if (e.second.kind == 2) {
      EXPECT_EQ(2, e.second.linkEnds) << "link " << e.first;
    }
  }
  EXPECT_EQ(3, pages);
  EXPECT_EQ(2, links);
  EXPECT_EQ(3, bodies);
  EXPECT_EQ(3, lists);
  EXPECT_EQ(3, attrs);
  // The sweeps need free blocks, a record of several blocks, and the table.
  const auto freeBlocks = std::count_if(s.blocks.begin(), s.blocks.end(),
                                        [](const BlockSpan& b) { return b.free; });
  EXPECT_GE(freeBlocks, 1);
  std::size_t longest = 0;
  for (const auto& c : s.chains) longest = std::max(longest, c.second.size());
  EXPECT_GE(longest, 3u);
  EXPECT_EQ(36u, s.entrySize);
  EXPECT_EQ(128u, s.buckets);
}

TEST(CorruptionSweep, CutShortAtEveryLengthAndEveryBlockBoundary) {
  const Sample& s = sample();
  ASSERT_FALSE(s.bytes.empty());
  Sweep sweep("truncation");
  std::set<std::size_t> lengths;
  for (std::size_t n = 0; n <= std::min<std::size_t>(4096, s.bytes.size()); ++n) lengths.insert(n);
  for (const BlockSpan& b : s.blocks) {
    for (ULONG at : {b.handle, b.handle + 1, b.handle + 18, b.handle + b.size - 4, b.handle + b.size - 1}) {
      if (at < s.bytes.size()) lengths.insert(at);
    }
  }
  // A book cut anywhere has lost records that its ID table names: both the
  // reading and the check must say so.
  Sweep::Expect cut;
  cut.readerReports = true;
  cut.checkReports = true;
  for (std::size_t n : lengths) {
    sweep.run("cut at " + std::to_string(n), s.bytes.substr(0, n), cut);
  }
  sweep.finish();
}

TEST(CorruptionSweep, EveryByteOfBlockFramingChanged) {
  const Sample& s = sample();
  ASSERT_FALSE(s.blocks.empty());
  Sweep sweep("block framing");
  for (const BlockSpan& b : s.blocks) {
    std::vector<ULONG> offsets;
    for (ULONG i = 0; i < 18; ++i) offsets.push_back(b.handle + i);
    for (ULONG i = b.size - 4; i < b.size; ++i) offsets.push_back(b.handle + i);
    for (ULONG at : offsets) {
      const ULONG field = at - b.handle;
      Sweep::Expect e;
      // A length in use and a first block's extension size are plain values.
      e.undetectable = !b.free && ((field >= 4 && field < 8) || (b.first && field >= 12 && field < 16));
      e.checkReports = !e.undetectable;
      for (unsigned char mask : {0xFF, 0x01, 0x80}) {
        std::string bytes = s.bytes;
        bytes[at] = static_cast<char>(bytes[at] ^ mask);
        sweep.run("block " + std::to_string(b.handle) + (b.free ? " (free)" : "") + " byte " +
                      std::to_string(field) + " ^ " + hex(mask),
                  bytes, e);
      }
    }
  }
  sweep.finish();
}

TEST(CorruptionSweep, EveryByteOfTheIdTableHeaderAndItsBucketsChanged) {
  const Sample& s = sample();
  ASSERT_GE(s.tableOffsets.size(), 21u + s.buckets * s.entrySize);
  Sweep sweep("ID table");
  std::vector<ULONG> streamOffsets;
  for (ULONG i = 0; i < 21; ++i) streamOffsets.push_back(i);
  for (ULONG b = 0; b < s.buckets; ++b) {
    const ULONG entry = 21 + b * s.entrySize;
    const bool used = tableWord(s.bytes, entry + s.entrySize - 4) != 0xFFFFFFFFu;
    // Every byte of a used bucket; the link of every empty one.
    for (ULONG i = used ? 0 : s.entrySize - 4; i < s.entrySize; ++i) streamOffsets.push_back(entry + i);
  }
  for (ULONG k : streamOffsets) {
    Sweep::Expect e;
    // An ID's flags word is the caller's own value.
    e.undetectable = k >= 21 && (k - 21) % s.entrySize >= 4 && (k - 21) % s.entrySize < 8;
    e.checkReports = k >= 21 && !e.undetectable;
    for (unsigned char mask : {0xFF, 0x01}) {
      std::string bytes = s.bytes;
      const ULONG at = s.tableOffsets[k];
      bytes[at] = static_cast<char>(bytes[at] ^ mask);
      sweep.run("table byte " + std::to_string(k) + " ^ " + hex(mask), bytes, e);
    }
  }
  sweep.finish();
}

// The pointers a crafted book aims wrong.
struct Target {
  std::string name;
  ULONG value;
};

std::vector<Target> badTargets(const Sample& s, ULONG ownChainFirst) {
  std::vector<Target> t;
  const ULONG size = static_cast<ULONG>(s.bytes.size());
  t.push_back({"the file header", 4});
  t.push_back({"the end of the header", s.header.headerSize - 2});
  t.push_back({"the end of the file", size});
  t.push_back({"past the end", size + 4096});
  t.push_back({"far past the end", 0x7FFFFFF0u});
  t.push_back({"all ones", 0xFFFFFFFFu});
  for (const BlockSpan& b : s.blocks) {
    if (b.free) {
      t.push_back({"a free block", b.handle});
      break;
    }
  }
  t.push_back({"the middle of a block", s.blocks[s.blocks.size() / 2].handle + 7});
  t.push_back({"the ID table's record", s.header.indexHandle});
  for (const auto& c : s.chains) {
    if (c.first != ownChainFirst && c.first != s.header.indexHandle && c.second.size() >= 2) {
      t.push_back({"another record's first block", c.first});
      t.push_back({"another record's second block", c.second[1]});
      break;
    }
  }
  return t;
}

TEST(CorruptionSweep, CraftedChainsFacetsFreeListsAndHashLinks) {
  const Sample& s = sample();
  ASSERT_FALSE(s.chains.empty());
  Sweep sweep("crafted");
  // Every crafted pointer is structural damage the check must find; the
  // reading must find it too wherever it walks the damaged link itself.
  Sweep::Expect walked;
  walked.readerReports = true;
  walked.checkReports = true;
  Sweep::Expect unwalked;
  unwalked.checkReports = true;

  // Chains: the last block's next, and the first block's next.
  for (const auto& c : s.chains) {
    const std::vector<ULONG>& chain = c.second;
    std::vector<Target> targets = badTargets(s, c.first);
    targets.push_back({"itself", chain.back()});
    targets.push_back({"its own first block", chain.front()});
    if (chain.size() >= 2) targets.push_back({"its own second block (a loop)", chain[1]});
    for (const Target& t : targets) {
      std::string bytes = s.bytes;
      putWord(bytes, chain.back() + 8, t.value);
      // Everything the record holds is read before its last link is followed,
      // so a reader may end there quietly with the whole record.
      sweep.run("record " + std::to_string(c.first) + " last block -> " + t.name, bytes, unwalked);
      if (chain.size() >= 2) {
        bytes = s.bytes;
        putWord(bytes, chain.front() + 8, t.value);
        sweep.run("record " + std::to_string(c.first) + " first block -> " + t.name, bytes, walked);
      }
    }
  }

  // Facets of every ID, and the free list's head and links.
  for (ULONG b = 0; b < s.buckets; ++b) {
    const ULONG entry = 21 + b * s.entrySize;
    if (tableWord(s.bytes, entry + s.entrySize - 4) == 0xFFFFFFFFu) continue;
    const ULONG id = tableWord(s.bytes, entry);
    for (ULONG f = 0; f < 6; ++f) {
      const ULONG own = tableWord(s.bytes, entry + 8 + 4 * f);
      for (const Target& t : badTargets(s, own)) {
        std::string bytes = s.bytes;
        putTableWord(bytes, entry + 8 + 4 * f, t.value);
        // Another record's first block is a sound record to a reader.
        const bool silent = t.name == "another record's first block";
        sweep.run("ID " + std::to_string(id) + " facet " + std::to_string(f) + " -> " + t.name,
                  bytes, silent ? unwalked : walked);
      }
    }
    // Hash links: to itself, to the table's header, off the entry grid, past the end.
    const ULONG linkAt = entry + s.entrySize - 4;
    const ULONG tableEnd = 21 + s.buckets * s.entrySize;
    for (ULONG v : {entry, 0u + 4, tableEnd + 3, tableEnd + s.entrySize * 1000, 21 + s.entrySize}) {
      std::string bytes = s.bytes;
      putTableWord(bytes, linkAt, v);
      sweep.run("bucket " + std::to_string(b) + " link -> " + std::to_string(v), bytes, unwalked);
    }
  }

  // The free list: head and every free block's links.
  for (const Target& t : badTargets(s, 0)) {
    std::string bytes = s.bytes;
    putWord(bytes, s.header.freeListPos, t.value);
    sweep.run("free-list head -> " + t.name, bytes, unwalked);
  }
  for (const BlockSpan& fb : s.blocks) {
    if (!fb.free) continue;
    std::vector<Target> targets = badTargets(s, 0);
    targets.push_back({"itself", fb.handle});
    for (const Target& t : targets) {
      for (ULONG field : {8u, 12u}) {
        std::string bytes = s.bytes;
        putWord(bytes, fb.handle + field, t.value);
        sweep.run("free block " + std::to_string(fb.handle) + (field == 8 ? " next" : " prev") +
                      " -> " + t.name,
                  bytes, unwalked);
      }
    }
  }

  // Header fields: the ID table's handle, the next-ID counter, the header size.
  for (const Target& t : badTargets(s, s.header.indexHandle)) {
    std::string bytes = s.bytes;
    putWord(bytes, s.header.indexHandlePos, t.value);
    sweep.run("ID table handle -> " + t.name, bytes, walked);
  }
  // A counter at or below an ID in use would hand that ID out again.
  for (ULONG v : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::string bytes = s.bytes;
    putWord(bytes, s.header.nextIDPos, v);
    sweep.run("next ID = " + hex(v), bytes, v <= 1 ? unwalked : Sweep::Expect());
  }
  for (ULONG v : {0u, 4u, 17u, s.header.headerSize + 1, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::string bytes = s.bytes;
    putWord(bytes, 0, v);
    sweep.run("header size = " + hex(v), bytes, walked);
  }
  sweep.finish();
}

}  // namespace
