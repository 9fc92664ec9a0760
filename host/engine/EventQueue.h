// The host's copies of the events an audio object queued with HOST_OP_ADD_EVENT. Each is handed
// back exactly when the sample clock equals its time stamp; events with the same stamp go back
// in the order they came. The sample clock is a 32-bit count that wraps, so "later" means up to
// 2^31 - 1 samples ahead of the current clock.
#ifndef QVHOST_EVENT_QUEUE_H
#define QVHOST_EVENT_QUEUE_H

#include "QVHostTypes.h"

#include <cstdint>
#include <optional>
#include <vector>

class EventQueue {
public:
    // Copies `event`. An event stamped before `now` could never be delivered on time: it is
    // refused (false) and nothing is kept.
    bool Add(const TimedEvent& event, uint32_t now);
    // How many samples after `from` the earliest kept event is due, when that is below `within`.
    std::optional<uint32_t> NextDue(uint32_t from, uint32_t within) const;
    // Removes and returns the first event, in the order added, stamped exactly `clock`.
    std::optional<TimedEvent> TakeDueAt(uint32_t clock);
    size_t Size() const { return m_events.size(); }

private:
    std::vector<TimedEvent> m_events;
};

#endif
