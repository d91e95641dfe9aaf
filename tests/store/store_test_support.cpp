// Scratch folders, byte access and an independent reading of the block list.
#include "store_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

StoreScratch::StoreScratch() {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") +
                        "/store-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a scratch folder from " << pattern;
  }
  path_ = buffer.data();
}

StoreScratch::~StoreScratch() {
  const std::string command = "rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", path_.c_str());
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint32_t le32(const std::string& bytes, std::size_t offset) {
  if (offset + 4 > bytes.size()) {
    ADD_FAILURE() << "4 bytes at " << offset << " lie beyond the " << bytes.size() << " bytes";
    return 0;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t le16(const std::string& bytes, std::size_t offset) {
  if (offset + 2 > bytes.size()) {
    ADD_FAILURE() << "2 bytes at " << offset << " lie beyond the " << bytes.size() << " bytes";
    return 0;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

std::string le32Bytes(uint32_t value) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return s;
}

void patch32(const std::string& path, std::size_t offset, uint32_t value) {
  std::string bytes = readBytes(path);
  ASSERT_LE(offset + 4, bytes.size()) << "patch beyond the end of " << path;
  bytes.replace(offset, 4, le32Bytes(value));
  writeBytes(path, bytes);
}

std::vector<DiskBlock> diskBlocks(const std::string& bytes) {
  std::vector<DiskBlock> blocks;
  std::size_t at = le32(bytes, 0);
  while (at < bytes.size()) {
    DiskBlock b;
    b.handle = static_cast<uint32_t>(at);
    b.size = le32(bytes, at);
    b.length = le32(bytes, at + 4);
    b.next = le32(bytes, at + 8);
    b.fourth = le32(bytes, at + 12);
    b.marks = le16(bytes, at + 16);
    if (b.size < 54 || at + b.size > bytes.size()) {
      ADD_FAILURE() << "block at " << at << " has size " << b.size << " in a file of "
                    << bytes.size() << " bytes";
      break;
    }
    EXPECT_EQ(b.size, le32(bytes, at + b.size - 4)) << "trailer of the block at " << at;
    EXPECT_LE(b.length, b.size - 22) << "length of the block at " << at;
    blocks.push_back(b);
    at += b.size;
  }
  EXPECT_EQ(at, bytes.size()) << "blocks must end exactly at the end of the file";
  return blocks;
}

std::vector<uint32_t> diskFreeList(const std::string& bytes, std::size_t freeListPos) {
  std::vector<uint32_t> list;
  std::set<uint32_t> seen;
  uint32_t previous = 0;
  for (uint32_t at = le32(bytes, freeListPos); at != 0; at = le32(bytes, at + 8)) {
    if (!seen.insert(at).second || at + 18 > bytes.size()) {
      ADD_FAILURE() << "free list revisits or leaves the file at " << at;
      break;
    }
    const uint16_t marks = le16(bytes, at + 16);
    EXPECT_TRUE(marks & 1) << "free mark of the listed block at " << at;
    EXPECT_EQ(list.empty(), (marks & 2) != 0) << "first mark of the listed block at " << at;
    EXPECT_EQ(previous, le32(bytes, at + 12)) << "prev of the listed block at " << at;
    EXPECT_EQ(0u, le32(bytes, at + 4)) << "length of the listed block at " << at;
    const uint32_t size = le32(bytes, at);
    EXPECT_EQ(std::string(size - 22, ' '), bytes.substr(at + 18, size - 22))
        << "user area of the free block at " << at;
    list.push_back(at);
    previous = at;
  }
  return list;
}

ReportCapture::ReportCapture() { ErrorHandler::setApplicationHandler(this); }

ReportCapture::~ReportCapture() { ErrorHandler::setApplicationHandler(nullptr); }

int ReportCapture::handleError(char kind, const char* text) {
  seen.emplace_back(kind, text != nullptr ? text : "");
  return 0;
}
