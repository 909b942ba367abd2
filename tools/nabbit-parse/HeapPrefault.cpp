#include "HeapPrefault.h"

#include <cstdint>
#include <cstdlib>

#include <malloc.h>
#include <sys/mman.h>

namespace nabbit::tools {

namespace {

constexpr std::uintptr_t kPage = 4096;
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
// glibc's default: blocks this large are mapped apart from the heap.
constexpr int kDefaultMmapThreshold = 128 * 1024;

std::uintptr_t roundUp(std::uintptr_t value, std::uintptr_t to) {
    return (value + to - 1) & ~(to - 1);
}

}  // namespace

void prefaultHeap(std::size_t bytes) {
    // One heap block of that size, kept on the heap (not mapped apart) and not handed back
    // to the system when freed, so that the allocations after it reuse its pages.
    const int limit = static_cast<int>(bytes * 2);
    if (mallopt(M_TRIM_THRESHOLD, limit) == 0 || mallopt(M_MMAP_THRESHOLD, limit) == 0) {
        return;
    }
    void* block = std::malloc(bytes);
    if (block != nullptr) {
        const auto begin = roundUp(reinterpret_cast<std::uintptr_t>(block), kPage);
        const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(kPage - 1);
        const auto hugeBegin = roundUp(begin, kHugePage);
        if (hugeBegin + kHugePage <= end) {
            madvise(reinterpret_cast<void*>(hugeBegin),
                    end - hugeBegin - (end - hugeBegin) % kHugePage, MADV_HUGEPAGE);
        }
#ifdef MADV_POPULATE_WRITE
        if (begin < end) {
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
        }
#endif
        std::free(block);
    }
    mallopt(M_MMAP_THRESHOLD, kDefaultMmapThreshold);
}

}  // namespace nabbit::tools
