// Block: one block's user bytes read and written in place, its creation (filled
// with spaces) and its physical neighbours.
#include "store/block.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "kit/error.h"
#include "store/low_level_file_header.h"
#include "store/low_level_store.h"

// Pieces of bounded size, so that no allocation grows with `count`.
void Block::fillWithSpaces(LowLevelStore* store, ULONG pos, ULONG count) {
  static const std::string spaces(4096, ' ');
  store->seekp(pos);
  while (count > 0) {
    const ULONG piece = std::min<ULONG>(count, static_cast<ULONG>(spaces.size()));
    store->write(spaces.data(), static_cast<int>(piece));
    count -= piece;
  }
}

Block::Block(LowLevelStore* store, ULONG handle) : store_(store), handle_(handle) {
  header_.read(store, handle);
}

Block::Block(LowLevelStore* store, ULONG handle, ULONG size, ULONG extensionSize)
    : store_(store), handle_(handle) {
  fillWithSpaces(store, handle, size);
  header_.setSize(size);
  header_.setLength(0);
  header_.setNext(0);
  header_.setPrev(0);
  header_.setExtensionSize(extensionSize);
  header_.setFirstMark(true);
  header_.setFreeMark(false);
  header_.write(store, handle);
}

int Block::read(char* buffer, int n) {
  if (n <= 0 || readPos_ >= header_.length()) return 0;
  const ULONG count = std::min<ULONG>(static_cast<ULONG>(n), header_.length() - readPos_);
  store_->seekg(handle_ + BlockHeader::FootPrintSize + readPos_);
  store_->read(buffer, static_cast<int>(count));
  readPos_ += count;
  return static_cast<int>(count);
}

int Block::write(const char* buffer, int n) {
  const ULONG capacity = getUserSize();
  if (n <= 0 || writePos_ >= capacity) return 0;
  const ULONG count = std::min<ULONG>(static_cast<ULONG>(n), capacity - writePos_);
  store_->seekp(handle_ + BlockHeader::FootPrintSize + writePos_);
  store_->write(buffer, static_cast<int>(count));
  writePos_ += count;
  if (writePos_ > header_.length()) header_.updateLength(writePos_, store_, handle_);
  return static_cast<int>(count);
}

unsigned char Block::operator[](ULONG i) {
  if (i >= header_.length()) return 0xFF;
  char c = 0;
  store_->seekg(handle_ + BlockHeader::FootPrintSize + i);
  store_->read(&c, 1);
  return static_cast<unsigned char>(c);
}

ULONG Block::computeSizeFromUserSize(ULONG userSize) {
  const uint64_t size =
      static_cast<uint64_t>(std::max(userSize, BlockHeader::MinUserSize)) + BlockHeader::OverheadSize;
  return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<ULONG>(size);
}

void Block::classInvarient(const char* file, int line) const {
  const BlockHeader& h = header_;
  const bool sound = h.size() >= BlockHeader::OverheadSize && h.length() <= h.userSize() &&
                     readPos_ <= h.userSize() && writePos_ <= h.userSize() &&
                     handle_ >= BlockHeader::FootPrintSize;
  if (!sound) {
    error(nullptr, 'E', "Internal error: inconsistent Block at %u (%s line %d)",
          static_cast<unsigned>(handle_), file != nullptr ? file : "?", line);
  }
}

void Block::writeHeader() { header_.write(store_, handle_); }

std::unique_ptr<Block> Block::getPredecessorBlock() {
  std::unique_ptr<Block> predecessor;
  if (handle_ > store_->header()->size()) {
    try {
      ULONG back = 0;
      store_->seekg(handle_ - BlockHeader::TrailerSize);
      store_->read(&back);
      // A trailer larger than the distance to the header would lead into it:
      // handle 0 makes lowLevelLookup refuse it as such.
      const ULONG at = back <= handle_ ? handle_ - back : 0;
      predecessor = store_->lowLevelLookup(at);
      // The predecessor must end exactly where this block starts.
      if (static_cast<uint64_t>(predecessor->handle()) + predecessor->header().size() != handle_) {
        throw LowLevelStore::BadBlockException("Predecessor block does not end at this block");
      }
    } catch (const LowLevelStore::StoreException&) {
      error(nullptr, 'E', "Block::getPredecessorBlock: found bad predecessor block");
      store_->clear();
      throw;
    }
  }
  store_->clear();
  return predecessor;
}

std::unique_ptr<Block> Block::getSuccessorBlock() {
  std::unique_ptr<Block> successor;
  const uint64_t at = static_cast<uint64_t>(handle_) + header_.size();
  // Nothing follows the last block of the file (asked without reading past the
  // end, which would fail only to be caught here).
  if (at < LowLevelStore::MaxFileSize && at < store_->fileSize()) {
    try {
      successor = store_->lowLevelLookup(static_cast<ULONG>(at));
    } catch (const LowLevelStore::StoreException&) {
      successor.reset();
    }
  }
  store_->clear();
  return successor;
}
