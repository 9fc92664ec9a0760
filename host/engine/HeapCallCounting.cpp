#include "HeapCallCounting.h"

#include "AllocationCount.h"
#include "CallDescription.h"

HeapCallCounting::State HeapCallCounting::Pause() {
    const State before{AllocationCount::Counting(), AllocationCount::InModule()};
    Restore({false, false});
    return before;
}

void HeapCallCounting::Restore(State state) {
    AllocationCount::SetCounting(state.counting);
    AllocationCount::SetInModule(state.in_module);
}

void HeapCallCounting::Enter(const CrossingCall& call, State before) {
    if (m_depth < kMaxDepth) m_before[m_depth] = before;
    ++m_depth;
    const bool to_host = IsCallToHost(call.entry);
    if (!to_host) AllocationCount::SetCurrentCall(call);
    const bool audio_call =
        call.entry == CallEntry::kProcess || call.entry == CallEntry::kEventHandler;
    Restore({audio_call || (!to_host && before.counting), !to_host});
}

void HeapCallCounting::Leave() {
    --m_depth;
    if (m_depth >= 0 && m_depth < kMaxDepth) Restore(m_before[m_depth]);
}
