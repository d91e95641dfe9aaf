// cmd_put.cpp: "tvx put BOOK PAGE FILE|-" replaces a page's body with the map
// text of a file (or standard input), making the page when no page has that
// name. Text that does not parse as a whole map text is refused before the
// book is opened, with the parser's own error text. The body is written the
// way every page is saved: the core reads the page into the tool's page
// window (NodeRef::getNode) and saves it back through the window (Node::save).
#include <cstdio>
#include <memory>
#include <string>

#include "core/map_text_check.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "tools/tvx/commands.h"
#include "tools/tvx/tvx_page_window.h"

namespace {

int cmdPut(const CommandLine& cl) {
  int rc = expectArgs("put", cl, 3, 3);
  if (rc != kExitOk) return rc;
  const std::string& pageText = cl.args[1];
  const std::string& source = cl.args[2];
  if (pageText.empty()) return usageError("put", "a page name cannot be empty");
  if ((rc = checkEntryText("put", "page name", pageText)) != kExitOk) return rc;
  if ((rc = checkEntryText("put", "type", cl.value("type", ""))) != kExitOk) return rc;

  std::string text, why;
  if (!readInput(source, &text, &why)) return failure("cannot read '%s': %s", source.c_str(), why.c_str());
  if (!MapTextCheck::parsesWhole(text, &why)) {
    return failure("'%s' is not map text: %s", source == "-" ? "standard input" : source.c_str(),
                   why.c_str());
  }

  BookSession book;
  if ((rc = book.openForWriting(cl.args[0], cl.has("force"))) != kExitOk) return rc;
  DB& db = book.db();
  TvxNexil& app = book.app();
  ULONG id = findPage(db, pageText);
  ULONG number = 0;
  if (id == kNoEntry && parseULong(pageText, &number)) {
    return failure("no page with ID %s in %s (a new page needs a name)", pageText.c_str(),
                   cl.args[0].c_str());
  }

  Node* node = nullptr;
  if (id == kNoEntry) {
    // A new page: the core makes its entry for the new window.
    NodeWindow* w = app.makeNodeWindow(&db, cl.value("type", "Undefined").c_str(), pageText.c_str());
    node = w->node();
    if (node == nullptr || node->isInvalid()) return failure("cannot make page '%s'", pageText.c_str());
  } else {
    if ((rc = book.checkEntries({id})) != kExitOk) return rc;
    // The old body goes first: a record never shrinks, and bytes of a longer
    // old body must not remain behind the new one.
    if (db.clearNodeStream(id) != 0) return failure("cannot replace the body of page '%s'", pageText.c_str());
    NodeRef ref(&db, id);
    node = ref.getNode(nullptr, app, NodeRef::ModeWrite);
    if (node == nullptr) return failure("cannot open page '%s'", pageText.c_str());
  }
  TvxPageWindow* window = dynamic_cast<TvxPageWindow*>(node->window());
  if (window == nullptr) return failure("cannot open page '%s'", pageText.c_str());
  window->setText(text);
  node->setModified(1);
  if (node->save(app, 1) != 0) return failure("cannot write the body of page '%s'", pageText.c_str());
  return book.commit();
}

}  // namespace

const Command putCommand = {
    "put",
    "replace a page's body with map text from a file",
    "tvx put [--type TYPE] BOOK PAGE FILE|-",
    "Replaces the body of PAGE with the map text in FILE ('-': standard input).\n"
    "When no page is named PAGE, a new page of that name is made. Text that\n"
    "does not parse as map text is refused with the parser's message, and the\n"
    "book is left as it was. A damaged book is refused with the first problems\n"
    "\"tvx check\" finds, unless --force is given.\n"
    "\n"
    "A page body is map text: a signature line, then the page in nested\n"
    "parentheses (numbers in hexadecimal). A page with one idea symbol:\n"
    "\n"
    "  #CM&^# 161\n"
    "  (B(a\"Tavix: Netscape Plugin\",1,1),(n\"Leaves\"),,\n"
    "   (C162,(r0,0,2f8,208),(r0,0,2f8,208),0,,\n"
    "    (N162,1,(n1,\"Leaf\",\"Organ\",64,64,,,0,,)),,))\n"
    "\n"
    "Whole pages to start from are in examples/solar-system/pages/, and\n"
    "\"tvx cat\" writes any page of a book the same way.\n",
    {{"type", "TYPE", "the type of a page made by put (default \"Undefined\")"}, kForceOption},
    "tvx put plants.tvx \"Leaves\" leaves.map",
    cmdPut,
};
