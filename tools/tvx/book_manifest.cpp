// The manifest of an exported book: writing and reading its text, and the byte
// forms of the book's entry headers, link lists, link records and attribute
// lists (see book_manifest.h).
#include "tools/tvx/book_manifest.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "core/attr_translator.h"
#include "core/attr_value_list.h"

const char BookManifest::FileName[] = "book.manifest";

namespace {

const std::size_t MaxRefText = 787;

bool parseUlong(const std::string& word, ULONG* out) {
  if (word.empty() || word.size() > 10 || word.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long long v = std::strtoull(word.c_str(), nullptr, 10);
  if (v > 0xFFFFFFFFull) return false;
  *out = static_cast<ULONG>(v);
  return true;
}

bool parseLong(const std::string& word, LONG* out) {
  std::string digits = word;
  bool negative = false;
  if (!digits.empty() && digits[0] == '-') {
    negative = true;
    digits = digits.substr(1);
  }
  ULONG v = 0;
  if (!parseUlong(digits, &v)) return false;
  const long long s = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
  if (s < INT32_MIN || s > INT32_MAX) return false;
  *out = static_cast<LONG>(s);
  return true;
}

// One manifest line split into words; quoted words are unescaped. Returns false
// with a reason for a malformed line.
struct Word {
  std::string text;
  bool quoted = false;
};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool splitLine(const std::string& line, std::vector<Word>* words, std::string* why) {
  std::size_t i = 0;
  // Bounded by the line's length: every step consumes at least one character.
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') break;
    Word w;
    if (c == '"') {
      w.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d != '\\') {
          w.text += d;
          continue;
        }
        if (i >= line.size()) break;
        d = line[i++];
        switch (d) {
          case 'n': w.text += '\n'; break;
          case 'r': w.text += '\r'; break;
          case 't': w.text += '\t'; break;
          case '"': w.text += '"'; break;
          case '\\': w.text += '\\'; break;
          case 'x': {
            if (i + 2 > line.size() || hexValue(line[i]) < 0 || hexValue(line[i + 1]) < 0) {
              *why = "bad \\x escape";
              return false;
            }
            w.text += static_cast<char>(hexValue(line[i]) * 16 + hexValue(line[i + 1]));
            i += 2;
            break;
          }
          default:
            *why = std::string("unknown escape \\") + d;
            return false;
        }
      }
      if (!closed) {
        *why = "unterminated quoted text";
        return false;
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '"')
        w.text += line[i++];
    }
    words->push_back(w);
  }
  return true;
}

bool isEntryKeyword(const std::string& key) {
  static const char* const keys[] = {"kind", "name", "type",     "flags", "body",
                                     "attr", "end",  "linklist", "raw"};
  for (const char* k : keys)
    if (key == k) return true;
  return false;
}

}  // namespace

std::string BookManifest::quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string BookManifest::write() const {
  std::ostringstream o;
  o << "tvx-book " << FormatVersion << "\n";
  o << "signature " << quote(signature) << "\n";
  o << "version " << version << "\n";
  o << "next-id " << nextId << "\n";
  for (const ManifestEntry& e : entries)
    if ((e.kind & 9) == 9 && !e.isLink) {
      o << "home " << e.id << "\n";
      break;
    }
  for (const ManifestEntry& e : entries)
    if ((e.kind & 4) && !e.isLink) {
      o << "types " << e.id << "\n";
      break;
    }
  for (const ManifestEntry& e : entries) {
    o << "\n" << (e.isLink ? "link " : "page ") << e.id << "\n";
    o << "  kind " << e.kind << "\n";
    if (e.hasHeader) {
      if (!e.isLink || !e.name.empty()) o << "  name " << quote(e.name) << "\n";
      o << "  type " << quote(e.type) << "\n";
      o << "  flags " << e.flags << "\n";
    }
    if (e.hasBody) o << "  body " << quote(e.bodyFile) << "\n";
    if (e.hasRecord)
      for (const auto& end : e.ends) o << "  end " << end.first << " " << quote(end.second) << "\n";
    if (e.hasLinkList) {
      o << "  linklist";
      for (const std::string& r : e.linkList) o << " " << quote(r);
      o << "\n";
    }
    if (e.hasAttrs)
      for (const ManifestAttr& a : e.attrs)
        o << "  attr " << quote(a.name) << " " << (a.hasValue ? quote(a.value) : "-") << "\n";
    for (const auto& r : e.raw) o << "  raw " << r.first << " " << quote(r.second) << "\n";
  }
  return o.str();
}

bool BookManifest::parse(const std::string& text, std::string* error) {
  entries.clear();
  std::set<ULONG> ids;
  ULONG home = 0, types = 0;
  bool hasHome = false, hasTypes = false, sawFormat = false;
  std::map<ULONG, ULONG> explicitKind;
  std::size_t lineNo = 0, at = 0;
  auto fail = [&](const std::string& what) {
    *error = "line " + std::to_string(lineNo) + ": " + what;
    return false;
  };
  if (text.size() > MaxManifestSize) {
    *error = "manifest is larger than " + std::to_string(MaxManifestSize) + " bytes";
    return false;
  }
  // Bounded by the text's length: each pass consumes one line.
  while (at < text.size()) {
    std::size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    const std::string line = text.substr(at, nl - at);
    at = nl + 1;
    ++lineNo;
    std::vector<Word> w;
    std::string why;
    if (!splitLine(line, &w, &why)) return fail(why);
    if (w.empty()) continue;
    const std::string& key = w[0].text;
    auto wantCount = [&](std::size_t n) { return w.size() == n; };
    if (!sawFormat) {
      ULONG v = 0;
      if (key != "tvx-book" || !wantCount(2) || !parseUlong(w[1].text, &v))
        return fail("the manifest must start with \"tvx-book 1\"");
      if (v != FormatVersion) return fail("manifest format " + w[1].text + " is not known");
      sawFormat = true;
      continue;
    }
    ManifestEntry* e = entries.empty() ? nullptr : &entries.back();
    if (key == "signature") {
      if (!wantCount(2) || w[1].text.size() > 78) return fail("signature needs one text");
      signature = w[1].text;
    } else if (key == "version" || key == "next-id" || key == "home" || key == "types") {
      ULONG v = 0;
      if (!wantCount(2) || !parseUlong(w[1].text, &v)) return fail(key + " needs one number");
      if (key == "version") version = v;
      if (key == "next-id") nextId = v;
      if (key == "home") hasHome = true, home = v;
      if (key == "types") hasTypes = true, types = v;
    } else if (key == "page" || key == "link") {
      ULONG id = 0;
      if (!wantCount(2) || !parseUlong(w[1].text, &id)) return fail(key + " needs an ID");
      if (!ids.insert(id).second) return fail("ID " + w[1].text + " is given twice");
      if (entries.size() >= MaxEntries) return fail("too many entries");
      ManifestEntry ne;
      ne.id = id;
      ne.isLink = key == "link";
      ne.kind = ne.isLink ? 2 : 1;
      entries.push_back(ne);
    } else if (!isEntryKeyword(key)) {
      return fail("unknown keyword \"" + key + "\"");
    } else if (!e) {
      return fail("\"" + key + "\" before the first page or link");
    } else if (key == "kind") {
      if (!wantCount(2) || !parseUlong(w[1].text, &e->kind)) return fail("kind needs one number");
      explicitKind[e->id] = e->kind;
    } else if (key == "name" || key == "type") {
      if (!wantCount(2) || !w[1].quoted) return fail(key + " needs one quoted text");
      if (w[1].text.size() > 256) return fail(key + " is longer than 256 characters");
      if (w[1].text.find('\0') != std::string::npos) return fail(key + " holds a NUL");
      (key == "name" ? e->name : e->type) = w[1].text;
      e->hasHeader = true;
    } else if (key == "flags") {
      if (!wantCount(2) || !parseUlong(w[1].text, &e->flags)) return fail("flags needs one number");
      e->hasHeader = true;
    } else if (key == "body") {
      if (!wantCount(2) || !w[1].quoted || e->isLink) return fail("body needs one quoted file name on a page");
      e->hasBody = true;
      e->bodyFile = w[1].text;
    } else if (key == "attr") {
      if (!wantCount(3) || !w[1].quoted || (!w[2].quoted && w[2].text != "-"))
        return fail("attr needs a quoted name and a quoted value or -");
      ManifestAttr a;
      a.name = w[1].text;
      a.hasValue = w[2].quoted;
      a.value = w[2].text;
      e->attrs.push_back(a);
      e->hasAttrs = true;
    } else if (key == "linklist") {
      if (e->hasLinkList || e->isLink) return fail("one linklist line per page");
      e->hasLinkList = true;
      for (std::size_t i = 1; i < w.size(); ++i) {
        if (!w[i].quoted || w[i].text.size() > 561 || w[i].text.find('\0') != std::string::npos ||
            (!w[i].text.empty() && static_cast<unsigned char>(w[i].text[0]) == 0xFF))
          return fail("linklist needs quoted link references");
        e->linkList.push_back(w[i].text);
      }
    } else if (key == "end") {
      LONG dir = 0;
      if (!wantCount(3) || !parseLong(w[1].text, &dir) || !w[2].quoted || !e->isLink ||
          w[2].text.size() > MaxRefText || w[2].text.find('\0') != std::string::npos)
        return fail("end needs a direction and a quoted page reference on a link");
      e->ends.emplace_back(dir, w[2].text);
      e->hasRecord = true;
    } else if (key == "raw") {
      ULONG f = 0;
      if (!wantCount(3) || !parseUlong(w[1].text, &f) || f > 5 || !w[2].quoted)
        return fail("raw needs a facet (0 to 5) and a quoted file name");
      if (e->raw.count(static_cast<int>(f))) return fail("raw facet " + w[1].text + " given twice");
      e->raw[static_cast<int>(f)] = w[2].text;
    } else {
      return fail("unknown keyword \"" + key + "\"");
    }
  }
  if (!sawFormat) {
    *error = "the manifest is empty";
    return false;
  }
  for (ManifestEntry& e : entries) {
    if (hasHome && e.id == home && !explicitKind.count(e.id)) e.kind |= 9;
    if (hasTypes && e.id == types && !explicitKind.count(e.id)) e.kind = (e.kind & ~1u) | 4;
  }
  if (hasHome && !ids.count(home)) return (*error = "home names ID " + std::to_string(home) +
                                                    ", which is not in the manifest"), false;
  return true;
}

std::string BookManifest::encodeHeader(const std::string& name, const std::string& type,
                                       ULONG flags) {
  std::string out = name;
  out += '\0';
  out += type;
  out += '\0';
  out += std::to_string(flags);
  return out;
}

bool BookManifest::decodeHeader(const std::string& bytes, std::string* name, std::string* type,
                                ULONG* flags) {
  const std::size_t n1 = bytes.find('\0');
  if (n1 == std::string::npos) return false;
  const std::size_t n2 = bytes.find('\0', n1 + 1);
  if (n2 == std::string::npos) return false;
  if (!parseUlong(bytes.substr(n2 + 1), flags)) return false;
  *name = bytes.substr(0, n1);
  *type = bytes.substr(n1 + 1, n2 - n1 - 1);
  // Only the exact form the book writes (no leading zeros) counts.
  return encodeHeader(*name, *type, *flags) == bytes;
}

std::string BookManifest::encodeLinkList(const std::vector<std::string>& refs) {
  std::string out;
  for (const std::string& r : refs) {
    out += r;
    out += '\0';
  }
  out += static_cast<char>(0xFF);
  return out;
}

bool BookManifest::decodeLinkList(const std::string& bytes, std::vector<std::string>* refs) {
  refs->clear();
  std::size_t at = 0;
  // Bounded by the bytes: each entry consumes at least its NUL.
  while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) != 0xFF) {
    const std::size_t nul = bytes.find('\0', at);
    if (nul == std::string::npos) return false;
    refs->push_back(bytes.substr(at, nul - at));
    at = nul + 1;
  }
  return encodeLinkList(*refs) == bytes;
}

std::string BookManifest::encodeRecord(const std::vector<std::pair<LONG, std::string>>& ends) {
  std::string out;
  for (const auto& e : ends) {
    out += std::to_string(e.first);
    out += '\0';
    out += e.second;
    out += '\0';
  }
  return out;
}

bool BookManifest::decodeRecord(const std::string& bytes,
                                std::vector<std::pair<LONG, std::string>>* ends) {
  ends->clear();
  std::size_t at = 0;
  // Bounded by the bytes: each end consumes at least two NULs.
  while (at < bytes.size()) {
    const std::size_t n1 = bytes.find('\0', at);
    if (n1 == std::string::npos) return false;
    LONG dir = 0;
    if (!parseLong(bytes.substr(at, n1 - at), &dir)) return false;
    const std::size_t n2 = bytes.find('\0', n1 + 1);
    if (n2 == std::string::npos) return false;
    ends->emplace_back(dir, bytes.substr(n1 + 1, n2 - n1 - 1));
    at = n2 + 1;
  }
  return !ends->empty() && encodeRecord(*ends) == bytes;
}

std::string BookManifest::encodeAttrs(const std::vector<ManifestAttr>& attrs) {
  // The list writes in list order and adding puts a pair at the front, so the
  // pairs go in backwards to come out in stored order.
  AttrValueList list;
  for (auto it = attrs.rbegin(); it != attrs.rend(); ++it)
    list.add(it->name.c_str(), it->hasValue ? it->value.c_str() : nullptr);
  std::ostringstream out;
  AttrTranslator::write(&out, list);
  return out.str();
}

bool BookManifest::decodeAttrs(const std::string& bytes, std::vector<ManifestAttr>* attrs) {
  attrs->clear();
  std::stringstream in(bytes);
  AttrValueList list;
  AttrTranslator reader(&in, list);
  if (reader.read() < 0) return false;
  // Reading adds each pair at the front: the list holds them backwards.
  for (const AttrValue* v = list.first(); v; v = AttrValueList::next(v)) {
    ManifestAttr a;
    a.name = v->name().c_str();
    a.hasValue = v->value() != nullptr;
    if (a.hasValue) a.value = v->value()->c_str();
    attrs->insert(attrs->begin(), a);
  }
  return encodeAttrs(*attrs) == bytes;
}
