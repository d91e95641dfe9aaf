// System services the kit, the store and the core call on: the per-user profile,
// the temporary folder and unique temporary names, memory status, debug output,
// tick count, file times, wildcard file enumeration and starting a program.
//
// Fixed locations (each redirected by an environment variable, as tests do):
//   profile   $TAVIX_PROFILE, else $XDG_CONFIG_HOME/tavix/tavix.ini
//             (default ~/.config/tavix/tavix.ini): one INI file, every section
//   log       $TAVIX_LOG_DIR, else $XDG_STATE_HOME/tavix (default ~/.local/state/tavix)
//   temporary $TMPDIR, else /tmp
#ifndef PLATFORM_SYSTEM_H
#define PLATFORM_SYSTEM_H

#include <ctime>
#include <string>
#include <vector>

#include "platform/windows_types.h"

// ---- Profile (one INI file; section and key names compare without case) ----
// Copies the value (or `defaultValue`) into `out` (at most size-1 bytes and a
// NUL); returns the number of bytes copied without the NUL.
DWORD GetProfileString(const char* section, const char* key, const char* defaultValue,
                       char* out, DWORD size);
// The value as a decimal integer, or `defaultValue` when missing or not a number.
UINT GetProfileInt(const char* section, const char* key, INT defaultValue);
// Sets (value non-null) or deletes (value null) a key; a null key deletes the
// section. Returns TRUE when the profile file was written.
BOOL WriteProfileString(const char* section, const char* key, const char* value);
// The key names of a section, in the order the profile holds them.
std::vector<std::string> profileKeys(const char* section);
// The profile file's path.
std::string profilePath();

// ---- Temporary files ----
// The temporary folder with a trailing '/', copied into `out`; returns its length.
DWORD GetTempPath(DWORD size, char* out);
// Builds "<dir>/<first 3 chars of prefix><hex number>.tmp" in `out` (260 bytes).
// With `unique` 0 a number is chosen whose file does not exist yet and the empty
// file is created; otherwise `unique` is used and nothing is created. Returns the
// number used, or 0 on failure.
UINT GetTempFileName(const char* dir, const char* prefix, UINT unique, char* out);

// ---- Log folder ----
// The folder of the system's log file, created when missing; with a trailing '/'.
std::string logDirectory();

// ---- Memory status ----
struct MEMORYSTATUS {
  DWORD dwLength;
  DWORD dwMemoryLoad;
  DWORD dwTotalPhys;
  DWORD dwAvailPhys;
  DWORD dwTotalPageFile;
  DWORD dwAvailPageFile;
  DWORD dwTotalVirtual;
  DWORD dwAvailVirtual;
};
// Fills the record; byte counts above 32 bits are clamped to 0xFFFFFFFF.
void GlobalMemoryStatus(MEMORYSTATUS* status);
// For tests: while set, GlobalMemoryStatus reports `availVirtual` as the
// available virtual memory. Pass nullptr-equivalent with `clearMemoryStatusOverride`.
void setAvailVirtualOverride(DWORD availVirtual);
void clearAvailVirtualOverride();

// ---- Debug output ----
// Written to standard error when $TAVIX_DEBUG is set, and always to the debug
// sink when one is installed (tests).
void OutputDebugString(const char* text);
typedef void (*DebugSink)(const char* text);
DebugSink setDebugSink(DebugSink sink);

// ---- Tick count ----
// Milliseconds since an arbitrary start, wrapping at 32 bits.
DWORD GetTickCount();

// ---- File times ----
// Modification time of a file by path or by descriptor; false when unavailable.
bool getFileTime(const char* path, std::time_t* modified);
bool getFileTime(int fd, std::time_t* modified);
// Sets the modification (and access) time; false on failure.
bool setFileTime(const char* path, std::time_t modified);
bool setFileTime(int fd, std::time_t modified);

// ---- Wildcard enumeration ----
// The names (without folder) of the regular files matching `pattern`, whose last
// component may hold '*' and '?'; matching ignores letter case as on Windows.
// '/' and '\' both separate folders. Sorted by name.
std::vector<std::string> findFiles(const char* pattern);
// True when the text holds a '*' or '?'.
bool hasWildcards(const char* text);

// ---- Help ----
#define HELP_CONTEXT 0x0001u
#define HELP_QUIT 0x0002u
#define HELP_CONTENTS 0x0003u
#define HELP_INDEX 0x0003u
#define HELP_KEY 0x0101u
#define HELP_FINDER 0x000Bu
// Opens the help file `file` at its contents page (HELP_CONTENTS, HELP_INDEX,
// HELP_FINDER), at topic number `data` (HELP_CONTEXT) or at the keyword `data`
// points to (HELP_KEY), through the current desktop: the headless one records
// the request, the command-line tool prints it, the browser opens a help page.
// HELP_QUIT closes nothing and succeeds. FALSE for no file, an unknown command
// or a keyword that is null or longer than 255 bytes.
BOOL WinHelp(HWND owner, const char* file, UINT command, uintptr_t data);

// ---- Starting a program ----
// Starts `program` (searched on PATH when it has no '/') with `args`, without
// waiting. Returns true when it started.
bool startProgram(const std::string& program, const std::vector<std::string>& args);

#endif  // PLATFORM_SYSTEM_H
