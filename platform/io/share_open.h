// The runtime's share-aware open (`_sopen`) with the open flags and share modes
// that the store and the kit pass through unchanged, enforced between open files.
//
// Share modes are enforced with open-file-description byte-range locks
// (F_OFD_SETLK) on reserved offsets far beyond any real file size: one offset
// per access right (read, write) and one per denial (deny read, deny write).
// An open takes a shared lock on the offsets of the rights it uses and of the
// denials it makes, after checking that no other open holds a conflicting one.
// Because such locks belong to the open file, two opens in one process conflict
// exactly as two processes do. A refused open fails with errno EACCES.
#ifndef PLATFORM_SHARE_OPEN_H
#define PLATFORM_SHARE_OPEN_H

// Open flags: access mode in the low bits, then the option bits.
#define _O_RDONLY 0x0000
#define _O_WRONLY 0x0001
#define _O_RDWR 0x0002
#define _O_ACCMODE 0x0003
#define _O_CREAT 0x0100
#define _O_TRUNC 0x0200
#define _O_EXCL 0x0400
#define _O_APPEND 0x0800
#define _O_TEXT 0x4000
#define _O_BINARY 0x8000

// Share modes.
#define _SH_COMPAT 0x00
#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40

// Permission for a file that the open creates.
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080

// Opens `path` with the flags and share mode above. Returns a descriptor, or -1
// with errno set (EACCES when another open's share mode refuses this one).
int _sopen(const char* path, int oflag, int shflag, int pmode = _S_IREAD | _S_IWRITE);

// Closes a descriptor from _sopen and drops its share locks. 0 or -1 with errno.
int _close(int fd);

#endif  // PLATFORM_SHARE_OPEN_H
