// The open and save file dialogs, answered through the current Desktop
// (platform/system/desktop.h): the request carries the title, the filter pairs, the
// initial path and the flags, and comes back with the path chosen.
#ifndef PLATFORM_FILE_DIALOG_H
#define PLATFORM_FILE_DIALOG_H

#include <string>
#include <vector>

#include "platform/windows_types.h"

#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u

// Extended errors (CommDlgExtendedError).
#define FNERR_BUFFERTOOSMALL 0x3003u

struct FileDialogRequest {
  bool save = false;
  std::string title;
  // Filter pairs: a description and its pattern ("Nexil DB files (*.db)", "*.DB").
  std::vector<std::pair<std::string, std::string>> filters;
  std::string initialPath;
  DWORD flags = 0;
  // The answer: the path chosen.
  std::string path;
};

struct OPENFILENAME {
  DWORD lStructSize;
  HWND hwndOwner;
  const char* lpstrFilter;  // pairs of NUL-terminated texts, ending with an empty one
  int nFilterIndex;
  char* lpstrFile;          // in: the initial path; out: the path chosen
  DWORD nMaxFile;
  const char* lpstrInitialDir;
  const char* lpstrTitle;
  DWORD Flags;
  const char* lpstrDefExt;
};

// TRUE with the path in lpstrFile; FALSE when cancelled or the buffer is too small
// (then CommDlgExtendedError gives FNERR_BUFFERTOOSMALL, otherwise 0).
BOOL GetOpenFileName(OPENFILENAME* ofn);
BOOL GetSaveFileName(OPENFILENAME* ofn);
DWORD CommDlgExtendedError();

#endif  // PLATFORM_FILE_DIALOG_H
