// cmd_attr.cpp: "tvx attr BOOK PAGE [NAME [VALUE]]" lists, gets and sets a
// page's attributes ("--rm" removes one). Attributes are the page's attribute
// list, map-text pairs read and written by the book database; changes go
// through the page reference.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/attr_value_list.h"
#include "core/node_ref.h"
#include "tools/tvx/commands.h"

namespace {

// The page's attribute list as stored; false when it cannot be read.
bool readAttributes(DB& db, ULONG id, AttrValueList& list) {
  if (!facetNamesRecord(db, id, DB::Attributes)) return true;  // no list: no attributes
  std::unique_ptr<std::iostream> s = db.getAttrStream(id, 0);
  if (!s) return false;
  return db.readAttrs(s.get(), list) >= 0;
}

int cmdAttr(const CommandLine& cl) {
  int rc = kExitOk;
  const bool remove = cl.has("rm");
  if (remove) {
    if ((rc = expectArgs("attr", cl, 3, 3)) != kExitOk) return rc;
  } else if ((rc = expectArgs("attr", cl, 2, 4)) != kExitOk) {
    return rc;
  }
  if (cl.args.size() >= 3 && cl.args[2].empty()) return usageError("attr", "an attribute name cannot be empty");
  const bool write = remove || cl.args.size() == 4;

  BookSession book;
  rc = write ? book.openForWriting(cl.args[0], cl.has("force")) : book.openForReading(cl.args[0]);
  if (rc != kExitOk) return rc;
  DB& db = book.db();
  const ULONG id = findPageOrReport(book, cl.args[1]);
  if (id == kNoEntry) return kExitFailure;
  if (write && (rc = book.checkEntries({id})) != kExitOk) return rc;

  AttrValueList list;
  if (!readAttributes(db, id, list)) {
    return failure("the attribute list of page '%s' cannot be read: %s is damaged",
                   cl.args[1].c_str(), cl.args[0].c_str());
  }
  if (cl.args.size() == 2) {
    // The list keeps the most recently read first; print in stored order.
    std::vector<const AttrValue*> pairs;
    for (const AttrValue* v = list.first(); v != nullptr; v = AttrValueList::next(v)) pairs.push_back(v);
    for (auto it = pairs.rbegin(); it != pairs.rend(); ++it) {
      const AttrValue* v = *it;
      if (v->value() != nullptr) {
        std::printf("%s=%s\n", v->name().c_str(), v->value()->c_str());
      } else {
        std::printf("%s\n", v->name().c_str());
      }
    }
    return kExitOk;
  }
  const std::string& name = cl.args[2];
  const AttrValue* found = list.find(name.c_str());
  if (cl.args.size() == 3 && !remove) {
    if (found == nullptr) return failure("page '%s' has no attribute '%s'", cl.args[1].c_str(), name.c_str());
    std::printf("%s\n", found->value() != nullptr ? found->value()->c_str() : "");
    return kExitOk;
  }
  NodeRef ref(&db, id);
  if (remove) {
    if (found == nullptr) return failure("page '%s' has no attribute '%s'", cl.args[1].c_str(), name.c_str());
    if (ref.removeAttribute(name.c_str()) != 0) {
      return failure("cannot remove attribute '%s' of page '%s'", name.c_str(), cl.args[1].c_str());
    }
  } else if (ref.createAttribute(name.c_str(), cl.args[3].c_str()) != 0) {
    return failure("cannot set attribute '%s' of page '%s'", name.c_str(), cl.args[1].c_str());
  }
  return book.commit();
}

}  // namespace

const Command attrCommand = {
    "attr",
    "list, get, set or remove a page's attributes",
    "tvx attr BOOK PAGE               list the attributes, NAME=VALUE a line\n"
    "tvx attr BOOK PAGE NAME          print the value of NAME\n"
    "tvx attr BOOK PAGE NAME VALUE    set NAME to VALUE\n"
    "tvx attr --rm BOOK PAGE NAME     remove NAME",
    "Lists, gets, sets or removes the attributes of PAGE, a page ID (decimal) or\n"
    "a page name. An attribute present without a value lists as NAME alone and\n"
    "prints as an empty line. Getting or removing an attribute the page does not\n"
    "have fails with exit status 1. Setting or removing one in a damaged book is\n"
    "refused with the first problems \"tvx check\" finds, unless --force is given.\n",
    {{"rm", nullptr, "remove the attribute NAME"}, kForceOption},
    "tvx attr plants.tvx Leaves URL https://example.org/leaves\n"
    "tvx attr plants.tvx Leaves URL",
    cmdAttr,
};
