// The qvhost program's own allocation functions: the plain heap, with each call reported to
// AllocationCount. Linked into the program only, never into a library that tests share, so that
// no other test sees them. The C functions are replaced too, so that a module that calls malloc
// is counted like one that calls new; the next definition in the search order (the C runtime's,
// or a sanitizer runtime's when one is preloaded) does the work. Under a sanitizer built into the
// program its own allocator must stay in place: its allocation hooks count instead.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "AllocationCount.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QVHOST_REPLACES_MALLOC 0
#else
#define QVHOST_REPLACES_MALLOC 1
#endif

#if !QVHOST_REPLACES_MALLOC
// The sanitizer runtime's hooks, called on every allocation and release of its allocator.
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, std::size_t), void (*free_hook)(const volatile void*));

namespace {
void OnSanitizerAllocation(const volatile void*, std::size_t) { AllocationCount::OnAllocation(); }
void OnSanitizerRelease(const volatile void*) { AllocationCount::OnRelease(); }
const int g_hooked =
    __sanitizer_install_malloc_and_free_hooks(&OnSanitizerAllocation, &OnSanitizerRelease);
}  // namespace
#else
#include <dlfcn.h>

namespace {

using MallocFn = void* (*)(std::size_t);
using FreeFn = void (*)(void*);
using CallocFn = void* (*)(std::size_t, std::size_t);
using ReallocFn = void* (*)(void*, std::size_t);

struct NextAllocator {
    MallocFn malloc = nullptr;
    FreeFn free = nullptr;
    CallocFn calloc = nullptr;
    ReallocFn realloc = nullptr;
};

// dlsym may itself ask for memory before the next functions are known: it gets it from here.
alignas(std::max_align_t) unsigned char g_bootstrap[4096];
std::size_t g_bootstrap_used = 0;
bool g_resolving = false;

bool FromBootstrap(const void* block) {
    return block >= g_bootstrap && block < g_bootstrap + sizeof g_bootstrap;
}

void* BootstrapAllocate(std::size_t size) {
    const std::size_t aligned = (size + alignof(std::max_align_t) - 1) &
                                ~(alignof(std::max_align_t) - 1);
    if (g_bootstrap_used + aligned > sizeof g_bootstrap) return nullptr;
    void* block = g_bootstrap + g_bootstrap_used;
    g_bootstrap_used += aligned;
    return block;
}

const NextAllocator& Next() {
    static NextAllocator next = [] {
        g_resolving = true;
        NextAllocator found;
        found.malloc = reinterpret_cast<MallocFn>(dlsym(RTLD_NEXT, "malloc"));
        found.free = reinterpret_cast<FreeFn>(dlsym(RTLD_NEXT, "free"));
        found.calloc = reinterpret_cast<CallocFn>(dlsym(RTLD_NEXT, "calloc"));
        found.realloc = reinterpret_cast<ReallocFn>(dlsym(RTLD_NEXT, "realloc"));
        g_resolving = false;
        return found;
    }();
    return next;
}

}  // namespace

extern "C" void* malloc(std::size_t size) {
    if (g_resolving) return BootstrapAllocate(size);
    AllocationCount::OnAllocation();
    return Next().malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size) {
    if (g_resolving) return BootstrapAllocate(count * size);  // static storage: already zero
    AllocationCount::OnAllocation();
    return Next().calloc(count, size);
}

extern "C" void* realloc(void* block, std::size_t size) {
    AllocationCount::OnResize(block, size);
    return Next().realloc(block, size);
}

extern "C" void free(void* block) {
    if (block == nullptr || FromBootstrap(block)) return;
    AllocationCount::OnRelease();
    Next().free(block);
}
#endif

namespace {

// The C functions below these count every block, whichever way they were replaced.
void* Allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void* AllocateNoThrow(std::size_t size) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void Release(void* block) noexcept { std::free(block); }

const bool g_marked = (AllocationCount::MarkReplaced(), true);

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
