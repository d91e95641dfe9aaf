// The clipboard (see clipboard.h).
#include "platform/win/clipboard.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/system/global_memory.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"

namespace {

struct Entry {
  UINT format;
  HGLOBAL data;
};

struct State {
  std::vector<std::string> names;  // format 0xC000 + i
  std::vector<Entry> entries;      // in the order set
  bool open = false;
};

State& state() {
  static State s;
  return s;
}

bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void release(const Entry& e) {
  if (e.format == CF_METAFILEPICT) {
    if (auto* pict = static_cast<METAFILEPICT*>(GlobalLock(e.data))) {
      if (GlobalSize(e.data) >= sizeof(METAFILEPICT)) DeleteMetaFile(pict->hMF);
      GlobalUnlock(e.data);
    }
  }
  GlobalFree(e.data);
}

}  // namespace

UINT RegisterClipboardFormat(const char* name) {
  if (name == nullptr || name[0] == '\0') return 0;
  State& s = state();
  std::string n(name, strnlen(name, 255));
  for (std::size_t i = 0; i < s.names.size(); ++i)
    if (sameName(s.names[i], n)) return static_cast<UINT>(0xC000 + i);
  if (s.names.size() >= 0x3FFF) return 0;  // the registered range is full
  s.names.push_back(n);
  return static_cast<UINT>(0xC000 + s.names.size() - 1);
}

int GetClipboardFormatName(UINT format, char* out, int size) {
  State& s = state();
  if (format < 0xC000 || format - 0xC000 >= s.names.size() || out == nullptr || size <= 0) return 0;
  const std::string& n = s.names[format - 0xC000];
  int len = std::min<int>(size - 1, static_cast<int>(n.size()));
  std::memcpy(out, n.data(), static_cast<std::size_t>(len));
  out[len] = '\0';
  return len;
}

BOOL OpenClipboard(HWND) {
  State& s = state();
  if (s.open) return FALSE;
  s.open = true;
  return TRUE;
}

BOOL CloseClipboard() {
  State& s = state();
  if (!s.open) return FALSE;
  s.open = false;
  return TRUE;
}

BOOL EmptyClipboard() {
  State& s = state();
  if (!s.open) return FALSE;
  for (const Entry& e : s.entries) release(e);
  s.entries.clear();
  return TRUE;
}

HGLOBAL SetClipboardData(UINT format, HGLOBAL data) {
  State& s = state();
  if (!s.open || format == 0 || data == nullptr) return nullptr;
  for (Entry& e : s.entries) {
    if (e.format == format) {
      if (e.data != data) release(e);
      e.data = data;
      return data;
    }
  }
  s.entries.push_back({format, data});
  return data;
}

HGLOBAL GetClipboardData(UINT format) {
  State& s = state();
  if (!s.open) return nullptr;
  for (const Entry& e : s.entries)
    if (e.format == format) return e.data;
  return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  for (const Entry& e : state().entries)
    if (e.format == format) return TRUE;
  return FALSE;
}

UINT EnumClipboardFormats(UINT format) {
  const std::vector<Entry>& es = state().entries;
  if (format == 0) return es.empty() ? 0 : es.front().format;
  for (std::size_t i = 0; i + 1 < es.size(); ++i)
    if (es[i].format == format) return es[i + 1].format;
  return 0;
}
