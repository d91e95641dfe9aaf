// The sample book and the block map of a store file; see sample_book.h.
#include "sample_book.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/db.h"
#include "core/link.h"
#include "core/nexil.h"
#include "core/node_ref.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "store/middle_level_store.h"

namespace {

const char kPageTag[] = "Tavix: Netscape Plugin";

// A page body with nodes, a link and a text annotation; `padding` lengthens the
// annotation text so that the body spans several blocks.
std::string pageBody(const char* title, int padding) {
  std::ostringstream out;
  {
    KMEsrap w(&out, kPageTag);
    w.setPrettyPrint(1);
    w.setCMName(title);
    w.writeFile(kPageTag, 1, nullptr);
    RECT bounds = {0, 0, 640, 480};
    w.writeConceptMap(&bounds, nullptr, KM_ABSENT);
    w.writeNodeObject(1, "Idea", 1, "concept", 10, 20, 110, 60, 0, 2, "<this>#$2", nullptr);
    w.writeNodeObject(2, "Other idea", 1, "concept", 200, 20, 300, 60, 0, KM_ABSENT, nullptr,
                      nullptr);
    w.writeLinkObject(1, 1, "supports", 1, 2, KM_ABSENT, KM_ABSENT, 0, KM_ABSENT, nullptr,
                      nullptr);
    const std::string text = std::string("A note on ") + title + std::string(padding, '.');
    LONG values[2] = {1, 2};
    w.writeAnnotationObject(1, "note", 5, 300, 200, 360, 0, values, 2, 't', text.c_str(),
                            static_cast<ULONG>(text.size() + 1), nullptr, KM_ABSENT);
    w.close();
  }
  return out.str();
}

bool writeBody(DB& db, ULONG id, const std::string& body) {
  std::unique_ptr<std::iostream> s = db.getNodeStream(id, 1);
  if (!s) return false;
  s->write(body.data(), static_cast<std::streamsize>(body.size()));
  s->flush();
  return s->good();
}

bool appendBody(DB& db, ULONG id, const std::string& more) {
  std::unique_ptr<std::iostream> s = db.getNodeStream(id, 0);
  if (!s) return false;
  s->seekp(0, std::ios::end);
  s->write(more.data(), static_cast<std::streamsize>(more.size()));
  s->flush();
  return s->good();
}

}  // namespace

ULONG getWord(const std::string& bytes, ULONG at) {
  if (at + 4 > bytes.size()) return 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<ULONG>(p[3]) << 24);
}

void putWord(std::string& bytes, ULONG at, ULONG value) {
  if (at + 4 > bytes.size()) return;
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool makeSampleBook(Nexil& app, const std::string& path) {
  DB* db = new DB(app, "", nullptr, 0, 0);
  DBRef hold(db);
  const ULONG home = db->createNode(String("Home"), String("map"), 8);
  const ULONG second = db->createNode(String("Second page"), String("map"), 0);
  const ULONG third = db->createNode(String("Third page"), String("outline"), 0);
  const ULONG doomed = db->createNode(String("Removed page"), String("map"), 0);
  // The second page's body is written in three parts with other records made
  // in between, so that it becomes a chain of several blocks.
  const std::string long_body = pageBody("Second page", 3000);
  const std::size_t third_part = long_body.size() / 3;
  bool ok = writeBody(*db, second, long_body.substr(0, third_part)) &&
            writeBody(*db, home, pageBody("Home", 0)) &&
            appendBody(*db, second, long_body.substr(third_part, third_part)) &&
            writeBody(*db, third, pageBody("Third page", 40)) &&
            appendBody(*db, second, long_body.substr(2 * third_part)) &&
            writeBody(*db, doomed, pageBody("Removed page", 200));
  ok = ok && db->createAttribute(home, "URL", "http://example.org/home") == 0 &&
       db->createAttribute(home, "author", "Ann") == 0 &&
       db->createIntAttribute(second, "rank", 3) == 0 &&
       db->createAttribute(third, "draft", nullptr) == 0 &&
       db->createAttribute(third, "gone", "soon") == 0;

  // Links: home -> second and second -> third, each registered in both ends'
  // link lists.
  const NodeRef homeRef(db, home), secondRef(db, second), thirdRef(db, third);
  Link one(db, String("supports"), homeRef, secondRef, app);
  Link two(db, String("example of"), secondRef, thirdRef, app);
  ok = ok && one.save(app, 1) == 0 && two.save(app, 1) == 0;

  // Freed records: a whole page and one attribute.
  ok = ok && db->removeEntry(doomed) == 0 && db->removeAttribute(third, "gone") == 0;
  if (!ok) return false;
  db->store()->commit();

  std::ifstream in(db->workPath().c_str(), std::ios::binary);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
  return out.good();
}

StoreHeaderFields readHeaderFields(const std::string& bytes) {
  StoreHeaderFields h;
  h.headerSize = getWord(bytes, 0);
  // size, application signature, version, store signature, store version.
  ULONG at = 4;
  at += static_cast<ULONG>(std::strlen(bytes.c_str() + at)) + 1 + 4;
  if (at >= bytes.size()) return h;
  at += static_cast<ULONG>(std::strlen(bytes.c_str() + at)) + 1 + 4;
  h.freeListPos = at;
  h.freeList = getWord(bytes, at);
  h.indexHandlePos = at + 4;
  h.indexHandle = getWord(bytes, at + 4);
  h.nextIDPos = at + 8;
  h.nextID = getWord(bytes, at + 8);
  return h;
}

std::vector<BlockSpan> blockMap(const std::string& bytes) {
  std::vector<BlockSpan> blocks;
  ULONG at = getWord(bytes, 0);
  // Bounded by the file: every block is at least 54 bytes long.
  while (at + 54 <= bytes.size()) {
    BlockSpan b;
    b.handle = at;
    b.size = getWord(bytes, at);
    if (b.size < 54 || at + b.size > bytes.size()) break;
    const unsigned marks = static_cast<unsigned char>(bytes[at + 16]);
    b.free = (marks & 1) != 0;
    b.first = (marks & 2) != 0;
    blocks.push_back(b);
    at += b.size;
  }
  return blocks;
}
