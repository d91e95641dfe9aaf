// The clipboard: formats registered by name (numbers from 0xC000, the same
// number for the same name, compared without letter case), and for each format
// one data block. It is opened by a window, emptied, filled with
// SetClipboardData (the clipboard then owns the block) and read with
// GetClipboardData (the block stays the clipboard's). Formats are
// walked in the order they were set. A metafile picture block (CF_METAFILEPICT)
// holds a METAFILEPICT whose metafile the clipboard deletes with the block.
#ifndef PLATFORM_CLIPBOARD_H
#define PLATFORM_CLIPBOARD_H

#include <string>

#include "platform/windows_types.h"

#define CF_TEXT 1u
#define CF_BITMAP 2u
#define CF_METAFILEPICT 3u
#define CF_OEMTEXT 7u

UINT RegisterClipboardFormat(const char* name);
int GetClipboardFormatName(UINT format, char* out, int size);
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// Needs the clipboard open; replaces the format's block and frees the old one.
HGLOBAL SetClipboardData(UINT format, HGLOBAL data);
// Needs the clipboard open; null when the format is not there.
HGLOBAL GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
// The format after `format` (0 for the first); 0 at the end.
UINT EnumClipboardFormats(UINT format);

#endif  // PLATFORM_CLIPBOARD_H
