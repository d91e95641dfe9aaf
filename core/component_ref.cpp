// Component references: parsing, resolving, comparing and forwarding to the book.
#include "core/component_ref.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "core/nexil.h"
#include "kit/error.h"

namespace {

enum SegmentEnd { EndOfText, EndNetwork, EndDatabase };

// Reads one segment of a reference from `*p`: the characters up to "#@", "#$" or
// the end of the text, keeping at most 256 of them, and moves `*p` past the
// delimiter. Bounded by the length of the text.
SegmentEnd readSegment(const char** p, std::string* out) {
  out->clear();
  const char* s = *p;
  while (*s != '\0') {
    if (s[0] == ComponentRef::DelimNN1 && s[1] == ComponentRef::DelimNN2) {
      *p = s + 2;
      return EndNetwork;
    }
    if (s[0] == ComponentRef::DelimDB1 && s[1] == ComponentRef::DelimDB2) {
      *p = s + 2;
      return EndDatabase;
    }
    if (out->size() < static_cast<std::size_t>(ComponentRef::MaxPart)) out->push_back(*s);
    ++s;
  }
  *p = s;
  return EndOfText;
}

bool isLocalNet(const String& net) {
  return net.length() == 0 || std::strcmp(net.c_str(), "UNDEFINED") == 0;
}

}  // namespace

ComponentRef::ComponentRef() { init(); }

ComponentRef::ComponentRef(const ComponentRef& other)
    : locality_(other.locality_),
      db_(other.db_),
      context_(other.context_),
      dbName_(other.dbName_),
      name_(other.name_),
      uid_(other.uid_) {}

ComponentRef& ComponentRef::operator=(const ComponentRef& other) {
  if (this == &other) return *this;
  locality_ = other.locality_;
  db_ = other.db_;
  context_ = other.context_;
  dbName_ = other.dbName_;
  name_ = other.name_;
  uid_ = other.uid_;
  return *this;
}

ComponentRef::~ComponentRef() = default;

void ComponentRef::classInvarient(const char*, int) const {}

void ComponentRef::init() {
  locality_ = Unknown;
  db_.ref(nullptr);
  context_.ref(nullptr);
  dbName_ = "";
  name_ = "";
  uid_ = NoUID;
}

const String& ComponentRef::nnode() const {
  static const String empty("");
  return empty;
}

void ComponentRef::db(DB* d) {
  db_.ref(d);
  locality_ = (d != nullptr && d->isLocal()) ? Local : Remote;
}

void ComponentRef::dbName(const String& name) {
  dbName_ = name;
  db_.ref(nullptr);
}

void ComponentRef::dbName(const String& net, const String& db) {
  dbName(net + String("#@") + db);
}

void ComponentRef::parse(const char* text) {
  if (text == nullptr) text = "";
  const char* p = text;
  std::string segment;
  std::string entry;
  SegmentEnd end = readSegment(&p, &segment);
  SegmentEnd entryEnd = EndOfText;
  if (end == EndNetwork) {
    const std::string net = segment;
    const char* rest = p;
    std::string db;
    if (readSegment(&p, &db) != EndDatabase) {
      error(nullptr, 'W',
            "ComponentRef::parse: Malformed node reference; network spec must be accompanied "
            "by Database name: '%s'",
            rest);
      return;
    }
    dbName(String(net.c_str()), String(db.c_str()));
    entryEnd = readSegment(&p, &entry);
  } else if (end == EndDatabase) {
    dbName(String(segment.c_str()));
    entryEnd = readSegment(&p, &entry);
  } else {
    dbName(String("<this>"));
    entry = segment;
  }
  if (entryEnd != EndOfText) {
    // The entry part must run to the end of the text.
    error(nullptr, 'E', "ComponentRef::parse: Malformed node reference '%s'", p - 2);
    return;
  }
  uid_ = NoUID;
  const char* e = entry.c_str();
  if (*e < '0' || *e > '9') {
    if (*e == ':') ++e;
    name_ = e;
    return;
  }
  ULONG value = 0;
  const char* d = e;
  while (*d >= '0' && *d <= '9') {
    value = value * 10u + static_cast<ULONG>(*d - '0');
    ++d;
  }
  if (*d == '\0') {
    uid_ = value;
    name_ = "";
  } else if (*d == ':') {
    uid_ = value;
    name_ = d[1] != '\0' ? d + 1 : "?";
  } else {
    name_ = e;
  }
}

int ComponentRef::resolve(Nexil& app) {
  if (db() != nullptr) return locality_;
  const std::string text = dbName_.c_str();
  try {
    DBRef found;
    int rc = 0;
    const std::size_t at = text.find("#@");
    if (at != std::string::npos) {
      const std::string net = text.substr(0, at);
      const std::string book = text.substr(at + 2);
      rc = app.getDB(found, net.c_str(), book.c_str(), 2, 0x20);
    } else if (text.empty() || text == "<this>") {
      if (context() == nullptr) {
        locality_ = Unknown;
        return locality_;
      }
      found.ref(context());
      dbName_ = context()->bookName();
    } else {
      rc = app.getDB(found, "", text.c_str(), 2, 0x20);
    }
    if (rc != 0 || found.db() == nullptr) {
      locality_ = Unknown;
      return locality_;
    }
    db(found.db());
  } catch (...) {
    locality_ = Unknown;
  }
  return locality_;
}

bool ComponentRef::operator==(const ComponentRef& other) const {
  if (locality_ == Unknown) return other.locality_ == Unknown;
  if (locality_ != Remote && locality_ != Local) {
    error(HWND_NOBOX, 'W', "ComponentRef::operator==: invalid Type");
    return false;
  }
  const bool sameBook = (db() != nullptr && other.db() != nullptr)
                            ? db() == other.db()
                            : dbName_.isEqual(other.dbName_);
  if (!sameBook) return false;
  if (uid_ != NoUID && other.uid_ != NoUID) return uid_ == other.uid_;
  return name_.isEqual(other.name_);
}

bool ComponentRef::localFile(Nexil& app) { return resolve(app) == Local; }

int ComponentRef::rename(const String* name, const String* type, const ULONG* flags) {
  if (db() == nullptr) return -1;
  int rc = db()->changeName_Type_Flags(uid_, name, type, flags);
  if (name != nullptr) name_ = *name;
  return rc;
}

int ComponentRef::lookup(String* name, String* type, ULONG* flags) {
  if (db() == nullptr) return -1;
  int rc = db()->lookupName_Type_Flags(uid_, &name_, type, flags);
  if (name != nullptr) *name = name_;
  return rc;
}

String ComponentRef::dbDescription() const {
  char text[796];
  if (db() == nullptr) {
    std::snprintf(text, sizeof text, "%s", dbName_.c_str());
  } else if (isLocalNet(db()->netAddress())) {
    std::snprintf(text, sizeof text, "%s:%s", db()->bookName().c_str(), name_.c_str());
  } else {
    std::snprintf(text, sizeof text, "'%s' on net addr '%s'", db()->bookName().c_str(),
                  db()->netAddress().c_str());
  }
  return String(text);
}

int ComponentRef::createAttribute(const char* name, const char* value) {
  return db() != nullptr ? db()->createAttribute(uid_, name, value) : -1;
}

int ComponentRef::createIntAttribute(const char* name, int value) {
  return db() != nullptr ? db()->createIntAttribute(uid_, name, value) : -1;
}

int ComponentRef::getAttributeLen(const char* name, int& len) {
  len = 0;
  return db() != nullptr ? db()->getAttributeLen(uid_, name, len) : -1;
}

int ComponentRef::getAttribute(const char* name, char* buf, int& len) {
  return db() != nullptr ? db()->getAttribute(uid_, name, buf, len) : -1;
}

int ComponentRef::getIntAttribute(const char* name, int& value) {
  value = 0;
  return db() != nullptr ? db()->getIntAttribute(uid_, name, value) : -1;
}

int ComponentRef::removeAttribute(const char* name) {
  return db() != nullptr ? db()->removeAttribute(uid_, name) : -1;
}

int ComponentRef::verify(Nexil& app, String* type) {
  if (locality_ != Local) resolve(app);
  if (uid_ == NoUID) return -5;
  if (locality_ == Remote) return -3;
  if (locality_ == Unknown) return -5;
  if (locality_ != Local) return -4;
  String stored;
  if (db() == nullptr || db()->lookupName_Type_Flags(uid_, &stored, type, nullptr) != 0) return -5;
  if (!stored.isEqual(name_)) {
    name_ = stored;
    return 1;
  }
  return 0;
}

void ComponentRef::flushStream(std::ostream* s) {
  if (s == nullptr) return;
  s->flush();
  if (std::filebuf* fb = dynamic_cast<std::filebuf*>(s->rdbuf())) {
    if (fb->pubsync() != 0) {
      error(nullptr, 'E', "Internal error... KMXel::flush: %d chars in buf after flush", 1);
    }
  }
}

void ComponentRef::closeStream(std::iostream* s) {
  if (s == nullptr) return;
  flushStream(s);
  if (std::fstream* fs = dynamic_cast<std::fstream*>(s)) fs->close();
}
