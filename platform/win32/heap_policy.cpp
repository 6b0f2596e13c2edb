#include "platform/win32/heap_policy.h"

#include <malloc.h>

void Win32KeepFreedMemoryForReuse() {
    // Blocks up to 64 MiB (a 4096 by 4096 texture level) come from the heap,
    // and up to 256 MiB of free space may stay at its top.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    // One heap for every thread: what the loading workers free is reused by
    // the drawing thread and each other, instead of staying in a heap each.
    mallopt(M_ARENA_MAX, 1);
}
