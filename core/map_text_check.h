// Whether a text is map text, without building anything from it: the text is
// read by a map text reader whose handlers accept every record. The book's
// integrity check asks it of every page body it finds; "tvx put" asks for a
// whole map text, which must also end where the map text ends, since a page
// would silently keep anything after it as part of its body.
#ifndef CORE_MAP_TEXT_CHECK_H
#define CORE_MAP_TEXT_CHECK_H

#include <string>

class MapTextCheck {
 public:
  // True when `text` reads as map text up to the end of its body; otherwise
  // false with the parser's error text in `why`.
  static bool parses(const std::string& text, std::string* why);
  // The same, and nothing but layout may follow the body.
  static bool parsesWhole(const std::string& text, std::string* why);
};

#endif  // CORE_MAP_TEXT_CHECK_H
