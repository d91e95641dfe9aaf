// Text boxes: their text block, editing, scrolling, the mouse, and their record
// (see text_box.h).
#include "graphics/text_box.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "graphics/client_dc_loan.h"
#include "graphics/graphic_window.h"
#include "graphics/three_d_box.h"
#include "graphics/view_node.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "platform/win/window_manager.h"
#include "plugin/search_token.h"
#include "plugin/t_find_params.h"

namespace {

// The text block of a text box draws only its text and arrows: the box's face
// is its background, and with the box hidden nothing frames the text.
class FacelessTextBlock : public ScrolledBoxedTextBlock {
 public:
  using ScrolledBoxedTextBlock::ScrolledBoxedTextBlock;
  void drawFigure(HDC) override {}
};

ScrolledBoxedTextBlock* newBlock(GraphicWindow* window, const char* text) {
  return new FacelessTextBlock(window, text, 0, 0, 0, 0);
}

bool isMouseInput(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST; }
bool isKeyInput(UINT msg) { return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR; }

}  // namespace

TextBox::TextBox(GraphicWindow* window, LONG id, int x, int y)
    : Annotation(window, id, x, y, 1), block_(newBlock(window, "")) {
  layoutBlock();
}

TextBox::TextBox(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const char* text)
    : Annotation(window, id, left, top, right, bottom, 1), block_(newBlock(window, text)) {
  layoutBlock();
}

TextBox::~TextBox() = default;

// ---------------------------------------------------------------------------
// The record

TextBox* TextBox::make(GraphicWindow* window, KM_Annotation& record, HDC hdc) {
  if (window == nullptr) return nullptr;
  const LONG id = record.id == KM_ABSENT ? Annotation::freshId(window) : record.id;
  const int64_t x = record.x == KM_ABSENT ? 0 : record.x;
  const int64_t y = record.y == KM_ABSENT ? 0 : record.y;
  const int64_t x2 = record.x2 == KM_ABSENT ? x + DefaultWidth : record.x2;
  const int64_t y2 = record.y2 == KM_ABSENT ? y + DefaultHeight : record.y2;
  // A box given back to front is the same box.
  const LONG l = clampCoordinate(std::min(x, x2)), r = clampCoordinate(std::max(x, x2));
  const LONG t = clampCoordinate(std::min(y, y2)), b = clampCoordinate(std::max(y, y2));
  std::string text;
  if (record.data != nullptr && record.dataSize > 0) {
    const char* d = static_cast<const char*>(record.data);
    text.assign(d, strnlen(d, record.dataSize));
  }
  const int wasModified = window->isModified();
  auto* box = new TextBox(window, id, l, t, r, b, text.c_str());
  if (record.flags != static_cast<ULONG>(KM_ABSENT)) {
    box->assignState((box->state() & ~SavedFlagsMask) | (record.flags & SavedFlagsMask));
  }
  window->addSNode(box);
  box->linkTo(record.values, record.valueCount);
  box->showMade(window, hdc, wasModified);
  return box;
}

LONG TextBox::saveOn(KMEsrap& w) {
  RECT box;
  std::vector<LONG> ids;
  getSaveDetails(box, ids);
  const std::string& t = block_->text();
  return w.writeAnnotationObject(id(), nullptr, box.left, box.top, box.right, box.bottom, state() & SavedFlagsMask,
                                 ids.empty() ? nullptr : ids.data(), static_cast<int>(ids.size()), 't', t.c_str(),
                                 static_cast<ULONG>(t.size()), nullptr, KM_ABSENT);
}

// ---------------------------------------------------------------------------
// The text and editing

const char* TextBox::text() const { return block_ != nullptr ? block_->text().c_str() : nullptr; }

void TextBox::putText(const char* text) {
  // The block would draw the new text over the old one: the box repaints instead.
  block_->setState(Hidden);
  block_->setText(text);
  if (EditControl* e = block_->editControl()) {
    e->SetText(block_->text().c_str());
    e->ClearModify();
  }
  invalidate();
}

bool TextBox::canEdit() const {
  auto* page = dynamic_cast<ViewNode*>(getParent());
  return page != nullptr && !page->readOnly();
}

void TextBox::startEditing() {
  if (isEditing() || !canEdit()) return;
  layoutBlock();
  block_->startEdit();
}

void TextBox::stopEditing() {
  if (!isEditing()) return;
  block_->endEdit();
  invalidate();
}

int TextBox::CanClose() {
  EditControl* e = block_->editControl();
  return e == nullptr || e->CanClose() ? 1 : 0;
}

void TextBox::setToNormalState() {
  stopEditing();
  Annotation::setToNormalState();
}

// ---------------------------------------------------------------------------
// Layout and drawing

void TextBox::layoutBlock() {
  RECT r;
  rect(r);
  TRect face = TRect(r).Normalized();
  face.Inflate(-ThreeDBox::FaceInset, -ThreeDBox::FaceInset);
  if (face.right < face.left) face.left = face.right = (r.left + r.right) / 2;
  if (face.bottom < face.top) face.top = face.bottom = (r.top + r.bottom) / 2;
  RECT now;
  block_->rawRect(now);
  if (::EqualRect(&now, &face)) return;
  RECT to = face;
  block_->setRect(to, nullptr);
  if (EditControl* e = block_->editControl()) {
    if (GraphicWindow* w = getParent()) w->logicalToDevice(to);
    e->MoveWindow(to.left, to.top, to.right - to.left, to.bottom - to.top, true);
  }
}

void TextBox::draw(TDC& dc, int force) {
  Annotation::draw(dc, force);
  if ((state() & ContentsHidden) || (!force && !isPaintable())) return;
  layoutBlock();
  block_->draw(dc, force);
}

void TextBox::compute(TDC& dc) {
  Annotation::compute(dc);
  layoutBlock();
}

void TextBox::setRect(RECT& r, HDC hdc) {
  Annotation::setRect(r, hdc);
  if (block_ != nullptr) layoutBlock();
}

void TextBox::setParent(GraphicWindow* parent) {
  Annotation::setParent(parent);
  if (block_ != nullptr) block_->setParent(parent);
}

int TextBox::resize(joinPoint handle) {
  const int refused = Annotation::resize(handle);
  if (!refused) layoutBlock();
  return refused;
}

// ---------------------------------------------------------------------------
// Scrolling

int TextBox::scroll(POINT p) {
  layoutBlock();
  const DWORD arrow = block_->arrowHit(p.x, p.y);
  const uint16_t before = block_->firstVisibleLine();
  if (arrow == ScrolledBoxedTextBlock::UpArrow) block_->scrollUp(1);
  else if (arrow == ScrolledBoxedTextBlock::DownArrow) block_->scrollDown(1);
  if (block_->firstVisibleLine() == before) return 0;
  invalidate();
  GraphicWindow* w = getParent();
  ClientDCLoan loan(w);
  if (HDC hdc = loan.get()) {
    RECT r;
    rect(r);
    ::InflateRect(&r, -ThreeDBox::FaceInset, -ThreeDBox::FaceInset);
    // The face of a shown box; the page itself where the box is hidden.
    const COLORREF face = boxHidden()   ? ::GetSysColor(COLOR_WINDOW)
                          : w->colorMode() ? ::GetSysColor(COLOR_BTNFACE)
                                           : 0xFFFFFF;
    HBRUSH brush = ::CreateSolidBrush(face);
    if (r.left < r.right && r.top < r.bottom) ::FillRect(hdc, &r, brush);
    ::DeleteObject(brush);
    TDC dc(hdc);
    block_->draw(dc, 0);
  }
  return 1;
}

int TextBox::repeatScroll(POINT p) {
  int lines = scroll(p);
  GraphicWindow* w = getParent();
  if (w == nullptr || w->HWindow == nullptr) return lines;
  DWORD last = WindowManager::instance().now();
  w->captureMouse(this);
  MSG m;
  for (;;) {
    if (!::GetMessage(&m, nullptr, 0, 0)) {
      // The program is ending: the scrolling ends here and the quit goes on.
      ::PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == WM_LBUTTONUP) break;
    if (static_cast<int32_t>(m.time - last) > static_cast<int32_t>(ScrollPeriod)) {
      last = m.time;
      POINT c;
      ::GetCursorPos(&c);
      ::ScreenToClient(w->HWindow, &c);
      const LONG at = w->deviceToLogical(packPoint(c.x, c.y));
      lines += scroll({pointX(at), pointY(at)});
    }
    // The loop owns the mouse and the keys until the release.
    if (!isMouseInput(m.message) && !isKeyInput(m.message)) ::DispatchMessage(&m);
    if ((::GetKeyState(VK_LBUTTON) & 0x8000) == 0) {
      // The button went up where this window did not hear it.
      ::PeekMessage(&m, w->HWindow, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE);
      break;
    }
  }
  w->releaseMouse(this);
  return lines;
}

// ---------------------------------------------------------------------------
// The mouse and the menu

TextBox::Zone TextBox::zoneAt(POINT p) {
  layoutBlock();
  if (block_->arrowHit(p.x, p.y) != 0) return Zone::Arrow;
  if (isSelected() && (state() & NoResize) == 0 && hitHandle(p.x, p.y) != 0) return Zone::Sizing;
  RECT face;
  block_->rect(face);
  if (isSelected() && canEdit() && ::PtInRect(&face, p)) return Zone::Text;
  return Zone::Move;
}

HCURSOR TextBox::getCursor(POINT p) {
  switch (zoneAt(p)) {
    case Zone::Arrow: return ::LoadCursor(nullptr, IDC_ARROW);
    case Zone::Text: return ::LoadCursor(nullptr, IDC_IBEAM);
    default: return Annotation::getCursor(p);
  }
}

void TextBox::endPress() {
  GraphicWindow* w = getParent();
  if (state() & MouseDown) {
    releaseMouse();
    w->toggleGroupOutline();
    w->endGroupDrag();
  }
  clearState(MouseDown | Moved);
}

void TextBox::WMLButtonDown(GMessage& msg) {
  const POINT p = logicalPoint(msg);
  if (getParent() != nullptr && zoneAt(p) == Zone::Arrow) {
    repeatScroll(p);
    msg.result = 0;
    return;
  }
  Annotation::WMLButtonDown(msg);
}

void TextBox::WMLButtonUp(GMessage& msg) {
  GraphicWindow* w = getParent();
  if (w == nullptr) return;
  // A drag ends as for every graphic; only a click edits.
  if ((state() & NoClickEdit) == 0) {
    const Zone zone = zoneAt(logicalPoint(msg));
    const bool plain = (msg.keys & (MK_SHIFT | MK_CONTROL)) == 0;
    if (zone == Zone::Text || (zone == Zone::Move && isSelected() && plain && canEdit())) {
      endPress();
      if (zone == Zone::Text && isEditing()) stopEditing();
      else startEditing();
      msg.result = 0;
      return;
    }
  }
  Annotation::WMLButtonUp(msg);
}

void TextBox::WMLButtonDblClk(GMessage& msg) {
  const POINT p = logicalPoint(msg);
  if (zoneAt(p) == Zone::Arrow) scroll(p);
  else if (isEditing()) stopEditing();
  else startEditing();
  msg.result = 0;
}

HMENU TextBox::createPopup() {
  HMENU m = Annotation::createPopup();
  ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  if (isEditing()) ::AppendMenu(m, MF_STRING, CmEditText, "quit &Editing Text");
  else ::AppendMenu(m, MF_STRING | (canEdit() ? 0 : MF_GRAYED), CmEditText, "&Edit Text");
  return m;
}

void TextBox::handleMessage(GMessage& msg) {
  if (msg.keys != CmEditText) {
    Annotation::handleMessage(msg);
    return;
  }
  if (isEditing()) stopEditing();
  else startEditing();
  msg.result = 0;
}

bool TextBox::invariantsHold() const {
  if (!Annotation::invariantsHold() || block_ == nullptr) return false;
  return block_->getParent() == getParent();
}

int TextBox::matchFound(TFindParams* params) const {
  return params != nullptr && params->match(text()) ? 1 : 0;
}

int TextBox::firstMatch(TFindParams* params, SearchToken& token) {
  if (!matchFound(params)) return 1;
  editingBeforeFind_ = isEditing();
  const LONG at = params->firstOffset(text());
  token.textBox.setPosition(at < 0 ? 0 : at + 1);
  if (at >= 0 && isEditing()) {
    block_->editControl()->SetSelection(at, at + static_cast<int>(params->pattern.length()));
  }
  setSelected(1, 0);
  return 0;
}

int TextBox::nextMatch(TFindParams* params, SearchToken& token) {
  if (!isEditing() || params == nullptr) return 1;
  // The edit field holds the text as typed so far.
  const std::string typed = block_->editControl()->GetText();
  const LONG at = params->nextOffset(typed.c_str(), token.textBox.position());
  if (at < 0) {
    if (!editingBeforeFind_) stopEditing();
    return 1;
  }
  token.textBox.setPosition(at + 1);
  block_->editControl()->SetSelection(at, at + static_cast<int>(params->pattern.length()));
  setSelected(1, 0);
  return 0;
}
