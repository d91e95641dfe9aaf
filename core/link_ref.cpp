// Link references: text form, and opening, saving and deleting links.
#include "core/link_ref.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "core/link.h"
#include "core/nexil.h"
#include "kit/error.h"
#include "kit/error_msg_exception.h"
#include "platform/system/desktop.h"

namespace {

const std::size_t kDescriptionSize = 1048;

void reportException(const char* what, const ErrorMsgException& e) {
  error(nullptr, 'E', "%s", what);
  e.report(nullptr, 'E');
}

}  // namespace

LinkRef::LinkRef(const char* text, DB* contextBook) {
  context(contextBook);
  if (text != nullptr && *text != '\0') parse(text);
}

LinkRef::LinkRef(DB* d, ULONG id) {
  context(d);
  db(d);
  uid(id);
}

LinkRef::~LinkRef() = default;

String LinkRef::makeString(Nexil& app, bool relative) {
  resolve(app);
  std::string out;
  if (relative && db() != nullptr && db() == context()) {
    out = "<this>#$";
  } else {
    std::string net, book;
    if (db() != nullptr) {
      net = db()->netAddress().c_str();
      book = db()->bookName().c_str();
    } else {
      const std::string text = dbName().c_str();
      const std::size_t at = text.find("#@");
      if (at == std::string::npos) {
        book = text;
      } else {
        net = text.substr(0, at);
        book = text.substr(at + 2);
      }
    }
    if (!net.empty()) out += net + "#@";
    if (!book.empty()) out += book + "#$";
  }
  if (uid() == NoUID) {
    error(nullptr, 'E', "LinkRef,::makeString: no link spec written: '%s'", out.c_str());
  } else {
    out += std::to_string(static_cast<unsigned long>(uid()));
  }
  return String(out.c_str());
}

String LinkRef::Description() {
  char text[kDescriptionSize];
  int n = std::snprintf(text, sizeof text, "%s", name().c_str());
  std::size_t used = n < 0 ? 0 : static_cast<std::size_t>(n);
  if (used >= sizeof text) used = sizeof text - 1;
  if (db() != nullptr) {
    n = std::snprintf(text + used, sizeof text - used, " (%s -> %s)", db()->netAddress().c_str(),
                      db()->bookName().c_str());
    if (n > 0) used += static_cast<std::size_t>(n);
    if (used >= sizeof text) used = sizeof text - 1;
  }
  std::snprintf(text + used, sizeof text - used, " -> %8hd", static_cast<short>(uid()));
  return String(text);
}

bool LinkRef::isEmpty(Nexil& app) {
  if (resolve(app) != Local || db() == nullptr || uid() == NoUID) return true;
  return db()->isBodyEmpty(uid());
}

Link* LinkRef::getLink(std::iostream* record) {
  if (record == nullptr) return nullptr;
  const std::streamoff g = record->tellg();
  const std::streamoff p = record->tellp();
  if (g != 0 || p != 0) {
    error(nullptr, 'E', "Internal error... NodeRef::getNode: bad file pointer tellg()=%d, tellp()=%d",
          static_cast<int>(g), static_cast<int>(p));
    return nullptr;
  }
  std::unique_ptr<Link> link(new Link(*this, *record));
  if (link->isInvalid()) {
    error(nullptr, 'W', "Internal error... Could not get a node as expected");
    return nullptr;
  }
  if (record->bad()) error(nullptr, 'W', "Internal error... node read error");
  return link.release();
}

Link* LinkRef::getLink(Nexil& app, ULONG mode) {
  try {
    if (!memOK(nullptr, app.lowMemThreshold())) return nullptr;
    if (resolve(app) != Local || db() == nullptr) return nullptr;
    error(nullptr, 'z', "Opening link '%s:%s'", db()->bookName().c_str(), name().c_str());
    std::unique_ptr<std::iostream> s = db()->getLinkStream(uid(), 1);
    if (!s || !s->good()) {
      if (db()->isReadOnly()) {
        error(nullptr, 'I', "Link is empty");
        MessageBeep(MB_ICONEXCLAMATION);
      } else {
        error(nullptr, 'z', "Unable to get stream for link '%s' (id=%ld)", name().c_str(),
              static_cast<long>(uid()));
      }
      return nullptr;
    }
    Link* link = getLink(s.get());
    if (link != nullptr && (mode & 0x2) == 0) link->setReadOnly(1);
    closeStream(s.get());
    if (link != nullptr) error(nullptr, 'z', "%s", "");
    return link;
  } catch (const ErrorMsgException& e) {
    error(nullptr, 'W', "Link '%s' not found -- it has probably been deleted (reason: %s)",
          Description().c_str(), e.description().c_str());
    return nullptr;
  }
}

int LinkRef::saveLink(Link& link, Nexil& app) {
  const String what = dbDescription();
  error(nullptr, 'z', "Saving link '%s'...", what.c_str());
  if (link.isInvalid()) {
    error(nullptr, 'W', "Internal error... Cannot save invalid link '%s'", what.c_str());
    return -1;
  }
  if (link.readOnly()) {
    error(nullptr, 'W', "Cannot save read-only link '%s'", what.c_str());
    return -1;
  }
  try {
    if (resolve(app) != Local || db() == nullptr) {
      error(nullptr, 'W', "Internal error... LinkRef::saveLink: can't get a stream to save node on");
      return -1;
    }
    std::ostringstream text;
    link.printOn(text, app);
    const std::string bytes = text.str();
    std::unique_ptr<std::iostream> s = db()->getLinkStream(uid(), 1);
    if (s) {
      // A shorter record goes into a fresh one: the store cannot shrink a
      // record, and stale ends after it would read back as ends.
      s->seekg(0, std::ios::end);
      const std::streamoff old = s->tellg();
      s->clear();
      s->seekg(0);
      if (old > static_cast<std::streamoff>(bytes.size())) {
        s.reset();
        if (db()->clearNodeStream(uid()) != 0) return -1;
        s = db()->getLinkStream(uid(), 1);
      }
    }
    if (!s) {
      error(nullptr, 'W', "Internal error... LinkRef::saveLink: can't get a stream to save node on");
      return -1;
    }
    const std::streamoff g = s->tellg();
    const std::streamoff p = s->tellp();
    if (g != 0 || p != 0) {
      error(nullptr, 'E',
            "Internal error... LinkRef::saveLink: bad file pointer tellg()=%d, tellp()=%d",
            static_cast<int>(g), static_cast<int>(p));
      return -1;
    }
    s->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    flushStream(s.get());
    if (!s->good()) {
      error(nullptr, 'W', "Internal error... LinkRef::saveLink: node write error");
      return -1;
    }
    error(nullptr, 'z', "%s", "");
    return 0;
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... LinkRef::saveLink: uncaught exception", e);
    return -1;
  }
}

int LinkRef::deleteLink(Nexil& app) {
  try {
    resolve(app);
    if (db() == nullptr) {
      error(nullptr, 'E', "LinkRef::deleteLink: Internal error... no db() available");
      return -1;
    }
    if (locality() != Local) {
      error(nullptr, 'W', "LinkRef::deleteLink: Internal error... network references not yet supported");
      return -1;
    }
    return db()->removeEntry(uid());
  } catch (const ErrorMsgException& e) {
    reportException("LinkRef::deleteLink: Internal error... uncaught exception", e);
    return -1;
  }
}
