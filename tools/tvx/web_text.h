// web_text.h: a book's texts made safe for the web files tvx writes. A book's
// texts are bytes: text that is valid UTF-8 is kept, other text is read byte
// for byte as Latin-1 (as the JSON descriptions read it), and control
// characters other than tab and line feed are dropped, so that every file is
// valid UTF-8 and valid markup whatever the book holds. Web addresses are
// checked before anything links to them: only http:, https: and mailto: are
// let through.
#ifndef TOOLS_TVX_WEB_TEXT_H
#define TOOLS_TVX_WEB_TEXT_H

#include <cstddef>
#include <string>

// The longest text taken from one of the book's texts into a web file; longer
// text is cut at a character boundary.
const std::size_t kMaxWebText = 64 * 1024;

// `bytes` as UTF-8 without control characters, at most `limit` bytes.
std::string webText(const std::string& bytes, std::size_t limit = kMaxWebText);

// Text for HTML and SVG: webText with &, <, >, " and ' written as references.
std::string htmlEscape(const std::string& bytes, std::size_t limit = kMaxWebText);

// True when `url` may be linked to: it starts with "http:", "https:" or
// "mailto:" (in any case), has something after the scheme, is at most 2048
// bytes, and holds no blank, control character or byte above 0x7E.
bool isSafeWebAddress(const std::string& url);

// The web address a page's "URL" attribute holds, as a symbol opens it
// (NodeGNodeRO::addressOf): the text after its two-character prefix, or the
// whole text when it already begins with a scheme ("tvx attr" and the example
// book write plain addresses).
std::string addressOfUrlAttribute(const std::string& value);

// Text for a Markdown paragraph: webText with the characters Markdown gives a
// meaning to escaped by a backslash.
std::string markdownEscape(const std::string& bytes);

#endif  // TOOLS_TVX_WEB_TEXT_H
