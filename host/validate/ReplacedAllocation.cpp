// The qvhost program's own global allocation functions: the plain heap, with each allocation
// reported to AllocationCount. Linked into the program only, never into a library that tests
// share, so that no other test sees them.
#include <cstdlib>
#include <new>

#include "AllocationCount.h"

namespace {

void* Allocate(std::size_t size) {
    AllocationCount::OnAllocation();
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

const bool g_marked = (AllocationCount::MarkReplaced(), true);

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    AllocationCount::OnAllocation();
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    AllocationCount::OnAllocation();
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
