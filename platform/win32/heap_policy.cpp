#include "platform/win32/heap_policy.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr uintptr_t kHugePage = 2 << 20;
// Blocks below the mmap threshold come from the heap; three of them cover
// what the heap holds with the scene loaded (about 70 MiB).
constexpr size_t kHugeHeapBlock = 32 << 20;
constexpr int kHugeHeapBlocks = 3;

// Asks for huge pages on the whole huge pages inside [begin, end).
void AdviseHugePages(uintptr_t begin, uintptr_t end) {
    begin = (begin + kHugePage - 1) & ~(kHugePage - 1);
    end &= ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Grows the heap by untouched blocks, marks them, and frees them again: they
// stay at the heap's top (below the trim threshold) for later blocks to use.
void BackHeapWithHugePages() {
    void* blocks[kHugeHeapBlocks] = {};
    for (void*& block : blocks) block = std::malloc(kHugeHeapBlock);
    for (void* block : blocks) {
        if (block == nullptr) continue;
        const auto begin = reinterpret_cast<uintptr_t>(block);
        AdviseHugePages(begin, begin + kHugeHeapBlock);
    }
    for (void* block : blocks) std::free(block);
}

}  // namespace

void Win32ApplyHeapPolicy() {
    // Blocks up to 64 MiB (a 4096 by 4096 texture level) come from the heap,
    // and up to 256 MiB of free space may stay at its top.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    // One heap for every thread: what the loading workers free is reused by
    // the drawing thread and each other, instead of staying in a heap each.
    mallopt(M_ARENA_MAX, 1);
    BackHeapWithHugePages();
}
