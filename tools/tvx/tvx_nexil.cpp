// tvx_nexil.cpp: opening books, making page windows and reporting for tvx.
#include "tools/tvx/tvx_nexil.h"

#include <cstdio>
#include <cstring>
#include <iostream>

#include "core/node.h"
#include "core/node_ref.h"
#include "kit/error_msg_exception.h"
#include "tools/tvx/tvx_page_window.h"

TvxNexil::TvxNexil() { ErrorHandler::setApplicationHandler(this); }

TvxNexil::~TvxNexil() {
  closeAll();
  ErrorHandler::setApplicationHandler(nullptr);
}

void TvxNexil::closeAll() {
  // Pages first: each holds a reference on its book.
  windows_.clear();
  setCurrentDB(nullptr);
  books_.clear();
}

int TvxNexil::addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) {
  try {
    DB* db = new DB(*this, net != nullptr ? net : "", name, openFlags, share);
    into.ref(db);
    books_.push_back(into);
    return 0;
  } catch (const ErrorMsgException&) {
    // The book database has reported why.
    return -1;
  } catch (const std::exception& e) {
    error(HWND_NOBOX, 'E', "Could not open book '%s': %s", name != nullptr ? name : "", e.what());
    return -1;
  }
}

int TvxNexil::findDB(DBRef& into, const char*, const char* name) {
  if (name == nullptr) return 1;
  for (DBRef& r : books_) {
    if (r.db() != nullptr && r.db()->bookName().isEqual(String(name))) {
      into.ref(r.db());
      return 0;
    }
  }
  return 1;
}

Node* TvxNexil::instantiateNode(std::iostream* body, NodeRef& ref) {
  std::string text;
  if (body != nullptr) {
    // Bounded by the record, itself bounded by the book file's size.
    char buf[8192];
    while (body->read(buf, sizeof buf), body->gcount() > 0) {
      text.append(buf, static_cast<std::size_t>(body->gcount()));
    }
    body->clear();
  }
  String type("");
  if (ref.db() != nullptr) ref.db()->lookupName_Type_Flags(ref.uid(), nullptr, &type, nullptr);
  Node* node = new Node(nullptr, ref, type, *this);
  windows_.emplace_back(new TvxPageWindow(*this, node, text));
  return node;
}

int TvxNexil::saveNode(std::iostream& body, Node& node) {
  TvxPageWindow* w = dynamic_cast<TvxPageWindow*>(node.window());
  if (w == nullptr) return -1;
  body.write(w->text().data(), static_cast<std::streamsize>(w->text().size()));
  return body.good() ? 0 : -1;
}

NodeWindow* TvxNexil::makeNodeWindow(DB* db, const char* type, const char* name) {
  if (db != nullptr) setCurrentDB(db);
  windows_.emplace_back(new TvxPageWindow(*this, name, type));
  return windows_.back().get();
}

int TvxNexil::handleError(char kind, const char* text) {
  // Messages sent past any message box arrive with their kind lowered by 0x20
  // ('E' as '%', 'W' as '7', 'F' as '&').
  const char k = (kind == '%' || kind == '7' || kind == '&') ? static_cast<char>(kind + 0x20) : kind;
  if (k != 'E' && k != 'W' && k != 'F') return 0;  // logged only
  const char* message = text != nullptr ? text : "";
  // "K: text" -> "text".
  if (message[0] != '\0' && message[1] == ':' && message[2] == ' ') message += 3;
  std::fprintf(stderr, "tvx: %s\n", message);
  ++reported_;
  return 0;
}
