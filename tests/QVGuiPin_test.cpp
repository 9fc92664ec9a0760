#include "ContractFailurePattern.h"
#include "QVGUI_base.h"
#include "QVGuiPin.h"
#include "QVReentryGuard.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {
int g_ptrTarget;
void* const kPtr = &g_ptrTarget;

enum class PtrKind { Null, Buffer, Given };

struct ExpectedCall {
    int32_t opcode;
    int32_t value;
    PtrKind ptr;
    float opt;
};

struct PinOperation {
    const char* name;
    std::function<void(const QVGuiPin&)> run;
    std::vector<ExpectedCall> calls;  // as sent for pin 4, whose wide text is five units long
};

std::vector<PinOperation> PinOperations() {
    return {
        {"GetValueInt",
         [](const QVGuiPin& p) { p.GetValueInt(); },
         {{GUIHOST_OP_READ_PIN_VALUE, 0, PtrKind::Buffer, 0.0f}}},
        {"GetValueFloat",
         [](const QVGuiPin& p) { p.GetValueFloat(); },
         {{GUIHOST_OP_READ_PIN_VALUE, 0, PtrKind::Buffer, 0.0f}}},
        {"SetValueInt",
         [](const QVGuiPin& p) { p.SetValueInt(-5); },
         {{GUIHOST_OP_WRITE_PIN_VALUE, -5, PtrKind::Null, 0.0f}}},
        {"SetValueFloat",
         [](const QVGuiPin& p) { p.SetValueFloat(0.25f); },
         {{GUIHOST_OP_WRITE_PIN_VALUE, 0, PtrKind::Null, 0.25f}}},
        {"SetFloat",
         [](const QVGuiPin& p) { p.SetFloat(0.25f); },
         {{GUIHOST_OP_WRITE_PIN_VALUE, 0, PtrKind::Null, 0.25f}}},
        {"SetEnum",
         [](const QVGuiPin& p) { p.SetEnum(-2); },
         {{GUIHOST_OP_WRITE_PIN_VALUE, -2, PtrKind::Null, 0.0f}}},
        {"SetBool",
         [](const QVGuiPin& p) { p.SetBool(true); },
         {{GUIHOST_OP_WRITE_PIN_VALUE, 1, PtrKind::Null, 0.0f}}},
        {"GetBool",
         [](const QVGuiPin& p) { p.GetBool(); },
         {{GUIHOST_OP_READ_PIN_VALUE, 0, PtrKind::Buffer, 0.0f}}},
        {"SetValuePtr",
         [](const QVGuiPin& p) { p.SetValuePtr(kPtr); },
         {{GUIHOST_OP_WRITE_PIN_PTR, 0, PtrKind::Given, 0.0f}}},
        {"GetValueText",
         [](const QVGuiPin& p) { p.GetValueText(); },
         {{GUIHOST_OP_READ_PIN_TEXT, 0, PtrKind::Null, 0.0f}}},
        {"GetValueWideText",
         [](const QVGuiPin& p) { p.GetValueWideText(); },
         {{GUIHOST_OP_READ_PIN_WIDE_TEXT, 0, PtrKind::Null, 0.0f},
          {GUIHOST_OP_READ_PIN_WIDE_TEXT, 6, PtrKind::Buffer, 0.0f}}},
    };
}

void ExpectCalls(const RecordingHost& host, QVGUI_base& owner, const PinOperation& op) {
    ASSERT_EQ(host.calls.size(), op.calls.size()) << op.name;
    for (size_t i = 0; i < op.calls.size(); ++i) {
        const HostCall& call = host.calls[i];
        const ExpectedCall& expected = op.calls[i];
        SCOPED_TRACE(std::string(op.name) + " call " + std::to_string(i));
        EXPECT_EQ(call.record, owner.HostRecord());
        EXPECT_EQ(call.opcode, expected.opcode);
        EXPECT_EQ(call.index, 4);
        EXPECT_EQ(call.value, expected.value);
        EXPECT_EQ(call.opt, expected.opt);
        switch (expected.ptr) {
        case PtrKind::Null:
            EXPECT_EQ(call.ptr, nullptr);
            break;
        case PtrKind::Buffer:
            EXPECT_NE(call.ptr, nullptr);
            EXPECT_NE(call.ptr, kPtr);
            break;
        case PtrKind::Given:
            EXPECT_EQ(call.ptr, kPtr);
            break;
        }
    }
}

// A host whose wide-text answers a test sets freely, including ones RecordingHost never gives.
struct WideTextHost {
    static int32_t s_length;        // the first call's answer
    static std::u16string s_units;  // written, without a zero unit, up to the length passed in
    static int s_calls;

    static QVWord QV_CDECL Callback(void*, int32_t, int32_t, int32_t value, void* ptr, float) {
        ++s_calls;
        if (ptr == nullptr) return s_length;
        const size_t count = std::min(static_cast<size_t>(value), s_units.size());
        std::memcpy(ptr, s_units.data(), count * sizeof(char16_t));
        return 0;
    }
};
int32_t WideTextHost::s_length = 0;
std::u16string WideTextHost::s_units;
int WideTextHost::s_calls = 0;

// Answers every call with 0 and writes nothing.
QVWord QV_CDECL SilentHost(void*, int32_t, int32_t, int32_t, void*, float) { return 0; }

// Leaves a pattern on the stack where the next call's locals will be.
__attribute__((noinline)) void DirtyTheStack() {
    volatile unsigned char junk[1024];
    for (volatile unsigned char& byte : junk) byte = 0x7F;
}
}  // namespace

TEST(QVGuiPin, GetPinHandsOutOneHandleForTheWholeLibraryHoldingTheLastCall) {
    QVGUI_base first(RecordingHost::Callback, 0);
    QVGUI_base second(RecordingHost::Callback, 0);
    QVGuiPin* a = first.GetPin(2);
    QVGuiPin* b = first.GetPin(3);
    QVGuiPin* c = second.GetPin(3);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(c->m_index, 3);
    EXPECT_EQ(c->m_owner, &second);
}

TEST(QVGuiPin, AHandleByValueStaysAimedWhereItWasMade) {
    RecordingHost host;
    QVGUI_base object(RecordingHost::Callback, 0);
    const QVGuiPin in = object.Pin(2);
    object.GetPin(5);
    object.Pin(7);
    in.SetInt(9);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].index, 2);
}

TEST(QVGuiPin, ReentryGuardTurnsAwayOnlyTheNestedHandler) {
    bool busy = false;
    std::vector<bool> nested;
    {
        const QVReentryGuard outer(busy);
        const QVReentryGuard inner(busy);
        nested = {outer.Nested(), inner.Nested()};
    }
    EXPECT_EQ(nested, (std::vector<bool>{false, true}));
    EXPECT_FALSE(busy) << "the outermost guard clears the flag";
}

TEST(QVGuiPin, EachOperationSendsExactlyItsHostCalls) {
    for (const PinOperation& op : PinOperations()) {
        RecordingHost host;
        host.pin_wide_texts[4] = u"abcde";
        QVGUI_base object(RecordingHost::Callback, 0);
        op.run(*object.GetPin(4));
        ExpectCalls(host, object, op);
    }
}

TEST(QVGuiPin, NestedGetPinDuringTheHostCallDoesNotRedirectTheOperation) {
    for (const PinOperation& op : PinOperations()) {
        RecordingHost host;
        host.pin_wide_texts[4] = u"abcde";
        host.pin_wide_texts[1] = u"a much longer text";
        QVGUI_base object(RecordingHost::Callback, 0);
        QVGUI_base other(RecordingHost::Callback, 0);
        host.on_call = [&](const HostCall&) { other.GetPin(1); };
        op.run(*object.GetPin(4));
        ExpectCalls(host, object, op);
    }
}

TEST(QVGuiPin, ValueGettersReadTheFourBytesTheHostWrote) {
    RecordingHost host;
    QVGUI_base object(RecordingHost::Callback, 0);
    host.pin_values[0] = -123456789;
    EXPECT_EQ(object.GetPin(0)->GetValueInt(), -123456789);

    for (float expected : {0.25f, -1.5e10f, 0.0f}) {
        int32_t bits;
        std::memcpy(&bits, &expected, sizeof bits);
        host.pin_values[1] = bits;
        EXPECT_EQ(object.GetPin(1)->GetValueFloat(), expected);
    }
}

TEST(QVGuiPin, TextReadCopiesUpToTheFirstZeroByte) {
    RecordingHost host;
    QVGUI_base object(RecordingHost::Callback, 0);
    host.pin_texts[2] = std::string("abc\0def", 7);
    host.pin_texts[3] = "";
    EXPECT_EQ(object.GetPin(2)->GetValueText(), "abc");
    EXPECT_EQ(object.GetPin(3)->GetValueText(), "");
}

// A host that writes nothing gives an empty text and values of 0, whatever the stack held.
TEST(QVGuiPin, AHostThatWritesNothingReadsAsEmptyAndZero) {
    QVGUI_base object(SilentHost, 0);
    EXPECT_EQ(object.GetPin(2)->GetValueText(), "");
    DirtyTheStack();
    EXPECT_EQ(object.GetPin(2)->GetValueFloat(), 0.0f);
    DirtyTheStack();
    EXPECT_EQ(object.GetPin(2)->GetValueInt(), 0);
}

TEST(QVGuiPin, WideTextReadAsksTwiceAndKeepsTheUnitsBeforeTheZero) {
    RecordingHost host;
    QVGUI_base object(RecordingHost::Callback, 0);
    host.pin_wide_texts[2] = u"h\u00e9llo";
    host.pin_wide_texts[3] = u"";
    EXPECT_EQ(object.GetPin(2)->GetValueWideText(), u"h\u00e9llo");
    EXPECT_EQ(object.GetPin(3)->GetValueWideText(), u"");
    EXPECT_EQ(host.Opcodes(), std::vector<int32_t>(4, GUIHOST_OP_READ_PIN_WIDE_TEXT));
}

TEST(QVGuiPin, WideTextReadNeverReadsPastTheLengthTheHostGave) {
    struct Case {
        int32_t length;
        std::u16string written;
        std::u16string expected;
        int calls;
    };
    const Case cases[] = {
        {0, u"xyz", u"", 1},  // no room even for the zero unit: no second call
        {-4, u"xyz", u"", 1},
        {3, u"xyz", u"xyz", 2},  // host wrote no zero unit: the text ends with the buffer
        // 24 bytes fill a 64-bit glibc heap block to its end: a read past it meets the next
        // block's header, never zero, where shorter buffers meet padding that may well be zero.
        {12, u"twelve units", u"twelve units", 2},
        {5, u"xy", u"xy", 2},
    };
    QVGUI_base object(WideTextHost::Callback, 0);
    for (const Case& c : cases) {
        WideTextHost::s_length = c.length;
        WideTextHost::s_units = c.written;
        WideTextHost::s_calls = 0;
        EXPECT_EQ(object.GetPin(1)->GetValueWideText(), c.expected) << c.length;
        EXPECT_EQ(WideTextHost::s_calls, c.calls) << c.length;
    }
}

TEST(QVGuiPinDeathTest, EveryPinOperationWithoutCallbackFailsTheQvaudioMasterContract) {
    QVGUI_base object(nullptr, 0);
    const std::string pattern = ContractFailurePattern("qvaudioMaster", "QVGUI_base", 134);
    for (const PinOperation& op : PinOperations()) {
        EXPECT_DEATH(op.run(*object.GetPin(4)), pattern) << op.name;
    }
}
