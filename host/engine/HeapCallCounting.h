// When the heap traffic of a module is counted (AllocationCount), call by call: heap calls while
// its process function or an event delivery runs, the blocks it holds while any of its code runs,
// and neither while it is inside a host callback, whose work is the host's. An observer of
// crossing calls drives it; the observer's own work between Pause and Enter or Leave is the
// host's and is not counted.
#ifndef QVHOST_HEAP_CALL_COUNTING_H
#define QVHOST_HEAP_CALL_COUNTING_H

#include "CallObserver.h"

class HeapCallCounting {
public:
    // What was counted before a call entered, put back when it is left.
    struct State {
        bool counting;
        bool in_module;
    };

    // Stops counting for the observer's own work; answers what was counted before.
    static State Pause();
    // Puts back `before` without a call entered: for a call that is no call of the module's.
    static void Resume(State before) { Restore(before); }
    // A call of the interface enters: counting as it asks from now, `before` kept for its Leave.
    void Enter(const CrossingCall& call, State before);
    // The call last entered is left: counting as before it.
    void Leave();

private:
    static constexpr int kMaxDepth = 64;
    static void Restore(State state);

    State m_before[kMaxDepth] = {};
    int m_depth = 0;
};

#endif
