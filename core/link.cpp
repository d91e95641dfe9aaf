// Links in memory: the link record, saving and registering with the end pages,
// and what happens to a link when one of its pages is deleted.
#include "core/link.h"

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "core/db.h"
#include "core/nexil.h"
#include "kit/error.h"
#include "kit/error_msg_exception.h"

namespace {

// The most characters of a direction: a sign and ten digits.
const int kMaxDirectionChars = 11;

// Reads a direction: an optional sign and at most ten digits, then its NUL.
// False when no number (or no NUL after it) is there.
bool readDirection(std::istream& in, int32_t* dir) {
  std::string digits;
  bool negative = false;
  int c = in.get();
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = in.get();
  }
  while (c >= '0' && c <= '9' && static_cast<int>(digits.size()) < kMaxDirectionChars - 1) {
    digits.push_back(static_cast<char>(c));
    c = in.get();
  }
  if (digits.empty() || c != '\0') return false;
  int64_t v = 0;
  for (char d : digits) v = v * 10 + (d - '0');
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  *dir = static_cast<int32_t>(v);
  return true;
}

// Reads a reference text up to its NUL; false when none comes within the limit.
bool readRefText(std::istream& in, std::string* text) {
  text->clear();
  for (int n = 0; n <= NodeRef::MaxTextLength; ++n) {
    int c = in.get();
    if (c == std::char_traits<char>::eof()) return false;
    if (c == '\0') return true;
    text->push_back(static_cast<char>(c));
  }
  return false;
}

}  // namespace

Link::Link(DB* db, const String& type, const NodeRef& first, const NodeRef& second, Nexil& app)
    : Component(new LinkRef()), type_(type) {
  try {
    if (db == nullptr) {
      setBit(Invalid, 1);
      return;
    }
    const ULONG id = db->createLink(type);
    setRef(new LinkRef(db, id));
    addEnd(Specifier::Source, first);
    addEnd(Specifier::Destination, second);
    if (specs_[0]->ref().verify(app, nullptr) < 0) {
      setStatus(FirstEndBad);
    } else if (specs_[1]->ref().verify(app, nullptr) < 0) {
      setStatus(SecondEndBad);
    } else {
      setStatus(Good);
    }
    if (db->isReadOnly()) setReadOnly(1);
    setModified(1);
  } catch (const ErrorMsgException& e) {
    error(nullptr, 'E', "Internal error... Link::Link: uncaught exception");
    e.report(nullptr, 'E');
    setBit(Invalid, 1);
  }
}

Link::Link(const LinkRef& r, std::istream& record) : Component(new LinkRef(r)) {
  Nexil* app = appOf();
  DB* book = linkRef()->db() != nullptr ? linkRef()->db() : linkRef()->context();
  // Bounded by MaxEnds and by the record: every item consumes bytes.
  for (int position = 0;; ++position) {
    int32_t dir = 0;
    if (!readDirection(record, &dir)) break;
    std::string text;
    if (!readRefText(record, &text)) break;
    // Items are counted whether kept or skipped, so a record of many bad ends
    // is cut short as well.
    if (position >= MaxEnds) {
      const String description = linkRef()->Description();
      error(nullptr, 'E', "Link::Link: more than %d ends in link '%s'", MaxEnds,
            description.c_str());
      setBit(Invalid, 1);
      break;
    }
    NodeRef end(text.c_str(), book);
    if (app == nullptr || end.resolve(*app) == ComponentRef::Unknown) {
      const String description = linkRef()->Description();
      error(nullptr, 'E', "Link::Link: Bad noderef found in specifier %d (dir=%d) of link '%s'",
            position, static_cast<int>(dir), description.c_str());
      continue;
    }
    specs_.emplace_back(new Specifier(dir, end));
  }
  record.clear();
  if (book != nullptr && book->isReadOnly()) setReadOnly(1);
}

Link::~Link() = default;

Nexil* Link::appOf() const {
  if (linkRef() == nullptr) return nullptr;
  if (linkRef()->db() != nullptr) return &linkRef()->db()->app();
  if (linkRef()->context() != nullptr) return &linkRef()->context()->app();
  return nullptr;
}

void Link::addEnd(int32_t dir, const NodeRef& ref) {
  NodeRef end(ref);
  // The end is written relative to the link's book.
  end.context(linkRef()->db());
  specs_.emplace_back(new Specifier(dir, end));
}

void Link::printOn(std::ostream& out, Nexil& app) {
  for (auto& s : specs_) {
    const String text = s->ref().makeString(app, true);
    if (text.length() > static_cast<std::size_t>(NodeRef::MaxTextLength)) {
      const String description = linkRef()->Description();
      error(nullptr, 'E', "Link::printOn: page reference too long in link '%s'",
            description.c_str());
      continue;
    }
    out << s->dir();
    out.put('\0');
    out.write(text.c_str(), static_cast<std::streamsize>(text.length()));
    out.put('\0');
  }
}

int Link::save(Nexil& app, int force) {
  if (!force && !isModified()) return 1;
  if (readOnly()) {
    const String description = linkRef()->Description();
    error(nullptr, 'W', "Cannot save link %s: Link is read only", description.c_str());
    return -1;
  }
  const int rc = linkRef()->saveLink(*this, app);
  if (rc == 0) {
    setModified(0);
    setBit(Saved, 1);
    registerAll(app);
  }
  return rc;
}

int Link::destroy(Nexil& app) {
  const int rc = linkRef()->deleteLink(app);
  for (auto& s : specs_) s->ref().deleteLink(nullptr, *linkRef(), app);
  return rc;
}

bool Link::operator==(const Link& other) const { return isEqualType(other) && isEqualRef(other); }

bool Link::isEqualType(const Link& other) const { return type_.isEqual(other.type_); }

bool Link::isEqualRef(const Link& other) const {
  if (specs_.size() != other.specs_.size()) return false;
  for (const auto& mine : specs_) {
    bool found = false;
    for (const auto& theirs : other.specs_) {
      if (*mine == *theirs) {
        found = true;
        break;
      }
    }
    if (!found) return false;
  }
  return true;
}

const String& Link::type(const String* t) {
  if (t != nullptr) {
    type_ = *t;
    linkRef()->rename(nullptr, t, nullptr);
  }
  return type_;
}

const String& Link::type() {
  if (type_.length() == 0 && linkRef()->db() != nullptr) {
    String stored;
    if (linkRef()->db()->lookupName_Type_Flags(linkRef()->uid(), nullptr, &stored, nullptr) == 0)
      type_ = stored;
  }
  return type_;
}

int Link::verify(Nexil& app) {
  String stored;
  const int rc = linkRef()->verify(app, &stored);
  if (rc >= 0 && type_.length() == 0) {
    type_ = stored;  // not loaded yet: nothing to differ from
  } else if (rc >= 0 && !stored.isEqual(type_)) {
    type_ = stored;
    return -16;
  }
  return rc < 0 ? 1 : 0;
}

int Link::addSpecifier(const Specifier& s, Nexil& app) {
  addEnd(s.dir(), s.ref());
  const int rc = save(app, 1);
  if (rc == 0) registerSpec(*specs_.back(), app);
  return rc;
}

int Link::removeSpecifier(const Specifier& s, Nexil& app) {
  for (std::size_t i = 0; i < specs_.size(); ++i) {
    if (!(*specs_[i] == s)) continue;
    std::unique_ptr<Specifier> gone = std::move(specs_[i]);
    specs_.erase(specs_.begin() + static_cast<std::ptrdiff_t>(i));
    const int rc = save(app, 1);
    if (rc == 0) unregisterSpec(*gone, app);
    return rc;
  }
  return -1;
}

int Link::registerSpec(Specifier& s, Nexil& app) {
  return s.ref().saveLink(nullptr, *linkRef(), app);
}

int Link::unregisterSpec(Specifier& s, Nexil& app) {
  return s.ref().deleteLink(nullptr, *linkRef(), app);
}

int Link::registerAll(Nexil& app) {
  int rc = 0;
  for (auto& s : specs_) rc |= registerSpec(*s, app);
  return rc;
}

int Link::unregisterAll(Nexil& app) {
  int rc = 0;
  for (auto& s : specs_) rc |= unregisterSpec(*s, app);
  return rc;
}

void Link::notifyKilledRef(ULONG uid, Nexil& app) {
  std::size_t named = 0;
  for (const auto& s : specs_) {
    if (s->ref().uid() == uid) ++named;
  }
  if (named == 0) {
    error(nullptr, 'E', "Link::notifyKilledRef: Could not find uid %lu",
          static_cast<unsigned long>(uid));
    return;
  }
  // A link needs two ends. Every end on the deleted page goes (a page may be an
  // end twice), so no end is left pointing at a page that no longer exists.
  if (specs_.size() - named < 2) {
    destroy(app);
    return;
  }
  // Bounded by the ends present: each pass removes one, or stops.
  for (std::size_t i = 0; i < specs_.size();) {
    if (specs_[i]->ref().uid() != uid) {
      ++i;
      continue;
    }
    const Specifier end(*specs_[i]);
    if (removeSpecifier(end, app) != 0) break;
  }
}

int Link::iterate(int (*fn)(Specifier&, void*), void* data) {
  if (fn == nullptr) return 0;
  for (auto& s : specs_) {
    const int rc = fn(*s, data);
    if (rc != 0) return rc;
  }
  return 0;
}
