// The plug-in's book manager (see orvane_nexil.h).
#include "plugin/orvane_nexil.h"

#include <algorithm>
#include <fstream>

#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/poster_board_node.h"
#include "kit/error.h"
#include "kit/error_msg_exception.h"
#include "platform/system/system.h"
#include "plugin/orvane_db.h"
#include "plugin/orvane_node.h"
#include "plugin/orvane_window.h"
#include "plugin/type_node.h"

namespace {

OrvaneNexil* gCurrent = nullptr;

const char* const kBookFilter = "Tavix Book (*.TVX)|*.tvx|All Files (*.*)|*.*|";

// The stream holds nothing more to read.
bool atEnd(std::iostream* s) {
  if (s == nullptr) return true;
  s->clear();
  const bool end = s->peek() == std::char_traits<char>::eof();
  s->clear();
  return end;
}

}  // namespace

OrvaneNexil::OrvaneNexil() : previous_(gCurrent) {
  gCurrent = this;
  char last[MaxPath + 1] = "";
  GetProfileString(ProfileSection, "LastOpenBook", "", last, sizeof last);
  openFileData_.filter = saveFileData_.filter = kBookFilter;
  openFileData_.defaultExtension = "tvx";
  openFileData_.fileName = saveFileData_.fileName = last;
}

OrvaneNexil::~OrvaneNexil() {
  unclaimed_.clear();
  setCurrentDB(static_cast<DB*>(nullptr));
  if (gCurrent == this) gCurrent = previous_;
}

OrvaneNexil* OrvaneNexil::current() { return gCurrent; }

int OrvaneNexil::addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) {
  try {
    auto* db = new OrvaneDB(*this, net != nullptr ? net : "", name, openFlags, share);
    books_.push_back(db);
    into.ref(db);
    return 0;
  } catch (const ErrorMsgException&) {
    return -1;  // the book database has reported why
  } catch (const std::exception& e) {
    error(nullptr, 'E', "Could not open book '%s': %s", name != nullptr ? name : "", e.what());
    return -1;
  }
}

int OrvaneNexil::findDB(DBRef& into, const char* net, const char* name) {
  into.ref(nullptr);
  for (OrvaneDB* db : books_) {
    if (db != nullptr && db->isNamed(net != nullptr ? net : "", name != nullptr ? name : "")) into.ref(db);
  }
  return into.db() != nullptr ? 0 : 1;
}

Node* OrvaneNexil::instantiateNode(std::iostream* body, NodeRef& ref) {
  auto* db = dynamic_cast<OrvaneDB*>(ref.db());
  if (db == nullptr) return nullptr;
  if (static_cast<LONG>(ref.uid()) != db->typeNodeId()) {
    String type("");
    db->lookupName_Type_Flags(ref.uid(), nullptr, &type, nullptr);
    auto* node = new Node(nullptr, ref, type, *this);
    unclaimed_.emplace_back(new OrvaneNode(body, parentWindow(), node, *this));
    return node;
  }
  // The type page: its text is kept here while the page lives, since the page
  // refers to what it was read from. A writable book's empty type page is
  // seeded from the types file.
  auto text = std::make_unique<std::stringstream>();
  bool seeded = false;
  if (!db->isReadOnly() && atEnd(body) && typesFileName_.length() > 0) {
    std::ifstream in(typesFileName_.c_str(), std::ios::binary);
    if (in) {
      *text << in.rdbuf();
      seeded = true;
    }
  }
  if (!seeded && body != nullptr) {
    body->clear();
    *text << body->rdbuf();
  }
  text->clear();
  text->seekg(0);
  auto* page = new TypeNode(ref, text.get(), *this);
  typeBodies_.push_back(std::move(text));
  if (seeded) page->setModified(1);
  return page;
}

int OrvaneNexil::saveNode(std::iostream& body, Node& node) {
  NodeWindow* w = node.window();
  if (w == nullptr) {
    error(nullptr, 'E', "Internal error... Cannot save page with NULL window");
    return -1;
  }
  auto* page = dynamic_cast<PosterBoardNode*>(w);
  if (page == nullptr) {
    error(nullptr, 'E', "Internal error... Cannot save page type '%s'", node.kind().c_str());
    return -1;
  }
  const LONG status = page->writePage(body);
  return status < 0 ? static_cast<int>(status) : 0;
}

int OrvaneNexil::loadNode(TWindow* parent, NodeRef& ref, int option, int unused, TRect* from, bool show) {
  // The page goes into the plug-in window the asking page window lives in:
  // with several books on one browser page the main window is only the one
  // attached last, and a page opened from one book must not replace another's.
  OrvaneWindow* w = nullptr;
  for (TWindow* t = parent; t != nullptr && w == nullptr; t = t->GetParentO()) w = dynamic_cast<OrvaneWindow*>(t);
  if (w == nullptr) w = dynamic_cast<OrvaneWindow*>(mainWindow_);
  if (w == nullptr) {
    error(nullptr, 'E', "OrvaneNexil::loadNode: unexpected main window type");
    lastLoaded_ = nullptr;
    return -1;
  }
  return w->loadNode(parent, ref, option, unused, from, show);
}

NodeWindow* OrvaneNexil::makeNodeWindow(DB*, const char*, const char*) {
  error(nullptr, 'E', "OrvaneNexil::makeNodeWindow() not yet implemented");
  return nullptr;
}

void OrvaneNexil::deregisterDB(DB* db) {
  for (OrvaneDB*& slot : books_) {
    if (slot == db) slot = nullptr;
  }
}

void OrvaneNexil::openDBs(std::vector<DB*>& out) {
  out.clear();
  for (OrvaneDB* book : books_) {
    if (book != nullptr) out.push_back(book);
  }
}

void OrvaneNexil::shutdownDB(DB* db) {
  if (db != nullptr && currentDB() == db) setCurrentDB(static_cast<DB*>(nullptr));
}

void OrvaneNexil::syncFileData(BookFileDialogData& data) {
  if (data.fileName.empty()) return;
  const std::size_t cut = data.fileName.find_last_of("/\\:");
  data.initialDirectory = cut == std::string::npos ? std::string() : data.fileName.substr(0, cut);
  data.fileName.clear();
}

ViewNode* OrvaneNexil::claimWindow(Node* node) {
  if (node == nullptr) return nullptr;
  for (auto it = unclaimed_.begin(); it != unclaimed_.end(); ++it) {
    if (static_cast<NodeWindow*>(it->get()) == node->window()) {
      ViewNode* w = it->release();
      unclaimed_.erase(it);
      return w;
    }
  }
  return nullptr;
}
