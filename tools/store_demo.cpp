// store_demo: shows the block store at work on a new store file. It writes
// records of different sizes (growing some in place at the end of the file and
// others by linking blocks), frees some, allocates again into the freed space,
// verifies every live record, commits, reopens the file and prints its structure:
// the header, every block in file order, the free list and the chain counters.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/io/share_open.h"
#include "store/block.h"
#include "store/chain.h"
#include "store/low_level_file_header.h"
#include "store/low_level_store.h"

namespace {

const char kUsage[] =
    "usage: store_demo [--force] FILE\n"
    "       store_demo --help\n"
    "\n"
    "Creates a new block store FILE and works on it: writes seven records of\n"
    "different sizes, extends two of them (one grows in place at the end of the\n"
    "file, one gets a second block), frees two, allocates two more that reuse the\n"
    "freed space, reads every live record back and compares it with what was\n"
    "written, commits, closes and reopens the file, verifies again and prints the\n"
    "file's structure: header fields, every block in file order (handle, size,\n"
    "length, next, prev or extension size, marks, owning record), the free list,\n"
    "and the chain step and open counters of both sessions.\n"
    "\n"
    "  --force   replace FILE if it exists (otherwise an existing FILE is refused)\n"
    "  --help    show this text\n"
    "\n"
    "Exit status: 0 success, 1 a store operation or a check failed, 2 usage.\n";

const char kSignature[] = "#STOREDEMO#";
const ULONG kVersion = 1;

// One record of the demonstration: its name, its handle and what it must hold.
struct Record {
  std::string name;
  ULONG handle = 0;
  std::string content;
  bool live = true;
};

// Deterministic content: the name and a counter repeated up to `length` bytes.
std::string contentFor(const std::string& name, std::size_t length, int salt) {
  std::string text;
  for (int i = 0; text.size() < length; ++i) {
    text += name + "#" + std::to_string(salt) + "." + std::to_string(i) + " ";
  }
  text.resize(length);
  return text;
}

void writeAll(Chain& chain, const std::string& bytes) {
  if (chain.write(bytes.data(), static_cast<int>(bytes.size())) !=
      static_cast<int>(bytes.size())) {
    throw LowLevelStore::BadStreamException("short write");
  }
}

Record create(LowLevelStore& store, const std::string& name, ULONG userSize,
              std::size_t length) {
  Record r;
  r.name = name;
  r.content = contentFor(name, length, 0);
  std::unique_ptr<Chain> chain = store.alloc(userSize);
  writeAll(*chain, r.content);
  r.handle = chain->handle();
  std::printf("  alloc  %-8s user size %5u, wrote %5zu bytes -> handle %u\n", name.c_str(),
              static_cast<unsigned>(userSize), length, static_cast<unsigned>(r.handle));
  return r;
}

void append(LowLevelStore& store, Record& r, std::size_t length, const char* how) {
  const std::string more = contentFor(r.name, length, 1);
  std::unique_ptr<Chain> chain = store.lookup(r.handle);
  chain->seekp(chain->getUserSize());
  writeAll(*chain, more);
  r.content += more;
  std::printf("  append %-8s %5zu bytes (%s)\n", r.name.c_str(), length, how);
}

void release(LowLevelStore& store, Record& r) {
  store.free(r.handle);
  r.live = false;
  std::printf("  free   %-8s handle %u\n", r.name.c_str(), static_cast<unsigned>(r.handle));
}

// Reads every live record back; returns the number of mismatches.
int verify(LowLevelStore& store, const std::vector<Record>& records) {
  int failures = 0;
  int checked = 0;
  for (const Record& r : records) {
    if (!r.live) continue;
    std::unique_ptr<Chain> chain = store.lookup(r.handle);
    std::string back(r.content.size() + 1, '\0');
    const int got = chain->read(&back[0], static_cast<int>(back.size()));
    back.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    if (back != r.content) {
      std::printf("  MISMATCH in %s: expected %zu bytes, read %zu\n", r.name.c_str(),
                  r.content.size(), back.size());
      ++failures;
    }
    ++checked;
  }
  std::printf("  verified %d live records: %s\n", checked, failures == 0 ? "all match" : "FAILED");
  return failures;
}

// Which record each block belongs to, following every live record's chain.
std::map<ULONG, std::string> blockOwners(LowLevelStore& store, const std::vector<Record>& records) {
  std::map<ULONG, std::string> owners;
  for (const Record& r : records) {
    if (!r.live) continue;
    ULONG at = r.handle;
    int index = 0;
    // Bounded by the number of blocks the file can hold.
    for (ULONG steps = 0; at != 0 && steps < store.blockCountLimit(); ++steps) {
      owners[at] = r.name + (index == 0 ? "" : " (block " + std::to_string(index + 1) + ")");
      at = store.lookupBlock(at)->header().next();
      ++index;
    }
  }
  return owners;
}

void printStructure(LowLevelStore& store, const std::vector<Record>& records) {
  LowLevelFileHeader& h = *store.header();
  std::printf("\nHeader\n");
  std::printf("  size                   %u\n", static_cast<unsigned>(h.size()));
  std::printf("  application signature  \"%s\"\n", h.signature());
  std::printf("  version                %u\n", static_cast<unsigned>(h.version()));
  std::printf("  store signature        \"%s\"\n", store.storeSignature());
  std::printf("  store version          %u\n", static_cast<unsigned>(h.storeVersion()));
  std::printf("  free-list head         %u\n", static_cast<unsigned>(store.freeListPtr()));
  std::printf("  file length            %u\n", static_cast<unsigned>(store.fileSize()));

  const std::map<ULONG, std::string> owners = blockOwners(store, records);
  std::printf("\nBlocks in file order\n");
  std::printf("  %8s %6s %6s %8s %10s  %-11s %s\n", "handle", "size", "length", "next",
              "prev/ext", "marks", "record");
  const ULONG end = store.fileSize();
  ULONG at = h.size();
  // Bounded: every step moves forward by a block size of at least 54 bytes.
  while (at < end) {
    std::unique_ptr<Block> b = store.lowLevelLookup(at);
    const BlockHeader& bh = b->header();
    std::string marks;
    if (bh.free_mark()) marks += "free";
    if (bh.first_mark()) marks += marks.empty() ? "first" : "+first";
    if (marks.empty()) marks = "-";
    std::string prevExt = bh.first_mark() && !bh.free_mark()
                              ? "ext " + std::to_string(bh.extensionSize())
                              : "prev " + std::to_string(bh.prev());
    std::string owner = bh.free_mark() ? "(free)" : "?";
    auto found = owners.find(at);
    if (found != owners.end()) owner = found->second;
    std::printf("  %8u %6u %6u %8u %10s  %-11s %s\n", static_cast<unsigned>(at),
                static_cast<unsigned>(bh.size()), static_cast<unsigned>(bh.length()),
                static_cast<unsigned>(bh.next()), prevExt.c_str(), marks.c_str(), owner.c_str());
    at += bh.size();
  }

  std::printf("\nFree list (most recently freed first)\n");
  ULONG free = store.freeListPtr();
  if (free == 0) std::printf("  (empty)\n");
  for (ULONG steps = 0; free != 0 && steps < store.blockCountLimit(); ++steps) {
    std::unique_ptr<Block> b = store.lowLevelLookup(free);
    std::printf("  handle %u, size %u\n", static_cast<unsigned>(free),
                static_cast<unsigned>(b->header().size()));
    free = b->header().next();
  }
}

void printCounters(const char* session, const LowLevelStore& store) {
  std::printf("  %s: chainStepCount %u, chainOpenCount %u\n", session,
              static_cast<unsigned>(store.chainStepCount),
              static_cast<unsigned>(store.chainOpenCount));
}

int run(const std::string& path) {
  std::vector<Record> records;
  ULONG writeSteps = 0, writeOpens = 0;
  {
    std::printf("Creating %s\n", path.c_str());
    std::unique_ptr<LowLevelStore> store(LowLevelStore::make(path.c_str(), kSignature, kVersion,
                                                             _SH_DENYWR));
    records.push_back(create(*store, "alpha", 0, 10));      // fits the 32-byte minimum block
    records.push_back(create(*store, "bravo", 100, 100));
    records.push_back(create(*store, "charlie", 40, 40));
    append(*store, records[2], 200, "last block of the file: grows in place");
    append(*store, records[0], 300, "not at the end: links a new block");
    records.push_back(create(*store, "delta", 500, 500));
    records.push_back(create(*store, "echo", 64, 64));
    release(*store, records[3]);
    release(*store, records[1]);  // most recently freed: first on the free list
    records.push_back(create(*store, "foxtrot", 60, 60));   // takes bravo's space whole
    records.push_back(create(*store, "golf", 150, 150));    // split off the front of delta's
    if (verify(*store, records) != 0) return 1;
    store->commit();
    std::printf("Committed.\n");
    writeSteps = store->chainStepCount;
    writeOpens = store->chainOpenCount;
  }
  std::printf("Reopening %s\n", path.c_str());
  std::unique_ptr<LowLevelStore> store(LowLevelStore::make(path.c_str(), _O_RDONLY, _SH_DENYWR));
  const int failures = verify(*store, records);
  printStructure(*store, records);
  std::printf("\nChain counters\n");
  std::printf("  writing session: chainStepCount %u, chainOpenCount %u\n",
              static_cast<unsigned>(writeSteps), static_cast<unsigned>(writeOpens));
  printCounters("reading session", *store);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool force = false;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--force") {
      force = true;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "store_demo: unknown option %s\n\n%s", arg.c_str(), kUsage);
      return 2;
    } else if (path.empty()) {
      path = arg;
    } else {
      std::fprintf(stderr, "store_demo: more than one FILE given\n\n%s", kUsage);
      return 2;
    }
  }
  if (path.empty()) {
    std::fprintf(stderr, "store_demo: no FILE given\n\n%s", kUsage);
    return 2;
  }
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (!force) {
      std::fprintf(stderr, "store_demo: %s exists; use --force to replace it\n", path.c_str());
      return 2;
    }
    if (unlink(path.c_str()) != 0) {
      std::fprintf(stderr, "store_demo: cannot remove %s: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
  }
  try {
    return run(path);
  } catch (const ErrorMsgException& e) {
    std::fprintf(stderr, "store_demo: %s\n", e.description().c_str());
    return 1;
  }
}
