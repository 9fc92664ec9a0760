#include "ContractFailurePattern.h"
#include "QVGUI_base.h"
#include "QVGuiPin.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {
int g_ptrTarget;
void* const kPtr = &g_ptrTarget;

std::string PtrName(void* ptr) { return ptr == kPtr ? "P" : ptr == nullptr ? "null" : "other"; }

// Logs each hook call with its arguments, and its own destruction, into a log that outlives it.
class HookLog : public QVGUI_base {
public:
    explicit HookLog(std::vector<std::string>& log)
        : QVGUI_base(RecordingHost::Callback, 0), m_log(log) {}
    ~HookLog() override { m_log.push_back("~HookLog"); }

    void Initialise(bool flag) override { Log("Initialise(" + std::to_string(flag) + ")"); }
    void Close() override {
        Log("Close()");
        if (on_close) on_close();
    }
    void OnIndexPtr(int32_t index, void* ptr) override {
        Log("OnIndexPtr(" + std::to_string(index) + "," + PtrName(ptr) + ")");
    }
    void OnPair1(void* ptr, float opt, IntPair& pair) override {
        LogPair("OnPair1", ptr, opt, pair);
    }
    void OnPair2(void* ptr, float opt, IntPair& pair) override {
        LogPair("OnPair2", ptr, opt, pair);
    }
    void OnPair3(void* ptr, float opt, IntPair& pair) override {
        LogPair("OnPair3", ptr, opt, pair);
    }
    void OnPtr1(void* ptr) override { Log("OnPtr1(" + PtrName(ptr) + ")"); }
    void OnPtr2(void* ptr) override { Log("OnPtr2(" + PtrName(ptr) + ")"); }
    bool Query() override {
        Log("Query()");
        return query_answer;
    }
    void OnIndex1(int32_t index) override { Log("OnIndex1(" + std::to_string(index) + ")"); }
    void OnIndex2(int32_t index) override { Log("OnIndex2(" + std::to_string(index) + ")"); }
    void OnValueIndexPtr(int32_t value, int32_t index, void* ptr) override {
        Log("OnValueIndexPtr(" + std::to_string(value) + "," + std::to_string(index) + "," +
            PtrName(ptr) + ")");
    }
    void OnPinChanged(QVGuiPin& pin) override {
        Log("OnPinChanged(" + std::to_string(pin.m_index) + "," +
            (pin.m_owner == this ? "this" : "other") + ")");
        if (on_pin_changed) on_pin_changed(pin);
    }

    int32_t Send(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
        return HostRecord()->dispatcher(HostRecord(), opcode, index, value, ptr, opt);
    }

    bool query_answer = false;
    std::function<void(QVGuiPin&)> on_pin_changed;
    std::function<void()> on_close;

private:
    void Log(const std::string& entry) { m_log.push_back(entry); }
    void LogPair(const char* hook, void* ptr, float opt, const IntPair& pair) {
        Log(std::string(hook) + "(" + PtrName(ptr) + "," + std::to_string(opt) + "," +
            std::to_string(pair.first) + "," + std::to_string(pair.second) + ")");
    }

    std::vector<std::string>& m_log;
};

struct Routing {
    int32_t opcode;
    int32_t index;
    int32_t value;
    const char* hook;  // null: no hook may run
    int32_t result;
};

const Routing kRoutings[] = {
    {GUI_OP_INITIALISE, 1, 0, "Initialise(1)", 0},
    {GUI_OP_INITIALISE, 0, 1, "Initialise(0)", 0},
    {GUI_OP_INITIALISE, 2, 1, "Initialise(0)", 0},
    {GUI_OP_INITIALISE, -1, 1, "Initialise(0)", 0},
    {GUI_OP_INDEX_PTR, 7, 8, "OnIndexPtr(7,P)", 0},
    {GUI_OP_PAIR1, 10, 20, "OnPair1(P,0.500000,10,20)", 0},
    {GUI_OP_PAIR2, -3, 4, "OnPair2(P,0.500000,-3,4)", 0},
    {GUI_OP_PAIR3, 5, -6, "OnPair3(P,0.500000,5,-6)", 0},
    {GUI_OP_VALUE_INDEX_PTR, 2, 9, "OnValueIndexPtr(9,2,P)", 0},
    {GUI_OP_PIN_CHANGED, 5, 3, "OnPinChanged(5,this)", 0},
    {GUI_OP_PTR1, 1, 2, "OnPtr1(P)", 0},
    {GUI_OP_PTR2, 1, 2, "OnPtr2(P)", 0},
    {GUI_OP_INDEX1, 11, 12, "OnIndex1(11)", 0},
    {GUI_OP_INDEX2, -12, 11, "OnIndex2(-12)", 0},
    {13, 1, 1, nullptr, 0},
    {-1, 1, 1, nullptr, 0},
    {INT32_MIN, 1, 1, nullptr, 0},
    {INT32_MAX, 1, 1, nullptr, 0},
};
}  // namespace

TEST(QVGUI_base, ConstructorFillsEveryRecordWordAndClearsTheRest) {
    RecordingHost host;
    alignas(QVGUI_base) unsigned char storage[sizeof(QVGUI_base)];
    std::memset(storage, 0xCD, sizeof storage);
    auto* object = new (storage) QVGUI_base(RecordingHost::Callback, 0xA1B2C3D4u);
    const GuiHostRecord& record = *object->HostRecord();

    EXPECT_EQ(record.magic, 0x5156504Du);
    const unsigned char magic_bytes[] = {0x4D, 0x50, 0x56, 0x51};
    EXPECT_EQ(std::memcmp(&record.magic, magic_bytes, 4), 0);
    EXPECT_EQ(record.version, 1);
    EXPECT_EQ(record.dispatcher, &QVGUI_base::DispatcherEntry);
    EXPECT_EQ(record.host_handle, 0xA1B2C3D4u);
    EXPECT_EQ(record.object, static_cast<void*>(object));
    for (uint32_t word : record.reserved) EXPECT_EQ(word, 0u);
    EXPECT_TRUE(host.calls.empty()) << "construction must not call the host";
    object->~QVGUI_base();
}

TEST(QVGUI_base, DispatcherRoutesEachOpcodeToItsHookWithItsArguments) {
    RecordingHost host;
    for (const Routing& routing : kRoutings) {
        std::vector<std::string> log;
        HookLog object(log);
        EXPECT_EQ(object.Send(routing.opcode, routing.index, routing.value, kPtr, 0.5f),
                  routing.result)
            << routing.opcode;
        const std::vector<std::string> expected =
            routing.hook ? std::vector<std::string>{routing.hook} : std::vector<std::string>{};
        EXPECT_EQ(log, expected) << "opcode " << routing.opcode;
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST(QVGUI_base, QueryAnswersOneOnlyWhenTheHookSaysTrue) {
    std::vector<std::string> log;
    HookLog object(log);
    object.query_answer = true;
    EXPECT_EQ(object.Send(GUI_OP_QUERY, 0, 0, nullptr, 0.0f), 1);
    object.query_answer = false;
    EXPECT_EQ(object.Send(GUI_OP_QUERY, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"Query()", "Query()"}));
}

TEST(QVGUI_base, DefaultHooksAnswerZeroAndCallNoHost) {
    RecordingHost host;
    QVGUI_base object(RecordingHost::Callback, 0);
    GuiHostRecord* record = object.HostRecord();
    for (int32_t opcode = -1; opcode <= 13; ++opcode) {
        if (opcode == GUI_OP_CLOSE) continue;
        EXPECT_EQ(record->dispatcher(record, opcode, 1, 1, kPtr, 1.0f), 0) << opcode;
    }
    EXPECT_TRUE(host.calls.empty());
}

TEST(QVGUI_base, CloseRunsCloseOnceThenTheDerivedDestructorAndAnswersOne) {
    std::vector<std::string> log;
    auto* object = new HookLog(log);
    GuiHostRecord* record = object->HostRecord();
    EXPECT_EQ(record->dispatcher(record, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"Close()", "~HookLog"}));
}

TEST(QVGUI_base, CloseThatThrowsStillDeletesTheObjectAndAnswersOne) {
    std::vector<std::string> log;
    auto* object = new HookLog(log);
    object->on_close = [] { throw std::runtime_error("close failed"); };
    GuiHostRecord* record = object->HostRecord();
    testing::internal::CaptureStderr();
    EXPECT_EQ(record->dispatcher(record, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "exception escaped GUI_OP_CLOSE: close failed\n");
    EXPECT_EQ(log, (std::vector<std::string>{"Close()", "~HookLog"}));
}

TEST(QVGUI_base, PinChangedHandleIsTheCallsOwnNotTheSharedOne) {
    std::vector<std::string> log;
    HookLog object(log);
    QVGUI_base other(RecordingHost::Callback, 0);
    object.on_pin_changed = [&](QVGuiPin& pin) {
        QVGuiPin* shared = other.GetPin(3);
        EXPECT_NE(&pin, shared);
        EXPECT_EQ(pin.m_index, 5);
        EXPECT_EQ(pin.m_owner, &object);
    };
    object.Send(GUI_OP_PIN_CHANGED, 5, 0, nullptr, 0.0f);
    EXPECT_EQ(log, (std::vector<std::string>{"OnPinChanged(5,this)"}));
}

TEST(QVGUI_base, ExceptionFromAHookNeverReachesTheHost) {
    std::vector<std::string> log;
    HookLog object(log);
    object.on_pin_changed = [](QVGuiPin&) { throw std::runtime_error("hook failed"); };
    int32_t result = -1;
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(result = object.Send(GUI_OP_PIN_CHANGED, 1, 0, nullptr, 0.0f));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "exception escaped GUI_OP_PIN_CHANGED: hook failed\n");
}

TEST(QVGUI_base, AReplacedDispatcherGetsEveryOpcodeAndItsExceptionsStayInside) {
    // Replaces the dispatcher: the record's entry must call it, not the one it replaces.
    class OwnDispatcher : public QVGUI_base {
    public:
        OwnDispatcher() : QVGUI_base(RecordingHost::Callback, 0) {}
        int32_t Dispatcher(int32_t opcode, int32_t index, int32_t, void*, float) override {
            if (index < 0) throw std::runtime_error("dispatcher failed");
            return 100 + opcode;
        }
    };
    OwnDispatcher object;
    GuiHostRecord* record = object.HostRecord();
    EXPECT_EQ(record->dispatcher(record, GUI_OP_PIN_CHANGED, 1, 0, nullptr, 0.0f), 107);
    EXPECT_EQ(record->dispatcher(record, GUI_OP_QUERY, 1, 0, nullptr, 0.0f), 100 + GUI_OP_QUERY);
    EXPECT_EQ(record->dispatcher(record, GUI_OP_PIN_CHANGED, -1, 0, nullptr, 0.0f), 0);
}

TEST(QVGUI_base, CallHostPassesOwnRecordAndArgumentsAndReturnsTheWholeWord) {
    RecordingHost host;
    QVGUI_base object(RecordingHost::Callback, 0);
    static const char text[] = "an address";
    host.pin_texts[2] = text;
    const QVWord answer = object.CallHost(GUIHOST_OP_READ_PIN_TEXT, 2, 0, nullptr, 0.0f);
    EXPECT_STREQ(reinterpret_cast<const char*>(answer), "an address");

    host.gui_answers[GUIHOST_OP_CALL8] = -77;
    EXPECT_EQ(object.CallHost(GUIHOST_OP_CALL8, 3, -4, kPtr, 2.5f), -77);
    ASSERT_EQ(host.calls.size(), 2u);
    const HostCall& call = host.calls[1];
    EXPECT_EQ(call.record, object.HostRecord());
    EXPECT_EQ(call.opcode, GUIHOST_OP_CALL8);
    EXPECT_EQ(call.index, 3);
    EXPECT_EQ(call.value, -4);
    EXPECT_EQ(call.ptr, kPtr);
    EXPECT_EQ(call.opt, 2.5f);
}

TEST(QVGUI_base, HostServiceWrappersSendTheirOpcodeAndPassTheAnswerBack) {
    RecordingHost host;
    QVGUI_base object(RecordingHost::Callback, 0);
    host.gui_answers = {
        {GUIHOST_OP_CALL8, 81}, {GUIHOST_OP_CALL18, 181}, {GUIHOST_OP_CALL19, -191}};
    EXPECT_EQ(object.HostCall8(4, 5, kPtr), 81);
    EXPECT_EQ(object.HostCall18(kPtr), 181);
    EXPECT_EQ(object.HostCall19(kPtr), -191);
    EXPECT_FALSE(object.HostQuery20(kPtr));
    host.gui_answers[GUIHOST_OP_QUERY20] = 2;
    EXPECT_TRUE(object.HostQuery20(nullptr));

    struct Sent {
        int32_t opcode, index, value;
        void* ptr;
    };
    const Sent expected[] = {{GUIHOST_OP_CALL8, 4, 5, kPtr},
                             {GUIHOST_OP_CALL18, 0, 0, kPtr},
                             {GUIHOST_OP_CALL19, 0, 0, kPtr},
                             {GUIHOST_OP_QUERY20, 0, 0, kPtr},
                             {GUIHOST_OP_QUERY20, 0, 0, nullptr}};
    ASSERT_EQ(host.calls.size(), 5u);
    for (size_t i = 0; i < host.calls.size(); ++i) {
        const HostCall& call = host.calls[i];
        EXPECT_EQ(call.record, object.HostRecord()) << i;
        EXPECT_EQ(call.opcode, expected[i].opcode) << i;
        EXPECT_EQ(call.index, expected[i].index) << i;
        EXPECT_EQ(call.value, expected[i].value) << i;
        EXPECT_EQ(call.ptr, expected[i].ptr) << i;
        EXPECT_EQ(call.opt, 0.0f) << i;
    }
}

TEST(QVGUI_baseDeathTest, HostCallWithoutCallbackFailsTheQvaudioMasterContract) {
    QVGUI_base object(nullptr, 0);
    const std::string pattern = ContractFailurePattern("qvaudioMaster", "QVGUI_base", 134);
    EXPECT_DEATH(object.CallHost(GUIHOST_OP_CALL8, 0, 0, nullptr, 0.0f), pattern);
    EXPECT_DEATH(object.HostCall18(nullptr), pattern);
    EXPECT_DEATH(object.HostQuery20(nullptr), pattern);
}
