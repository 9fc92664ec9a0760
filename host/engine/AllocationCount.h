// Counts a module's heap traffic: every call of malloc, calloc, realloc, free and the operator
// new/delete family. Natively the qvhost program replaces those functions for the whole process;
// on Windows the module library's own imports of them from the C runtime are redirected
// (ImportRedirect). Either way they report here, and only what happens while the module's code
// runs is counted: calls made while counting is on (a process call or an event delivery), and
// the blocks the module holds (live), taken and given back inside any call into the module.
#ifndef QVHOST_ALLOCATION_COUNT_H
#define QVHOST_ALLOCATION_COUNT_H

#include <cstddef>
#include <cstdint>

#include "CallObserver.h"

class AllocationCount {
public:
    static void MarkReplaced() { s_replaced = true; }
    static bool Replaced() { return s_replaced; }

    // From the replaced functions. Neither allocates.
    static void OnAllocation() {
        Count();
        if (s_in_module) ++s_live;
    }
    static void OnRelease() {
        Count();
        if (s_in_module) --s_live;
    }
    // realloc: an allocation from null, a release to size 0, else a call that moves a block.
    static void OnResize(const void* block, size_t size) {
        if (block == nullptr) return OnAllocation();
        if (size == 0) return OnRelease();
        Count();
    }

    // Set by the validator's observer of crossing calls.
    static void SetCounting(bool counting) { s_counting = counting; }
    static bool Counting() { return s_counting; }
    static void SetInModule(bool in_module) { s_in_module = in_module; }
    static bool InModule() { return s_in_module; }
    static void SetCurrentCall(const CrossingCall& call) { s_current_call = call; }

    static uint64_t Counted() { return s_count; }
    // Counts from 0 again; the next counted call becomes the first.
    static void Restart() { s_count = 0; }
    // The host call inside which the first counted allocation of the run happened.
    static const CrossingCall& FirstCall() { return s_first_call; }
    // The host call inside which the latest counted allocation happened.
    static const CrossingCall& LatestCall() { return s_latest_call; }
    // Blocks the module took and has not given back, counted while its code ran.
    static int64_t Live() { return s_live; }

private:
    static void Count() {
        if (!s_counting) return;
        if (s_count++ == 0) s_first_call = s_current_call;
        s_latest_call = s_current_call;
    }

    static bool s_replaced;
    static bool s_counting;
    static bool s_in_module;
    static uint64_t s_count;
    static int64_t s_live;
    static CrossingCall s_current_call;
    static CrossingCall s_first_call;
    static CrossingCall s_latest_call;
};

#endif
