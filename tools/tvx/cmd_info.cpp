// cmd_info.cpp: "tvx info BOOK" shows what lies beneath a book: the file
// header's fields, the file's size, its blocks (in use and free) and free
// bytes, how many pages and links it holds, and its fragmentation index.
//
// The fragmentation index is measured, not remembered (see
// measureFragmentation in tools/tvx/tvx_common.h): 1.00 when every record is
// one block, more the more records are split.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/db.h"
#include "kit/error_msg_exception.h"
#include "store/block.h"
#include "store/low_level_file_header.h"
#include "store/middle_level_file_header.h"
#include "store/middle_level_store.h"
#include "tools/tvx/commands.h"

namespace {

struct SpaceUse {
  ULONG blocks = 0;
  ULONG freeBlocks = 0;
  ULONG freeBytes = 0;
  std::string problem;  // empty when the blocks tile the file
};

// Walks the blocks in file order from the end of the header. Bounded by the
// number of blocks the file can hold; each step moves forward by a block size
// the block header has checked to be at least the smallest block.
SpaceUse walkBlocks(MiddleLevelStore& store) {
  SpaceUse use;
  const ULONG fileSize = store.fileSize();
  const ULONG limit = store.blockCountLimit();
  ULONG pos = store.header()->size();
  char text[256];
  while (pos < fileSize) {
    if (use.blocks >= limit) {
      std::snprintf(text, sizeof text, "more blocks than the file can hold at offset %lu",
                    static_cast<unsigned long>(pos));
      use.problem = text;
      break;
    }
    try {
      std::unique_ptr<Block> block = store.lowLevelLookup(pos);
      const ULONG size = block->header().size();
      if (size < BlockHeader::MinBlockSize || size > fileSize - pos) {
        std::snprintf(text, sizeof text, "block at offset %lu has a bad size %lu",
                      static_cast<unsigned long>(pos), static_cast<unsigned long>(size));
        use.problem = text;
        break;
      }
      ++use.blocks;
      if (block->header().free_mark()) {
        ++use.freeBlocks;
        use.freeBytes += size;
      }
      pos += size;
    } catch (const ErrorMsgException& e) {
      std::snprintf(text, sizeof text, "damaged block at offset %lu: %s",
                    static_cast<unsigned long>(pos), e.description().c_str());
      use.problem = text;
      break;
    }
  }
  return use;
}

int cmdInfo(const CommandLine& cl) {
  int rc = expectArgs("info", cl, 1, 1);
  if (rc != kExitOk) return rc;
  BookSession book;
  if ((rc = book.openForReading(cl.args[0])) != kExitOk) return rc;
  DB& db = book.db();
  MiddleLevelStore& store = *db.store();
  MiddleLevelFileHeader* header = store.mlHeader();

  const std::vector<EntryInfo> entries = allEntries(db);
  // Pages carry the page bit; links the link kind; anything else (the type
  // page) is counted apart.
  ULONG pages = 0, links = 0, others = 0;
  for (const EntryInfo& e : entries) {
    if (isLinkKind(e.kind)) ++links;
    else if ((e.kind & kKindPage) != 0) ++pages;
    else ++others;
  }
  const SpaceUse use = walkBlocks(store);
  const Fragmentation frag = measureFragmentation(db);

  const std::string appSignature = store.signature();
  const std::string storeSignature = store.storeSignature();
  const unsigned long version = store.version();
  const unsigned long storeVersion = header->storeVersion();
  const unsigned long headerSize = header->size();
  const unsigned long freeList = store.freeListPtr();
  const unsigned long nextID = header->nextID();
  const unsigned long indexHandle = header->indexHandle();
  const unsigned long fileSize = store.fileSize();

  if (cl.has("json")) {
    std::printf("{\"book\":%s,\"signature\":%s,\"version\":%lu,\"storeSignature\":%s,"
                "\"storeVersion\":%lu,\"headerSize\":%lu,\"freeListHead\":%lu,\"nextId\":%lu,"
                "\"indexHandle\":%lu,\"fileSize\":%lu,\"blocks\":%lu,\"freeBlocks\":%lu,"
                "\"freeBytes\":%lu,\"pages\":%lu,\"links\":%lu,\"otherEntries\":%lu,"
                "\"fragmentationIndex\":%.2f}\n",
                jsonString(cl.args[0]).c_str(), jsonString(appSignature).c_str(), version,
                jsonString(storeSignature).c_str(), storeVersion, headerSize, freeList, nextID,
                indexHandle, fileSize, static_cast<unsigned long>(use.blocks),
                static_cast<unsigned long>(use.freeBlocks),
                static_cast<unsigned long>(use.freeBytes), static_cast<unsigned long>(pages),
                static_cast<unsigned long>(links), static_cast<unsigned long>(others), frag.index);
  } else {
    std::printf("book                %s\n", cl.args[0].c_str());
    std::printf("signature           %s\n", appSignature.c_str());
    std::printf("version             %lu\n", version);
    std::printf("store signature     %s\n", storeSignature.c_str());
    std::printf("store version       %lu\n", storeVersion);
    std::printf("header size         %lu\n", headerSize);
    std::printf("free list head      %lu\n", freeList);
    std::printf("next ID             %lu\n", nextID);
    std::printf("index handle        %lu\n", indexHandle);
    std::printf("file size           %lu\n", fileSize);
    std::printf("blocks              %lu\n", static_cast<unsigned long>(use.blocks));
    std::printf("free blocks         %lu\n", static_cast<unsigned long>(use.freeBlocks));
    std::printf("free bytes          %lu\n", static_cast<unsigned long>(use.freeBytes));
    std::printf("pages               %lu\n", static_cast<unsigned long>(pages));
    std::printf("links               %lu\n", static_cast<unsigned long>(links));
    std::printf("other entries       %lu\n", static_cast<unsigned long>(others));
    std::printf("fragmentation index %.2f\n", frag.index);
  }
  std::fflush(stdout);
  rc = kExitOk;
  if (!use.problem.empty()) rc = failure("%s: %s", cl.args[0].c_str(), use.problem.c_str());
  if (frag.unreadable != 0) {
    rc = failure("%s: %s could not be read", cl.args[0].c_str(),
                 counted(frag.unreadable, "record", "records").c_str());
  }
  return rc;
}

}  // namespace

const Command infoCommand = {
    "info",
    "show the book file's header, space use and fragmentation",
    "tvx info [--json] BOOK",
    "Shows the book file's header fields (application signature and version,\n"
    "store signature and version, header size, free-list head, next ID, index\n"
    "handle), the file size, the number of blocks and of free blocks, the free\n"
    "bytes (the free blocks' whole size), the number of pages, links and other\n"
    "entries (such as the type page), and the fragmentation index: chain\n"
    "steps per chain opened while reading every record (1.00 when every record\n"
    "is one block). Damaged blocks are reported and give exit status 1.\n",
    {{"json", nullptr, "one JSON object instead of the table"}},
    "tvx info plants.tvx",
    cmdInfo,
};
