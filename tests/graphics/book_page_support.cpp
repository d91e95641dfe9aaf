// The application and fixture for pages of a real book (see book_page_support.h).
#include "book_page_support.h"

#include <fstream>
#include <sstream>

#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"

namespace {

// A writer for the sections only: a translator that reads nothing.
class SectionWriter : public KMTranslator {
 public:
  explicit SectionWriter(std::iostream* s) : KMFileInfo(ViewNode::AppTag), KMTranslator(ViewNode::AppTag, s) {}
  int CMFileHeader(KM_FileHeader&) override { return -1; }
  int CMCM(KM_CM&) override { return -1; }
  int CMNode(KM_Node&) override { return -1; }
  int CMLink(KM_Link&) override { return -1; }
  int CMNodeType(KM_NodeType&) override { return -1; }
  int CMLinkType(KM_LinkType&) override { return -1; }
  int CMAnnotation(KM_Annotation&) override { return -1; }
  int CMAttr(char*, char*) override { return -1; }
};

}  // namespace

int PageNexil::addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) {
  DB* db = new DB(*this, net, name, openFlags, share);
  into.ref(db);
  books.push_back(into);
  return 0;
}

int PageNexil::findDB(DBRef& into, const char*, const char* name) {
  for (DBRef& r : books) {
    if (r.db() != nullptr && r.db()->bookName().isEqual(String(name))) {
      into.ref(r.db());
      return 0;
    }
  }
  return 1;
}

Node* PageNexil::getDisplayedNode(NodeRef&) { return displayed; }

int PageNexil::saveNode(std::iostream& body, Node& node) {
  auto* w = dynamic_cast<ViewNode*>(node.window());
  return w != nullptr && w->writePage(body) >= 0 ? 0 : -1;
}

int PageNexil::loadNode(TWindow*, NodeRef& ref, int x, int, TRect*, bool) {
  loads.push_back(std::string(ref.name().c_str()) + " mode " + std::to_string(x));
  return -1;
}

int PageNexil::setDirRef(TWindow*, NodeRef& ref, Nexil&, int*) {
  if (dirAnswer == 0) ref = dirChoice.c_str();
  return dirAnswer;
}

std::string squeezed(const std::string& text) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' && (i == 0 || text[i - 1] != '\\')) quoted = !quoted;
    if (c == '\r' || c == '\n' || (!quoted && (c == ' ' || c == '\t'))) continue;
    out += c;
  }
  return out;
}

std::string nodeAndLinkSections(const std::string& body) {
  const std::size_t from = body.find("(N");
  if (from == std::string::npos) return std::string();
  std::size_t to = body.find("(A", from);
  if (to == std::string::npos) to = body.size();
  return body.substr(from, to - from);
}

void BookPageTest::SetUp() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  bookPath = std::string("graphics-") + info->name() + ".tvx";
  std::ifstream in(EXAMPLE_BOOK, std::ios::binary);
  std::ofstream out(bookPath, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
  host = std::make_unique<HeadlessHost>(900, 700);
  frame = std::make_unique<TWindow>(host->makeTopLevel(800, 600, "Book"));
}

void BookPageTest::TearDown() {
  page.reset();
  stream_.reset();
  book.ref(nullptr);
  app.books.clear();
  frame.reset();
  host.reset();
  std::remove(bookPath.c_str());
}

bool BookPageTest::show(const char* name, bool writable) {
  if (app.addDB(book, "", bookPath.c_str(), writable ? 2 : 0, writable ? 0x20 : 0x40) != 0) return false;
  DB* db = book.db();
  app.setCurrentDB(db);
  const ULONG id = db->resolveName(String(name));
  if (id == 0xFFFFFFFFu) return false;
  std::unique_ptr<std::iostream> s = db->getNodeStream(id, 0);
  if (s == nullptr) return false;
  std::ostringstream text;
  text << s->rdbuf();
  body = text.str();
  stream_ = std::make_unique<std::stringstream>(body);
  String type;
  db->lookupName_Type_Flags(id, nullptr, &type, nullptr);
  Node* node = new Node(nullptr, NodeRef(db, id), type, app);
  page = std::make_unique<PosterBoardNode>(frame.get(), node, app);
  page->Attr.Style = WS_CHILD | WS_VISIBLE;
  page->Attr.W = 780;
  page->Attr.H = 580;
  // Read after the window's size is set: the page's header may change it.
  page->readBody(stream_.get());
  if (!page->Create()) return false;
  host->run();
  return true;
}

std::unique_ptr<PosterBoardNode> BookPageTest::readPage(ULONG id, std::string* stored) {
  DB* db = book.db();
  std::unique_ptr<std::iostream> s = db != nullptr ? db->getNodeStream(id, 0) : nullptr;
  if (s == nullptr) return nullptr;
  std::ostringstream text;
  text << s->rdbuf();
  *stored = text.str();
  std::stringstream in(*stored);
  String type;
  db->lookupName_Type_Flags(id, nullptr, &type, nullptr);
  auto w = std::make_unique<PosterBoardNode>(frame.get(), new Node(nullptr, NodeRef(db, id), type, app), app);
  w->readBody(&in);
  w->attach(nullptr);
  return w;
}

std::string BookPageTest::writtenSections() {
  std::stringstream out;
  SectionWriter w(&out);
  page->writeGraphics(w);
  w.KMEsrap::close();
  return out.str();
}

std::string BookPageTest::storedSections() const { return nodeAndLinkSections(body); }

NodeGNode* BookPageTest::symbol(const char* name) const {
  for (NodeGNode* s : symbols())
    if (std::string(s->displayName()) == name) return s;
  return nullptr;
}

std::vector<NodeGNode*> BookPageTest::symbols() const {
  std::vector<NodeGNode*> out;
  for (SensitiveGraphic* g : page->sensitiveGraphics())
    if (auto* s = dynamic_cast<NodeGNode*>(g)) out.push_back(s);
  return out;
}

std::vector<LinkGNode*> BookPageTest::boxes() const {
  std::vector<LinkGNode*> out;
  for (SensitiveGraphic* g : page->sensitiveGraphics())
    if (auto* b = dynamic_cast<LinkGNode*>(g)) out.push_back(b);
  return out;
}
