// The Windows types, handles and constants that the system's classes use, with the
// widths they have on Windows. On Linux x86-64 `long` is 64 bits, so every value
// the system declares long, unsigned long, ULONG or DWORD, every field stored in a
// file and every ID is one of the fixed 32-bit types below.
//
// Handles are opaque pointers to distinct incomplete types, as in the Windows
// headers, so that a window handle cannot be passed where a device context is
// expected. The windowing layer gives them meaning.
#ifndef PLATFORM_WINDOWS_TYPES_H
#define PLATFORM_WINDOWS_TYPES_H

#include <cstdint>

typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int BOOL;
typedef uint32_t COLORREF;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define TVX_DECLARE_HANDLE(name) \
  struct name##__;               \
  typedef struct name##__* name

TVX_DECLARE_HANDLE(HWND);
TVX_DECLARE_HANDLE(HDC);
TVX_DECLARE_HANDLE(HPEN);
TVX_DECLARE_HANDLE(HBRUSH);
TVX_DECLARE_HANDLE(HFONT);
TVX_DECLARE_HANDLE(HRGN);
TVX_DECLARE_HANDLE(HMENU);
TVX_DECLARE_HANDLE(HCURSOR);
TVX_DECLARE_HANDLE(HINSTANCE);
TVX_DECLARE_HANDLE(HGLOBAL);
TVX_DECLARE_HANDLE(HMETAFILE);
typedef void* HGDIOBJ;

// The owner-window value that means "no message box at all" (all bits set).
#define HWND_NOBOX (reinterpret_cast<HWND>(~static_cast<uintptr_t>(0)))

struct POINT {
  LONG x;
  LONG y;
};

struct SIZE {
  LONG cx;
  LONG cy;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

// Message box styles: buttons, icons and default button.
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0u
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_DEFMASK 0x00000F00u
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u

// Dialog and message box results.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// The beep for MessageBeep that is not tied to an icon.
#define MB_SIMPLEBEEP 0xFFFFFFFFu

// Sound flags for the asynchronous sound call.
#define SND_SYNC 0x0000u
#define SND_ASYNC 0x0001u
#define SND_NODEFAULT 0x0002u

// Show commands for starting a program.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

#endif  // PLATFORM_WINDOWS_TYPES_H
