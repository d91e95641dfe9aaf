// Embedded-object boxes: loading and saving the object, its commands, drawing
// and the library's notifications (see ole_box.h).
#include "graphics/ole_box.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/client_dc_loan.h"
#include "graphics/graphic_window.h"
#include "graphics/ole_server_dialog.h"
#include "graphics/ole_status_trans.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "platform/ole/ole_client.h"
#include "platform/win/clipboard.h"
#include "platform/win/menu.h"
#include "platform/win/windows_user.h"

namespace {

constexpr const char* kEditing = "StdFileEditing";
constexpr const char* kStatic = "Static";
constexpr const char* kExecute = "StdExecute";
constexpr const char* kDocumentClass = "NPTavix";

// The kept data as a stream the library reads; it refuses to read past the data.
struct ReadStream : OLESTREAM {
  const uint8_t* data;
  ULONG size;
  ULONG pos = 0;
  static DWORD Get(OLESTREAM* s, void* buffer, DWORD n) {
    auto* r = static_cast<ReadStream*>(s);
    if (n > r->size - r->pos) {
      error(nullptr, 'E', "OLE object read exceeds expected size");
      return 0;
    }
    std::memcpy(buffer, r->data + r->pos, n);
    r->pos += n;
    return n;
  }
  static DWORD Put(OLESTREAM*, const void*, DWORD) { return 0; }
};
OLESTREAMVTBL kReadTable = {ReadStream::Get, ReadStream::Put};

// A buffer of the size the library named; it refuses to write past it.
struct WriteStream : OLESTREAM {
  uint8_t* data;
  ULONG size;
  ULONG pos = 0;
  static DWORD Get(OLESTREAM*, void*, DWORD) { return 0; }
  static DWORD Put(OLESTREAM* s, const void* buffer, DWORD n) {
    auto* w = static_cast<WriteStream*>(s);
    if (n > w->size - w->pos) {
      error(nullptr, 'E', "OLE object write exceeds expected size");
      return 0;
    }
    std::memcpy(w->data + w->pos, buffer, n);
    w->pos += n;
    return n;
  }
};
OLESTREAMVTBL kWriteTable = {WriteStream::Get, WriteStream::Put};

void copyName(char* to, const char* from) { std::snprintf(to, OleBox::NameSize, "%s", from != nullptr ? from : ""); }

}  // namespace

// ---------------------------------------------------------------------------
// The client record

OLEClient::OLEClient(OleBox* owner) : OLECLIENT{nullptr}, box(owner) {
  static OLECLIENTVTBL table = {OLEClient::CallBack};
  lpvtbl = &table;
}

int OLEClient::CallBack(OLECLIENT* client, OLE_NOTIFICATION notification, LPOLEOBJECT object) {
  auto* c = static_cast<OLEClient*>(client);
  return c != nullptr && c->box != nullptr ? c->box->notify(notification, object) : 1;
}

// ---------------------------------------------------------------------------
// Making, reading and writing

LONG OleBox::objectCounter_ = 0;

OleBox::OleBox(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, const void* data,
               ULONG size)
    : Annotation(window, id, left, top, right, bottom, 1) {
  copyName(docName_, DefaultDocumentName);
  std::snprintf(objName_, NameSize, "object #%03ld", static_cast<long>(id));
  copyName(prevName_, objName_);
  if (data != nullptr && size > 0) {
    data_.reset(new (std::nothrow) uint8_t[size]);
    if (data_ == nullptr) {
      error(nullptr, 'E', "Cannot alloc memory for %lu byte OLE object", static_cast<unsigned long>(size));
    } else {
      std::memcpy(data_.get(), data, size);
      dataSize_ = size;
    }
  }
}

OleBox::~OleBox() {
  releaseAll();
  if (clientDoc_ != 0) OleRevokeClientDoc(clientDoc_);
}

OleBox* OleBox::make(GraphicWindow* window, KM_Annotation& record, HDC hdc) {
  if (window == nullptr) return nullptr;
  const LONG id = record.id == KM_ABSENT ? Annotation::freshId(window) : record.id;
  const int64_t x = record.x == KM_ABSENT ? 0 : record.x;
  const int64_t y = record.y == KM_ABSENT ? 0 : record.y;
  const int64_t x2 = record.x2 == KM_ABSENT ? x + DefaultWidth : record.x2;
  const int64_t y2 = record.y2 == KM_ABSENT ? y + DefaultHeight : record.y2;
  const LONG l = clampCoordinate(std::min(x, x2)), r = clampCoordinate(std::max(x, x2));
  const LONG t = clampCoordinate(std::min(y, y2)), b = clampCoordinate(std::max(y, y2));
  const int wasModified = window->isModified();
  auto* box = new OleBox(window, id, l, t, r, b, record.data, record.data != nullptr ? record.dataSize : 0);
  if (record.flags != static_cast<ULONG>(KM_ABSENT)) {
    box->assignState((box->state() & ~SavedFlagsMask) | (record.flags & SavedFlagsMask));
  }
  window->addSNode(box);
  box->linkTo(record.values, record.valueCount);
  if (record.extra != KM_ABSENT) {
    auto* page = dynamic_cast<ViewNode*>(window);
    box->setMaster(page != nullptr ? page->mapID(record.extra) : record.extra);
  }
  box->SetupWindow();
  box->showMade(window, hdc, wasModified);
  return box;
}

LONG OleBox::saveOn(KMEsrap& w) {
  RECT box;
  std::vector<LONG> ids;
  getSaveDetails(box, ids);
  LONG master = KM_ABSENT;
  if (getMasterId(master) != 0) master = KM_ABSENT;
  // The saved form: the object's, or the data kept from reading when there
  // is no object (one that did not load is written back as it came).
  std::unique_ptr<uint8_t[]> made;
  const uint8_t* bytes = data_.get();
  ULONG size = dataSize_;
  LPOLEOBJECT o = object_ != nullptr ? object_ : (loaded_ ? nullptr : backup_);
  if (o != nullptr) {
    DWORD need = 0;
    if (OleQuerySize(o, &need) != OLE_OK) {
      error(nullptr, 'E', "Cannot get size of OLE object");
      return -1;
    }
    made.reset(new (std::nothrow) uint8_t[need > 0 ? need : 1]);
    if (made == nullptr) {
      error(nullptr, 'E', "Cannot alloc memory for %lu byte OLE object", static_cast<unsigned long>(need));
      return -1;
    }
    WriteStream s;
    s.lpstbl = &kWriteTable;
    s.data = made.get();
    s.size = need;
    const OLESTATUS saved = OleSaveToStream(o, &s);
    if (saved != OLE_OK) {
      report(saved);
      return -1;
    }
    bytes = made.get();
    size = s.pos;
  }
  return w.writeAnnotationObject(id(), nullptr, box.left, box.top, box.right, box.bottom, state() & SavedFlagsMask,
                                 ids.empty() ? nullptr : ids.data(), static_cast<int>(ids.size()), 'o', bytes,
                                 bytes != nullptr ? size : 0, nullptr, master);
}

// ---------------------------------------------------------------------------
// Set-up

void OleBox::RegFileName(const char* name) {
  if (name != docName_) copyName(docName_, name);
  if (clientDoc_ != 0) OleRevokeClientDoc(clientDoc_);
  clientDoc_ = 0;
  report(OleRegisterClientDoc(kDocumentClass, docName_, 0, &clientDoc_));
}

OLESTATUS OleBox::loadData(const char* protocol) {
  ReadStream s;
  s.lpstbl = &kReadTable;
  s.data = data_.get();
  s.size = dataSize_;
  LPOLEOBJECT o = nullptr;
  const OLESTATUS st = OleLoadFromStream(&s, protocol, client_.get(), clientDoc_, objName_, &o);
  if (st == OLE_OK) object_ = o;
  return st;
}

void OleBox::SetupWindow() {
  if (clientDoc_ == 0) RegFileName(docName_);
  if (client_ == nullptr) client_ = std::make_unique<OLEClient>(this);
  objectValid_ = 1;
  if (data_ == nullptr || object_ != nullptr) return;
  OLESTATUS st = loadData(kEditing);
  if (st == OLE_ERROR_PROTOCOL) st = loadData(kStatic);
  status_ = st;
  report(st);
  if (st != OLE_OK) return;  // the data stays, so that saving writes it back unchanged
  loaded_ = 1;
  data_.reset();
  dataSize_ = 0;
}

// ---------------------------------------------------------------------------
// Status

LONG OleBox::report(LONG s) {
  if (s != OLE_OK) error(nullptr, 'W', "OLE error %s (%d)", OleStatusTrans::Trans(s), static_cast<int>(s));
  return s;
}

LONG OleBox::waitForRelease(LONG s, LPOLEOBJECT object) {
  status_ = s;
  if (s != OLE_WAIT_FOR_RELEASE) return report(s);
  LONG st = OleQueryReleaseStatus(object);
  for (int i = 0; st == OLE_BUSY && i < MaxReleaseWaits; ++i) {
    MSG msg;
    if (::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessage(&msg);
    }
    st = OleQueryReleaseStatus(object);
  }
  status_ = st;
  if (st != OLE_OK && st != OLE_ERROR_OBJECT) report(st);
  return st;
}

void OleBox::nextObjectName() {
  std::snprintf(objName_, NameSize, "object #%03ld_#%03ld", static_cast<long>(id()),
                static_cast<long>(objectCounter_));
  objectCounter_ = objectCounter_ == INT32_MAX ? 0 : objectCounter_ + 1;
}

bool OleBox::writable() const {
  auto* page = dynamic_cast<ViewNode*>(getParent());
  return page != nullptr && !page->readOnly();
}

bool OleBox::canPlay() {
  return object_ != nullptr && OleQueryReleaseStatus(object_) == OLE_OK &&
         OleQueryProtocol(object_, kExecute) != nullptr;
}

// ---------------------------------------------------------------------------
// Backup and commands

void OleBox::BackupObject() {
  if (object_ == nullptr) return;
  if (backup_ != nullptr) {
    waitForRelease(OleDelete(backup_), nullptr);
    backup_ = nullptr;
  }
  LPOLEOBJECT clone = nullptr;
  if (report(OleClone(object_, client_.get(), clientDoc_, objName_, &clone)) != OLE_OK) return;
  backup_ = clone;
  copyName(prevName_, objName_);
  nextObjectName();
  OleRename(object_, objName_);
}

void OleBox::CMUndo() {
  if (backup_ == nullptr) return;
  if (object_ != nullptr) waitForRelease(OleDelete(object_), nullptr);
  object_ = backup_;
  backup_ = nullptr;
  copyName(objName_, prevName_);
  loaded_ = 1;
  sizeToObject();
  invalidate();
  if (GraphicWindow* w = getParent()) w->setModified(1);
}

void OleBox::CMCopy() {
  if (object_ == nullptr) return;
  GraphicWindow* w = getParent();
  if (!::OpenClipboard(w != nullptr ? w->HWindow : nullptr)) return;
  ::EmptyClipboard();
  report(OleCopyToClipboard(object_));
  ::CloseClipboard();
}

void OleBox::CMCut() {
  if (object_ == nullptr) return;
  CMCopy();
  CloseCurrentOle();
  loaded_ = 0;
  if (GraphicWindow* w = getParent()) w->setModified(1);
}

void OleBox::CMPaste() {
  GraphicWindow* w = getParent();
  if (!::OpenClipboard(w != nullptr ? w->HWindow : nullptr)) return;
  BackupObject();
  nextObjectName();
  LPOLEOBJECT o = nullptr;
  const OLESTATUS st = OleCreateFromClip(kEditing, client_.get(), clientDoc_, objName_, &o, olerender_draw, 0);
  ::CloseClipboard();
  status_ = st;
  if (report(st) != OLE_OK) return;  // the box keeps the object it had
  if (object_ != nullptr) waitForRelease(OleRelease(object_), nullptr);
  object_ = o;
  loaded_ = 1;
  OleSetHostNames(object_, kDocumentClass, objName_);
  sizeToObject();
  if (w != nullptr) w->setModified(1);
}

void OleBox::CMClear() {
  if (object_ == nullptr && backup_ == nullptr) return;
  CloseCurrentOle();
  loaded_ = 0;
  if (GraphicWindow* w = getParent()) w->setModified(1);
}

void OleBox::CMNew() {
  OLEServerDialog dialog(getParent());
  if (dialog.Execute() != IDOK || dialog.chosen().empty()) return;
  BackupObject();
  loaded_ = 0;
  nextObjectName();
  LPOLEOBJECT o = nullptr;
  const OLESTATUS st = OleCreate(kEditing, client_.get(), dialog.chosen().c_str(), clientDoc_, objName_, &o,
                                 olerender_draw, 0);
  status_ = st;
  if (report(st) != OLE_OK) {
    loaded_ = object_ != nullptr;
    return;
  }
  if (object_ != nullptr) waitForRelease(OleRelease(object_), nullptr);
  object_ = o;
  loaded_ = 1;
  OleSetHostNames(object_, kDocumentClass, objName_);
  sizeToObject();
  invalidate();
  if (GraphicWindow* w = getParent()) w->setModified(1);
}

void OleBox::CMActivateEdit() {
  if (object_ == nullptr) return;
  BackupObject();
  RECT r;
  rect(r);
  GraphicWindow* w = getParent();
  waitForRelease(OleActivate(object_, OLEVERB_EDIT, TRUE, TRUE, w != nullptr ? w->HWindow : nullptr, &r), object_);
  invalidate();
  if (w != nullptr) w->setModified(1);
}

void OleBox::CMActivateExecute() {
  if (!canPlay()) return;
  RECT r;
  rect(r);
  GraphicWindow* w = getParent();
  waitForRelease(OleActivate(object_, OLEVERB_PRIMARY, TRUE, TRUE, w != nullptr ? w->HWindow : nullptr, &r),
                 object_);
  invalidate();
  if (w != nullptr) w->setModified(1);
}

void OleBox::sizeToObject() {
  if (object_ == nullptr) return;
  RECT bounds;
  if (report(OleQueryBounds(object_, &bounds)) != OLE_OK) return;
  GraphicWindow* w = getParent();
  ClientDCLoan loan(w);
  const HDC hdc = loan.get();
  const long long px = hdc != nullptr ? ::GetDeviceCaps(hdc, LOGPIXELSX) : 96;
  const long long py = hdc != nullptr ? ::GetDeviceCaps(hdc, LOGPIXELSY) : 96;
  const long long width = px * bounds.right / 2540;
  const long long height = py * -static_cast<long long>(bounds.bottom) / 2540;
  RECT r;
  rect(r);
  invalidate();
  RECT sized{r.left, r.top, clampCoordinate(r.left + width + 12), clampCoordinate(r.top + height + 12)};
  setRect(sized, hdc);
  invalidate();
}

void OleBox::releaseAll() {
  if (object_ != nullptr) waitForRelease(OleRelease(object_), nullptr);
  object_ = nullptr;
  if (backup_ != nullptr) waitForRelease(OleDelete(backup_), nullptr);
  backup_ = nullptr;
}

void OleBox::CloseCurrentOle() {
  releaseAll();
  invalidate();
}

int OleBox::notify(OLE_NOTIFICATION notification, LPOLEOBJECT) {
  if (notification == OLE_CHANGED || notification == OLE_SAVED) invalidate();
  return 1;
}

// ---------------------------------------------------------------------------
// Drawing, menu, mouse

void OleBox::drawFigure(HDC hdc) {
  LPOLEOBJECT o = object_ != nullptr && loaded_ ? object_ : backup_;
  if (o == nullptr) o = object_;
  if (o == nullptr || hdc == nullptr) return;
  RECT inner;
  if (Shape* s = shape()) s->innerRect(inner);
  else rect(inner);
  POINT extent{0, 0};
  if (GraphicWindow* w = getParent()) w->pageExtent(extent);
  const RECT page{0, 0, extent.x, extent.y};
  const OLESTATUS st = OleDraw(o, hdc, &inner, &page, nullptr);
  if (st == OLE_ERROR_OBJECT) error(nullptr, 'W', "Invalid OLE object");
  else report(st);
}

void OleBox::draw(TDC& dc, int force) {
  Annotation::draw(dc, force);
  if ((state() & ContentsHidden) || (!force && !isPaintable())) return;
  drawFigure(dc.GetHDC());
}

HMENU OleBox::createPopup() {
  HMENU m = Annotation::createPopup();
  HMENU edit = ::CreatePopupMenu();
  ::AppendMenu(edit, MF_STRING, CmUndo, "&Undo\tAlt+BkSp");
  ::AppendMenu(edit, MF_SEPARATOR, 0, nullptr);
  ::AppendMenu(edit, MF_STRING, CmCut, "&Cut\tShift+Del");
  ::AppendMenu(edit, MF_STRING, CmCopy, "C&opy\tCtrl+Ins");
  ::AppendMenu(edit, MF_STRING, CmPaste, "&Paste\tShift+Ins");
  ::AppendMenu(edit, MF_STRING, CmClear, "C&lear All\tCtrl+Del");
  ::AppendMenu(edit, MF_SEPARATOR, 0, nullptr);
  ::AppendMenu(edit, MF_STRING, CmNew, "&New Object");
  if (canPlay()) {
    ::AppendMenu(edit, MF_STRING, CmActivateExecute, "&Play\tLeftDblClk");
    ::AppendMenu(edit, MF_STRING, CmActivateEdit, "&Edit");
  } else {
    ::AppendMenu(edit, MF_STRING, CmActivateEdit, "&Edit\tLeftDblClk");
  }
  ::AppendMenu(m, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
  ::AppendMenu(m, MF_STRING, CmAutoSize, "&Auto Size");
  return m;
}

void OleBox::handleMessage(GMessage& msg) {
  switch (msg.keys) {
    case CmUndo: CMUndo(); break;
    case CmCut: CMCut(); break;
    case CmCopy: CMCopy(); break;
    case CmPaste: CMPaste(); break;
    case CmClear: CMClear(); break;
    case CmNew: CMNew(); break;
    case CmActivateExecute: CMActivateExecute(); break;
    case CmActivateEdit: CMActivateEdit(); break;
    case CmAutoSize: sizeToObject(); break;
    default: Annotation::handleMessage(msg); return;
  }
  msg.result = 0;
}

void OleBox::WMLButtonDblClk(GMessage& msg) {
  if (object_ == nullptr) {
    if (writable()) CMNew();
  } else if (canPlay()) {
    CMActivateExecute();
  } else {
    CMActivateEdit();
  }
  msg.result = 0;
}
