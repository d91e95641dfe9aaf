// cmd_open.cpp: "tvx open BOOK PAGE OBJECT" hands an embedded object of a page
// to its server as a double click on it would, with this tool's desktop
// standing for every server: the object's own data (a painting's bitmap file,
// a sound's wave file) is written to a file named after its class in the
// output folder. The page is read as its page window reads it; the book is
// opened read-only and not changed.
#include <cstdio>
#include <string>

#include "graphics/ole_box.h"
#include "graphics/view_node.h"
#include "platform/ole/ole_client.h"
#include "platform/system/desktop.h"
#include "tools/tvx/commands.h"
#include "tools/tvx/page_render.h"
#include "tools/tvx/tvx_desktop.h"

namespace {

int cmdOpen(const CommandLine& cl) {
  int rc = expectArgs("open", cl, 3, 3);
  if (rc != kExitOk) return rc;
  ULONG objectId = 0;
  if (!parseULong(cl.args[2], &objectId)) return usageError("open", "OBJECT is an object's number on the page");
  BookSession book;
  if ((rc = book.openForReading(cl.args[0])) != kExitOk) return rc;
  const ULONG id = findPageOrReport(book, cl.args[1]);
  if (id == kNoEntry) return kExitFailure;

  TvxDesktop desktop;
  desktop.setObjectFolder(cl.value("output", "."));
  OleSetDesktopServes(true);
  RenderOptions o;
  o.use = [&](ViewNode& page, const DisplayList&, std::string* why) {
    OleBox* box = nullptr;
    for (SensitiveGraphic* g : page.sensitiveGraphics()) {
      auto* b = dynamic_cast<OleBox*>(g);
      if (b != nullptr && static_cast<ULONG>(b->id()) == objectId) box = b;
    }
    if (box == nullptr || box->object() == nullptr) {
      *why = box == nullptr ? "the page has no embedded object " + cl.args[2]
                            : "embedded object " + cl.args[2] + " does not load";
      return false;
    }
    DesktopScope scope(desktop);
    if (box->canPlay()) box->CMActivateExecute();
    else box->CMActivateEdit();
    if (desktop.written().empty()) {
      *why = "embedded object " + cl.args[2] + " cannot be opened";
      return false;
    }
    return true;
  };
  std::string why;
  const bool ok = renderPage(book.db(), book.app(), id, o, {}, &why);
  OleSetDesktopServes(false);
  if (!ok) return failure("%s: %s", cl.args[0].c_str(), why.c_str());
  for (const std::string& path : desktop.written()) std::printf("%s\n", path.c_str());
  return kExitOk;
}

}  // namespace

const Command openCommand = {
    "open",
    "write an embedded object out as its program would open it",
    "tvx open [-o DIR] BOOK PAGE OBJECT",
    "Hands the embedded object numbered OBJECT on PAGE to its program, as a\n"
    "double click on it would. Here the program is this tool: it writes the\n"
    "object's own data to a file named after the object's class in DIR (the\n"
    "current folder without -o): a picture of class PBrush to PBrush.bmp, a\n"
    "sound of class SoundRec to SoundRec.wav, any other to CLASS.bin. The path\n"
    "is printed. The book is opened read-only and not changed. A page without\n"
    "that object, or an object kept only as a picture, gives exit status 1.\n",
    {{"output", "DIR", "write the object's file into DIR", 'o'}},
    "tvx open -o /tmp solar-system.tvx \"A picture of the Solar System\" 3",
    cmdOpen,
};
