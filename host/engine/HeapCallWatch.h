// Counts a module's heap calls inside its process calls and event deliveries for as long as it
// lives, as the validator's no-heap-in-process rule does, so that a play finds what that rule
// finds. It observes crossing calls in front of the observer there was (an in-process command's
// crash report), which still sees every call.
#ifndef QVHOST_HEAP_CALL_WATCH_H
#define QVHOST_HEAP_CALL_WATCH_H

#include <cstdint>
#include <string>

#include "AllocationWatch.h"
#include "CallObserver.h"
#include "HeapCallCounting.h"
#include "ModuleLibrary.h"

class HeapCallWatch : public CallObserver {
public:
    // Installs itself for its lifetime.
    explicit HeapCallWatch(const ModuleLibrary& library);
    ~HeapCallWatch() override;
    HeapCallWatch(const HeapCallWatch&) = delete;
    HeapCallWatch& operator=(const HeapCallWatch&) = delete;

    void Enter(const CrossingCall& call) override;
    void Leave(const CrossingCall& call, QVWord answer) override;

    // The finding for the heap calls counted since it was made, or empty when there were none.
    std::string Finding() const;
    // The finding for `calls` heap calls, the latest of them inside the call AllocationCount
    // names: the rule's words wherever it is found.
    static std::string Finding(uint64_t calls);

private:
    AllocationWatch m_allocations;
    CallObserver* m_next;
    HeapCallCounting m_heap;
    uint64_t m_counted_before;
};

#endif
