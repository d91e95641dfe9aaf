// Reader target: reference texts and the book's small records. The first input
// byte chooses what the rest is: a page or link reference text (parsed,
// resolved against a small book and printed again), a link record, a link list,
// an entry header or an attribute list, each read from a stream in the book's
// own layout. Each must end in a result, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "core/attr_value_list.h"
#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/node_ref.h"
#include "fuzz/fuzz_support.h"
#include "kit/error_msg_exception.h"
#include "store/middle_level_store.h"

namespace {

// A new book with two pages and a link, made once for the process.
struct Context {
  FuzzNexil app;
  DBRef book;
  Context() {
    DB* db = new DB(app, "", nullptr, 0, 0);
    book.ref(db);
    app.books.push_back(book);
    db->createNode(String("Home"), String("map"), 8);
    db->createNode(String("Second page"), String("map"), 0);
    db->createLink(String("supports"));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 16)) return 0;
  quietProcess();
  static Context* context = new Context();  // lives for the whole process
  ReportCounter quiet;
  DB* db = context->book.db();
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    switch (data[0] % 6) {
      case 0: {
        NodeRef ref(text.c_str(), db);
        ref.resolve(context->app);
        ref.makeString(context->app, true);
        ref.makeString(context->app, false);
        ref.Description();
        ref.dbDescription();
        NodeRef other(ref.makeString(context->app, false).c_str(), db);
        (void)(other == ref);
        break;
      }
      case 1: {
        LinkRef ref(text.c_str(), db);
        ref.resolve(context->app);
        ref.makeString(context->app, true);
        ref.Description();
        break;
      }
      case 2: {
        std::stringstream record(text);
        LinkRef ref(db, 3);
        std::unique_ptr<Link> link(ref.getLink(&record));
        if (link) {
          std::ostringstream out;
          link->printOn(out, context->app);
        }
        break;
      }
      case 3: {
        std::istringstream list(text);
        Links links(&list, db);
        std::ostringstream out;
        links.save(&out, context->app);
        break;
      }
      case 4: {
        std::stringstream attrs(text);
        AttrValueList list;
        db->readAttrs(&attrs, list);
        std::stringstream out;
        db->writeAttrs(&out, list);
        break;
      }
      default: {
        // An entry header written straight into a scratch page's header facet,
        // then decoded; the page goes again, so the book does not grow.
        const ULONG id = db->createNode(String("scratch"), String("map"), 0);
        db->store()->remove(id, DB::EntryHeader);
        {
          std::unique_ptr<StoreStream> header =
              db->store()->insert(id, DB::EntryHeader, static_cast<ULONG>(text.size()) + 1);
          header->write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        String name, type;
        ULONG flags = 0;
        db->lookupName_Type_Flags(id, &name, &type, &flags);
        db->resolveName(name);
        db->removeEntry(id);
        break;
      }
    }
  } catch (const ErrorMsgException&) {
  }
  return 0;
}
