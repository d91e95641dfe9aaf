// What the hostile-input tests share: the books' oracle (is what a damaged book
// gave a valid subset of what the sound book held?), the integrity check's
// verdict, and files as bytes.
#ifndef TESTS_HOSTILE_HOSTILE_SUPPORT_H
#define TESTS_HOSTILE_HOSTILE_SUPPORT_H

#include <string>

#include "fuzz/whole_book_reader.h"

// "" when every entry `damaged` delivered is an entry of `original` with the
// same kind, header and facet bytes, a body, attribute list, link record and
// link list that held only what the original held; else what differs first.
// Entries, facets, attributes, link ends and list entries may be missing.
std::string subsetViolation(const BookImage& original, const BookImage& damaged);

// True when both images hold the same entries with the same contents.
bool sameBook(const BookImage& a, const BookImage& b);

// The integrity check's verdict on a file: "" when it finds the book sound,
// minor problems included, otherwise its first problem.
std::string checkBookFile(const std::string& path);


// The bytes of a file, and a file made of bytes.
std::string fileBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

#endif  // TESTS_HOSTILE_HOSTILE_SUPPORT_H
