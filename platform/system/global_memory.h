// Movable memory blocks known by handle, as the clipboard passes data: allocate,
// lock (get the bytes), unlock, size and free. Blocks are owned by the table; a
// block handed to the clipboard belongs to the clipboard from then on.
#ifndef PLATFORM_GLOBAL_MEMORY_H
#define PLATFORM_GLOBAL_MEMORY_H

#include <cstddef>

#include "platform/windows_types.h"

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GMEM_DDESHARE 0x2000u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

// Blocks larger than this are refused (null), whatever size is asked for.
const std::size_t kMaxGlobalBlock = 256u * 1024u * 1024u;

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
std::size_t GlobalSize(HGLOBAL block);
// Null on success, the handle when it was not a block.
HGLOBAL GlobalFree(HGLOBAL block);

#endif  // PLATFORM_GLOBAL_MEMORY_H
