// Scratch files for the descriptor stream tests (see scratch_file_support.h).
#include "scratch_file_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "platform/system/system.h"

std::string scratchPath(const char* name) {
  char dir[260];
  GetTempPath(sizeof dir, dir);
  std::string path = std::string(dir) + name;
  unlink(path.c_str());
  return path;
}

std::string fileContents(const std::string& path) {
  std::string out;
  int fd = open(path.c_str(), O_RDONLY);
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  close(fd);
  return out;
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  ASSERT_EQ(bytes.size(), std::fwrite(bytes.data(), 1, bytes.size(), f));
  ASSERT_EQ(0, std::fclose(f));
}
