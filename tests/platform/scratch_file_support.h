// Scratch files for the descriptor stream tests: a fresh path in the temporary
// folder, the bytes a file holds on disk, and a file made to hold given bytes.
#ifndef TESTS_PLATFORM_SCRATCH_FILE_SUPPORT_H
#define TESTS_PLATFORM_SCRATCH_FILE_SUPPORT_H

#include <string>

// A path named `name` in the temporary folder, with no file there.
std::string scratchPath(const char* name);
// Everything the file at `path` holds, read through a descriptor of its own.
std::string fileContents(const std::string& path);
// Makes the file at `path` hold exactly `bytes` (a test failure when it cannot).
void writeBytes(const std::string& path, const std::string& bytes);

#endif  // TESTS_PLATFORM_SCRATCH_FILE_SUPPORT_H
