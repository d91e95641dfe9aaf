// Reads a whole book the way a viewer reaches it; see whole_book_reader.h.
#include "fuzz/whole_book_reader.h"

#include <memory>
#include <sstream>
#include <vector>

#include "core/attr_value_list.h"
#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/specifier.h"
#include "fuzz/fuzz_support.h"
#include "kit/error_msg_exception.h"
#include "maptext/map_read.h"
#include "platform/io/share_open.h"
#include "store/middle_level_store.h"
#include "store/ml_store_handle.h"

namespace {

const char kPageTag[] = "Tavix: Netscape Plugin";

// A page-body reader that only counts the records it is handed.
class CountingReader : public MapRead {
 public:
  explicit CountingReader(std::istream* in) : KMFileInfo(kPageTag), MapRead(kPageTag, in) {}
  int records = 0;
  int CMFileHeader(KM_FileHeader&) override { return ++records, 1; }
  int CMCM(KM_CM&) override { return ++records, 0; }
  int CMNode(KM_Node&) override { return ++records, 0; }
  int CMLink(KM_Link&) override { return ++records, 0; }
  int CMNodeType(KM_NodeType&) override { return ++records, 0; }
  int CMLinkType(KM_LinkType&) override { return ++records, 0; }
  int CMAnnotation(KM_Annotation&) override { return ++records, 0; }
  int CMAttr(char*, char*) override { return ++records, 0; }
};

// Up to MaxFacetBytes of a stream from its start; false when reading failed.
bool readAll(std::istream& in, std::string* out) {
  char buf[4096];
  // Bounded by MaxFacetBytes (and by the record's length).
  while (out->size() < BookImage::MaxFacetBytes) {
    in.read(buf, sizeof buf);
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    out->append(buf, static_cast<std::size_t>(got));
  }
  return !in.bad();
}

struct Collect {
  BookImage* image;
};

int collectEntry(MLStoreHandle& handle, void* context) {
  BookImage* image = static_cast<Collect*>(context)->image;
  if (image->entries.size() >= BookImage::MaxEntries) return 1;
  BookEntryImage& e = image->entries[handle.getID()];
  e.kind = handle.getFlags();
  for (int f = 0; f < DB::Facets && f < handle.facets(); ++f) {
    if (handle.isFacetEmpty(f)) continue;
    try {
      std::unique_ptr<StoreStream> s = handle.getFacet(f);
      if (!s || !readAll(*s, &e.facets[f])) e.facetFailed[f] = true;
    } catch (const ErrorMsgException&) {
      e.facetFailed[f] = true;
      ++image->problems;
    }
  }
  return 0;
}

std::string endsOf(Link& link, Nexil& app) {
  std::string out;
  for (std::size_t i = 0; i < link.specCount(); ++i) {
    Specifier& s = link.specifier(i);
    out += std::to_string(s.dir()) + " " + s.ref().makeString(app, true).c_str() + "\n";
  }
  return out;
}

void readEntry(DB& db, Nexil& app, ULONG id, BookEntryImage& e, BookImage& image) {
  String name, type;
  ULONG flags = 0;
  e.headerStatus = db.lookupName_Type_Flags(id, &name, &type, &flags);
  if (e.headerStatus == 0) {
    e.name = name.c_str();
    e.type = type.c_str();
    e.flags = flags;
  } else if (!e.facets[DB::EntryHeader].empty()) {
    ++image.problems;
  }

  // A page's body is map text; a link's record in the same facet is not.
  const ULONG kind = db.kind(id);
  const bool page = (kind & DB::KindNode) != 0 && (kind & DB::KindLink) == 0;
  if (std::unique_ptr<std::iostream> body = page ? db.getNodeStream(id, 0) : nullptr) {
    CountingReader reader(body.get());
    e.bodyStatus = reader.readFile();
    e.bodyRecords = reader.records;
    reader.attach(nullptr);
    if (e.bodyStatus < 0) ++image.problems;
  }

  if (std::unique_ptr<std::iostream> attrs = db.getAttrStream(id, 0)) {
    AttrValueList list;
    e.attrStatus = db.readAttrs(attrs.get(), list);
    if (e.attrStatus < 0) ++image.problems;
    // Bounded by the list, which holds only pairs read from the stream.
    for (const AttrValue* v = list.first(); v != nullptr; v = AttrValueList::next(v)) {
      e.attrs += std::string(v->name().c_str()) + "=" +
                 (v->value() != nullptr ? v->value()->c_str() : "(none)") + "\n";
    }
  }

  if (kind == DB::KindLink) {
    if (std::unique_ptr<std::iostream> record = db.getLinkStream(id, 0)) {
      LinkRef ref(&db, id);
      std::unique_ptr<Link> link(ref.getLink(record.get()));
      if (link) {
        e.linkEnds = static_cast<int>(link->specCount());
        e.linkRecord = endsOf(*link, app);
      } else {
        ++image.problems;
      }
    }
  }

  if (std::unique_ptr<std::iostream> list = db.getLinkListStream(id, 0)) {
    Links links(list.get(), &db);
    e.linkListEntries = static_cast<int>(links.count());
    for (std::size_t i = 0; i < links.count(); ++i) {
      e.linkList += std::string(links.at(i).makeString(app, true).c_str()) + "\n";
    }
  }
}

int countEntry(ULONG, const String&, const String&, ULONG, void* data) {
  ++*static_cast<int*>(data);
  return 0;
}

}  // namespace

BookImage readWholeBook(Nexil& app, const std::string& path) {
  BookImage image;
  ReportCounter reports;
  // References made while reading hold counts on the book too: the book lives
  // until the last of them and this handle let go.
  DBRef hold;
  DB* db = nullptr;
  try {
    db = new DB(app, "", path.c_str(), _O_RDONLY, _SH_DENYNO);
    hold.ref(db);
    image.opened = db->store() != nullptr;
  } catch (const ErrorMsgException&) {
    image.opened = false;
  }
  if (image.opened) {
    try {
      Collect collect{&image};
      db->store()->enumerate(collectEntry, &collect, 0, 0);
      // The book's own walks over pages and links.
      int pages = 0, links = 0;
      db->doUntilNode(countEntry, &pages);
      db->doUntilLink(countEntry, &links);
      for (auto& entry : image.entries) readEntry(*db, app, entry.first, entry.second, image);
    } catch (const ErrorMsgException&) {
      ++image.problems;
    }
  }
  try {
    hold.ref(nullptr);
  } catch (const ErrorMsgException&) {
    ++image.problems;
  }
  image.problems += reports.problems();
  image.lastReport = reports.lastText();
  return image;
}
