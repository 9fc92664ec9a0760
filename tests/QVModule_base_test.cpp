#include "QVModule_base.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "ContractFailurePattern.h"
#include "CountedAllocations.h"
#include "QVPin.h"
#include "RecordingHost.h"

namespace {
const uint32_t kHostHandle = 0xC0DE1234u;

// Records every hook the dispatcher reaches, in order, and still runs the framework's default.
class HookRecordingModule : public QVModule_base {
public:
    explicit HookRecordingModule(HostCallback callback = &RecordingHost::Callback)
        : QVModule_base(callback, kHostHandle) {}
    ~HookRecordingModule() override {
        if (destructions != nullptr) ++*destructions;
        if (close_log != nullptr) close_log->push_back("destroyed");
    }

    void Open() override {
        hooks.push_back("Open");
        if (throw_in_open) throw std::runtime_error("open failed");
        QVModule_base::Open();
    }
    void Close() override {
        if (close_log != nullptr) close_log->push_back("Close");
        if (throw_in_close) throw std::runtime_error("close failed");
    }
    void SetSampleRate(float rate) override {
        hooks.push_back("SetSampleRate " + std::to_string(rate));
        QVModule_base::SetSampleRate(rate);
    }
    void SetBlockSize(int32_t size) override {
        hooks.push_back("SetBlockSize " + std::to_string(size));
        QVModule_base::SetBlockSize(size);
    }
    bool GetPinProperties(int32_t index, QVPinProperties* props) override {
        hooks.push_back("GetPinProperties " + std::to_string(index));
        *props = description;
        return describes;
    }
    void OnNotify() override { hooks.push_back("OnNotify"); }
    void OnTimedValue(uint32_t, int32_t, int16_t) override {
        throw std::runtime_error("event failed");
    }
    void OnNotifyIndex(int32_t index) override {
        hooks.push_back("OnNotifyIndex " + std::to_string(index));
    }
    void OnMessage(int32_t value, int32_t index, void* ptr) override {
        hooks.push_back("OnMessage " + std::to_string(value) + " " + std::to_string(index) +
                        (ptr == &message_target ? " target" : " other"));
    }

    void QV_CDECL Work(int32_t buffer_offset, int32_t sample_frames) {
        processed.push_back({buffer_offset, sample_frames});
    }
    void QV_CDECL Rest(int32_t, int32_t) {}

    QVWord Send(int32_t opcode, int32_t index = 0, int32_t value = 0, void* ptr = nullptr,
                float opt = 0.0f) {
        AudioHostRecord* record = HostRecord();
        return record->dispatcher(record, opcode, index, value, ptr, opt);
    }

    std::vector<std::string> hooks;
    std::vector<std::pair<int32_t, int32_t>> processed;
    QVPinProperties description{};
    bool describes = true;
    bool throw_in_open = false;
    bool throw_in_close = false;
    int message_target = 0;
    int* destructions = nullptr;
    std::vector<std::string>* close_log = nullptr;
};

const QVModule_base::ProcessFunction kWork =
    static_cast<QVModule_base::ProcessFunction>(&HookRecordingModule::Work);
const QVModule_base::ProcessFunction kRest =
    static_cast<QVModule_base::ProcessFunction>(&HookRecordingModule::Rest);

// A module whose QVModule_base is not its first base: its members need a this-adjustment.
struct FirstBase {
    virtual ~FirstBase() = default;
    int32_t word = 0;
};
class SecondBaseModule : public FirstBase, public QVModule_base {
public:
    SecondBaseModule() : QVModule_base(&RecordingHost::Callback, kHostHandle) {}
    void QV_CDECL Process(int32_t, int32_t) {}
    void Tick() {}
};

ProcessFn EntryWord(QVModule_base::ProcessFunction fn) {
    ProcessFn entry;
    std::memcpy(&entry, &fn, sizeof entry);
    return entry;
}

// Three sample inputs, described from constants: opening it allocates the pin array alone.
class ThreeInputsModule : public QVModule_base {
public:
    ThreeInputsModule() : QVModule_base(&RecordingHost::Callback, kHostHandle) {}
    bool GetPinProperties(int32_t index, QVPinProperties* props) override {
        if (index < 0 || index >= 3) return false;
        props->name = "In";
        props->direction = DR_IN;
        props->datatype = DT_FSAMPLE;
        return true;
    }
};
}  // namespace

TEST(QVModule_base, ConstructionFillsTheRecordAndAsksTheHostNothing) {
    RecordingHost host;
    HookRecordingModule module;
    const AudioHostRecord& record = *module.HostRecord();
    EXPECT_EQ(record.magic, 0x5156504Cu);
    EXPECT_EQ(record.version, 1);
    EXPECT_EQ(record.host_handle, kHostHandle);
    EXPECT_EQ(record.object, static_cast<QVModule_base*>(&module));
    EXPECT_EQ(record.reserved0, 0u);
    EXPECT_EQ(record.dispatcher, &QVModule_base::DispatcherEntry);
    EXPECT_EQ(record.process, EntryWord(&QVModule_base::EmptyProcess));
    EXPECT_EQ(record.event_handler, &QVModule_base::EventEntry);
    for (uint32_t word : record.reserved) EXPECT_EQ(word, 0u);
#if QV_TARGET_32BIT
    uint32_t words[12];
    std::memcpy(words, &record, sizeof words);
    const uint32_t expected[12] = {
        0x5156504Cu,
        1,
        kHostHandle,
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&module)),
        0,
        reinterpret_cast<uintptr_t>(record.dispatcher),
        reinterpret_cast<uintptr_t>(EntryWord(&QVModule_base::EmptyProcess)),
        reinterpret_cast<uintptr_t>(record.event_handler),
        0,
        0,
        0,
        0};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(words[i], expected[i]) << "word " << i;
#endif
    EXPECT_EQ(module.GetSampleRate(), 44100.0f);
    EXPECT_EQ(module.GetBlockSize(), 1024);
    EXPECT_TRUE(module.GetProcessFunction() == &QVModule_base::EmptyProcess);
    EXPECT_TRUE(host.calls.empty());
}

struct Routing {
    int32_t opcode;
    int32_t index;
    int32_t value;
    float opt;
    std::vector<std::string> hooks;
};

TEST(QVModule_base, DispatcherRoutesEachOpcodeToItsHookAndAnswersZero) {
    const Routing kRoutings[] = {
        {MOD_OP_OPEN, 0, 0, 0.0f, {"Open", "GetPinProperties 0"}},
        {MOD_OP_SAMPLE_RATE, 0, 96000, 48000.0f, {"SetSampleRate 48000.000000"}},
        {MOD_OP_BLOCK_SIZE, 0, 256, 512.0f, {"SetBlockSize 256"}},
        {4, 1, 2, 3.0f, {}},
        {5, 1, 2, 3.0f, {}},
        {9, 1, 2, 3.0f, {}},
        {11, 1, 2, 3.0f, {}},
        {14, 1, 2, 3.0f, {}},
        {-1, 1, 2, 3.0f, {}},
        {MOD_OP_NOTIFY, 0, 9, 0.0f, {"OnNotify"}},
        {MOD_OP_NOTIFY, -3, 9, 0.0f, {"OnNotify"}},
        {MOD_OP_NOTIFY, 2, 9, 0.0f, {"OnNotify", "OnNotifyIndex 2"}},
        {MOD_OP_MESSAGE, 6, 5, 0.0f, {"OnMessage 5 6 target"}},
    };
    for (const Routing& r : kRoutings) {
        RecordingHost host;
        HookRecordingModule module;
        EXPECT_EQ(module.Send(r.opcode, r.index, r.value, &module.message_target, r.opt), 0)
            << r.opcode;
        EXPECT_EQ(module.hooks, r.hooks) << r.opcode;
        if (r.opcode != MOD_OP_OPEN) {
            EXPECT_TRUE(host.calls.empty()) << r.opcode;
        }
        if (r.opcode != MOD_OP_SAMPLE_RATE) {
            EXPECT_EQ(module.GetSampleRate(), 44100.0f) << r.opcode;
        }
        if (r.opcode != MOD_OP_BLOCK_SIZE) {
            EXPECT_EQ(module.GetBlockSize(), 1024) << r.opcode;
        }
    }
}

TEST(QVModule_base, SampleRateComesFromOptAndBlockSizeFromValue) {
    RecordingHost host;
    HookRecordingModule module;
    module.Send(MOD_OP_SAMPLE_RATE, 0, 96000, nullptr, 22050.0f);
    module.Send(MOD_OP_BLOCK_SIZE, 0, 64, nullptr, 128.0f);
    EXPECT_EQ(module.GetSampleRate(), 22050.0f);
    EXPECT_EQ(module.GetBlockSize(), 64);
}

TEST(QVModule_base, CloseRunsCloseThenDeletesTheObjectOnceAndAnswersOne) {
    for (bool close_throws : {false, true}) {
        RecordingHost host;
        host.pin_count = 2;
        int destructions = 0;
        std::vector<std::string> close_log;
        auto* module = new HookRecordingModule;
        module->destructions = &destructions;
        module->close_log = &close_log;
        module->throw_in_close = close_throws;
        module->Send(MOD_OP_OPEN);
        host.calls.clear();
        AudioHostRecord* record = module->HostRecord();
        // A Close that throws must not keep the object alive: the host never closes it again.
        EXPECT_EQ(record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
        EXPECT_EQ(close_log, (std::vector<std::string>{"Close", "destroyed"})) << close_throws;
        EXPECT_EQ(destructions, 1) << close_throws;
        EXPECT_TRUE(host.calls.empty()) << "destroying the pins calls the host";
    }
}

TEST(QVModule_base, CloseFromInsideTheObjectsOwnHostCallWaitsForTheOutermostCall) {
    RecordingHost host;
    host.pin_count = 1;
    std::vector<std::string> log;
    auto* module = new HookRecordingModule;
    module->close_log = &log;
    // A pin that would ask the host for its buffer, were the closed object still to call it.
    module->description.datatype = DT_FSAMPLE;
    AudioHostRecord* record = module->HostRecord();
    host.on_call = [&](const HostCall& call) {
        if (call.opcode != HOST_OP_PIN_COUNT) return;
        const QVWord answer = record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
        log.push_back("close answered " + std::to_string(answer));
    };
    record->dispatcher(record, MOD_OP_OPEN, 0, 0, nullptr, 0.0f);
    log.push_back("open returned");
    EXPECT_EQ(
        log, (std::vector<std::string>{"Close", "close answered 1", "destroyed", "open returned"}));
    EXPECT_EQ(host.Opcodes(), std::vector<int32_t>{HOST_OP_PIN_COUNT});
}

TEST(QVModule_base, AnExceptionInAHookNeverReachesTheHost) {
    RecordingHost host;
    HookRecordingModule module;
    module.throw_in_open = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(module.Send(MOD_OP_OPEN), 0);
    EXPECT_EQ(module.hooks, std::vector<std::string>{"Open"});
    // Caught, but never unseen: the report names the host's call and what was thrown.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "exception escaped MOD_OP_OPEN: open failed\n");
}

// An event whose handler throws is reported, and the object is still the host's to close:
// closing it deletes it.
TEST(QVModule_base, AnEventHandlerThatThrowsLeavesTheObjectForItsClose) {
    RecordingHost host;
    int destructions = 0;
    auto* module = new HookRecordingModule;
    module->destructions = &destructions;
    AudioHostRecord* record = module->HostRecord();
    TimedEvent event{0, EVENT_TIMED_VALUE, 7, 0, 0, 0};
    testing::internal::CaptureStderr();
    record->event_handler(record->object, &event);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "exception escaped the event entry: event failed\n");
    EXPECT_EQ(record->dispatcher(record, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(destructions, 1);
}

struct PatchStoreCase {
    const char* what;
    int32_t direction;
    uint32_t flags;
    bool describes;
    QVWord answer;
};

TEST(QVModule_base, PinPropertiesAnswerWhetherTheModuleDescribedAPinThatPassesThePatchStoreCheck) {
    const PatchStoreCase kCases[] = {
        {"output stored with the patch", DR_OUT, IO_PATCH_STORE, true, 1},
        {"private input stored with the patch", DR_IN, IO_PATCH_STORE | IO_PRIVATE, true, 1},
        {"user-interface input stored with the patch", DR_IN, IO_PATCH_STORE | IO_UI_COMMUNICATION,
         true, 1},
        {"input not stored with the patch", DR_IN, IO_PRIVATE, true, 1},
        {"no pin at the index, record left cleared", DR_IN, 0, false, 0},
    };
    for (const PatchStoreCase& c : kCases) {
        RecordingHost host;
        HookRecordingModule module;
        module.description.direction = c.direction;
        module.description.flags = c.flags;
        module.describes = c.describes;
        QVPinProperties props{};
        EXPECT_EQ(module.Send(MOD_OP_GET_PIN_PROPERTIES, 3, 0, &props), c.answer) << c.what;
        EXPECT_EQ(module.hooks, std::vector<std::string>{"GetPinProperties 3"}) << c.what;
        EXPECT_EQ(props.flags, c.flags) << c.what;
    }
}

TEST(QVModule_base, PinPropertiesWithoutARecordAnswerZeroInsteadOfWritingThroughNull) {
    RecordingHost host;
    HookRecordingModule module;
    EXPECT_EQ(module.Send(MOD_OP_GET_PIN_PROPERTIES, 0, 0, nullptr), 0);
    EXPECT_TRUE(module.hooks.empty());
}

TEST(QVModule_baseDeathTest, InputStoredWithThePatchMustBePrivateOrUserInterface) {
    const std::string text =
        "(((QVPinProperties*)ptr)->flags & IO_PATCH_STORE) == 0 || "
        "(((QVPinProperties*)ptr)->flags & IO_PRIVATE) != 0 || "
        "((QVPinProperties*)ptr)->direction == DR_OUT || "
        "( ( (QVPinProperties*)ptr)->flags & IO_UI_COMMUNICATION) != 0";
    RecordingHost host;
    HookRecordingModule module;
    module.description.direction = DR_IN;
    module.description.flags = IO_PATCH_STORE;
    QVPinProperties props{};
    EXPECT_DEATH(module.Send(MOD_OP_GET_PIN_PROPERTIES, 0, 0, &props),
                 ContractFailurePattern(text, "QVModule_base", 80));
    // The check reads the record whatever the module answered.
    module.describes = false;
    EXPECT_DEATH(module.Send(MOD_OP_GET_PIN_PROPERTIES, 0, 0, &props),
                 ContractFailurePattern(text, "QVModule_base", 80));
}

TEST(QVModule_baseDeathTest, ForbiddenOpcodesFailTheirChecks) {
    RecordingHost host;
    HookRecordingModule module;
    EXPECT_DEATH(module.Send(MOD_OP_FORBIDDEN_7),
                 ContractFailurePattern("false", "QVModule_base", 99));
    EXPECT_DEATH(module.Send(MOD_OP_FORBIDDEN_10),
                 ContractFailurePattern("false", "QVModule_base", 119));
}

TEST(QVModule_base, SetProcessFunctionTellsTheHostOncePerChange) {
    RecordingHost host;
    HookRecordingModule module;
    AudioHostRecord* record = module.HostRecord();
    const ProcessFn empty_entry = record->process;

    module.SetProcessFunction(&QVModule_base::EmptyProcess);
    EXPECT_TRUE(host.calls.empty());

    module.SetProcessFunction(kWork);
    ASSERT_EQ(host.calls.size(), 1u);
    const HostCall& call = host.calls[0];
    EXPECT_EQ(call.record, record);
    EXPECT_EQ(call.opcode, HOST_OP_PROCESS_CHANGED);
    EXPECT_EQ(call.index, 0);
    EXPECT_EQ(call.value, 0);
    EXPECT_EQ(call.ptr, nullptr);
    EXPECT_EQ(call.opt, 0.0f);
    EXPECT_NE(record->process, empty_entry);
    EXPECT_EQ(record->process, EntryWord(kWork));
    EXPECT_TRUE(module.GetProcessFunction() == kWork);

    module.SetProcessFunction(kWork);
    EXPECT_EQ(host.calls.size(), 1u);

    module.SetProcessFunction(kRest);
    EXPECT_EQ(host.Opcodes(),
              (std::vector<int32_t>{HOST_OP_PROCESS_CHANGED, HOST_OP_PROCESS_CHANGED}));
    EXPECT_EQ(record->process, EntryWord(kRest));
}

TEST(QVModule_baseDeathTest, NullOrThisAdjustedMembersAreRefusedWhenInstalledOrQueued) {
    RecordingHost host;
    SecondBaseModule module;
    EXPECT_DEATH(module.SetProcessFunction(nullptr),
                 ContractFailurePattern("fn != nullptr", "QVModule_base", 179));
    EXPECT_DEATH(
        module.SetProcessFunction(
            static_cast<QVModule_base::ProcessFunction>(&SecondBaseModule::Process)),
        ContractFailurePattern("process function needs no this-adjustment", "QVModule_base", 180));
    EXPECT_DEATH(
        module.QueueMemberCall(0, static_cast<QVModule_base::MemberCall>(&SecondBaseModule::Tick)),
        ContractFailurePattern("member call needs no this-adjustment", "QVModule_base", 345));
}

TEST(QVModule_base, HostCallsTheProcessWordAsAPlainFunctionWithTheObject) {
    RecordingHost host;
    HookRecordingModule module;
    AudioHostRecord* record = module.HostRecord();
    record->process(record->object, 0, 0);  // the empty process function: harmless
    module.SetProcessFunction(kWork);
    record->process(record->object, 16, 64);
    record->process(record->object, 80, 32);
    EXPECT_EQ(module.processed, (std::vector<std::pair<int32_t, int32_t>>{{16, 64}, {80, 32}}));
}

TEST(QVModule_base, ProcessFunctionReplyIsOneRecordPointingIntoTheLastAskingObject) {
    RecordingHost host;
    HookRecordingModule first;
    HookRecordingModule second;
    second.SetProcessFunction(kWork);
    const QVWord first_answer = first.Send(MOD_OP_GET_PROCESS_FUNCTION);
    const QVWord second_answer = second.Send(MOD_OP_GET_PROCESS_FUNCTION);
    ASSERT_NE(first_answer, 0);
    EXPECT_EQ(first_answer, second_answer);

    const auto* reply = reinterpret_cast<const ProcessFunctionReply*>(second_answer);
    EXPECT_EQ(reply->count, 1);
    EXPECT_EQ(reply->size, static_cast<int32_t>(sizeof(QVModule_base::ProcessFunction)));
#if QV_TARGET_32BIT
    EXPECT_EQ(reply->size, 8);
#endif
    EXPECT_EQ(reply->tag, 1002);
    const auto* inside = static_cast<const unsigned char*>(reply->member_function);
    const auto* object = reinterpret_cast<const unsigned char*>(&second);
    EXPECT_TRUE(inside >= object && inside < object + sizeof second);
    QVModule_base::ProcessFunction read;
    std::memcpy(&read, reply->member_function, sizeof read);
    EXPECT_TRUE(read == kWork);
    // The reply points at the live member, not at a copy.
    second.SetProcessFunction(kRest);
    std::memcpy(&read, reply->member_function, sizeof read);
    EXPECT_TRUE(read == kRest);
}

TEST(QVModule_base, CallHostPassesTheRecordAndHandsBackTheAnswer) {
    RecordingHost host;
    HookRecordingModule module;
    int target = 0;
    host.audio_answers[99] = -5;
    EXPECT_EQ(module.CallHost(99, 3, -4, &target, 1.5f), -5);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].record, module.HostRecord());
    EXPECT_EQ(host.calls[0].index, 3);
    EXPECT_EQ(host.calls[0].value, -4);
    EXPECT_EQ(host.calls[0].ptr, &target);
    EXPECT_EQ(host.calls[0].opt, 1.5f);
}

TEST(QVModule_base, SampleClockIsAskedAfreshEveryTime) {
    RecordingHost host;
    HookRecordingModule module;
    host.sample_clock = 0xFFFFFFF0u;
    EXPECT_EQ(module.SampleClock(), 0xFFFFFFF0u);
    host.sample_clock = 7;
    EXPECT_EQ(module.SampleClock(), 7u);
    EXPECT_EQ(host.Opcodes(), (std::vector<int32_t>{HOST_OP_SAMPLE_CLOCK, HOST_OP_SAMPLE_CLOCK}));
}

TEST(QVModule_base, WithoutAHostCallbackEveryHostCallAnswersZero) {
    RecordingHost host;
    host.sample_clock = 55;
    host.audio_answers[99] = 3;
    HookRecordingModule module(nullptr);
    EXPECT_EQ(module.SampleClock(), 0u);
    EXPECT_EQ(module.CallHost(99, 0, 0, nullptr, 0.0f), 0);
    module.SetProcessFunction(kWork);
    EXPECT_EQ(module.HostRecord()->process, EntryWord(kWork));
    EXPECT_EQ(module.Send(MOD_OP_OPEN), 0);
    EXPECT_TRUE(host.calls.empty());
}

// A host may open an object again: the new pin array replaces the first, which is freed rather
// than left behind.
TEST(QVModule_base, RepeatedOpenFreesThePinArrayItReplaces) {
    RecordingHost host;
    host.pin_count = 3;
    host.calls.reserve(64);  // the host's record of calls keeps one block throughout
    ThreeInputsModule module;
    module.Open();
    const int64_t live = LiveAllocations();
    module.Open();
    EXPECT_EQ(LiveAllocations(), live);
    EXPECT_EQ(module.PinOfDescription(2), module.GetPin(2));
    EXPECT_EQ(module.GetPin(2)->GetIndex(), 2);
}
