// The open and save file dialogs (see file_dialog.h).
#include "platform/system/file_dialog.h"

#include <cstring>

#include "platform/system/desktop.h"

namespace {

DWORD g_lastError = 0;

// Filter pairs end at an empty text; at most 64 pairs are read, and each text
// at most 1024 characters, so a filter without its ending cannot run on forever.
std::vector<std::pair<std::string, std::string>> filters(const char* p) {
  std::vector<std::pair<std::string, std::string>> out;
  if (p == nullptr) return out;
  for (int n = 0; n < 64 && *p != '\0'; ++n) {
    std::string a(p, strnlen(p, 1024));
    p += a.size() + 1;
    std::string b(p, strnlen(p, 1024));
    p += b.size() + 1;
    out.emplace_back(a, b);
    if (b.empty()) break;
  }
  return out;
}

BOOL run(OPENFILENAME* ofn, bool save) {
  g_lastError = 0;
  if (ofn == nullptr || ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) return FALSE;
  FileDialogRequest r;
  r.save = save;
  r.title = ofn->lpstrTitle != nullptr ? ofn->lpstrTitle : "";
  r.filters = filters(ofn->lpstrFilter);
  r.initialPath.assign(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
  r.flags = ofn->Flags;
  if (!currentDesktop().fileDialog(ofn->hwndOwner, r)) return FALSE;
  if (r.path.size() + 1 > ofn->nMaxFile) {
    g_lastError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::memcpy(ofn->lpstrFile, r.path.c_str(), r.path.size() + 1);
  return TRUE;
}

}  // namespace

BOOL GetOpenFileName(OPENFILENAME* ofn) { return run(ofn, false); }
BOOL GetSaveFileName(OPENFILENAME* ofn) { return run(ofn, true); }
DWORD CommDlgExtendedError() { return g_lastError; }
