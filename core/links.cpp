// A page's set of links: reading and writing its link list.
#include "core/links.h"

#include <istream>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include "core/db.h"
#include "core/nexil.h"
#include "kit/error.h"

const std::size_t Links::MaxEntries;
const std::size_t Links::InitialRoom;

Links::Links() { refs_.reserve(InitialRoom); }

Links::Links(std::istream* s, DB* context) : Links() { read(s, context); }

Links::~Links() = default;

bool Links::add(const LinkRef& ref) {
  for (const auto& r : refs_) {
    if (*r == ref) return false;
  }
  refs_.emplace_back(new LinkRef(ref));
  return true;
}

int Links::remove(const LinkRef& ref) {
  int removed = 0;
  for (std::size_t i = 0; i < refs_.size();) {
    if (*refs_[i] == ref) {
      refs_.erase(refs_.begin() + static_cast<std::ptrdiff_t>(i));
      ++removed;
    } else {
      ++i;
    }
  }
  return removed;
}

int Links::read(std::istream* s, DB* context) {
  if (s == nullptr) return 0;
  int added = 0;
  // Entries kept so far, by book and ID: every kept entry is resolved and has
  // an ID, and two such references are equal exactly when both match.
  std::set<std::pair<const DB*, ULONG>> seen;
  for (const auto& r : refs_) seen.insert(std::make_pair(r->db(), r->uid()));
  std::size_t entries = 0;
  std::string text;
  // Bounded by the stream: every pass consumes at least one byte or stops.
  while (s->good()) {
    int c = s->get();
    if (c == std::char_traits<char>::eof() || c == Terminator) break;
    if (entries >= MaxEntries) {
      error(nullptr, 'E', "Internal error... Links::read: more than %lu links listed, the rest is ignored",
            static_cast<unsigned long>(MaxEntries));
      break;
    }
    ++entries;
    text.clear();
    bool tooLong = false;
    bool ended = false;
    while (c != std::char_traits<char>::eof()) {
      if (c == '\0') {
        ended = true;
        break;
      }
      if (text.size() < static_cast<std::size_t>(MaxTextLength)) {
        text.push_back(static_cast<char>(c));
      } else {
        tooLong = true;  // skipped up to its NUL, then dropped
      }
      c = s->get();
    }
    if (!ended) break;  // a text cut off by the end of the list is no entry
    LinkRef ref(text.c_str(), context);
    bool good = !tooLong && context != nullptr;
    if (good) {
      ref.resolve(context->app());
      good = ref.locality() == ComponentRef::Local && ref.uid() != ComponentRef::NoUID;
    }
    if (!good) {
      error(nullptr, 'E', "Internal error... Links::read: bad LinkRef found on stream");
      continue;
    }
    if (!seen.insert(std::make_pair(ref.db(), ref.uid())).second) continue;
    refs_.emplace_back(new LinkRef(ref));
    ++added;
  }
  s->clear();
  return added;
}

int Links::save(std::ostream* s, Nexil& app) {
  if (s == nullptr) return 0;
  int written = 0;
  for (auto& r : refs_) {
    const String text = r->makeString(app, true);
    if (text.length() > static_cast<std::size_t>(MaxTextLength)) {
      // It could not be read back; leave it out rather than write it cut.
      error(nullptr, 'E', "Internal error... Links::save: link reference too long: '%.40s'",
            text.c_str());
      continue;
    }
    s->write(text.c_str(), static_cast<std::streamsize>(text.length()));
    s->put('\0');
    ++written;
  }
  s->put(static_cast<char>(Terminator));
  return written;
}
