// Counts heap allocations while counting is on. The qvhost program replaces the global allocation
// functions so that they report here; a module library that allocates through the same functions
// (natively, the shared C++ runtime) is counted too. Without the replacement nothing is counted
// and Replaced() says so.
#ifndef QVHOST_VALIDATE_ALLOCATION_COUNT_H
#define QVHOST_VALIDATE_ALLOCATION_COUNT_H

#include <cstdint>

class AllocationCount {
public:
    static void MarkReplaced() { s_replaced = true; }
    static bool Replaced() { return s_replaced; }
    static void OnAllocation() {
        if (s_counting) ++s_count;
    }
    static void SetCounting(bool counting) { s_counting = counting; }
    static bool Counting() { return s_counting; }
    static uint64_t Counted() { return s_count; }

private:
    static bool s_replaced;
    static bool s_counting;
    static uint64_t s_count;
};

#endif
