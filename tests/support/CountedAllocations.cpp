#include "CountedAllocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<uint64_t> g_allocations{0};
std::atomic<int64_t> g_live{0};

void* Allocate(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        ++g_allocations;
        ++g_live;
        return block;
    }
    throw std::bad_alloc();
}

void Free(void* block) noexcept {
    if (block == nullptr) return;
    --g_live;
    std::free(block);
}
}  // namespace

uint64_t CountedAllocations() { return g_allocations; }

int64_t LiveAllocations() { return g_live; }

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, std::size_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Free(block); }
