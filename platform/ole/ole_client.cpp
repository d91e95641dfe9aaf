// The embedded-object client calls (see ole_client.h): a table of live objects
// and client documents, the server look-up in the profile, and drawing of the
// presentations.
#include "platform/ole/ole_client.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <strings.h>

#include "platform/ole/metafile_player.h"
#include "platform/ole/ole_object.h"
#include "platform/ole/packed_dib.h"
#include "platform/system/desktop.h"
#include "platform/system/global_memory.h"
#include "platform/system/system.h"
#include "platform/win/clipboard.h"

#ifndef CF_DIB
#define CF_DIB 8u
#endif

namespace {

constexpr const char* kEditing = "StdFileEditing";
constexpr const char* kExecute = "StdExecute";
constexpr const char* kStatic = "Static";

std::map<OleObject*, std::unique_ptr<OleObject>>& objects() {
  static std::map<OleObject*, std::unique_ptr<OleObject>> table;
  return table;
}

std::map<LHCLIENTDOC, std::string>& documents() {
  static std::map<LHCLIENTDOC, std::string> table;
  return table;
}

OleObject* live(LPOLEOBJECT o) { return o != nullptr && objects().count(o) != 0 ? o : nullptr; }

LPOLEOBJECT adopt(std::unique_ptr<OleObject> o) {
  OleObject* raw = o.get();
  objects()[raw] = std::move(o);
  return raw;
}

bool same(const char* a, const char* b) { return a != nullptr && std::strcmp(a, b) == 0; }

bool desktopServes = false;

// The server entry of a class: false without one.
bool serverEntry(const std::string& className, std::string* value) {
  if (className.empty()) return false;
  if (desktopServes) {
    if (value != nullptr) *value = "";
    return true;
  }
  char buffer[512];
  const char* none = "\x01";
  GetProfileString("embedding", className.c_str(), none, buffer, sizeof buffer);
  if (std::strcmp(buffer, none) == 0) return false;
  if (value != nullptr) *value = buffer;
  return true;
}

bool serverPlays(const std::string& className) {
  std::string value;
  if (!serverEntry(className, &value)) return false;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(',', start);
    if (end == std::string::npos) end = value.size();
    std::string field = value.substr(start, end - start);
    while (!field.empty() && field.front() == ' ') field.erase(field.begin());
    while (!field.empty() && field.back() == ' ') field.pop_back();
    if (strcasecmp(field.c_str(), "play") == 0) return true;
    start = end + 1;
  }
  return false;
}

bool supports(const OleObject& o, const char* protocol) {
  if (same(protocol, kStatic)) return true;
  if (o.isStatic || o.image.formatId == OleObjectImage::FormatStatic) return false;
  if (same(protocol, kEditing)) return serverEntry(o.image.className, nullptr);
  if (same(protocol, kExecute)) return serverPlays(o.image.className);
  return false;
}

std::unique_ptr<OleObject> fresh(LPOLECLIENT client, LHCLIENTDOC doc, const char* name) {
  auto o = std::make_unique<OleObject>();
  o->client = client;
  o->document = doc;
  o->name = name != nullptr ? name : "";
  return o;
}

void notify(OleObject* o, OLE_NOTIFICATION what) {
  if (o->client != nullptr && o->client->lpvtbl != nullptr && o->client->lpvtbl->CallBack != nullptr)
    o->client->lpvtbl->CallBack(o->client, what, o);
}

// A device-dependent bitmap (1, 24 or 32 bits a pixel, rows top down, each
// padded to an even byte count) turned into a packed DIB.
bool bitmapAsDib(const std::vector<uint8_t>& b, std::vector<uint8_t>& dib) {
  if (b.size() < 10) return false;
  auto u16 = [&](std::size_t at) { return static_cast<unsigned>(b[at] | b[at + 1] << 8); };
  const unsigned w = u16(2), h = u16(4), rowBytes = u16(6), bpp = b[9];
  if (b[8] != 1 || (bpp != 1 && bpp != 24 && bpp != 32) || w == 0 || h == 0) return false;
  if (rowBytes < (w * bpp + 7) / 8 || static_cast<unsigned long long>(rowBytes) * h > b.size() - 10) return false;
  const unsigned stride = ((w * bpp + 31) / 32) * 4;
  const unsigned table = bpp == 1 ? 8 : 0;
  dib.assign(40 + table + static_cast<std::size_t>(stride) * h, 0);
  auto put32 = [&](std::size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, w);
  put32(8, static_cast<DWORD>(-static_cast<LONG>(h)));  // top down
  dib[12] = 1;
  dib[14] = static_cast<uint8_t>(bpp);
  if (bpp == 1) put32(40 + 4, 0x00FFFFFF);  // 0 black, 1 white
  for (unsigned y = 0; y < h; ++y)
    std::memcpy(&dib[40 + table + static_cast<std::size_t>(y) * stride], &b[10 + static_cast<std::size_t>(y) * rowBytes],
                (w * bpp + 7) / 8);
  return true;
}

OLESTATUS drawDib(HDC hdc, const uint8_t* data, std::size_t size, const RECT& r) {
  PackedDib dib;
  if (!dib.parse(data, size)) return OLE_ERROR_DRAW;
  const long long w = static_cast<long long>(r.right) - r.left, h = static_cast<long long>(r.bottom) - r.top;
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return OLE_ERROR_DRAW;
  const int rows = StretchDIBits(hdc, r.left, r.top, static_cast<int>(w), static_cast<int>(h), 0, 0, dib.width(),
                                 dib.height(), dib.bits(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
  return rows > 0 ? OLE_OK : OLE_ERROR_DRAW;
}

HGLOBAL blockOf(const void* data, std::size_t size) {
  HGLOBAL h = GlobalAlloc(GHND, size > 0 ? size : 1);
  if (h == nullptr) return nullptr;
  if (void* p = GlobalLock(h)) {
    if (size > 0) std::memcpy(p, data, size);
    GlobalUnlock(h);
  }
  return h;
}

std::vector<uint8_t> bytesOf(HGLOBAL h) {
  std::vector<uint8_t> out;
  if (h == nullptr) return out;
  const void* p = GlobalLock(h);
  if (p != nullptr) {
    const auto* b = static_cast<const uint8_t*>(p);
    out.assign(b, b + GlobalSize(h));
  }
  GlobalUnlock(h);
  return out;
}

}  // namespace

OLESTATUS OleRegisterClientDoc(const char* className, const char* docName, LONG, LHCLIENTDOC* doc) {
  if (doc == nullptr || className == nullptr || docName == nullptr) return OLE_ERROR_ADDRESS;
  static LHCLIENTDOC next = 0;
  do {
    next = next == INT32_MAX ? 1 : next + 1;
  } while (documents().count(next) != 0);
  documents()[next] = docName;
  *doc = next;
  return OLE_OK;
}

OLESTATUS OleRevokeClientDoc(LHCLIENTDOC doc) { return documents().erase(doc) != 0 ? OLE_OK : OLE_ERROR_HANDLE; }

OLESTATUS OleCreate(const char* protocol, LPOLECLIENT client, const char* className, LHCLIENTDOC doc,
                    const char* objName, LPOLEOBJECT* object, OLEOPT_RENDER, OLECLIPFORMAT) {
  if (object == nullptr || className == nullptr) return OLE_ERROR_ADDRESS;
  *object = nullptr;
  if (documents().count(doc) == 0) return OLE_ERROR_HANDLE;
  if (!same(protocol, kEditing)) return OLE_ERROR_PROTOCOL;
  if (!serverEntry(className, nullptr)) return OLE_ERROR_CLASS;
  auto o = fresh(client, doc, objName);
  o->image.className = className;
  *object = adopt(std::move(o));
  return OLE_OK;
}

OLESTATUS OleLoadFromStream(LPOLESTREAM stream, const char* protocol, LPOLECLIENT client, LHCLIENTDOC doc,
                            const char* objName, LPOLEOBJECT* object) {
  if (object == nullptr) return OLE_ERROR_ADDRESS;
  *object = nullptr;
  if (documents().count(doc) == 0) return OLE_ERROR_HANDLE;
  if (!same(protocol, kEditing) && !same(protocol, kStatic)) return OLE_ERROR_PROTOCOL;
  auto o = fresh(client, doc, objName);
  const OLESTATUS s = readOleObject(stream, o->image);
  if (s != OLE_OK) return s;
  o->isStatic = same(protocol, kStatic);
  if (!o->isStatic && !supports(*o, kEditing)) return OLE_ERROR_PROTOCOL;
  *object = adopt(std::move(o));
  return OLE_OK;
}

OLESTATUS OleSaveToStream(LPOLEOBJECT object, LPOLESTREAM stream) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  return writeOleObject(stream, o->image);
}

OLESTATUS OleQuerySize(LPOLEOBJECT object, DWORD* size) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  if (size == nullptr) return OLE_ERROR_ADDRESS;
  *size = oleObjectSize(o->image);
  return OLE_OK;
}

OLESTATUS OleDraw(LPOLEOBJECT object, HDC hdc, const RECT* bounds, const RECT*, HDC) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  if (bounds == nullptr) return OLE_ERROR_ADDRESS;
  const OlePresentation& p = o->image.presentation;
  switch (p.kind) {
    case OlePresentation::None:
      return OLE_ERROR_BLANK;
    case OlePresentation::Dib:
      return drawDib(hdc, p.data.data(), p.data.size(), *bounds);
    case OlePresentation::Bitmap: {
      std::vector<uint8_t> dib;
      if (!bitmapAsDib(p.data, dib)) return OLE_ERROR_DRAW;
      return drawDib(hdc, dib.data(), dib.size(), *bounds);
    }
    case OlePresentation::MetafilePict: {
      MetafilePicture pic;
      pic.data = p.data.data();
      pic.size = p.data.size();
      // Pictures whose extents are in device-free units carry them here; a
      // metafile of its own window extent sets it with its records.
      pic.xExt = static_cast<int16_t>(p.xExt);
      pic.yExt = static_cast<int16_t>(p.yExt);
      return playMetafilePicture(hdc, pic, *bounds);
    }
    case OlePresentation::ClipFormat:
      if (p.clipFormat == CF_DIB) return drawDib(hdc, p.data.data(), p.data.size(), *bounds);
      return OLE_ERROR_DRAW;
  }
  return OLE_ERROR_DRAW;
}

OLESTATUS OleQueryBounds(LPOLEOBJECT object, RECT* bounds) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  if (bounds == nullptr) return OLE_ERROR_ADDRESS;
  const OlePresentation& p = o->image.presentation;
  if (p.kind == OlePresentation::None) return OLE_ERROR_BLANK;
  // Magnitudes, held within 32 bits (the most negative width has none).
  const LONG w = static_cast<LONG>(std::min<long long>(std::llabs(p.width), INT32_MAX));
  const LONG h = static_cast<LONG>(std::min<long long>(std::llabs(p.height), INT32_MAX));
  *bounds = RECT{0, 0, w, -h};
  return OLE_OK;
}

OLESTATUS OleClone(LPOLEOBJECT object, LPOLECLIENT client, LHCLIENTDOC doc, const char* objName,
                   LPOLEOBJECT* clone) {
  OleObject* o = live(object);
  if (clone == nullptr) return OLE_ERROR_ADDRESS;
  *clone = nullptr;
  if (o == nullptr) return OLE_ERROR_OBJECT;
  if (documents().count(doc) == 0) return OLE_ERROR_HANDLE;
  auto c = fresh(client, doc, objName);
  c->image = o->image;
  c->isStatic = o->isStatic;
  c->hostClient = o->hostClient;
  c->hostObject = o->hostObject;
  *clone = adopt(std::move(c));
  return OLE_OK;
}

OLESTATUS OleActivate(LPOLEOBJECT object, UINT verb, BOOL, BOOL, HWND hwnd, const RECT*) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  if (o->isStatic || o->image.formatId == OleObjectImage::FormatStatic) return OLE_ERROR_STATIC;
  const bool play = verb == OLEVERB_PRIMARY && supports(*o, kExecute);
  if (!play && !supports(*o, kEditing)) return OLE_ERROR_PROTOCOL;
  const std::vector<uint8_t>& n = o->image.native;
  if (!currentDesktop().openObject(hwnd, o->image.className.c_str(), n.data(), n.size(), play)) return OLE_ERROR_LAUNCH;
  o->open = true;
  o->pending = 1;
  return OLE_WAIT_FOR_RELEASE;
}

OLESTATUS OleClose(LPOLEOBJECT object) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  if (!o->open) return OLE_OK;
  o->open = false;
  o->pending = 1;
  notify(o, OLE_CLOSED);
  return OLE_WAIT_FOR_RELEASE;
}

OLESTATUS OleRelease(LPOLEOBJECT object) {
  if (live(object) == nullptr) return OLE_ERROR_OBJECT;
  objects().erase(object);
  return OLE_OK;
}

OLESTATUS OleDelete(LPOLEOBJECT object) { return OleRelease(object); }

OLESTATUS OleQueryReleaseStatus(LPOLEOBJECT object) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  if (o->pending > 0) {
    --o->pending;
    return OLE_BUSY;
  }
  return OLE_OK;
}

void* OleQueryProtocol(LPOLEOBJECT object, const char* protocol) {
  OleObject* o = live(object);
  return o != nullptr && supports(*o, protocol) ? o : nullptr;
}

OLESTATUS OleSetHostNames(LPOLEOBJECT object, const char* client, const char* clientObject) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  o->hostClient = client != nullptr ? client : "";
  o->hostObject = clientObject != nullptr ? clientObject : "";
  return OLE_OK;
}

OLESTATUS OleRename(LPOLEOBJECT object, const char* name) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  o->name = name != nullptr ? name : "";
  return OLE_OK;
}

OLESTATUS OleCopyToClipboard(LPOLEOBJECT object) {
  OleObject* o = live(object);
  if (o == nullptr) return OLE_ERROR_OBJECT;
  const OleObjectImage& im = o->image;
  std::string link = im.className + '\0' + im.topic + '\0' + im.item + '\0' + '\0';
  const bool linked = im.formatId == OleObjectImage::FormatLinked;
  const UINT linkFormat = RegisterClipboardFormat(linked ? "ObjectLink" : "OwnerLink");
  const UINT nativeFormat = RegisterClipboardFormat("Native");
  // The clipboard must be open (the caller's window opens it).
  if (SetClipboardData(linkFormat, blockOf(link.data(), link.size())) == nullptr) return OLE_ERROR_CLIPBOARD;
  if (!linked && SetClipboardData(nativeFormat, blockOf(im.native.data(), im.native.size())) == nullptr)
    return OLE_ERROR_CLIPBOARD;
  const OlePresentation& p = im.presentation;
  if (p.kind == OlePresentation::Dib) SetClipboardData(CF_DIB, blockOf(p.data.data(), p.data.size()));
  return OLE_OK;
}

OLESTATUS OleQueryCreateFromClip(const char* protocol, OLEOPT_RENDER, OLECLIPFORMAT) {
  if (!same(protocol, kEditing) && !same(protocol, kStatic)) return OLE_ERROR_PROTOCOL;
  return IsClipboardFormatAvailable(RegisterClipboardFormat("OwnerLink")) &&
                 IsClipboardFormatAvailable(RegisterClipboardFormat("Native"))
             ? OLE_OK
             : OLE_ERROR_FORMAT;
}

OLESTATUS OleCreateFromClip(const char* protocol, LPOLECLIENT client, LHCLIENTDOC doc, const char* objName,
                            LPOLEOBJECT* object, OLEOPT_RENDER render, OLECLIPFORMAT format) {
  if (object == nullptr) return OLE_ERROR_ADDRESS;
  *object = nullptr;
  if (documents().count(doc) == 0) return OLE_ERROR_HANDLE;
  const OLESTATUS q = OleQueryCreateFromClip(protocol, render, format);
  if (q != OLE_OK) return q;
  const std::vector<uint8_t> link = bytesOf(GetClipboardData(RegisterClipboardFormat("OwnerLink")));
  // Class, topic and item: three texts, each ended by a NUL within the block.
  std::string parts[3];
  std::size_t at = 0;
  for (std::string& part : parts) {
    const void* nul = at < link.size() ? std::memchr(link.data() + at, 0, link.size() - at) : nullptr;
    if (nul == nullptr) return OLE_ERROR_CLIPBOARD;
    const std::size_t end = static_cast<const uint8_t*>(nul) - link.data();
    part.assign(reinterpret_cast<const char*>(link.data() + at), end - at);
    at = end + 1;
  }
  auto o = fresh(client, doc, objName);
  o->image.className = parts[0];
  o->image.topic = parts[1];
  o->image.item = parts[2];
  o->image.native = bytesOf(GetClipboardData(RegisterClipboardFormat("Native")));
  if (IsClipboardFormatAvailable(CF_DIB)) {
    OlePresentation& p = o->image.presentation;
    p.data = bytesOf(GetClipboardData(CF_DIB));
    PackedDib dib;
    if (dib.parse(p.data.data(), p.data.size())) {
      p.kind = OlePresentation::Dib;
      p.className = "DIB";
      // Hundredths of a millimetre at 96 pixels an inch.
      p.width = static_cast<LONG>(dib.width() * 2540LL / 96);
      p.height = static_cast<LONG>(dib.height() * 2540LL / 96);
    } else {
      p = OlePresentation();
    }
  }
  o->isStatic = same(protocol, kStatic);
  if (!o->isStatic && !supports(*o, kEditing)) return OLE_ERROR_PROTOCOL;
  *object = adopt(std::move(o));
  return OLE_OK;
}

void OleSetDesktopServes(bool serves) { desktopServes = serves; }

const char* OleQueryClassName(LPOLEOBJECT object) {
  OleObject* o = live(object);
  return o != nullptr ? o->image.className.c_str() : "";
}
