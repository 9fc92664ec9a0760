#include "ContractFailurePattern.h"
#include "QVModule_base.h"
#include "QVPin.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

namespace {
// A module with `described` DT_INT input pins that records every event hook it is shown.
class EventModule : public QVModule_base {
public:
    explicit EventModule(int32_t described = 0, HostCallback callback = &RecordingHost::Callback)
        : QVModule_base(callback, 0), m_described(described) {}

    bool GetPinProperties(int32_t index, QVPinProperties* props) override {
        if (index < 0 || index >= m_described) return false;
        props->datatype = DT_INT;
        return true;
    }
    void OnPinStatusChange(QVPin* pin) override {
        statuses.push_back({pin->GetIndex(), pin->GetStatus()});
    }
    void OnTimedValue(uint32_t time_stamp, int32_t value, int16_t tag) override {
        timed_values.push_back(std::make_tuple(time_stamp, value, tag));
        if (throw_on_timed_value) throw std::runtime_error("hook failed");
    }
    void SpareHook() override { ++spare_hook_calls; }
    virtual void VirtualWork() { ++virtual_calls; }
    void PlainWork() { ++plain_calls; }

    // Hands `event` to the object the way the host does: through the record's event entry.
    void Deliver(TimedEvent event) {
        AudioHostRecord* record = HostRecord();
        record->event_handler(record->object, &event);
    }

    std::vector<std::pair<int32_t, int32_t>> statuses;
    std::vector<std::tuple<uint32_t, int32_t, int16_t>> timed_values;
    bool throw_on_timed_value = false;
    int spare_hook_calls = 0;
    int virtual_calls = 0;
    int plain_calls = 0;

private:
    int32_t m_described;
};

const QVModule_base::MemberCall kVirtualWork =
    static_cast<QVModule_base::MemberCall>(&EventModule::VirtualWork);
const QVModule_base::MemberCall kPlainWork =
    static_cast<QVModule_base::MemberCall>(&EventModule::PlainWork);

uintptr_t FunctionWord(QVModule_base::MemberCall fn) {
    uintptr_t word = 0;
    std::memcpy(&word, &fn, sizeof word);
    return word;
}

TimedEvent Event(uint32_t time_stamp, int32_t type, int32_t value = 0, int32_t value2 = 0,
                 uintptr_t ptr_value = 0) {
    return TimedEvent{time_stamp, type, value, value2, ptr_value, 0};
}

bool SameEvent(const TimedEvent& a, const TimedEvent& b) {
    return a.time_stamp == b.time_stamp && a.event_type == b.event_type &&
           a.int_value == b.int_value && a.int_value2 == b.int_value2 &&
           a.ptr_value == b.ptr_value && a.reserved == b.reserved;
}
}  // namespace

TEST(TimedEvent, EventAtTheCurrentClockIsHandled) {
    RecordingHost host;
    host.sample_clock = 10;
    EventModule module;
    module.Deliver(Event(10, EVENT_TIMED_VALUE, 7, 5));
    EXPECT_EQ(module.timed_values,
              (std::vector<std::tuple<uint32_t, int32_t, int16_t>>{std::make_tuple(10u, 7, 5)}));
    EXPECT_EQ(host.Opcodes(), std::vector<int32_t>{HOST_OP_SAMPLE_CLOCK});
}

TEST(TimedEventDeathTest, EventDeliveredEarlyOrLateFails) {
    RecordingHost host;
    host.sample_clock = 10;
    EventModule module;
    const std::string pattern =
        ContractFailurePattern("e->time_stamp == SampleClock()", "QVModule_base", 276);
    EXPECT_DEATH(module.Deliver(Event(11, EVENT_TIMED_VALUE)), pattern);
    EXPECT_DEATH(module.Deliver(Event(9, EVENT_TIMED_VALUE)), pattern);
}

TEST(TimedEvent, TimedValueTagIsTheSignedLowHalfOfTheSecondValue) {
    const std::pair<uint32_t, int16_t> kTags[] = {
        {0x00008000u, -32768}, {0x7FFF8000u, -32768}, {0xFFFF8000u, -32768}, {0x00000005u, 5},
        {0x12340005u, 5},      {0xFFFFFFFFu, -1},     {0x80007FFFu, 32767},  {0x00010000u, 0},
    };
    for (const auto& t : kTags) {
        RecordingHost host;
        EventModule module;
        int32_t value2 = 0;
        std::memcpy(&value2, &t.first, sizeof value2);
        module.Deliver(Event(0, EVENT_TIMED_VALUE, -9, value2));
        ASSERT_EQ(module.timed_values.size(), 1u) << std::hex << t.first;
        EXPECT_EQ(std::get<1>(module.timed_values[0]), -9);
        EXPECT_EQ(std::get<2>(module.timed_values[0]), t.second) << std::hex << t.first;
    }
}

TEST(TimedEvent, PinStatusEventReachesThePinAndMomentaryStatusReturnsToZero) {
    const std::pair<int32_t, int32_t> kStatuses[] = {{1, 0}, {2, 2}};
    for (const auto& s : kStatuses) {
        RecordingHost host;
        host.pin_count = 3;
        EventModule module(3);
        module.Open();
        module.Deliver(Event(0, EVENT_PIN_STATUS, s.first, 0, 2));
        EXPECT_EQ(module.statuses, (std::vector<std::pair<int32_t, int32_t>>{{2, s.first}}));
        EXPECT_EQ(module.GetPin(2)->GetStatus(), s.second);
        EXPECT_EQ(module.GetPin(1)->GetStatus(), 0);
    }
}

TEST(TimedEvent, PinStatusEventForAPinOutsideTheArrayOrUnboundIsIgnored) {
    RecordingHost host;
    host.pin_count = 5;
    // Three descriptions for five host pins: pins 3 and 4 stay unbound and have no module to tell.
    EventModule module(3);
    module.Open();
    for (uintptr_t index : {uintptr_t{3}, uintptr_t{4}, uintptr_t{5}, uintptr_t{0x7FFFFFFF}, ~uintptr_t{0}})
        module.Deliver(Event(0, EVENT_PIN_STATUS, 2, 0, index));
    EXPECT_TRUE(module.statuses.empty());
    EXPECT_EQ(module.GetPin(3)->GetStatus(), 0);
}

TEST(TimedEvent, NullEventIsIgnored) {
    RecordingHost host;
    EventModule module(1);
    AudioHostRecord* record = module.HostRecord();
    record->event_handler(record->object, nullptr);
    EXPECT_TRUE(host.calls.empty());
}

TEST(TimedEventDeathTest, PinStatusEventWithoutPinsFails) {
    RecordingHost host;
    EventModule module(3);
    EXPECT_DEATH(module.Deliver(Event(0, EVENT_PIN_STATUS, 1, 0, 0)),
                 ContractFailurePattern("m_pins != 0", "QVModule_base", 150));
}

TEST(TimedEvent, UnknownEventTypesChangeNothing) {
    for (int32_t type : {1, 6, 22, -1}) {
        RecordingHost host;
        host.pin_count = 3;
        EventModule module(3);
        module.Open();
        host.calls.clear();
        module.Deliver(Event(0, type, 1, 5, 2));
        EXPECT_TRUE(module.statuses.empty()) << type;
        EXPECT_TRUE(module.timed_values.empty()) << type;
        EXPECT_EQ(module.spare_hook_calls + module.virtual_calls + module.plain_calls, 0) << type;
        EXPECT_EQ(module.GetPin(2)->GetStatus(), 0) << type;
        EXPECT_EQ(host.Opcodes(), std::vector<int32_t>{HOST_OP_SAMPLE_CLOCK}) << type;
    }
}

TEST(TimedEvent, CallMemberEventWithANullWordIsIgnored) {
    RecordingHost host;
    EventModule module;
    module.Deliver(Event(0, EVENT_CALL_MEMBER));
    EXPECT_EQ(module.spare_hook_calls + module.virtual_calls + module.plain_calls, 0);
}

TEST(TimedEvent, AnExceptionInAnEventHookNeverReachesTheHost) {
    RecordingHost host;
    EventModule module;
    module.throw_on_timed_value = true;
    testing::internal::CaptureStderr();
    module.Deliver(Event(0, EVENT_TIMED_VALUE, 1, 1));
    EXPECT_EQ(module.timed_values.size(), 1u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "exception escaped the event entry: hook failed\n");
}

TEST(TimedEvent, AReplacedHandleEventGetsEveryEventAndItsExceptionsStayInside) {
    // Replaces HandleEvent: the record's entry must call it, not the one it replaces.
    class OwnHandler : public EventModule {
    public:
        void HandleEvent(TimedEvent* event) override {
            handled.push_back(event->event_type);
            if (event->int_value < 0) throw std::runtime_error("handler failed");
        }
        std::vector<int32_t> handled;
    };
    RecordingHost host;
    OwnHandler module;
    module.Deliver(Event(7, EVENT_TIMED_VALUE, 1, 1));
    module.Deliver(Event(0, EVENT_PIN_STATUS, -1, 0));
    EXPECT_EQ(module.handled, (std::vector<int32_t>{EVENT_TIMED_VALUE, EVENT_PIN_STATUS}));
    EXPECT_TRUE(module.timed_values.empty());
    EXPECT_TRUE(host.calls.empty());
}

// Clock and stamp pairs: the clock wraps after 2^32 samples, and "later" reaches 2^31 - 1 ahead,
// as far as the host's queue counts.
const std::pair<uint32_t, uint32_t> kNowOrLater[] = {
    {40, 40}, {40, 41}, {40, 40u + 0x7FFFFFFFu}, {0xFFFFFFFFu - 999, 0}, {0xFFFFFFFFu, 5}};
const std::pair<uint32_t, uint32_t> kPast[] = {
    {40, 39}, {40, 40u + 0x80000000u}, {5, 0xFFFFFFFFu}, {0, 0xFFFFFFFFu - 999}};

TEST(TimedEvent, QueueEventForNowOrLaterSendsTheEventWithReservedZero) {
    for (const auto& [clock, stamp] : kNowOrLater) {
        RecordingHost host;
        host.sample_clock = clock;
        EventModule module;
        module.QueueEvent(stamp, 6, -1, 2, 9);
        ASSERT_EQ(host.Opcodes(), (std::vector<int32_t>{HOST_OP_SAMPLE_CLOCK, HOST_OP_ADD_EVENT}));
        const HostCall& add = host.calls[1];
        EXPECT_EQ(add.record, module.HostRecord());
        EXPECT_EQ(add.index, 0);
        EXPECT_EQ(add.value, 0);
        EXPECT_EQ(add.opt, 0.0f);
        ASSERT_EQ(host.queued_events.size(), 1u);
        EXPECT_TRUE(SameEvent(host.queued_events[0].event, Event(stamp, 6, -1, 2, 9))) << stamp;
    }
}

TEST(TimedEventDeathTest, QueueEventForAPastClockFails) {
    RecordingHost host;
    EventModule module;
    for (const auto& [clock, stamp] : kPast) {
        host.sample_clock = clock;
        EXPECT_DEATH(module.QueueEvent(stamp, 6, 0, 0, 0),
                     ContractFailurePattern("p_time_stamp >= SampleClock()", "QVModule_base", 340))
            << clock << " " << stamp;
    }
}

TEST(TimedEvent, WithoutAHostCallbackOnlyClockZeroEventsPassAndNothingIsQueued) {
    RecordingHost host;
    host.sample_clock = 40;
    EventModule module(0, nullptr);
    module.Deliver(Event(0, EVENT_TIMED_VALUE, 3, 4));
    EXPECT_EQ(module.timed_values.size(), 1u);
    module.QueueEvent(0, 6, 0, 0, 0);
    module.QueueMemberCall(50, kPlainWork);
    EXPECT_TRUE(host.calls.empty());
}

TEST(TimedEventDeathTest, WithoutAHostCallbackALaterEventFails) {
    RecordingHost host;
    EventModule module(0, nullptr);
    EXPECT_DEATH(module.Deliver(Event(1, EVENT_TIMED_VALUE)),
                 ContractFailurePattern("e->time_stamp == SampleClock()", "QVModule_base", 276));
}

TEST(TimedEvent, QueuedMemberCallsRunOnceEachWhenTheHostHandsThemBack) {
    RecordingHost host;
    host.sample_clock = 100;
    EventModule module;
    module.QueueMemberCall(120, kVirtualWork);
    module.QueueMemberCall(120, kPlainWork);
    module.QueueMemberCall(121, &QVModule_base::SpareHook);
    ASSERT_EQ(host.queued_events.size(), 3u);
    EXPECT_TRUE(SameEvent(host.queued_events[0].event,
                          Event(120, EVENT_CALL_MEMBER, 0, 0, FunctionWord(kVirtualWork))));
    EXPECT_TRUE(SameEvent(host.queued_events[1].event,
                          Event(120, EVENT_CALL_MEMBER, 0, 0, FunctionWord(kPlainWork))));

    host.DeliverEventsAt(120);
    EXPECT_EQ(module.virtual_calls, 1);
    EXPECT_EQ(module.plain_calls, 1);
    EXPECT_EQ(module.spare_hook_calls, 0);
    // A base-class virtual named by its slot runs the module's override.
    host.DeliverEventsAt(121);
    EXPECT_EQ(module.spare_hook_calls, 1);
    EXPECT_EQ(module.virtual_calls, 1);
    EXPECT_EQ(module.plain_calls, 1);
}
