// Reading and writing the saved form of an embedded object (layout in
// ole_object_stream.h).
#include "platform/ole/ole_object_stream.h"

#include <algorithm>
#include <cstring>

namespace {

class Reader {
 public:
  explicit Reader(OLESTREAM* s) : s_(s) {}
  OLESTATUS status = OLE_OK;

  bool bytes(void* out, DWORD n) {
    if (status != OLE_OK) return false;
    if (n == 0) return true;
    if (s_ == nullptr || s_->lpstbl == nullptr || s_->lpstbl->Get == nullptr || s_->lpstbl->Get(s_, out, n) != n) {
      status = OLE_ERROR_STREAM;
      return false;
    }
    return true;
  }
  bool u32(DWORD& v) {
    uint8_t b[4];
    if (!bytes(b, 4)) return false;
    v = DWORD(b[0]) | DWORD(b[1]) << 8 | DWORD(b[2]) << 16 | DWORD(b[3]) << 24;
    return true;
  }
  bool i32(LONG& v) {
    DWORD u;
    if (!u32(u)) return false;
    v = static_cast<LONG>(u);
    return true;
  }
  bool u16(WORD& v) {
    uint8_t b[2];
    if (!bytes(b, 2)) return false;
    v = static_cast<WORD>(b[0] | b[1] << 8);
    return true;
  }
  // `n` bytes in pieces, so that only what has arrived is held.
  bool block(std::vector<uint8_t>& out, DWORD n) {
    out.clear();
    while (n > 0 && status == OLE_OK) {
      const DWORD piece = std::min(n, kOleChunk);
      const std::size_t at = out.size();
      out.resize(at + piece);
      if (!bytes(out.data() + at, piece)) break;
      n -= piece;
    }
    if (status != OLE_OK) out.clear();
    return status == OLE_OK;
  }
  bool text(std::string& out) {
    DWORD n;
    out.clear();
    if (!u32(n)) return false;
    if (n == 0) return true;
    if (n > kOleMaxName) return fail(OLE_ERROR_FORMAT);
    std::vector<uint8_t> b;
    if (!block(b, n)) return false;
    // The length counts the NUL; text after an earlier NUL is not part of the name.
    out.assign(reinterpret_cast<const char*>(b.data()), strnlen(reinterpret_cast<const char*>(b.data()), n));
    return true;
  }
  bool fail(OLESTATUS s) {
    if (status == OLE_OK) status = s;
    return false;
  }

 private:
  OLESTREAM* s_;
};

class Writer {
 public:
  explicit Writer(OLESTREAM* s) : s_(s) {}
  OLESTATUS status = OLE_OK;
  DWORD count = 0;  // bytes written (or, without a stream, that would be)

  void bytes(const void* p, std::size_t n) {
    if (status != OLE_OK || n == 0) return;
    count += static_cast<DWORD>(n);
    if (s_ == nullptr) return;
    if (s_->lpstbl == nullptr || s_->lpstbl->Put == nullptr || s_->lpstbl->Put(s_, p, static_cast<DWORD>(n)) != n)
      status = OLE_ERROR_STREAM;
  }
  void u32(DWORD v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    bytes(b, 4);
  }
  void u16(WORD v) {
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    bytes(b, 2);
  }
  void text(const std::string& t) {
    if (t.empty()) {
      u32(0);
      return;
    }
    u32(static_cast<DWORD>(t.size() + 1));
    bytes(t.c_str(), t.size() + 1);
  }

 private:
  OLESTREAM* s_;
};

OlePresentation::Kind kindOf(const std::string& className) {
  if (className == "METAFILEPICT") return OlePresentation::MetafilePict;
  if (className == "DIB") return OlePresentation::Dib;
  if (className == "BITMAP") return OlePresentation::Bitmap;
  return OlePresentation::ClipFormat;
}

// The presentation's body from its class name on.
bool readPresentationBody(Reader& r, OlePresentation& p) {
  if (!r.text(p.className)) return false;
  p.kind = kindOf(p.className);
  DWORD size = 0;
  if (p.kind == OlePresentation::ClipFormat) {
    if (!r.u32(p.clipFormat)) return false;
    if (p.clipFormat == 0 && !r.text(p.clipFormatName)) return false;
    if (!r.u32(size)) return false;
    return r.block(p.data, size);
  }
  if (!r.i32(p.width) || !r.i32(p.height) || !r.u32(size)) return false;
  if (p.kind == OlePresentation::MetafilePict) {
    if (size < 8) return r.fail(OLE_ERROR_FORMAT);
    if (!r.u16(p.mappingMode) || !r.u16(p.xExt) || !r.u16(p.yExt) || !r.u16(p.reserved)) return false;
    size -= 8;
  }
  return r.block(p.data, size);
}

bool readPresentation(Reader& r, OlePresentation& p) {
  DWORD format;
  if (!r.u32(p.version) || !r.u32(format)) return false;
  if (format == 0) {
    p.kind = OlePresentation::None;
    return true;
  }
  if (format != OleObjectImage::FormatStatic) return r.fail(OLE_ERROR_FORMAT);
  return readPresentationBody(r, p);
}

void writePresentationBody(Writer& w, const OlePresentation& p) {
  w.text(p.className);
  if (p.kind == OlePresentation::ClipFormat) {
    w.u32(p.clipFormat);
    if (p.clipFormat == 0) w.text(p.clipFormatName);
    w.u32(static_cast<DWORD>(p.data.size()));
  } else {
    w.u32(static_cast<DWORD>(p.width));
    w.u32(static_cast<DWORD>(p.height));
    if (p.kind == OlePresentation::MetafilePict) {
      w.u32(static_cast<DWORD>(p.data.size() + 8));
      w.u16(p.mappingMode);
      w.u16(p.xExt);
      w.u16(p.yExt);
      w.u16(p.reserved);
    } else {
      w.u32(static_cast<DWORD>(p.data.size()));
    }
  }
  w.bytes(p.data.data(), p.data.size());
}

void writeAll(Writer& w, const OleObjectImage& o) {
  w.u32(o.version);
  w.u32(o.formatId);
  if (o.formatId == OleObjectImage::FormatStatic) {
    writePresentationBody(w, o.presentation);
    return;
  }
  w.text(o.className);
  w.text(o.topic);
  w.text(o.item);
  if (o.formatId == OleObjectImage::FormatLinked) {
    w.text(o.networkName);
    w.u32(o.linkReserved);
    w.u32(o.linkUpdate);
  } else {
    w.u32(static_cast<DWORD>(o.native.size()));
    w.bytes(o.native.data(), o.native.size());
  }
  w.u32(o.presentation.version);
  if (o.presentation.kind == OlePresentation::None) {
    w.u32(0);
  } else {
    w.u32(OleObjectImage::FormatStatic);
    writePresentationBody(w, o.presentation);
  }
}

DWORD memoryGet(OLESTREAM* s, void* buffer, DWORD n) {
  auto* m = static_cast<OleMemoryStream*>(s);
  const std::size_t left = m->size - m->pos;
  const std::size_t k = std::min<std::size_t>(left, n);
  if (k > 0) std::memcpy(buffer, m->data + m->pos, k);
  m->pos += k;
  return static_cast<DWORD>(k);
}

DWORD memoryPut(OLESTREAM* s, const void* buffer, DWORD n) {
  auto* m = static_cast<OleMemoryStream*>(s);
  if (m->out == nullptr || m->out->size() + n > m->limit) return 0;
  const auto* b = static_cast<const uint8_t*>(buffer);
  m->out->insert(m->out->end(), b, b + n);
  return n;
}

OLESTREAMVTBL kMemoryTable = {memoryGet, memoryPut};

}  // namespace

OLESTATUS readOleObject(OLESTREAM* stream, OleObjectImage& out) {
  out = OleObjectImage();
  Reader r(stream);
  if (!r.u32(out.version) || !r.u32(out.formatId)) return r.status;
  switch (out.formatId) {
    case OleObjectImage::FormatStatic:
      readPresentationBody(r, out.presentation);
      return r.status;
    case OleObjectImage::FormatLinked:
    case OleObjectImage::FormatEmbedded:
      break;
    default:
      return OLE_ERROR_FORMAT;
  }
  if (!r.text(out.className) || !r.text(out.topic) || !r.text(out.item)) return r.status;
  if (out.formatId == OleObjectImage::FormatLinked) {
    if (!r.text(out.networkName) || !r.u32(out.linkReserved) || !r.u32(out.linkUpdate)) return r.status;
  } else {
    DWORD n;
    if (!r.u32(n) || !r.block(out.native, n)) return r.status;
  }
  readPresentation(r, out.presentation);
  return r.status;
}

OLESTATUS writeOleObject(OLESTREAM* stream, const OleObjectImage& image) {
  if (stream == nullptr) return OLE_ERROR_STREAM;
  Writer w(stream);
  writeAll(w, image);
  return w.status;
}

DWORD oleObjectSize(const OleObjectImage& image) {
  Writer w(nullptr);
  writeAll(w, image);
  return w.count;
}

OleMemoryStream::OleMemoryStream(const void* d, std::size_t n)
    : OLESTREAM{&kMemoryTable}, data(static_cast<const uint8_t*>(d)), size(d != nullptr ? n : 0) {}

OleMemoryStream::OleMemoryStream(std::vector<uint8_t>* o, std::size_t l) : OLESTREAM{&kMemoryTable}, out(o), limit(l) {}
