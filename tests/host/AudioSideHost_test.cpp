#include "AudioSideHost.h"

#include "HostError.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// An audio object made in the test: its record's entries call back into the host under test and
// record what the host made of them.
struct TestAudioObject {
    AudioHostRecord record{};
    AudioSideHost* host = nullptr;
    std::vector<QVPinProperties> pins;
    std::function<void(int32_t, int32_t)> on_process;
    std::function<void(const TimedEvent&)> on_event;
    struct Delivery {
        int32_t id;
        uint32_t stamp;
        uint32_t clock;
    };
    std::vector<Delivery> deliveries;
    struct Segment {
        int32_t offset;
        int32_t frames;
        uint32_t clock;
        uint32_t buffer_base;
    };
    std::vector<Segment> segments;
    bool idle_called = false;

    QVWord Ask(int32_t opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr) {
        return host->Answer(&record, opcode, index, value, ptr);
    }
    uint32_t Clock() { return static_cast<uint32_t>(Ask(HOST_OP_SAMPLE_CLOCK)); }
    void Queue(uint32_t stamp, int32_t id) {
        TimedEvent event{stamp, EVENT_TIMED_VALUE, id, 0, 0, 0};
        Ask(HOST_OP_ADD_EVENT, 0, 0, &event);
    }

    static QVWord QV_CDECL Dispatch(AudioHostRecord* r, int32_t opcode, int32_t index, int32_t,
                                    void* ptr, float) {
        auto* self = static_cast<TestAudioObject*>(r->object);
        if (opcode == MOD_OP_GET_PIN_PROPERTIES) {
            if (index < 0 || static_cast<size_t>(index) >= self->pins.size()) return 0;
            *static_cast<QVPinProperties*>(ptr) = self->pins[static_cast<size_t>(index)];
            return 1;
        }
        if (opcode == MOD_OP_OPEN) {
            self->record.process = &Working;
            self->Ask(HOST_OP_PROCESS_CHANGED);
        }
        return 0;
    }
    static void QV_CDECL Idle(void* object, int32_t, int32_t) {
        static_cast<TestAudioObject*>(object)->idle_called = true;
    }
    static void QV_CDECL Working(void* object, int32_t offset, int32_t frames) {
        auto* self = static_cast<TestAudioObject*>(object);
        const uint32_t base = static_cast<uint32_t>(self->Ask(HOST_OP_BUFFER_BASE_CLOCK));
        self->segments.push_back({offset, frames, self->Clock(), base});
        if (self->on_process) self->on_process(offset, frames);
    }
    static void QV_CDECL Event(void* object, TimedEvent* event) {
        auto* self = static_cast<TestAudioObject*>(object);
        self->deliveries.push_back({event->int_value, event->time_stamp, self->Clock()});
        if (self->on_event) self->on_event(*event);
    }

    explicit TestAudioObject(AudioSideHost& serving, std::vector<QVPinProperties> table = {})
        : host(&serving), pins(std::move(table)) {
        record = {QV_AUDIO_MAGIC, 1, 0, this, 0, &Dispatch, &Idle, &Event, {}};
    }
};

QVPinProperties Pin(int32_t datatype, uint32_t flags) {
    QVPinProperties pin{};
    pin.name = "pin";
    pin.datatype = datatype;
    pin.flags = flags;
    return pin;
}

}  // namespace

TEST(AudioSideHost, DeliversEveryEventExactlyAtItsTimeStampSplittingBlocksThere) {
    AudioSideHost host;
    TestAudioObject object(host);
    host.Attach(&object.record);
    host.StartClockAt(1000);
    host.Open();
    host.SetBlockSize(16);
    object.on_process = [&](int32_t, int32_t) {
        if (object.segments.size() != 1) return;
        const uint32_t now = object.Clock();
        const std::pair<uint32_t, int32_t> schedule[] = {{0, 1}, {3, 2}, {3, 3}, {20, 4}, {40, 5}};
        for (const auto& [delay, id] : schedule) object.Queue(now + delay, id);
    };
    for (int block = 0; block < 3; ++block) host.ProcessBlock();

    const std::vector<int32_t> order{1, 2, 3, 4, 5};
    ASSERT_EQ(object.deliveries.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(object.deliveries[i].id, order[i]);
        EXPECT_EQ(object.deliveries[i].clock, object.deliveries[i].stamp) << "event " << order[i];
    }
    // Block 2 (clock 1016) is cut at 1020, block 3 (1032) at 1040; each segment runs at its own
    // clock against the block's buffer.
    const std::vector<std::vector<int64_t>> expected{{0, 16, 1000, 1000},
                                                     {0, 4, 1016, 1016},
                                                     {4, 12, 1020, 1016},
                                                     {0, 8, 1032, 1032},
                                                     {8, 8, 1040, 1032}};
    ASSERT_EQ(object.segments.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& s = object.segments[i];
        EXPECT_EQ((std::vector<int64_t>{s.offset, s.frames, s.clock, s.buffer_base}), expected[i])
            << "segment " << i;
    }
    EXPECT_EQ(host.SampleClock(), 1048u);
    EXPECT_TRUE(host.Problems().empty());
}

// A subnormal output is the module's own, a warning, unless a value the host gave it (a float
// pin's variable) is subnormal too: passing that on is no mistake.
TEST(AudioSideHost, WarnsOfASubnormalOutputUnlessAValueItWasGivenIsOne) {
    const float subnormal = std::numeric_limits<float>::denorm_min();
    for (const float given : {0.5f, subnormal}) {
        AudioSideHost host;
        float level = given;
        std::vector<QVPinProperties> pins{Pin(DT_FLOAT, 0), Pin(DT_FSAMPLE, 0)};
        pins[0].variable_address = &level;
        pins[1].direction = DR_OUT;
        TestAudioObject object(host, pins);
        host.Attach(&object.record);
        host.Open();
        object.on_process = [&](int32_t offset, int32_t) {
            reinterpret_cast<float*>(object.Ask(HOST_OP_PIN_BUFFER, 1))[offset] = subnormal;
        };
        host.ProcessBlock();
        EXPECT_EQ(host.Warnings().size(), given == subnormal ? 0u : 1u) << given;
        EXPECT_TRUE(host.Problems().empty());
    }
}

TEST(AudioSideHost, EventsQueuedDuringADeliveryForTheSameClockStillArriveOnTime) {
    AudioSideHost host;
    TestAudioObject object(host);
    host.Attach(&object.record);
    host.Open();
    host.SetBlockSize(8);
    object.on_process = [&](int32_t, int32_t) {
        if (object.segments.size() == 1) object.Queue(2, 1);
    };
    object.on_event = [&](const TimedEvent& event) {
        if (event.int_value == 1) {
            object.Queue(2, 2);
            object.Queue(5, 3);
        }
    };
    host.ProcessBlock();
    ASSERT_EQ(object.deliveries.size(), 3u);
    for (const auto& delivery : object.deliveries) EXPECT_EQ(delivery.clock, delivery.stamp);
    EXPECT_EQ(host.Counts().events_delivered, 3);
}

TEST(AudioSideHost, RefusesAnEventForAClockAlreadyPastAndSaysSo) {
    AudioSideHost host;
    TestAudioObject object(host);
    host.Attach(&object.record);
    host.StartClockAt(50);
    object.Queue(49, 1);
    host.Open();
    host.ProcessBlock();
    EXPECT_TRUE(object.deliveries.empty());
    EXPECT_EQ(host.Counts().events_refused, 1);
    ASSERT_EQ(host.Problems().size(), 1u);
    EXPECT_NE(host.Problems()[0].find("already past"), std::string::npos);
}

TEST(AudioSideHost, StopsAnObjectThatQueuesEventsForTheSameClockForever) {
    AudioSideHost host;
    TestAudioObject object(host);
    host.Attach(&object.record);
    object.Queue(0, 1);
    object.on_event = [&](const TimedEvent&) { object.Queue(object.Clock(), 1); };
    host.Open();
    host.ProcessBlock();
    EXPECT_EQ(object.deliveries.size(), static_cast<size_t>(AudioSideHost::kMaxEventsPerClock));
    EXPECT_EQ(host.PendingEvents(), 0u);
    EXPECT_FALSE(host.Problems().empty());
}

TEST(AudioSideHost, CallsTheProcessEntryTheObjectAnnouncedLast) {
    AudioSideHost host;
    TestAudioObject object(host);
    host.Attach(&object.record);
    EXPECT_EQ(host.ProcessEntry(), &TestAudioObject::Idle);
    host.Open();
    EXPECT_EQ(host.Counts().process_changed, 1);
    EXPECT_EQ(host.ProcessEntry(), &TestAudioObject::Working);
    host.ProcessBlock();
    EXPECT_FALSE(object.idle_called);
    EXPECT_EQ(object.segments.size(), 1u);
}

TEST(AudioSideHost, CountsAndBuffersOnlyThePinsThatLiveOnTheAudioSide) {
    AudioSideHost host;
    TestAudioObject object(
        host, {Pin(DT_INT, IO_UI_COMMUNICATION),
               Pin(DT_FSAMPLE, IO_UI_COMMUNICATION | IO_UI_AND_AUDIO), Pin(DT_FSAMPLE, 0)});
    host.Attach(&object.record);
    EXPECT_EQ(host.PinTable().size(), 3u);
    EXPECT_EQ(object.Ask(HOST_OP_PIN_COUNT), 2);
    EXPECT_EQ(host.Counts().pin_count_requests, 1);
    const QVWord first = object.Ask(HOST_OP_PIN_BUFFER, 0);
    const QVWord second = object.Ask(HOST_OP_PIN_BUFFER, 1);
    EXPECT_EQ(first, reinterpret_cast<QVWord>(host.PinBuffer(0)));
    EXPECT_NE(first, second);
    EXPECT_TRUE(host.Problems().empty());
    EXPECT_EQ(object.Ask(HOST_OP_PIN_BUFFER, 2), 0) << "no third audio pin";
    EXPECT_EQ(host.Problems().size(), 1u);
}

TEST(AudioSideHost, CountsSleepsAndKeepsPinMessagesWithTheirClock) {
    AudioSideHost host;
    TestAudioObject object(host);
    host.Attach(&object.record);
    host.StartClockAt(7);
    object.Ask(HOST_OP_SLEEP);
    object.Ask(HOST_OP_SLEEP);
    object.Ask(HOST_OP_PIN_VALUE, 3, -4, reinterpret_cast<void*>(uintptr_t{9}));
    EXPECT_EQ(host.Counts().sleeps, 2);
    ASSERT_EQ(host.PinMessages().size(), 1u);
    const AudioPinMessage& message = host.PinMessages()[0];
    EXPECT_EQ((std::vector<int64_t>{message.pin, message.value, message.stamp, message.clock}),
              (std::vector<int64_t>{3, -4, 9, 7}));
}

// A value the audio side sends is kept for the GUI object only on an output both sides share, the
// latest one of each: never on an output of the audio side alone, nor on an input.
TEST(AudioSideHost, KeepsForTheGuiSideTheLatestValueOfEachOutputBothSidesShare) {
    AudioSideHost host;
    std::vector<QVPinProperties> pins{Pin(DT_INT, IO_UI_COMMUNICATION | IO_UI_AND_AUDIO),
                                      Pin(DT_INT, 0),
                                      Pin(DT_INT, IO_UI_COMMUNICATION | IO_UI_AND_AUDIO)};
    pins[0].direction = DR_OUT;
    pins[1].direction = DR_OUT;
    TestAudioObject object(host, pins);
    host.Attach(&object.record);
    for (const auto& [pin, value] : std::vector<std::pair<int32_t, int32_t>>{
             {0, 3}, {1, 4}, {2, 5}, {0, 6}}) {
        object.Ask(HOST_OP_PIN_VALUE, pin, value, nullptr);
    }
    const std::vector<ValueForGui> kept = host.TakeValuesForGui();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].table_index, 0u);
    EXPECT_EQ(kept[0].value, 6);
    EXPECT_TRUE(host.TakeValuesForGui().empty()) << "taken once";
}

TEST(AudioSideHost, TakesAPinMessageForNowOrLaterAcrossTheClockWrapAndRefusesOneForThePast) {
    const struct {
        uint32_t clock;
        uint32_t stamp;
        size_t problems;
    } cases[] = {{0xFFFFFFF0u, 0xFFFFFFF0u, 0}, {0xFFFFFFF0u, 5, 0}, {5, 0xFFFFFFF0u, 1}, {100, 99, 1}};
    for (const auto& c : cases) {
        AudioSideHost host;
        TestAudioObject object(host, {Pin(DT_FSAMPLE, 0)});
        host.Attach(&object.record);
        host.StartClockAt(c.clock);
        object.Ask(HOST_OP_PIN_VALUE, 0, 1, reinterpret_cast<void*>(uintptr_t{c.stamp}));
        EXPECT_EQ(host.Problems().size(), c.problems) << "clock " << c.clock << ", stamp " << c.stamp;
    }
}

TEST(AudioSideHost, IgnoresCallsWithARecordItDoesNotHold) {
    AudioSideHost host;
    TestAudioObject object(host);
    host.Attach(&object.record);
    AudioHostRecord stranger = object.record;
    EXPECT_EQ(host.Answer(&stranger, HOST_OP_PIN_COUNT, 0, 0, nullptr), 0);
    EXPECT_EQ(host.Counts().pin_count_requests, 0);
    EXPECT_EQ(host.Problems().size(), 1u);
}

TEST(AudioSideHost, EndsAPinTableThatNeverEnds) {
    AudioSideHost host;
    TestAudioObject object(host, std::vector<QVPinProperties>(1000, Pin(DT_INT, 0)));
    host.Attach(&object.record);
    EXPECT_EQ(host.PinTable().size(), static_cast<size_t>(AudioSideHost::kMaxPinDescriptions));
    EXPECT_EQ(host.Problems().size(), 1u);
}

TEST(AudioSideHost, RefusesBlockSizesItHasNoBuffersFor) {
    AudioSideHost host;
    TestAudioObject object(host);
    host.Attach(&object.record);
    for (int32_t size : {0, -1, AudioSideHost::kMaxBlockSize + 1}) {
        EXPECT_THROW(host.SetBlockSize(size), HostError) << size;
    }
    EXPECT_NO_THROW(host.SetBlockSize(AudioSideHost::kMaxBlockSize));
}

TEST(AudioSideHost, RepeatsOnlyARepeatableLastPinAndOnlyBeforeOpen) {
    AudioSideHost host;
    TestAudioObject plain(host, {Pin(DT_FSAMPLE, 0)});
    host.Attach(&plain.record);
    EXPECT_THROW(host.RepeatLastPin(1), HostError);
    TestAudioObject repeating(host, {Pin(DT_INT, 0), Pin(DT_FSAMPLE, IO_REPEAT_LAST)});
    host.Attach(&repeating.record);
    host.RepeatLastPin(2);
    EXPECT_EQ(repeating.Ask(HOST_OP_PIN_COUNT), 4);
    EXPECT_EQ(&host.AudioPin(3), &host.PinTable()[1]);
    EXPECT_NE(repeating.Ask(HOST_OP_PIN_BUFFER, 3), repeating.Ask(HOST_OP_PIN_BUFFER, 2));
    host.Open();
    EXPECT_THROW(host.RepeatLastPin(1), HostError);
}

TEST(AudioSideHost, RepeatsUpToItsLimitOfAudioPinsAndNotOneMore) {
    AudioSideHost host;
    TestAudioObject object(host, {Pin(DT_FSAMPLE, IO_REPEAT_LAST)});
    host.Attach(&object.record);
    EXPECT_THROW(host.RepeatLastPin(AudioSideHost::kMaxPinDescriptions), HostError);
    host.RepeatLastPin(AudioSideHost::kMaxPinDescriptions - 1);
    EXPECT_EQ(object.Ask(HOST_OP_PIN_COUNT), AudioSideHost::kMaxPinDescriptions);
}

// The value lands in the object's variable in the width of the pin's datatype, and the object
// hears of it at the next block's first sample.
TEST(AudioSideHost, SetsAPinVariableAndReportsTheChange) {
    AudioSideHost host;
    int16_t choice = -1;
    float level = 0.0f;
    std::vector<QVPinProperties> table{Pin(DT_ENUM, 0), Pin(DT_FLOAT, 0), Pin(DT_FSAMPLE, 0)};
    table[0].variable_address = &choice;
    table[1].variable_address = &level;
    TestAudioObject object(host, table);
    host.Attach(&object.record);
    host.Open();
    host.StartClockAt(5);
    host.SetPinValue(0, 2.0);
    host.SetPinValue(1, 0.25);
    EXPECT_THROW(host.SetPinValue(2, 1.0), HostError) << "a sample pin has no variable";
    EXPECT_THROW(host.SetPinValue(0, 40000.0), HostError) << "beyond 16 bits";
    std::vector<std::pair<int32_t, uintptr_t>> statuses;
    object.on_event = [&](const TimedEvent& event) {
        EXPECT_EQ(event.event_type, EVENT_PIN_STATUS);
        statuses.push_back({event.int_value, event.ptr_value});
    };
    host.ProcessBlock();
    EXPECT_EQ(choice, 2);
    EXPECT_EQ(level, 0.25f);
    const std::vector<std::pair<int32_t, uintptr_t>> expected{{PIN_STATUS_CHANGED, 0},
                                                              {PIN_STATUS_CHANGED, 1}};
    EXPECT_EQ(statuses, expected);
    EXPECT_EQ(object.deliveries.front().clock, 5u);
}

// A variable takes every value of its type, its lowest and highest included, and refuses the
// rest; a switch's holds 0 or 1 whatever it is set to (a module may compare it with 1).
TEST(AudioSideHost, WritesEveryValueOfAVariablesTypeAndRefusesTheRest) {
    AudioSideHost host;
    union {
        int16_t choice;
        uint8_t on;
        float level;
        int32_t count;
    } variable{};
    struct Row {
        int32_t datatype;
        double value;
        double held;  // NaN: refused
    };
    const double refused = std::numeric_limits<double>::quiet_NaN();
    const Row rows[] = {
        {DT_BOOL, 2, 1},
        {DT_BOOL, 0, 0},
        {DT_BOOL, -1, 1},
        {DT_ENUM, -32768, -32768},
        {DT_ENUM, 32767, 32767},
        {DT_ENUM, 32768, refused},
        {DT_ENUM, -32769, refused},
        {DT_FLOAT, -FLT_MAX, -FLT_MAX},
        {DT_FLOAT, FLT_MAX, FLT_MAX},
        {DT_FLOAT, 1e39, refused},
        {DT_FLOAT, refused, refused},
        {DT_INT, INT32_MIN, INT32_MIN},
        {DT_INT, INT32_MAX, INT32_MAX},
        {DT_INT, 2147483648.0, refused},
    };
    for (const Row& row : rows) {
        QVPinProperties pin = Pin(row.datatype, 0);
        pin.variable_address = &variable;
        TestAudioObject object(host, {pin});
        host.Attach(&object.record);
        variable.count = 0;
        const std::string what = std::to_string(row.datatype) + " " + std::to_string(row.value);
        if (std::isnan(row.held)) {
            EXPECT_THROW(host.WritePinVariable(0, row.value), HostError) << what;
            continue;
        }
        host.WritePinVariable(0, row.value);
        const double held = row.datatype == DT_BOOL    ? static_cast<double>(variable.on)
                            : row.datatype == DT_ENUM  ? static_cast<double>(variable.choice)
                            : row.datatype == DT_FLOAT ? static_cast<double>(variable.level)
                                                       : static_cast<double>(variable.count);
        EXPECT_EQ(held, row.held) << what;
    }
}

// An output announced STATIC from a later clock may move until then, and not after; one that
// keeps moving is reported once, at its first move.
TEST(AudioSideHost, WatchesAStaticOutputFromTheClockItWasAnnouncedFor) {
    for (const bool moves_after : {false, true}) {
        AudioSideHost host;
        QVPinProperties out = Pin(DT_FSAMPLE, 0);
        out.direction = DR_OUT;
        TestAudioObject object(host, {out});
        host.Attach(&object.record);
        host.Open();
        host.StartClockAt(0);
        object.on_process = [&](int32_t offset, int32_t frames) {
            float* samples = host.InputBuffer(0);
            for (int32_t n = offset; n < offset + frames; ++n) {
                const uint32_t clock = object.Clock() + static_cast<uint32_t>(n - offset);
                samples[n] = clock < 40 || (moves_after && clock >= 60) ? 0.01f * n : 1.0f;
            }
            if (object.Clock() == 0) {
                object.Ask(HOST_OP_STATUS_CHANGE, 0, PIN_STATUS_STATIC,
                           reinterpret_cast<void*>(uintptr_t{40}));
            }
        };
        host.ProcessBlock();
        host.ProcessBlock();
        ASSERT_EQ(host.Problems().size(), moves_after ? 1u : 0u);
        if (moves_after) {
            EXPECT_NE(host.Problems()[0].find("was announced STATIC for sample clock 40, but moved "
                                              "from 1.000000 to 0.600000 at sample clock 60"),
                      std::string::npos)
                << host.Problems()[0];
        }
    }
}

// The reference host's choice for a pin with both sides: what the GUI side takes reaches the
// audio object at the start of the next block, as any value does; of several values between two
// blocks only the latest arrives, so a GUI side faster than the audio side queues nothing.
TEST(AudioSideHost, TheLatestValueTheGuiSideTookArrivesOnceAtTheNextBlocksStart) {
    int32_t variable = 0;
    QVPinProperties both = Pin(DT_INT, IO_UI_COMMUNICATION | IO_UI_AND_AUDIO);
    both.variable_address = &variable;
    AudioSideHost host;
    TestAudioObject object(host, {Pin(DT_INT, IO_UI_COMMUNICATION), both});
    host.Attach(&object.record);
    host.Open();
    host.SetBlockSize(16);
    host.TakeValueFromGui(0, 5);  // a GUI-only pin: nothing to carry
    for (int32_t value = 1; value <= 2 * AudioSideHost::kMaxEventsPerClock; ++value) {
        host.TakeValueFromGui(1, value);
    }
    host.TakeValueFromGui(1, 7);
    EXPECT_EQ(variable, 0) << "not before the block";
    std::vector<std::pair<int32_t, int32_t>> seen;
    object.on_event = [&](const TimedEvent& event) {
        seen.emplace_back(static_cast<int32_t>(event.ptr_value), variable);
    };
    host.ProcessBlock();
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{0, 7}}));
    EXPECT_EQ(object.deliveries.size(), 1u);
}
