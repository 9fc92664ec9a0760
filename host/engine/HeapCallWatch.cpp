#include "HeapCallWatch.h"

#include "AllocationCount.h"
#include "CallDescription.h"
#include "HostNotes.h"
#include "HostRuleIds.h"

HeapCallWatch::HeapCallWatch(const ModuleLibrary& library)
    : m_allocations(library),
      m_next(CallObserver::Installed()),
      m_counted_before(AllocationCount::Counted()) {
    CallObserver::Install(this);
}

HeapCallWatch::~HeapCallWatch() {
    CallObserver::Install(m_next);
    HeapCallCounting::Resume({false, false});
}

void HeapCallWatch::Enter(const CrossingCall& call) {
    const HeapCallCounting::State before = HeapCallCounting::Pause();
    if (m_next != nullptr) m_next->Enter(call);
    if (call.entry == CallEntry::kHostAction || call.entry == CallEntry::kLibraryLoad) {
        return HeapCallCounting::Resume(before);
    }
    m_heap.Enter(call, before);
}

void HeapCallWatch::Leave(const CrossingCall& call, QVWord answer) {
    if (call.entry == CallEntry::kHostAction || call.entry == CallEntry::kLibraryLoad) {
        if (m_next != nullptr) m_next->Leave(call, answer);
        return;
    }
    HeapCallCounting::Pause();
    if (m_next != nullptr) m_next->Leave(call, answer);
    m_heap.Leave();
}

std::string HeapCallWatch::Finding() const {
    const uint64_t counted = AllocationCount::Counted() - m_counted_before;
    return counted == 0 ? std::string() : Finding(counted);
}

std::string HeapCallWatch::Finding(uint64_t calls) {
    return RuleNote(HostRuleId::kNoHeapInProcess,
                    std::to_string(calls) +
                        " calls of heap functions inside process calls and event deliveries, "
                        "expected none; the latest inside: " +
                        DescribeCall(AllocationCount::LatestCall()));
}
