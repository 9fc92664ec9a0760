#include "GuiSideHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "HostError.h"
#include "HostNotes.h"

namespace {

enum { LEVEL, ECHO, GAIN, FLAG, CHOICE, LABEL };

std::vector<PinDescription> Pins() {
    std::vector<PinDescription> pins(6);
    pins[LEVEL].datatype = DT_INT;
    pins[ECHO].datatype = DT_INT;
    pins[GAIN].datatype = DT_FLOAT;
    pins[FLAG].datatype = DT_BOOL;
    pins[CHOICE].datatype = DT_ENUM;
    pins[CHOICE].datatype_extra = "Low=-1,Mid,High=5";
    pins[LABEL].datatype = 3;  // the host's own
    return pins;
}

// A GUI object made in the test: every pin change it hears of runs `on_change` from inside the
// dispatcher, and is recorded with the depth of notifications it arrived at.
struct TestGuiObject {
    GuiHostRecord record{};
    GuiSideHost* host = nullptr;
    std::function<void(int32_t)> on_change;
    std::vector<int32_t> changes;
    int depth = 0;
    int deepest = 0;

    // A host call of the object's own, from inside a call into it.
    QVWord Ask(int32_t opcode, int32_t index, int32_t value = 0, void* ptr = nullptr,
               float opt = 0.0f) {
        const GuiSideHost::Entry entry(*host);
        return host->Answer(&record, opcode, index, value, ptr, opt);
    }
    int32_t Read(int32_t pin) {
        int32_t value = 0;
        Ask(GUIHOST_OP_READ_PIN_VALUE, pin, 0, &value);
        return value;
    }
    static int32_t QV_CDECL Dispatch(GuiHostRecord* r, int32_t opcode, int32_t index, int32_t,
                                     void*, float) {
        auto* self = static_cast<TestGuiObject*>(r->object);
        if (opcode != GUI_OP_PIN_CHANGED) return 0;
        self->changes.push_back(index);
        ++self->depth;
        self->deepest = std::max(self->deepest, self->depth);
        if (self->on_change) self->on_change(index);
        --self->depth;
        return 0;
    }
    explicit TestGuiObject(GuiSideHost& serving) : host(&serving) {
        record = {QV_GUI_MAGIC, 1, &Dispatch, 0, this, {}};
        host->Attach(&record, Pins());
    }
};

}  // namespace

TEST(GuiSideHost, AnnouncesAnObjectsOwnWriteFromInsideThatWrite) {
    GuiSideHost host;
    TestGuiObject object(host);
    object.on_change = [&](int32_t pin) {
        if (pin == LEVEL) object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, ECHO, object.Read(LEVEL) * 2);
    };
    host.SetPin(LEVEL, 21);
    EXPECT_EQ(object.changes, (std::vector<int32_t>{LEVEL, ECHO}));
    EXPECT_EQ(object.deepest, 2) << "the echo notice came while the level notice was running";
    EXPECT_EQ(host.Pins().IntValue(ECHO), 42);
    ASSERT_EQ(host.Writes().size(), 1u);
    EXPECT_EQ(host.Writes()[0].depth, 1);
    EXPECT_EQ(host.Counts().notifications, 2);
    EXPECT_EQ(host.Counts().nested_notifications, 1);
}

TEST(GuiSideHost, TellsTheObjectOnlyWhenAValueReallyChanges) {
    GuiSideHost host;
    TestGuiObject object(host);
    host.SetPin(LEVEL, 0);
    host.SetPin(LEVEL, 3);
    host.SetPin(LEVEL, 3);
    object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, LEVEL, 3);
    EXPECT_EQ(object.changes, (std::vector<int32_t>{LEVEL}));
    EXPECT_EQ(host.Counts().writes, 1) << "every write is counted, changed or not";
}

TEST(GuiSideHost, CutsOffAnObjectThatKeepsChangingPinsFromItsNotifications) {
    GuiSideHost host;
    TestGuiObject object(host);
    object.on_change = [&](int32_t pin) {
        object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, ECHO, object.Read(pin) + 1);
    };
    host.SetPin(LEVEL, 1);
    EXPECT_EQ(object.deepest, GuiSideHost::kMaxNotificationDepth);
    EXPECT_EQ(host.Writes().size(), static_cast<size_t>(GuiSideHost::kMaxNotificationDepth));
    ASSERT_EQ(host.Problems().size(), 1u);
    EXPECT_NE(host.Problems()[0].find("notifications deep"), std::string::npos);
}

TEST(GuiSideHost, CutsOffAnObjectWhoseNotificationsFanOutPastTheLimitOfOneChange) {
    GuiSideHost host;
    TestGuiObject object(host);
    int32_t next = 0;
    object.on_change = [&](int32_t) {
        for (const int32_t pin : {LEVEL, ECHO, CHOICE}) {
            object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, pin, ++next);
        }
    };
    host.SetPin(LEVEL, 1);
    EXPECT_EQ(object.changes.size(), static_cast<size_t>(GuiSideHost::kMaxNotificationsPerChange));
    const auto fanned_out = [](const std::string& problem) {
        return problem.find("1000 notifications from one change") != std::string::npos;
    };
    EXPECT_EQ(std::count_if(host.Problems().begin(), host.Problems().end(), fanned_out), 1);
    host.SetPin(FLAG, 1);
    EXPECT_EQ(object.changes.size(),
              static_cast<size_t>(GuiSideHost::kMaxNotificationsPerChange) * 2)
        << "the next change starts a count of its own";
}

TEST(GuiSideHost, ReadsAndWritesFollowThePinsDatatype) {
    GuiSideHost host;
    TestGuiObject object(host);
    object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, GAIN, 12345, nullptr, 0.75f);
    object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, FLAG, 9, nullptr, 0.0f);
    float gain = 0.0f;
    object.Ask(GUIHOST_OP_READ_PIN_VALUE, GAIN, 0, &gain);
    EXPECT_EQ(gain, 0.75f);
    EXPECT_EQ(object.Read(FLAG), 1);
    EXPECT_EQ(object.changes, (std::vector<int32_t>{GAIN, FLAG}));
    // A value given through the other argument is lost, and said so, for either kind of pin.
    ASSERT_EQ(host.Problems().size(), 1u);
    EXPECT_NE(host.Problems()[0].find("(a float pin) written through the integer argument "
                                      "[writes-in-type]"),
              std::string::npos);
    object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, FLAG, 0, nullptr, 1.0f);
    EXPECT_EQ(object.Read(FLAG), 0);
    ASSERT_EQ(host.Problems().size(), 2u);
    EXPECT_NE(host.Problems()[1].find("(not a float pin) written through the float argument "
                                      "[writes-in-type]"),
              std::string::npos);
}

// A pointer write is kept among the writes, with a copy of the text it pointed at when the pin
// is of a datatype of the host's own; the pin keeps its value and the object hears of nothing.
TEST(GuiSideHost, KeepsPointerWritesWithACopyOfTheTextForAPinOfTheHostsOwnDatatype) {
    GuiSideHost host;
    TestGuiObject object(host);
    char text[] = "hello";
    struct Case {
        int32_t pin;
        void* pointer;
        std::optional<std::string> kept;
    };
    const Case cases[] = {
        {LABEL, text, "hello"},
        {LABEL, nullptr, std::nullopt},
        {LEVEL, text, std::nullopt},  // an integer pin: the pointer is no text of its
    };
    for (const Case& c : cases) object.Ask(GUIHOST_OP_WRITE_PIN_PTR, c.pin, 0, c.pointer);
    text[0] = 'j';
    ASSERT_EQ(host.Writes().size(), std::size(cases));
    for (size_t k = 0; k < std::size(cases); ++k) {
        const PinWrite& write = host.Writes()[k];
        ASSERT_TRUE(write.by_pointer) << k;
        EXPECT_EQ(write.pin, cases[k].pin) << k;
        EXPECT_EQ(write.by_pointer->pointer, cases[k].pointer) << k;
        EXPECT_EQ(write.by_pointer->text, cases[k].kept) << k;
    }
    EXPECT_EQ(host.Counts().writes, 3);
    EXPECT_EQ(host.Pins().IntValue(LEVEL), 0);
    EXPECT_TRUE(object.changes.empty());
    EXPECT_TRUE(host.Problems().empty());
    object.Ask(GUIHOST_OP_WRITE_PIN_PTR, 17, 0, text);
    EXPECT_EQ(host.Problems().size(), 1u) << "a pin the table lacks";
    // A label handed over again unchanged costs the host no second copy; a changed one does.
    for (const char first : {'j', 'j', 'm'}) {
        text[0] = first;
        object.Ask(GUIHOST_OP_WRITE_PIN_PTR, LABEL, 0, text);
    }
    const std::vector<PinWrite>& writes = host.Writes();
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[4].by_pointer, writes[5].by_pointer);
    EXPECT_NE(writes[5].by_pointer, writes[6].by_pointer);
    EXPECT_EQ(writes[5].by_pointer->text, std::optional<std::string>("jello"));
    EXPECT_EQ(writes[6].by_pointer->text, std::optional<std::string>("mello"));
}

// A GUI object calls the host only inside the host's calls into it, on their thread: a call
// from a process call (outside every entry) or from another thread is a problem.
TEST(GuiSideHost, AHostCallOutsideTheObjectsCallsOrFromAnotherThreadIsAProblem) {
    GuiSideHost host;
    TestGuiObject object(host);
    int32_t value = 0;
    host.Answer(&object.record, GUIHOST_OP_READ_PIN_VALUE, LEVEL, 0, &value, 0.0f);
    EXPECT_EQ(host.Problems().size(), 1u);
    {
        const GuiSideHost::Entry entry(host);
        std::thread([&] {
            host.Answer(&object.record, GUIHOST_OP_READ_PIN_VALUE, LEVEL, 0, &value, 0.0f);
        }).join();
    }
    object.Read(LEVEL);
    ASSERT_EQ(host.Problems().size(), 2u);
    EXPECT_NE(host.Problems().back().find("from outside a call into the GUI object"),
              std::string::npos);
}

TEST(GuiSideHost, AnUnknownPinReadsZeroInsteadOfLeavingTheBufferAsItWas) {
    GuiSideHost host;
    TestGuiObject object(host);
    int32_t value[2] = {0x5A5A5A5A, 0x5A5A5A5A};
    object.Ask(GUIHOST_OP_READ_PIN_VALUE, 17, 0, value);
    EXPECT_EQ(value[0], 0);
    EXPECT_EQ(value[1], 0x5A5A5A5A) << "four bytes written, no more";
    object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, -1, 4);
    EXPECT_STREQ(reinterpret_cast<const char*>(object.Ask(GUIHOST_OP_READ_PIN_TEXT, 99)), "");
    EXPECT_EQ(host.Problems().size(), 3u);
    EXPECT_TRUE(object.changes.empty());
    // Past the most findings kept, one line counts the rest.
    for (int k = 0; k < 1500; ++k) object.Ask(GUIHOST_OP_READ_PIN_VALUE, 17, 0, value);
    ASSERT_EQ(host.Problems().size(), kMostNotesKept + 1);
    EXPECT_EQ(host.Problems().back(), "GUI: more after these, not kept");
}

// One call into the object leaves at most 100000 writes kept, however many it makes; the next
// call has the same room again.
TEST(GuiSideHost, KeepsTheMostWritesOneCallMayLeaveAndCountsTheRest) {
    GuiSideHost host;
    TestGuiObject object(host);
    for (const size_t writes : {size_t{100005}, size_t{3}}) {
        const GuiSideHost::Entry call(host);
        for (size_t k = 0; k < writes; ++k) {
            object.Ask(GUIHOST_OP_WRITE_PIN_VALUE, LEVEL, static_cast<int32_t>(k % 2));
        }
    }
    EXPECT_EQ(host.Writes().size(), 100003u);
    EXPECT_EQ(host.Counts().writes_not_kept, 5);
    EXPECT_EQ(host.Writes().back().value, 0);
}

TEST(GuiSideHost, WideTextFitsTheCallersBufferAndEndsWithAZeroUnit) {
    GuiSideHost host;
    TestGuiObject object(host);
    host.SetPin(CHOICE, 5);
    EXPECT_EQ(object.Ask(GUIHOST_OP_READ_PIN_WIDE_TEXT, CHOICE), 5) << "High and its zero";
    char16_t buffer[6];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    object.Ask(GUIHOST_OP_READ_PIN_WIDE_TEXT, CHOICE, 3, buffer);
    EXPECT_EQ(std::u16string(buffer, 4), std::u16string(u"Hi\0#", 4));
    object.Ask(GUIHOST_OP_READ_PIN_WIDE_TEXT, CHOICE, 5, buffer);
    EXPECT_EQ(std::u16string(buffer), u"High");
    EXPECT_STREQ(reinterpret_cast<const char*>(object.Ask(GUIHOST_OP_READ_PIN_TEXT, CHOICE)),
                 "High");
}

TEST(GuiSideHost, NeitherCallsNorAnswersAClosedObject) {
    GuiSideHost host;
    TestGuiObject object(host);
    host.Close();
    EXPECT_FALSE(host.IsAttached());
    EXPECT_THROW(host.Initialise(), HostError);
    EXPECT_EQ(object.Read(LEVEL), 0);
    EXPECT_EQ(host.Problems().size(), 1u);
}
