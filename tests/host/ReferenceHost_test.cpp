#include "ModuleLibrary.h"
#include "ReferenceHost.h"

#include "HostError.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// These tests drive the echo fixture, a small module built from the host-facing header alone.
namespace {
enum EchoPin { LEVEL, ECHO, RUNAWAY, GAIN, CHOICE, SIGNAL };

std::string CreationFailure(ReferenceHost& host) {
    try {
        host.CreateObjects();
    } catch (const HostError& error) {
        return error.what();
    }
    return "created";
}
}  // namespace

TEST(ReferenceHost, RefusesEveryBrokenRecordAndKeepsTheGoodObjectClosable) {
    struct Case {
        const char* library;
        const char* message;
        bool audio_made;
    };
    const Case cases[] = {
        {QV_FIXTURE_AUDIO_NULL, "bad audio record: null", false},
        {QV_FIXTURE_AUDIO_MAGIC, "bad audio record: magic 0x5156504D, expected 0x5156504C", false},
        {QV_FIXTURE_AUDIO_VERSION, "bad audio record: version 2, expected 1", false},
        {QV_FIXTURE_AUDIO_NULL_OBJECT, "bad audio record: null object", false},
        {QV_FIXTURE_AUDIO_NULL_DISPATCHER, "bad audio record: null dispatcher", false},
        {QV_FIXTURE_GUI_NULL, "bad GUI record: null", true},
        {QV_FIXTURE_GUI_MAGIC, "bad GUI record: magic 0x12345678, expected 0x5156504D", true},
        {QV_FIXTURE_GUI_NULL_DISPATCHER, "bad GUI record: null dispatcher", true},
        {QV_FIXTURE_ECHO, "created", true}};
    for (const Case& c : cases) {
        const ModuleLibrary library(c.library);
        ReferenceHost host(library);
        EXPECT_EQ(CreationFailure(host), c.message) << c.library;
        EXPECT_EQ(host.Audio().IsAttached(), c.audio_made) << c.library;
        if (c.audio_made) {
            EXPECT_EQ(host.CloseAudioObject(), 1) << c.library;
        }
    }
}

TEST(ReferenceHost, EachHostServesItsOwnObjectsFoundByTheirHostHandle) {
    const ModuleLibrary library(QV_FIXTURE_ECHO);
    ReferenceHost first(library);
    ReferenceHost second(library);
    first.CreateObjects();
    second.CreateObjects();
    EXPECT_NE(first.Handle(), second.Handle());
    EXPECT_EQ(first.Audio().Record()->host_handle, first.Handle());
    EXPECT_EQ(second.Gui().Record()->host_handle, second.Handle());
    first.Gui().SetPin(LEVEL, 3);
    second.Gui().SetPin(LEVEL, 50);
    EXPECT_EQ(first.Gui().Pins().IntValue(ECHO), 6);
    EXPECT_EQ(second.Gui().Pins().IntValue(ECHO), 100);
    EXPECT_EQ(first.Gui().Pins().FloatValue(GAIN), 1.5f) << "a float pin takes opt";
    EXPECT_EQ(first.CloseGuiObject(), 1);
    EXPECT_EQ(first.CloseAudioObject(), 1);
    EXPECT_TRUE(first.Problems().empty());
    EXPECT_TRUE(second.Problems().empty());
}

TEST(ReferenceHost, DeliversTheModulesEventsAtTheirTimeStampsAcrossTheLibraryBoundary) {
    const ModuleLibrary library(QV_FIXTURE_ECHO);
    ReferenceHost host(library);
    host.CreateObjects();
    AudioSideHost& audio = host.Audio();
    audio.StartClockAt(5000);
    audio.Open();
    audio.SetBlockSize(256);
    audio.ProcessBlock();
    audio.ProcessBlock();

    // Event deliveries come back as pin values: value = event id, stamp = the module's sample
    // clock at delivery. Process segments come back as status changes: value = offset << 16 |
    // frames when the buffer's base clock agrees with the offset.
    std::vector<std::vector<int64_t>> deliveries;
    std::vector<std::vector<int64_t>> segments;
    for (const AudioPinMessage& m : audio.PinMessages()) {
        auto& kind = m.opcode == HOST_OP_PIN_VALUE ? deliveries : segments;
        kind.push_back({m.value, m.stamp, m.clock});
    }
    EXPECT_EQ(deliveries, (std::vector<std::vector<int64_t>>{{1, 5000, 5000},
                                                             {2, 5005, 5005},
                                                             {4, 5005, 5005},
                                                             {5, 5005, 5005},
                                                             {6, 5006, 5006},
                                                             {3, 5300, 5300}}));
    EXPECT_EQ(segments, (std::vector<std::vector<int64_t>>{
                            {256, 5000, 5000}, {44, 5256, 5256}, {44 << 16 | 212, 5300, 5300}}));
    EXPECT_EQ(audio.Counts().events_refused, 1) << "the one stamped before its queueing";
    EXPECT_EQ(host.Problems().size(), 1u);
    EXPECT_EQ(audio.Counts().pin_count_requests, 1);
    EXPECT_EQ(audio.AudioPinCount(), 1) << "only Signal lives on the audio side";
}

TEST(ReferenceHost, StopsAModuleThatRewritesItsOwnPinOnEveryNotification) {
    const ModuleLibrary library(QV_FIXTURE_ECHO);
    ReferenceHost host(library);
    host.CreateObjects();
    host.Gui().SetPin(RUNAWAY, 1);
    host.Gui().SetPin(LEVEL, 3);
    // 6 from the level, then one more from each nested notice the host still sent.
    EXPECT_EQ(host.Gui().Pins().IntValue(ECHO), 6 + GuiSideHost::kMaxNotificationDepth - 1);
    EXPECT_EQ(host.Problems().size(), 1u);
}

TEST(ReferenceHost, HandsTheModuleTextsOfEnumerationChoices) {
    const ModuleLibrary library(QV_FIXTURE_ECHO);
    ReferenceHost host(library);
    host.CreateObjects();
    host.Gui().SetPin(CHOICE, 5);
    // The echo reports strlen("High") * 1000 + units asked for (5) * 100 + 'H' % 100.
    EXPECT_EQ(host.Gui().Pins().IntValue(ECHO), 4000 + 500 + 'H' % 100);
}
