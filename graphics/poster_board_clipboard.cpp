// The poster board's clipboard: copy, cut, paste with the paste offset, and
// deleting the selection (see poster_board_node.h).
#include <cstring>
#include <sstream>
#include <string>
#include <unordered_set>

#include "graphics/client_dc_loan.h"
#include "graphics/edit_control.h"
#include "graphics/g_node_slave.h"
#include "graphics/poster_board_node.h"
#include "graphics/sensitive_graphic.h"
#include "graphics/simple_master.h"
#include "graphics/wait_cursor.h"
#include "kit/error.h"
#include "maptext/map_read.h"
#include "platform/system/global_memory.h"
#include "platform/win/clipboard.h"
#include "platform/win/windows_user.h"

namespace {

// Reads a native clipboard block for the board: its symbols, links and
// annotations go to the board's handlers; its file and concept map headers
// are not the board's and are left alone.
class PasteReader : public MapRead {
 public:
  explicit PasteReader(PosterBoardNode& board) : KMFileInfo(ViewNode::AppTag), MapRead(ViewNode::AppTag), board_(board) {}
  int CMFileHeader(KM_FileHeader&) override { return 0; }
  int CMCM(KM_CM&) override { return -1; }
  int CMNode(KM_Node& r) override { return board_.CMNode(r); }
  int CMLink(KM_Link& r) override { return board_.CMLink(r); }
  int CMNodeType(KM_NodeType&) override { return -1; }
  int CMLinkType(KM_LinkType&) override { return -1; }
  int CMAnnotation(KM_Annotation& r) override { return board_.CMAnnotation(r); }
  int CMAttr(char*, char*) override { return -1; }

 private:
  PosterBoardNode& board_;
};

// The text of a clipboard block, up to its first NUL.
std::string blockText(HGLOBAL block) {
  const std::size_t size = ::GlobalSize(block);
  const char* p = static_cast<const char*>(::GlobalLock(block));
  std::string text;
  if (p != nullptr) text.assign(p, strnlen(p, size));
  ::GlobalUnlock(block);
  return text;
}

}  // namespace

void PosterBoardNode::CMEditCopy() {
  WaitCursor wait;
  if (passToGraphic(CmEditCopy, false, false)) return;
  copyToClipboard();
}

void PosterBoardNode::CMEditCut() {
  WaitCursor wait;
  if (passToGraphic(CmEditCut, false, false)) return;
  copyToClipboard();
  deleteObjects();
}

bool PosterBoardNode::pasteSizeOk(unsigned long size) {
  if (size < MaxPasteSize) return true;
  error(nullptr, 'E', "Cannot currently paste native Tavix objects larger than %d bytes, object size=%lu", 2147483647,
        size);
  return false;
}

void PosterBoardNode::CMEditPaste() {
  WaitCursor wait;
  if (passToGraphic(CmEditPaste, false, false)) return;
  if (!::OpenClipboard(HWindow)) return;
  const UINT native = ::RegisterClipboardFormat(ClipboardFormat);
  // Bounded by the formats on the clipboard; the first one handled ends it.
  for (UINT f = ::EnumClipboardFormats(0); f != 0; f = ::EnumClipboardFormats(f)) {
    if (f != CF_TEXT && f != CF_OEMTEXT && f != native) continue;  // embedded objects: not yet
    HGLOBAL block = ::GetClipboardData(f);
    if (block == nullptr) continue;
    if (f != native) {
      newTextBoxWith(blockText(block).c_str());
      break;
    }
    if (!pasteSizeOk(static_cast<unsigned long>(::GlobalSize(block)))) continue;
    const std::string text = blockText(block);
    placePasted(pasteNative(text.data(), text.size()));
    break;
  }
  ::CloseClipboard();
}

std::vector<SensitiveGraphic*> PosterBoardNode::pasteNative(const char* text, std::size_t length) {
  std::stringstream in(std::string(text, length));
  PasteReader reader(*this);
  if (reader.attach(&in) < 0) {
    error(nullptr, 'E', "Internal error... PosterBoardNode::CMEditPaste: failed to attach new stream");
    return {};
  }
  const std::size_t before = sensitiveGraphics().size();
  beginIdMap();
  reader.readFile();
  if (reader.getStatus() < 0) {
    char why[101] = "";
    reader.errorText(why, sizeof why);
    error(nullptr, 'E', "Internal error... PosterBoardNode::CMEditPaste %s\n", why);
  }
  endIdMap();
  // What was pasted before a failure stays.
  const auto& now = sensitiveGraphics();
  std::vector<SensitiveGraphic*> pasted;
  if (now.size() > before) pasted.assign(now.begin() + static_cast<std::ptrdiff_t>(before), now.end());
  if (!pasted.empty()) setModified(1);
  return pasted;
}

void PosterBoardNode::placePasted(const std::vector<SensitiveGraphic*>& pasted) {
  if (pasted.empty()) return;
  ClientDCLoan loan(this);
  HDC hdc = loan.get();
  // Laid out first, so that their boxes have their sizes.
  if (hdc != nullptr) {
    TDC dc(hdc);
    for (SensitiveGraphic* g : pasted) g->compute(dc);
  }
  const POINT offset = getPasteOffset(pasted.front(), hdc);
  const std::unordered_set<const Graphic*> all(pasted.begin(), pasted.end());
  deselectAll();
  for (SensitiveGraphic* g : pasted) {
    g->setSelected(1, 1);
    // A slave pasted with its master goes where its master goes.
    bool carried = false;
    if (auto* slave = dynamic_cast<GNodeSlave*>(g)) carried = all.count(dynamic_cast<Graphic*>(slave->master())) != 0;
    if (!carried) g->moveBy(offset.x, offset.y, hdc);
    if (hdc != nullptr) {
      TDC dc(hdc);
      g->compute(dc);
      g->draw(dc, 0);
    }
    g->invalidate();
  }
  updateScrollBars(1);
}

POINT PosterBoardNode::getPasteOffset(Graphic* first, HDC) {
  POINT offset = {0, 0};
  if (first == nullptr) return offset;
  for (int i = 0; i < 10; ++i) {
    if (foundSameRectangle(first, offset)) {
      offset.x += 8;
      offset.y += 8;
    }
  }
  return offset;
}

bool PosterBoardNode::foundSameRectangle(Graphic* g, POINT offset) {
  RECT r;
  g->rawRect(r);
  ::OffsetRect(&r, offset.x, offset.y);
  for (SensitiveGraphic* s : sensitiveGraphics()) {
    RECT o;
    s->rawRect(o);
    if (::EqualRect(&r, &o)) return true;
  }
  return false;
}

void PosterBoardNode::deleteObjects() {
  // A text being typed in loses the character at its caret instead.
  for (TWindow* c : Children()) {
    auto* edit = dynamic_cast<EditControl*>(c);
    if (edit == nullptr || edit->HWindow == nullptr) continue;
    edit->SendMessage(WM_KEYDOWN, VK_DELETE, 1);
    edit->SendMessage(WM_KEYUP, VK_DELETE, static_cast<LPARAM>(0xC0000001u));
    setModified(1);
    return;
  }
  ViewNode::deleteObjects();
}
