#include "QVGUI_base.h"
#include "QVHostTypes.h"
#include "QVModule_base.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

extern "C" int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props);
extern "C" void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                     uint32_t host_handle);

namespace {

const char kAbout[] =
    "\n\nDual out version\n\n-Modes: normal, differ, sum\n-Gate: to change random out values\n"
    "-low limit of the random out values,can be negative (except for sum mode)\n"
    "-High limit of the random out values,can be negative";

ModuleProperties MarkedProperties() {
    ModuleProperties props;
    std::memset(&props, 0x5A, sizeof props);
    return props;
}

}  // namespace

TEST(ModuleExports, PropertiesOfModuleZeroLeaveTheHostsOwnWord) {
    ModuleProperties props = MarkedProperties();
    ASSERT_EQ(getModuleProperties(0, &props), 1);
    EXPECT_STREQ(props.name, "Kestrel-Pavlen");
    EXPECT_STREQ(props.id, "Kestrel-Pavlen");
    EXPECT_EQ(props.flags, 0x100u);
    EXPECT_EQ(props.sdk_version, 2230);
    EXPECT_EQ(props.host_reserved, 0x5A5A5A5Au);

    const std::string about = props.about;
    const std::string first_line = "Kestrel-Pavlen v1.1 : Kestrel-modules ";
    EXPECT_EQ(about.substr(0, first_line.size()), first_line);
    ASSERT_GT(about.size(), first_line.size() + std::strlen(kAbout));
    EXPECT_EQ(about.substr(about.size() - std::strlen(kAbout)), kAbout);
    // The rights notice stays on the first line.
    EXPECT_EQ(about.find('\n'), about.size() - std::strlen(kAbout));
}

TEST(ModuleExports, OtherIndicesAnswerFalseAndWriteOnlyTheSdkVersion) {
    for (int32_t index : {1, -1, 7}) {
        ModuleProperties props = MarkedProperties();
        ModuleProperties expected = MarkedProperties();
        expected.sdk_version = 2230;
        EXPECT_EQ(getModuleProperties(index, &props), 0) << index;
        EXPECT_EQ(std::memcmp(&props, &expected, sizeof props), 0) << index;
    }
    EXPECT_EQ(getModuleProperties(0, nullptr), 0);
}

TEST(ModuleExports, UnknownIndexOrKindCreatesNothing) {
    RecordingHost host;
    EXPECT_EQ(makeModule(0, 3, &RecordingHost::Callback, 1), nullptr);
    EXPECT_EQ(makeModule(0, 0, &RecordingHost::Callback, 1), nullptr);
    EXPECT_EQ(makeModule(1, QV_KIND_AUDIO, &RecordingHost::Callback, 1), nullptr);
    EXPECT_EQ(makeModule(-1, QV_KIND_GUI, &RecordingHost::Callback, 1), nullptr);
    EXPECT_TRUE(host.calls.empty());
}

TEST(ModuleExports, EachKindHandsOutItsOwnRecordAndTheHostClosesIt) {
    RecordingHost host;
    auto* audio = static_cast<AudioHostRecord*>(makeModule(0, QV_KIND_AUDIO, &RecordingHost::Callback, 41));
    auto* gui1 = static_cast<GuiHostRecord*>(makeModule(0, QV_KIND_GUI, &RecordingHost::Callback, 42));
    auto* gui2 = static_cast<GuiHostRecord*>(makeModule(0, QV_KIND_GUI, &RecordingHost::Callback, 43));
    ASSERT_NE(audio, nullptr);
    ASSERT_NE(gui1, nullptr);
    ASSERT_NE(gui2, nullptr);

    EXPECT_EQ(audio->magic, QV_AUDIO_MAGIC);
    EXPECT_EQ(audio->host_handle, 41u);
    EXPECT_EQ(gui1->magic, QV_GUI_MAGIC);
    EXPECT_EQ(gui1->host_handle, 42u);
    EXPECT_EQ(gui2->host_handle, 43u);
    EXPECT_NE(gui1, gui2);
    EXPECT_NE(gui1->object, gui2->object);
    // Each back pointer leads to the object that holds that very record.
    EXPECT_EQ(static_cast<QVModule_base*>(audio->object)->HostRecord(), audio);
    EXPECT_EQ(static_cast<QVGUI_base*>(gui1->object)->HostRecord(), gui1);
    EXPECT_EQ(static_cast<QVGUI_base*>(gui2->object)->HostRecord(), gui2);
    // The record lives inside its object, and is not the object's own address.
    EXPECT_NE(static_cast<void*>(gui1), gui1->object);
    EXPECT_NE(static_cast<void*>(audio), audio->object);
    EXPECT_TRUE(host.calls.empty());

    EXPECT_EQ(audio->dispatcher(audio, MOD_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(gui1->dispatcher(gui1, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(gui2->dispatcher(gui2, GUI_OP_CLOSE, 0, 0, nullptr, 0.0f), 1);
}
