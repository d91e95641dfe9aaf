// Page references: text form, name search, opening and saving pages, and the
// page's link list.
#include "core/node_ref.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/node_ref_dialog.h"
#include "core/nexil.h"
#include "core/node.h"
#include "core/node_window.h"
#include "kit/error.h"
#include "kit/error_msg_exception.h"
#include "platform/system/desktop.h"

namespace {

// The size of the description buffer, terminator included.
const std::size_t kDescriptionSize = 1048;

// Splits a book part as written ("net#@book" or "book") into its two texts.
void splitBookPart(const String& dbName, std::string* net, std::string* book) {
  const std::string text = dbName.c_str();
  const std::size_t at = text.find("#@");
  if (at == std::string::npos) {
    net->clear();
    *book = text;
  } else {
    *net = text.substr(0, at);
    *book = text.substr(at + 2);
  }
}

void reportException(const char* what, const ErrorMsgException& e) {
  error(nullptr, 'E', "%s", what);
  e.report(nullptr, 'E');
}

// Writes `text` over the facet a stream stands on, starting at 0. When the old
// content was longer, the caller has removed it first (stores cannot shrink a
// record in place).
bool writeAll(std::iostream& s, const std::string& text) {
  s.clear();
  s.seekp(0);
  s.write(text.data(), static_cast<std::streamsize>(text.size()));
  s.flush();
  return !s.fail();
}

std::streamoff streamLength(std::iostream& s) {
  s.clear();
  s.seekg(0, std::ios::end);
  std::streamoff n = s.tellg();
  s.clear();
  s.seekg(0);
  return n < 0 ? 0 : n;
}

}  // namespace

NodeRef::NodeRef(const char* text, DB* contextBook) {
  context(contextBook);
  if (text != nullptr && *text != '\0') parse(text);
}

NodeRef::NodeRef(DB* d, ULONG id) {
  context(d);
  db(d);
  uid(id);
  if (d != nullptr) {
    String stored;
    if (d->lookupName_Type_Flags(id, &stored, nullptr, nullptr) == 0) name(stored);
  }
}

NodeRef& NodeRef::operator=(const char* text) {
  DB* ctx = context();
  DBRef keep(ctx);
  init();
  context(ctx);
  if (text != nullptr && *text != '\0') parse(text);
  return *this;
}

NodeRef::~NodeRef() = default;

String NodeRef::makeString(Nexil& app, bool relative) {
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
      splitBookPart(dbName(), &net, &book);
    }
    if (!net.empty()) out += net + "#@";
    if (!book.empty()) out += book + "#$";
  }
  bool wrote = false;
  if (uid() != NoUID) {
    out += std::to_string(static_cast<unsigned long>(uid()));
    wrote = true;
  }
  if (name().length() > 0) {
    out += ":";
    out += name().c_str();
    wrote = true;
  }
  if (!wrote) {
    error(nullptr, 'E', "Internal error... NodeRef::makeString: no node spec written: '%s'",
          out.c_str());
  }
  return String(out.c_str());
}

String NodeRef::Description() {
  char text[kDescriptionSize];
  int n = std::snprintf(text, sizeof text, "%s", name().c_str());
  if (n < 0) n = 0;
  std::size_t used = static_cast<std::size_t>(n) < sizeof text ? static_cast<std::size_t>(n)
                                                               : sizeof text - 1;
  if (db() != nullptr) {
    n = std::snprintf(text + used, sizeof text - used, " (%s -> %s)",
                      db()->netAddress().c_str(), db()->bookName().c_str());
    if (n > 0) used += static_cast<std::size_t>(n);
    if (used >= sizeof text) used = sizeof text - 1;
  }
  std::snprintf(text + used, sizeof text - used, " -> %s (%4.4hd)", name().c_str(),
                static_cast<short>(uid()));
  return String(text);
}

int NodeRef::resolve(Nexil& app) {
  ComponentRef::resolve(app);
  DB* d = db();
  if (d != nullptr && uid() == NoUID && name().length() > 0) {
    // A fresh search every time: a page found for another name earlier says
    // nothing about this one.
    const ULONG found = d->resolveName(name());
    if (found != NoUID) {
      uid(found);
      db(d);  // locality from the book again
    }
  }
  if (uid() == NoUID) locality(Unknown);
  return locality();
}

bool NodeRef::isEmpty(Nexil& app) {
  if (resolve(app) != Local || db() == nullptr) return true;
  Node* shown = app.getDisplayedNode(*this);
  if (shown != nullptr && shown->window() != nullptr) return shown->window()->isEmpty();
  return db()->isBodyEmpty(uid());
}

int NodeRef::backupNode() { return 0; }

int NodeRef::recoverNode(TWindow*, ULONG&) { return 0; }

Node* NodeRef::getNode(std::iostream* body, Nexil& app) {
  if (body == nullptr) return nullptr;
  const std::streamoff g = body->tellg();
  const std::streamoff p = body->tellp();
  if (g != 0 || p != 0) {
    error(nullptr, 'E', "Internal error... NodeRef::getNode: bad file pointer tellg()=%d, tellp()=%d",
          static_cast<int>(g), static_cast<int>(p));
    return nullptr;
  }
  Node* node = app.instantiateNode(body, *this);
  if (body->bad()) error(nullptr, 'W', "Internal error... node read error");
  if (node == nullptr) error(nullptr, 'W', "Internal error... Could not get a node as expected");
  return node;
}

int NodeRef::set(Nexil& app) {
  NodeRefDialog dialog(nullptr, *this, app);
  const int result = dialog.Execute();
  if (result == IDOK) return 0;
  if (result == IDCANCEL) return 1;
  error(nullptr, 'W', "Internal error... NodeRef::set: dialog box error = %d", result);
  return result;
}

std::unique_ptr<std::iostream> NodeRef::linkListStream(Nexil& app, bool create, int* failure) {
  if (failure != nullptr) *failure = 0;
  try {
    if (resolve(app) != Local) {
      error(nullptr, 'E', "Internal error... NodeRef::getLinkListStream: Unable to resolve node");
      if (failure != nullptr) *failure = -2;
      return nullptr;
    }
    if (db() == nullptr) {
      error(nullptr, 'E',
            "Internal error... NodeRef::getLinkListStream: Unable to get list list stream for "
            "node '%s' (id=%ld): db() is NULL",
            name().c_str(), static_cast<long>(uid()));
      if (failure != nullptr) *failure = -2;
      return nullptr;
    }
    std::unique_ptr<std::iostream> s = db()->getLinkListStream(uid(), create ? 1 : 0);
    if (s && !s->good()) s.reset();
    return s;
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... NodeRef::getLinkListStream: uncaught exception", e);
    if (failure != nullptr) *failure = -1;
    return nullptr;
  }
}

std::unique_ptr<std::iostream> NodeRef::getLinkListStream(Nexil& app) {
  return linkListStream(app, true, nullptr);
}

std::unique_ptr<Links> NodeRef::readLinks(Nexil& app) {
  // Reading never makes a link list: a page without one has none.
  std::unique_ptr<std::iostream> s = linkListStream(app, false, nullptr);
  if (!s) return nullptr;
  return std::unique_ptr<Links>(new Links(s.get(), db()));
}

std::unique_ptr<Links> NodeRef::getLinks(TWindow*, Nexil& app) {
  try {
    return readLinks(app);
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... NodeRef::getLink: uncaught exception", e);
    return nullptr;
  }
}

int NodeRef::saveLinks(Links& links, Nexil& app) {
  try {
    if (links.isEmpty()) {
      if (resolve(app) != Local || db() == nullptr) return -2;
      // An empty list is stored as no list at all.
      return db()->clearLinkListStream(uid()) == 0 ? 0 : -1;
    }
    std::ostringstream text;
    links.save(&text, app);
    const std::string bytes = text.str();
    std::unique_ptr<std::iostream> s = linkListStream(app, true, nullptr);
    if (!s) return -2;
    if (streamLength(*s) > static_cast<std::streamoff>(bytes.size())) {
      // A shorter list goes into a fresh record, so no stale bytes follow it.
      s.reset();
      if (db()->clearLinkListStream(uid()) != 0) return -1;
      s = linkListStream(app, true, nullptr);
      if (!s) return -2;
    }
    return writeAll(*s, bytes) ? 0 : -1;
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... NodeRef::saveLinks: uncaught exception", e);
    return -1;
  }
}

int NodeRef::saveLink(TWindow*, LinkRef& link, Nexil& app) {
  try {
    if (resolve(app) != Local || db() == nullptr) return -2;
    std::unique_ptr<Links> links = readLinks(app);
    if (!links) links.reset(new Links());
    LinkRef copy(link);
    copy.context(db());
    copy.resolve(app);
    links->add(copy);
    return saveLinks(*links, app);
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... NodeRef::saveLink: uncaught exception", e);
    return -1;
  }
}

int NodeRef::deleteLink(TWindow*, LinkRef& link, Nexil& app) {
  try {
    if (resolve(app) != Local || db() == nullptr) return -2;
    std::unique_ptr<Links> links = readLinks(app);
    if (!links) return 0;  // no list: nothing listed
    link.resolve(app);
    for (std::size_t i = 0; i < links->count(); ++i) links->at(i).resolve(app);
    links->remove(link);
    return saveLinks(*links, app);
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... NodeRef::deleteLink: uncaught exception", e);
    return -1;
  }
}

Node* NodeRef::getNode(TWindow* parent, Nexil& app, ULONG mode) {
  try {
    if (!memOK(parent, app.lowMemThreshold())) return nullptr;
    if (resolve(app) != Local || db() == nullptr) return nullptr;
    error(nullptr, 'z', "Opening page '%s:%s'", db()->bookName().c_str(), name().c_str());
    const bool write = (mode & ModeWrite) != 0;
    std::unique_ptr<std::iostream> s = db()->getNodeStream(uid(), write ? 1 : 0);
    if (!s || !s->good()) {
      if (db()->isReadOnly()) {
        error(nullptr, 'I', "Page is empty");
        MessageBeep(MB_ICONEXCLAMATION);
        return nullptr;
      }
      error(HWND_NOBOX, 'E',
            "Internal error... NodeRef::getNode: Unable to get stream for node '%s' (id=%ld)",
            name().c_str(), static_cast<long>(uid()));
      return nullptr;
    }
    Node* node = getNode(s.get(), app);
    if (node != nullptr) {
      node->nodeRef(this);
      if (!write) {
        node->setReadOnly(1);
        closeStream(s.get());
        s.reset();
      } else if (node->window() != nullptr) {
        s->clear();
        s->seekg(0);
        s->seekp(0);
        // The window keeps the stream for saving and deletes it when it closes it.
        node->window()->attach(s.get());
        node->window()->ownsStream(1);
        s.release();
      }
      error(nullptr, 'z', "%s", "");
    }
    if (s) closeStream(s.get());
    return node;
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... NodeRef::getNode: uncaught exception", e);
    return nullptr;
  }
}

int NodeRef::saveNode(Node& node, Nexil& app) {
  try {
    resolve(app);
    if (node.isInvalid()) {
      error(nullptr, 'W', "Internal error... Cannot save invalid node '%s'", name().c_str());
      return -1;
    }
    if (node.readOnly()) {
      error(nullptr, 'W', "Cannot save read-only page '%s'", name().c_str());
      return -1;
    }
    NodeWindow* w = node.window();
    if (w == nullptr) return -1;
    if (w->isEmpty()) {
      w->attach(nullptr);
      if (db() == nullptr) {
        error(nullptr, 'E', "Internal error... NodeRef::saveNode: db() == NULL");
        return -1;
      }
      db()->clearNodeStream(uid());
      return 0;
    }
    std::unique_ptr<std::iostream> opened;
    if (!w->isOpen()) {
      if (db() != nullptr && locality() == Local) opened = db()->getNodeStream(uid(), 1);
      if (!opened) {
        error(nullptr, 'W', "Internal error... NodeRef::saveNode: can't get a stream to save node on");
        return -1;
      }
      const std::streamoff g = opened->tellg();
      const std::streamoff p = opened->tellp();
      if (g != 0 || p != 0) {
        error(nullptr, 'E',
              "Internal error... NodeRef::saveNode: bad file pointer tellg()=%d, tellp()=%d",
              static_cast<int>(g), static_cast<int>(p));
        return -1;
      }
    }
    if ((app.flags() & Nexil::BackupFlag) != 0 && !opened) backupNode();
    if (opened) w->attach(opened.get());
    int rc = w->save();
    if (opened) {
      if (rc == 0 && !opened->good()) {
        error(nullptr, 'W', "Internal error... NodeRef::saveNode: node write error");
        rc = -2;
      }
      // The stream stays attached for later saves; the window deletes it.
      w->ownsStream(1);
      opened.release();
    }
    return rc;
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... NodeRef::saveNode: uncaught exception", e);
    return -1;
  }
}

int NodeRef::saveNode(Node& node, Nexil& app, std::iostream* body) {
  if (body == nullptr) return 1;
  if ((app.flags() & Nexil::BackupFlag) != 0) backupNode();
  int result = 0;
  body->clear();
  body->seekp(0);
  if (app.saveNode(*body, node) != 0) {
    error(nullptr, 'W', "Internal error... NodeRef::saveNode: Cound not save node");
    result = 1;
  } else if (!body->good()) {
    error(nullptr, 'W',
          "Internal error... NodeRef::saveNode: node write error: did you have a write lock?");
    result = 1;
  }
  flushStream(body);
  return result;
}

int NodeRef::deleteNode(Nexil& app) {
  int result = -98;
  try {
    std::unique_ptr<Links> links = getLinks(nullptr, app);
    if (resolve(app) != Local || db() == nullptr) {
      error(nullptr, 'W',
            "Internal error... NodeRef::deleteNode: network references not yet supported; OR "
            "context required");
      return result;
    }
    // Each listed link learns that this page is gone (bounded by the list,
    // itself bounded when read).
    if (links) {
      for (std::size_t i = 0; i < links->count(); ++i) {
        std::unique_ptr<Link> link(links->at(i).getLink(app, ModeWrite));
        if (link) link->notifyKilledRef(uid(), app);
      }
    }
    result = db()->removeEntry(uid());
    if (result == -1) {
      error(nullptr, 'E', "Failed to delete page '%s': it has probably been deleted earlier",
            name().c_str());
    }
  } catch (const ErrorMsgException& e) {
    reportException("Internal error... NodeRef::deleteNode: uncaught exception", e);
  }
  return result;
}
