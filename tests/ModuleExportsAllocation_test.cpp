// makeModule when memory runs out: this executable replaces the global allocator so that a test
// can make the next allocation fail.
#include "QVHostTypes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

extern "C" void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                     uint32_t host_handle);

namespace {
bool g_fail_next_allocation = false;
int g_live_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (g_fail_next_allocation) {
        g_fail_next_allocation = false;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    ++g_live_allocations;
    return block;
}

void operator delete(void* block) noexcept {
    if (block == nullptr) return;
    --g_live_allocations;
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

TEST(ModuleExportsAllocation, FailedAllocationAnswersNullAndLeavesNothingBehind) {
    for (int32_t kind : {QV_KIND_AUDIO, QV_KIND_GUI}) {
        testing::internal::CaptureStderr();
        const int live_before = g_live_allocations;
        g_fail_next_allocation = true;
        EXPECT_EQ(makeModule(0, kind, nullptr, 0), nullptr) << kind;
        EXPECT_FALSE(g_fail_next_allocation) << "makeModule allocated nothing for kind " << kind;
        EXPECT_EQ(g_live_allocations, live_before) << kind;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "exception escaped makeModule: std::bad_alloc\n") << kind;
    }
}
