// The poster board's own part: making it, reading and writing the whole page,
// annotation records and queued tethers, the pen-grouping settings, set-up,
// typing, new text boxes, its menu, its commands, its window size and style,
// its idle work and the board side of the pen grouper (see
// poster_board_node.h). The pen is in poster_board_pen.cpp, the clipboard in
// poster_board_clipboard.cpp, grouping in poster_board_groups.cpp.
#include "graphics/poster_board_node.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>
#include <string>

#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/client_dc_loan.h"
#include "graphics/group_annotation.h"
#include "graphics/ole_box.h"
#include "graphics/node_gnode.h"
#include "graphics/pen_stroke.h"
#include "graphics/text_box.h"
#include "graphics/wait_cursor.h"
#include "kit/error.h"
#include "platform/owl/t_command_enabler.h"
#include "platform/system/system.h"
#include "platform/win/menu.h"
#include "platform/win/window_manager.h"
#include "platform/win/windows_user.h"

namespace {

const char* titleOf(Node* node) { return node != nullptr ? node->name().c_str() : "A Title"; }

}  // namespace

PosterBoardNode::PosterBoardNode(TWindow* parent, Node* node, Nexil& app, TModule* module)
    : TWindow(parent, titleOf(node), module),
      KMFileInfo(AppTag),
      ViewNode(parent, node, app, module),
      penGrouper_(std::make_unique<PenGrouper>(*this)) {
  PosterBoardNodeInit(nullptr);
}

PosterBoardNode::PosterBoardNode(std::iostream* body, TWindow* parent, Node* node, Nexil& app, TModule* module)
    : TWindow(parent, titleOf(node), module),
      KMFileInfo(AppTag),
      ViewNode(parent, node, app, module),
      penGrouper_(std::make_unique<PenGrouper>(*this)) {
  PosterBoardNodeInit(body);
}

PosterBoardNode::~PosterBoardNode() {
  // While this class's parts still stand: the grouper lets go first.
  destroyAllGraphics();
}

// ---------------------------------------------------------------------------
// Set-up and reading

void PosterBoardNode::PosterBoardNodeInit(std::iostream* body) {
  setUpBoard();
  readBody(body);
}

void PosterBoardNode::setUpBoard() {
  penColour_ = 0;
  penWidth_ = 1;
  strokeColour_ = 0;
  strokeWidth_ = 1;
  autoSymbol_ = false;
  if (Node* n = node()) n->window(this);
  readPenSettings();
  Attr.AccelTable = AcceleratorResource;
}

void PosterBoardNode::readPenSettings() {
  if (GetProfileInt(ProfileSection, "TavixPenGrouping", 1) == 0) {
    penGrouper_->SetIdleThreshold(0);
    return;
  }
  penGrouper_->SetIdleThreshold(GetProfileInt(ProfileSection, "WritingSpeed", 1000));
  const UINT spacing = std::max<UINT>(1, GetProfileInt(ProfileSection, "CharacterSpacing", 2));
  penGrouper_->SetDistanceFactor(spacing);
  penGrouper_->SetMinDistance(100 / spacing);
}

LONG PosterBoardNode::readBody(std::iostream* body) {
  LONG status = 0;
  bool hasText = false;
  if (body != nullptr) {
    body->clear();
    hasText = body->peek() != std::char_traits<char>::eof();
    body->clear();
  }
  if (hasText) {
    attach(body);
    WaitCursor wait;
    tetherQueue_ = std::make_unique<std::vector<std::pair<Annotation*, LONG>>>();
    tetherQueue_->reserve(111);
    queued_.clear();
    // The title is the one the body stores (not one an empty board took).
    setCMName(nullptr);
    readFile();
    status = KMTranslator::getStatus();
    readError_.clear();
    if (status < 0) {
      char text[101] = "";
      errorText(text, sizeof text);
      readError_ = text;
      error(nullptr, 'E', "parse->readFile(): %s\n", text);
    }
    instantiateQueuedTethers();
  }
  tetherQueue_.reset();
  queued_.clear();
  setModified(0);
  if (NodeRef* ref = nodeRef()) {
    const char* stored = getCMName();
    const char* name = ref->name().c_str();
    if (stored == nullptr || *stored == '\0') {
      setCMName(name);
    } else if (std::strcmp(stored, name) != 0) {
      error(nullptr, 'W', "Stored title (\"%s\") is not the same as reference name (\"%s\")", stored, name);
    }
  }
  return status;
}

int PosterBoardNode::CMAnnotation(KM_Annotation& record) {
  if (pasting()) {
    const LONG old = record.id;
    record.id = newObjectId();
    noteMappedId(old, record.id);
    // The tether ids are the parser's, record.valueCount of them; one that
    // names no pasted object is no tether.
    for (int i = 0; record.values != nullptr && i < record.valueCount; ++i) {
      LONG fresh = KM_ABSENT;
      record.values[i] = findMappedId(record.values[i], fresh) ? fresh : KM_ABSENT;
    }
  }
  Annotation* made = nullptr;
  switch (record.kind) {
    case 'g': made = GroupAnnotation::make(this, record, nullptr); break;
    case 'p': made = PenStroke::make(this, record, nullptr); break;
    case 't': made = TextBox::make(this, record, nullptr); break;
    case 'o': made = OleBox::make(this, record, nullptr); break;
    default: break;  // unknown kinds: skipped
  }
  return made != nullptr ? 0 : -1;
}

void PosterBoardNode::queueTether(Annotation* a, LONG id) {
  if (tetherQueue_ == nullptr || a == nullptr) return;
  if (queued_.insert(a).second) tetherQueue_->emplace_back(a, id);
}

void PosterBoardNode::instantiateQueuedTethers() {
  if (tetherQueue_ == nullptr) return;
  // Only annotations still on the page are tied; the target is any object of
  // the page with that id that takes a tether (an idea symbol first).
  std::unordered_set<const Graphic*> onPage(sensitiveGraphics().begin(), sensitiveGraphics().end());
  std::unordered_map<LONG, SensitiveGraphic*> objects;
  for (SensitiveGraphic* g : sensitiveGraphics())
    if (dynamic_cast<Annotation*>(g) == nullptr) objects.emplace(g->id(), g);
  for (const auto& [a, id] : *tetherQueue_) {
    if (onPage.count(a) == 0) continue;
    SensitiveGraphic* target = findSymbol(id);
    if (target == nullptr) {
      const auto it = objects.find(id);
      if (it != objects.end()) target = it->second;
    }
    if (target == nullptr || a->linkTo(target) == nullptr) {
      error(nullptr, 'W', "Can't instantiate queued Tether from object id 0x%hx to object id 0x%hx",
            static_cast<unsigned short>(a->id()), static_cast<unsigned short>(id));
    }
  }
  tetherQueue_->clear();
  queued_.clear();
}

// ---------------------------------------------------------------------------
// Writing

LONG PosterBoardNode::saveOn(KMEsrap& w) {
  WaitCursor wait;
  return writePageOn(w);
}

int PosterBoardNode::save() {
  std::iostream* s = getStream();
  if (s == nullptr || !isOpen()) {
    error(nullptr, 'E', "PosterBoardNode::save: Cannot save to a non-open or closed stream");
    return -1;
  }
  s->clear();
  s->seekp(0);
  s->seekg(0);
  KMEsrap& writer = *this;
  LONG status = saveOn(writer);
  const LONG closed = writer.close();
  if (status == 0) status = closed;
  ComponentRef::flushStream(s);
  if (status != 0) {
    error(nullptr, 'E', "PosterBoardNode::save: failed to save node, status = %d", static_cast<int>(status));
  }
  return static_cast<int>(status);
}

bool PosterBoardNode::isEmpty() {
  if (autoSymbol_ && !isModified()) return true;
  return ViewNode::isEmpty();
}

void PosterBoardNode::SetupWindow() {
  ViewNode::SetupWindow();
  NodeRef* ref = nodeRef();
  if (!ViewNode::isEmpty() || ref == nullptr) return;
  // An empty page shows a symbol for itself.
  NodeRef own(*ref);
  if (newNode(&own, nullptr, false) != nullptr) autoSymbol_ = true;
  setModified(0);
}

// ---------------------------------------------------------------------------
// Typing, text boxes, the menu

void PosterBoardNode::EvChar(UINT key, UINT repeatCount, UINT flags) {
  const bool typable = key < 0x80 && (std::isalnum(static_cast<int>(key)) || std::ispunct(static_cast<int>(key)) ||
                                      key == ' ');
  if (typable && HWindow != nullptr && ::GetFocus() == HWindow && !modificationLocked()) {
    const UINT n = std::clamp<UINT>(repeatCount, 1, MaxTypedName);
    const std::string text(n, static_cast<char>(key));
    newNameEditNode(false, nullptr, text.c_str());
    return;
  }
  ViewNode::EvChar(key, repeatCount, flags);
}

TextBox* PosterBoardNode::newTextBoxWith(const char* text) {
  const POINT at = DPtoLP(lastPoint());
  auto* box = new TextBox(this, newObjectId(), at.x, at.y);
  if (text != nullptr) box->putText(text);
  addAnnotation(box);
  setModified(1);
  return box;
}

TextBox* PosterBoardNode::newTextBox() { return newTextBoxWith(nullptr); }

TextBox* PosterBoardNode::CMNewTextBox() {
  TextBox* box = newTextBox();
  if (box != nullptr) box->startEditing();
  return box;
}

HMENU PosterBoardNode::createPopup() {
  HMENU m = ::CreatePopupMenu();
  ::AppendMenu(m, MF_POPUP, reinterpret_cast<UINT_PTR>(ViewNode::createPopup()), "&Insert Idea Symbol");
  ::AppendMenu(m, MF_STRING, CmNewTextBox, "New &Text Box");
  ::AppendMenu(m, MF_STRING | MF_GRAYED, CmNewOLEBox, "New Embedded &Object...");
  return m;
}

// ---------------------------------------------------------------------------
// Commands

LRESULT PosterBoardNode::EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) {
  switch (id) {
    case CmNewTextBox:
    case CmNewOLEBox:
    case CmGroup:
    case CmUngroup:
    case CmEditCut:
    case CmEditCopy:
    case CmEditPaste: break;
    default: return ViewNode::EvCommand(id, hWndCtl, notifyCode);
  }
  TCommandEnabler enabler(id, HWindow);
  EvCommandEnable(enabler);
  if (!enabler.GetEnabled()) return 0;
  switch (id) {
    case CmNewTextBox: CMNewTextBox(); break;
    case CmGroup: CMGroup(); break;
    case CmUngroup: CMUngroup(); break;
    case CmEditCut: CMEditCut(); break;
    case CmEditCopy: CMEditCopy(); break;
    case CmEditPaste: CMEditPaste(); break;
    default: break;
  }
  return 0;
}

void PosterBoardNode::EvCommandEnable(TCommandEnabler& enabler) {
  const bool locked = modificationLocked();
  switch (enabler.GetId()) {
    case CmNewTextBox: enabler.Enable(!locked); return;
    case CmNewOLEBox: enabler.Enable(false); return;
    case CmGroup: enabler.Enable(!locked && (canGroupPen() || canGroupMasterSlave())); return;
    case CmUngroup: enabler.Enable(!locked && (canUngroupGroup() || canUngroupMasterSlave())); return;
    case CmEditCut: enabler.Enable(!locked && selectedCount() > 0); return;
    case CmEditCopy: enabler.Enable(true); return;
    case CmEditPaste: enabler.Enable(!locked); return;
    default: ViewNode::EvCommandEnable(enabler); return;
  }
}

// ---------------------------------------------------------------------------
// The window

bool PosterBoardNode::IdleAction(long idleCount) {
  bool more = ViewNode::IdleAction(idleCount);
  if (groupingOn_ && penGrouper_->Idle()) more = true;
  return more;
}

bool PosterBoardNode::PreProcessMsg(MSG& msg) {
  if (msg.message == WM_LBUTTONDOWN && msg.hwnd == HWindow) lastPressTime_ = msg.time;
  return ViewNode::PreProcessMsg(msg);
}

void PosterBoardNode::EvLButtonDown(UINT keys, TPoint& p) {
  lastPressTime_ = tickCount();
  ViewNode::EvLButtonDown(keys, p);
}

void PosterBoardNode::getSize(POINT& p) {
  POINT extent = {0, 0};
  pageExtent(extent);
  for (TWindow* c : Children()) {
    if (c == nullptr || c->HWindow == nullptr || HWindow == nullptr) continue;
    if (::GetWindowLong(c->HWindow, GWL_STYLE) & (WS_MAXIMIZE | WS_MINIMIZE)) continue;
    RECT r;
    ::GetWindowRect(c->HWindow, &r);
    POINT a = {r.left, r.top}, b = {r.right, r.bottom};
    ::ScreenToClient(HWindow, &a);
    ::ScreenToClient(HWindow, &b);
    RECT inside = {a.x, a.y, b.x, b.y};
    deviceToLogical(inside);
    extent.x = std::max<LONG>(extent.x, inside.right);
    extent.y = std::max<LONG>(extent.y, inside.bottom);
  }
  extendTo(extent.x, extent.y);
  p = extent;
}

void PosterBoardNode::SetStyle(DWORD style) {
  const DWORD kept = (HWindow != nullptr ? GetStyle() : Attr.Style) & (WS_VISIBLE | WS_CLIPCHILDREN);
  TWindow::SetStyle(kept | style);
  if (HWindow == nullptr) return;
  ::SetWindowPos(HWindow, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate(true);
}

void PosterBoardNode::EvSize(UINT sizeType, TSize& size) {
  ViewNode::EvSize(sizeType, size);
  if (sizeType != SIZE_RESTORED && sizeType != SIZE_MAXIMIZED) return;
  for (TWindow* c : std::vector<TWindow*>(Children())) {
    if (c == nullptr || c->HWindow == nullptr) continue;
    if ((::GetWindowLong(c->HWindow, GWL_STYLE) & WS_MAXIMIZE) == 0) continue;
    ::ShowWindow(c->HWindow, SW_RESTORE);
    ::ShowWindow(c->HWindow, SW_SHOWMAXIMIZED);
  }
}

void PosterBoardNode::removeNode(Graphic* g) {
  // Also called from a graphic's own destruction, when it can no longer be
  // asked what it is: a pending stroke is let go by its address.
  const auto handed = handedStrokes_.find(g);
  if (handed != handedStrokes_.end()) {
    penGrouper_->Forget(handed->second);
    handedStrokes_.erase(handed);
  }
  ViewNode::removeNode(g);
}

void PosterBoardNode::destroyAllGraphics() {
  penGrouper_->ForgetAll();
  handedStrokes_.clear();
  ViewNode::destroyAllGraphics();
}

// ---------------------------------------------------------------------------
// The board the pen grouper works on

void PosterBoardNode::beginChange() { wrapUpNameEdits(); }

void PosterBoardNode::addAnnotation(Annotation* a) {
  if (a == nullptr) return;
  addSNode(a);
  ClientDCLoan loan(this);
  if (loan.get() != nullptr) {
    TDC dc(loan.get());
    a->compute(dc);
    a->draw(dc, 0);
  } else {
    a->clearState(Graphic::Hidden);  // laid out at the next paint
  }
  a->invalidate();
}

void PosterBoardNode::removeAnnotation(Annotation* a) {
  if (a == nullptr) return;
  a->invalidate();
  removeNode(a);
}

void PosterBoardNode::select(Annotation* a) {
  deselectAll();
  if (a != nullptr) a->setSelected(1, 1);
}

DWORD PosterBoardNode::tickCount() { return WindowManager::instance().now(); }
