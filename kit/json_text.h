// Text as a JSON string literal, for the reports and descriptions programs
// read: quotes, backslashes and control characters escaped; text that is not
// valid UTF-8 (a book's texts are bytes) is taken byte for byte as Latin-1, so
// the literal is valid JSON whatever the bytes.
#ifndef KIT_JSON_TEXT_H
#define KIT_JSON_TEXT_H

#include <string>

std::string jsonString(const std::string& text);

#endif  // KIT_JSON_TEXT_H
