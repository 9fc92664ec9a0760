#include "ContractFailurePattern.h"
#include "QVModule_base.h"
#include "QVPin.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {
// A module whose pin descriptions are a list the test fills; it records every status change
// shown to it as (pin index, status).
class DescribedModule : public QVModule_base {
public:
    explicit DescribedModule(std::vector<QVPinProperties> list = {},
                             HostCallback callback = &RecordingHost::Callback)
        : QVModule_base(callback, 0), descriptions(std::move(list)) {}

    bool GetPinProperties(int32_t index, QVPinProperties* props) override {
        if (index < 0 || static_cast<size_t>(index) >= descriptions.size()) return false;
        *props = descriptions[static_cast<size_t>(index)];
        return true;
    }
    void OnPinStatusChange(QVPin* pin) override {
        seen.push_back({pin->GetIndex(), pin->GetStatus()});
    }

    std::vector<QVPinProperties> descriptions;
    std::vector<std::pair<int32_t, int32_t>> seen;
};

int32_t g_module_variable = 0;

QVPinProperties Describe(int32_t direction, int32_t datatype, uint32_t flags = 0,
                         void* variable = nullptr) {
    QVPinProperties props{};
    props.variable_address = variable;
    props.direction = direction;
    props.datatype = datatype;
    props.flags = flags;
    return props;
}

bool InsidePin(const QVPin* pin, const void* address) {
    const auto* at = static_cast<const unsigned char*>(address);
    const auto* begin = reinterpret_cast<const unsigned char*>(pin);
    return at >= begin && at < begin + sizeof(QVPin);
}

// How a pin is bound: "unbound", or its datatype code and where its value lives.
std::string Binding(DescribedModule& module, int32_t index) {
    const QVPin* pin = module.GetPin(index);
    if (pin->GetModule() == nullptr) return "unbound";
    std::string where = pin->GetVariable() == nullptr              ? "none"
                        : pin->GetVariable() == &g_module_variable ? "variable"
                        : InsidePin(pin, pin->GetVariable())       ? "own"
                                                                   : "elsewhere";
    if (pin->GetModule() != &module || pin->GetIndex() != index || pin->GetStatus() != 0)
        where += " misbound";
    return std::to_string(pin->GetDatatype()) + " " + where;
}

std::vector<std::string> Bindings(DescribedModule& module) {
    std::vector<std::string> bindings;
    for (int32_t i = 0; i < QVPin::ArrayCount(module.GetPin(0)); ++i)
        bindings.push_back(Binding(module, i));
    return bindings;
}

std::vector<int32_t> BufferRequests(const RecordingHost& host) {
    std::vector<int32_t> indices;
    for (const HostCall& call : host.CallsWith(HOST_OP_PIN_BUFFER)) indices.push_back(call.index);
    return indices;
}

const uint32_t UI = IO_UI_COMMUNICATION;

struct CreationCase {
    const char* what;
    std::vector<QVPinProperties> descriptions;
    int32_t host_pins;
    std::vector<std::string> bindings;
    std::vector<int32_t> buffer_requests;
};
}  // namespace

TEST(QVPin, OpenBindsHostPinsToThePinCreatingDescriptionsInOrder) {
    float buffer[4] = {};
    const std::vector<CreationCase> kCases = {
        {"user-interface pins get an audio pin only with IO_UI_AND_AUDIO",
         {Describe(DR_IN, DT_INT, UI), Describe(DR_IN, DT_FLOAT, UI | IO_UI_AND_AUDIO),
          Describe(DR_IN, DT_BOOL)},
         2,
         {"6 own", "4 own"},
         {}},
        {"a sample pin after a user-interface pin asks the buffer with its audio index",
         {Describe(DR_IN, DT_INT), Describe(DR_IN, DT_ENUM, UI), Describe(DR_OUT, DT_FSAMPLE)},
         2,
         {"8 own", "5 own"},
         {1}},
        {"surplus host pins repeat the last description",
         {Describe(DR_IN, DT_FLOAT), Describe(DR_IN, DT_INT, IO_REPEAT_LAST)},
         5,
         {"6 own", "8 own", "8 own", "8 own", "8 own"},
         {}},
        {"a full array repeats nothing",
         {Describe(DR_IN, DT_FLOAT), Describe(DR_IN, DT_INT, IO_REPEAT_LAST)},
         1,
         {"6 own"},
         {}},
        {"repeated pins keep their own storage, not the module's variable",
         {Describe(DR_IN, DT_INT, IO_REPEAT_LAST, &g_module_variable)},
         3,
         {"8 variable", "8 own", "8 own"},
         {}},
        {"a user-interface last description is not repeated",
         {Describe(DR_IN, DT_INT), Describe(DR_IN, DT_INT, UI | IO_REPEAT_LAST)},
         3,
         {"8 own", "unbound", "unbound"},
         {}},
        {"surplus host pins without repetition stay unbound",
         {Describe(DR_IN, DT_INT), Describe(DR_OUT, DT_BOOL)},
         4,
         {"8 own", "4 own", "unbound", "unbound"},
         {}},
        {"creation stops when the host's pins are used up",
         {Describe(DR_IN, DT_INT), Describe(DR_OUT, DT_BOOL), Describe(DR_OUT, DT_FSAMPLE)},
         2,
         {"8 own", "4 own"},
         {}},
        {"a sample pin with a module variable asks the host nothing",
         {Describe(DR_OUT, DT_FSAMPLE, 0, &g_module_variable)},
         1,
         {"5 variable"},
         {}},
        {"the host's own datatypes keep no value",
         {Describe(DR_IN, 2), Describe(DR_IN, 7), Describe(DR_IN, 9)},
         3,
         {"2 none", "7 none", "9 none"},
         {}},
    };
    for (const CreationCase& c : kCases) {
        RecordingHost host;
        host.pin_count = c.host_pins;
        host.pin_buffers[1] = buffer;
        DescribedModule module(c.descriptions);
        module.Open();
        EXPECT_EQ(Bindings(module), c.bindings) << c.what;
        EXPECT_EQ(BufferRequests(host), c.buffer_requests) << c.what;
        EXPECT_EQ(host.CallsWith(HOST_OP_PIN_COUNT).size(), 1u) << c.what;
    }
}

TEST(QVPin, SamplePinKeepsTheBufferAddressTheHostGave) {
    float buffer[4] = {0.0f, 0.5f, 0.25f, 0.125f};
    RecordingHost host;
    host.pin_count = 1;
    host.pin_buffers[0] = buffer;
    DescribedModule module({Describe(DR_IN, DT_FSAMPLE)});
    module.Open();
    const float* kept = nullptr;
    std::memcpy(&kept, module.GetPin(0)->GetVariable(), sizeof kept);
    EXPECT_EQ(kept, buffer);
}

TEST(QVPin, ModuleWithOnlyUserInterfacePinsBindsNone) {
    RecordingHost host;
    host.pin_count = 6;
    DescribedModule module(std::vector<QVPinProperties>(6, Describe(DR_IN, DT_INT, UI)));
    module.Open();
    EXPECT_EQ(Bindings(module), std::vector<std::string>(6, "unbound"));
}

TEST(QVPin, InitResetsTheLocalValueLeftByAnEarlierBinding) {
    struct Width {
        int32_t datatype;
        size_t bytes;  // 0: the pin keeps no value
    };
    const Width kWidths[] = {{DT_ENUM, 2},  {1, 0}, {2, 0},      {3, 0}, {DT_BOOL, 1},
                             {DT_FLOAT, 4}, {7, 0}, {DT_INT, 4}, {9, 0}, {-1, 0}};
    unsigned char noise[sizeof(void*)];
    std::memset(noise, 0xA5, sizeof noise);
    float* noisy_address = nullptr;
    std::memcpy(&noisy_address, noise, sizeof noisy_address);
    for (const Width& w : kWidths) {
        RecordingHost host;
        host.pin_buffers[0] = noisy_address;
        DescribedModule module;
        QVPin pin;
        pin.Init(&module, 0, DT_FSAMPLE, nullptr);  // fills the storage with the noisy address
        pin.Init(&module, 4, w.datatype, nullptr);
        EXPECT_EQ(pin.GetIndex(), 4);
        EXPECT_EQ(pin.GetDatatype(), w.datatype);
        if (w.bytes == 0) {
            EXPECT_EQ(pin.GetVariable(), nullptr) << w.datatype;
            continue;
        }
        ASSERT_TRUE(InsidePin(&pin, pin.GetVariable())) << w.datatype;
        const unsigned char zero[4] = {};
        EXPECT_EQ(std::memcmp(pin.GetVariable(), zero, w.bytes), 0) << w.datatype;
    }
}

TEST(QVPin, SecondOpenReplacesThePinArray) {
    RecordingHost host;
    DescribedModule module({Describe(DR_IN, DT_INT, IO_REPEAT_LAST)});
    host.pin_count = 3;
    module.Open();
    host.pin_count = 5;
    module.Open();
    EXPECT_EQ(Bindings(module), std::vector<std::string>(5, "8 own"));
    // A host that then holds no pins leaves the array as it is.
    host.pin_count = 0;
    module.Open();
    EXPECT_EQ(QVPin::ArrayCount(module.GetPin(0)), 5);
}

struct StatusCase {
    int32_t status;
    int32_t after;
};

TEST(QVPin, MomentaryStatusOneReturnsToZeroAfterTheModuleSawIt) {
    const StatusCase kCases[] = {{1, 0}, {2, 2}, {0, 0}, {-1, -1}};
    for (const StatusCase& c : kCases) {
        RecordingHost host;
        host.pin_count = 2;
        DescribedModule module({Describe(DR_IN, DT_INT), Describe(DR_IN, DT_INT)});
        module.Open();
        module.GetPin(1)->DeliverStatusChange(c.status);
        EXPECT_EQ(module.seen, (std::vector<std::pair<int32_t, int32_t>>{{1, c.status}}));
        EXPECT_EQ(module.GetPin(1)->GetStatus(), c.after) << c.status;
        EXPECT_EQ(module.GetPin(0)->GetStatus(), 0) << c.status;
    }
}

TEST(QVPin, SendValueHandsTheValueAndClockToTheHostUnchecked) {
    RecordingHost host;
    host.pin_count = 2;
    host.sample_clock = 1000;
    host.audio_answers[HOST_OP_PIN_VALUE] = -2;
    DescribedModule module({Describe(DR_OUT, DT_INT), Describe(DR_OUT, DT_INT)});
    module.Open();
    host.calls.clear();
    EXPECT_EQ(module.GetPin(1)->SendValue(5, -7), -2);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].opcode, HOST_OP_PIN_VALUE);
    EXPECT_EQ(host.calls[0].index, 1);
    EXPECT_EQ(host.calls[0].value, -7);
    EXPECT_EQ(host.calls[0].ptr, reinterpret_cast<void*>(uintptr_t{5}));
}

// Clock and stamp pairs: the clock wraps after 2^32 samples, and "later" reaches 2^31 - 1 ahead.
const std::pair<uint32_t, uint32_t> kNowOrLater[] = {
    {50, 50}, {50, 51}, {50, 50u + 0x7FFFFFFFu}, {0xFFFFFFFFu - 999, 0}, {0xFFFFFFFFu, 5}};

TEST(QVPin, StatusChangeForNowOrLaterReachesTheHost) {
    for (const auto& [now, clock] : kNowOrLater) {
        RecordingHost host;
        host.pin_count = 1;
        host.sample_clock = now;
        host.audio_answers[HOST_OP_STATUS_CHANGE] = 77;
        DescribedModule module({Describe(DR_OUT, DT_INT)});
        module.Open();
        host.calls.clear();
        EXPECT_EQ(module.GetPin(0)->SendStatusChange(clock, 3), 77);
        ASSERT_EQ(host.Opcodes(),
                  (std::vector<int32_t>{HOST_OP_SAMPLE_CLOCK, HOST_OP_STATUS_CHANGE}));
        EXPECT_EQ(host.calls[1].index, 0);
        EXPECT_EQ(host.calls[1].value, 3);
        EXPECT_EQ(host.calls[1].ptr, reinterpret_cast<void*>(uintptr_t{clock}));
    }
}

TEST(QVPin, QueryPinIsTrueForAnyNonZeroAnswer) {
    const std::pair<QVWord, bool> kAnswers[] = {{1, true}, {-1, true}, {2, true}, {0, false}};
    for (const auto& answer : kAnswers) {
        RecordingHost host;
        host.pin_count = 3;
        host.audio_answers[HOST_OP_QUERY_PIN] = answer.first;
        DescribedModule module({Describe(DR_IN, DT_INT, IO_REPEAT_LAST)});
        module.Open();
        host.calls.clear();
        EXPECT_EQ(module.GetPin(2)->QueryPin(), answer.second) << answer.first;
        ASSERT_EQ(host.calls.size(), 1u);
        EXPECT_EQ(host.calls[0].opcode, HOST_OP_QUERY_PIN);
        EXPECT_EQ(host.calls[0].index, 2);
    }
}

TEST(QVPin, GetSampleReadsTheBufferAtTheClockRelativeToItsBaseWithinTheBlock) {
    // A block of six samples; what lies beyond it is not the block's.
    const int32_t block_size = 6;
    float buffer[8] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f};
    float* buffer_word = buffer;
    struct ClockCase {
        uint32_t base;
        uint32_t clock;
        float sample;
    };
    const ClockCase kClocks[] = {{100, 103, 3.0f},        {100, 100, 0.0f}, {100, 105, 5.0f},
                                 {100, 106, 0.0f},        {100, 99, 0.0f},  {0xFFFFFFFEu, 1, 3.0f},
                                 {0xFFFFFFFEu, 4, 0.0f}};
    for (const ClockCase& c : kClocks) {
        for (void* variable : {static_cast<void*>(nullptr), static_cast<void*>(&buffer_word)}) {
            RecordingHost host;
            host.pin_count = 2;
            host.pin_buffers[1] = buffer;
            host.buffer_base_clocks[1] = c.base;
            host.sample_clock = c.clock;
            DescribedModule module(
                {Describe(DR_IN, DT_INT), Describe(DR_IN, DT_FSAMPLE, 0, variable)});
            module.SetBlockSize(block_size);
            module.Open();
            host.calls.clear();
            EXPECT_EQ(module.GetPin(1)->GetSample(), c.sample) << c.base << " " << c.clock;
            EXPECT_EQ(host.Opcodes(),
                      (std::vector<int32_t>{HOST_OP_BUFFER_BASE_CLOCK, HOST_OP_SAMPLE_CLOCK}));
            EXPECT_EQ(host.calls[0].index, 1);
        }
    }
}

TEST(QVPin, WithoutAHostCallbackPinsGetZeroAnswers) {
    RecordingHost host;
    DescribedModule module({}, nullptr);
    QVPin pin;
    pin.Init(&module, 0, DT_FSAMPLE, nullptr);
    EXPECT_FALSE(pin.QueryPin());
    EXPECT_EQ(pin.SendStatusChange(0, 1), 0);
    // No buffer: the sample is silence, not a read through null.
    EXPECT_EQ(pin.GetSample(), 0.0f);
    EXPECT_TRUE(host.calls.empty());
}

TEST(QVPinDeathTest, StatusChangeForAPastClockFails) {
    RecordingHost host;
    host.pin_count = 1;
    DescribedModule module({Describe(DR_OUT, DT_INT)});
    module.Open();
    for (const auto& [now, clock] :
         {std::make_pair(50u, 49u), std::make_pair(5u, 0xFFFFFFFFu), std::make_pair(50u, 50u + 0x80000000u)}) {
        host.sample_clock = now;
        EXPECT_DEATH(module.GetPin(0)->SendStatusChange(clock, 3),
                     ContractFailurePattern("sampleclock >= m_module->SampleClock()", "QVPin", 77))
            << now << " " << clock;
    }
}

TEST(QVPinDeathTest, GetSampleOnAPinOfAnotherDatatypeFails) {
    RecordingHost host;
    host.pin_count = 2;
    DescribedModule module({Describe(DR_IN, DT_FLOAT)});
    module.Open();
    const std::string pattern = ContractFailurePattern("m_datatype == DT_FSAMPLE", "QVPin", 125);
    EXPECT_DEATH(module.GetPin(0)->GetSample(), pattern);
}

TEST(QVPin, UnboundSurplusPinAnswersZeroAndCallsNothing) {
    RecordingHost host;
    host.pin_count = 2;
    host.audio_answers = {{HOST_OP_PIN_VALUE, 7}, {HOST_OP_QUERY_PIN, 1}, {HOST_OP_STATUS_CHANGE, 7}};
    DescribedModule module({Describe(DR_IN, DT_FLOAT)});
    module.Open();
    host.calls.clear();
    QVPin* unbound = module.GetPin(1);
    EXPECT_EQ(unbound->SendValue(0, 5), 0);
    EXPECT_EQ(unbound->SendStatusChange(0, 2), 0);
    EXPECT_FALSE(unbound->QueryPin());
    EXPECT_EQ(unbound->GetSample(), 0.0f);
    EXPECT_TRUE(host.calls.empty());
}

TEST(QVPinDeathTest, GetPinOutsideTheArrayFails) {
    RecordingHost host;
    host.pin_count = 1;
    DescribedModule module({Describe(DR_IN, DT_INT)});
    module.Open();
    for (int32_t index : {1, -1, INT32_MAX, INT32_MIN}) {
        EXPECT_DEATH(module.GetPin(index),
                     ContractFailurePattern("index >= 0 && index < QVPin::ArrayCount(m_pins)",
                                            "QVModule_base", 151))
            << index;
    }
}

TEST(QVPin, PinArrayRefusesACountWhoseSizeCannotBeHeld) {
    std::vector<int32_t> counts = {-1, INT32_MIN};
    // On a 32-bit target the size of the largest count wraps too.
    if (sizeof(void*) == 4) counts.push_back(INT32_MAX);
    for (int32_t count : counts) EXPECT_THROW(QVPin::CreateArray(count), std::bad_array_new_length) << count;
}

TEST(QVPinDeathTest, NoHostPinsMeansNoPinArray) {
    for (int32_t count : {0, -1}) {
        RecordingHost host;
        host.pin_count = count;
        DescribedModule module({Describe(DR_IN, DT_INT)});
        module.Open();
        EXPECT_DEATH(module.GetPin(0), ContractFailurePattern("m_pins != 0", "QVModule_base", 150))
            << count;
    }
}

TEST(QVPin, TypedValuesReadAndWriteTheVariableAsWideAsItsDatatype) {
    RecordingHost host;
    host.pin_count = 4;
    DescribedModule module({Describe(DR_IN, DT_ENUM), Describe(DR_IN, DT_BOOL),
                            Describe(DR_IN, DT_FLOAT), Describe(DR_IN, DT_INT)});
    module.Open();
    module.GetPin(0)->SetEnum(-2);
    module.GetPin(1)->SetBool(true);
    module.GetPin(2)->SetFloat(0.25f);
    module.GetPin(3)->SetInt(INT32_MIN);
    EXPECT_EQ(module.GetPin(0)->GetEnum(), -2);
    EXPECT_TRUE(module.GetPin(1)->GetBool());
    EXPECT_EQ(module.GetPin(2)->GetFloat(), 0.25f);
    EXPECT_EQ(module.GetPin(3)->GetInt(), INT32_MIN);
    // A host writes 16 bits for an enumeration and 8 for a boolean, and reads no more.
    EXPECT_EQ(*static_cast<const uint16_t*>(module.GetPin(0)->GetVariable()), 0xFFFEu);
    EXPECT_EQ(*static_cast<const uint8_t*>(module.GetPin(1)->GetVariable()), 1u);
}

TEST(QVPinDeathTest, AccessorsOfAnotherDatatypeFail) {
    RecordingHost host;
    host.pin_count = 1;
    DescribedModule module({Describe(DR_IN, DT_INT)});
    module.Open();
    QVPin* pin = module.GetPin(0);
    EXPECT_DEATH(pin->GetEnum(), ContractFailurePattern("m_datatype == DT_ENUM", "QVPin", 150));
    EXPECT_DEATH(pin->SetBool(true), ContractFailurePattern("m_datatype == DT_BOOL", "QVPin", 151));
    EXPECT_DEATH(pin->GetFloat(), ContractFailurePattern("m_datatype == DT_FLOAT", "QVPin", 152));
    EXPECT_DEATH(pin->OutputSamples(0),
                 ContractFailurePattern("m_datatype == DT_FSAMPLE", "QVPin", 140));
}

TEST(QVPin, SamplesComeFromTheBlocksBufferAtTheCallsOffsetWithoutAHostCall) {
    float buffer[8] = {};
    RecordingHost host;
    host.pin_count = 2;
    host.pin_buffers[1] = buffer;
    DescribedModule module({Describe(DR_IN, DT_INT, UI), Describe(DR_IN, DT_INT),
                            Describe(DR_OUT, DT_FSAMPLE)});
    module.Open();
    host.calls.clear();
    EXPECT_EQ(module.GetPin(1)->OutputSamples(3), buffer + 3);
    EXPECT_EQ(module.GetPin(1)->InputSamples(0), buffer);
    EXPECT_TRUE(host.calls.empty());
    // Table positions onto audio-side pins: the user-interface pin has none.
    const QVPin* expected[] = {nullptr, module.GetPin(0), module.GetPin(1), nullptr};
    for (int32_t index = 0; index < 4; ++index) {
        EXPECT_EQ(module.PinOfDescription(index), expected[index]) << index;
    }
}
