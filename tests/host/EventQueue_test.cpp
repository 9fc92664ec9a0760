#include "EventQueue.h"

#include <gtest/gtest.h>

namespace {
TimedEvent Stamped(uint32_t stamp, int32_t id) { return TimedEvent{stamp, 2, id, 0, 0, 0}; }
}  // namespace

TEST(EventQueue, RefusesAnEventStampedBeforeNowSinceItCouldNeverArriveOnTime) {
    EventQueue queue;
    EXPECT_FALSE(queue.Add(Stamped(99, 1), 100));
    EXPECT_TRUE(queue.Add(Stamped(100, 2), 100));
    EXPECT_EQ(queue.Size(), 1u);
}

TEST(EventQueue, HandsBackEventsOfOneStampInTheOrderTheyCame) {
    EventQueue queue;
    for (int32_t id : {1, 2, 3}) queue.Add(Stamped(50, id), 10);
    queue.Add(Stamped(49, 9), 10);
    for (int32_t id : {1, 2, 3}) EXPECT_EQ(queue.TakeDueAt(50)->int_value, id);
    EXPECT_FALSE(queue.TakeDueAt(50));
    EXPECT_EQ(queue.TakeDueAt(49)->int_value, 9);
}

TEST(EventQueue, NextDueFindsTheNearestEventWithinTheWindowOnly) {
    struct Case {
        uint32_t from;
        uint32_t within;
        std::optional<uint32_t> expected;
    };
    EventQueue queue;
    queue.Add(Stamped(120, 1), 100);
    queue.Add(Stamped(110, 2), 100);
    const Case cases[] = {{100, 64, 10u}, {100, 10, std::nullopt}, {100, 11, 10u},
                          {110, 1, 0u},   {111, 64, 9u},           {121, 1000, std::nullopt}};
    for (const Case& c : cases) {
        EXPECT_EQ(queue.NextDue(c.from, c.within), c.expected) << c.from << " " << c.within;
    }
}

TEST(EventQueue, KeepsTimeAcrossTheWrapOfTheSampleClock) {
    EventQueue queue;
    EXPECT_TRUE(queue.Add(Stamped(3, 1), 0xFFFFFFFEu));
    EXPECT_FALSE(queue.Add(Stamped(0xFFFFFFF0u, 2), 0xFFFFFFFEu));
    EXPECT_EQ(queue.NextDue(0xFFFFFFFEu, 16), 5u);
}

TEST(EventQueue, KeepsAnEventAtMost2To31Minus1SamplesAhead) {
    for (const uint32_t now : {0u, 100u, 0xFFFFFFFEu}) {
        EventQueue queue;
        EXPECT_TRUE(queue.Add(Stamped(now + 0x7FFFFFFFu, 1), now)) << now;
        EXPECT_FALSE(queue.Add(Stamped(now + 0x80000000u, 2), now)) << now;
        EXPECT_EQ(queue.NextDue(now, 0x80000000u), 0x7FFFFFFFu) << now;
    }
}
