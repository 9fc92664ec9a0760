#include "EventQueue.h"

#include <algorithm>

namespace {
constexpr uint32_t kFurthestAhead = 0x7FFFFFFFu;

uint32_t Distance(uint32_t from, uint32_t to) { return to - from; }
}  // namespace

bool EventQueue::Add(const TimedEvent& event, uint32_t now) {
    if (Distance(now, event.time_stamp) > kFurthestAhead) return false;
    m_events.push_back(event);
    return true;
}

std::optional<uint32_t> EventQueue::NextDue(uint32_t from, uint32_t within) const {
    std::optional<uint32_t> nearest;
    for (const TimedEvent& event : m_events) {
        const uint32_t distance = Distance(from, event.time_stamp);
        if (distance < within && (!nearest || distance < *nearest)) nearest = distance;
    }
    return nearest;
}

std::optional<TimedEvent> EventQueue::TakeDueAt(uint32_t clock) {
    auto due = std::find_if(m_events.begin(), m_events.end(),
                            [clock](const TimedEvent& event) { return event.time_stamp == clock; });
    if (due == m_events.end()) return std::nullopt;
    const TimedEvent event = *due;
    m_events.erase(due);
    return event;
}
