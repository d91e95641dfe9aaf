// map_text_check.h: whether a text is a whole map text, as a page body must
// be. The text is read by a map text reader whose handlers accept every record
// (nothing is built), and must end where the map text ends: anything after it
// is refused too, since the page would silently keep it as part of its body.
#ifndef TOOLS_TVX_MAP_TEXT_CHECK_H
#define TOOLS_TVX_MAP_TEXT_CHECK_H

#include <string>

// True when `text` parses; otherwise false with the parser's error text in `why`.
bool mapTextParses(const std::string& text, std::string* why);

#endif  // TOOLS_TVX_MAP_TEXT_CHECK_H
