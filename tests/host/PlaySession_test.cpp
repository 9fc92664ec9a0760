#include "PlaySession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "HostError.h"
#include "PlayEventOrder.h"
#include "PlayScript.h"
#include "PlayedOutput.h"
#include "ReferenceHost.h"
#include "SignalFeed.h"

namespace {
bool HasEvent(const PlayedOutput& played, uint32_t sample, const std::string& text) {
    for (const PlayEvent& event : played.events) {
        if (event.sample == sample && event.text == text) return true;
    }
    return false;
}
}  // namespace

// The echo fixture reports each process call on Signal as its status, offset << 16 | frames.
TEST(PlaySession, CutsBlocksWhereSettingsAreDueAndWhereTheRunEnds) {
    const ModuleLibrary library(QV_FIXTURE_ECHO_KEEPS_CONTRACT);
    PlayOptions options;
    options.samples = 300;
    options.block = 64;
    options.timeline = {PlaySession::ParseTimed("200:Level=5", options.samples)};
    // The setting is handed on once its block is played, not when the run ends.
    size_t rows = 0;
    size_t rows_when_set = 0;
    PlaySession::Execute(
        library, options,
        [&](uint32_t, const std::vector<std::string>&, const std::vector<double>&) { ++rows; },
        [&](const PlayEvent& event) {
            if (event.text == "set Level=5") rows_when_set = rows;
        });
    EXPECT_EQ(rows_when_set, 256u);
    const PlayedOutput played = PlayOutput(library, options, {}, "Level");
    EXPECT_TRUE(played.result.problems.empty());
    const std::vector<double>& levels = played.values;
    ASSERT_EQ(levels.size(), 300u);
    EXPECT_EQ((std::vector<double>{levels[199], levels[200], levels[299]}),
              (std::vector<double>{0, 5, 5}));
    // 192..199 before the setting, 200..255 after it, and 256..299 to end the run.
    for (const uint32_t frames : {8u, 56u, 44u}) {
        const uint32_t sample = frames == 8 ? 192 : frames == 56 ? 200 : 256;
        EXPECT_TRUE(HasEvent(played, sample,
                             "audio sent status of Signal status " + std::to_string(frames)))
            << frames << " frames from " << sample;
    }
}

// A setting (`--at`, a script's `set`) is seen from its sample on: the block is cut there. Values
// handed to one variable inside a block (a script's `variable`) are written as the block starts,
// and the block is cut where a second would replace the first before the module read it. The
// fixture ramps Out to Signal times Gain over each process call.
TEST(PlaySession, ASettingLandsAtItsSampleAndNoValueOfAVariableIsReplacedUnseen) {
    const ModuleLibrary library(QV_FIXTURE_WITH_OUTPUT);
    for (const bool variable : {false, true}) {
        PlayOptions options;
        options.samples = 16;
        options.block = 16;
        options.inputs = {"Signal=dc:1"};
        for (const char* setting : {"3:Gain=2", "5:Gain=3", "7:Gain=4"}) {
            options.timeline.push_back(PlaySession::ParseTimed(setting, options.samples));
            if (variable) options.timeline.back().kind = PlayAction::Kind::kVariable;
        }
        const PlayedOutput played = PlayOutput(library, options, {}, "Out");
        EXPECT_TRUE(played.result.problems.empty());
        ASSERT_EQ(played.values.size(), 16u);
        EXPECT_EQ((std::vector<double>{played.values[4], played.values[6], played.values[15]}),
                  (std::vector<double>{2, 3, 4}))
            << (variable ? "variable" : "set");
        EXPECT_EQ(played.values[2] == 2.0, variable) << "the first value before its sample";
    }
}

// The audio object's values of pins with both sides reach the GUI object after each block: the
// StatusLabel fixture counts blocks on Blocks and shows the count by writing Say.
TEST(PlaySession, TheGuiSideTakesTheAudioSidesValuesAfterEachBlock) {
    const ModuleLibrary library(QV_FIXTURE_STATUS_LABEL);
    PlayOptions options;
    options.samples = 128;
    const PlayedOutput played = PlayOutput(library, options, {}, "Blocks");
    EXPECT_TRUE(played.result.problems.empty());
    ASSERT_EQ(played.values.size(), 128u);
    // The GUI side's column shows a value from the sample the GUI object took it on, after the
    // block that sent it.
    EXPECT_EQ((std::vector<double>{played.values[0], played.values[63], played.values[64]}),
              (std::vector<double>{0, 0, 1}));
    EXPECT_TRUE(HasEvent(played, 64, "GUI wrote Say = 1"));
    EXPECT_TRUE(HasEvent(played, 128, "GUI wrote Say = 2"));
}

// Events are handed on once nothing can come before them, at one sample the host's side first.
TEST(PlayEventOrder, HandsOnEachSampleOnceCompleteHostSideFirst) {
    std::vector<std::string> seen;
    PlayEventSink sink = [&](const PlayEvent& e) {
        seen.push_back(std::to_string(e.sample) + " " + e.text);
    };
    PlayEventOrder order(sink);
    order.AddAudioSide(3, "audio");
    order.AddHostSide(5, "host");
    order.AddHostSide(3, "host");
    order.AddAudioSide(3, "audio again");
    order.AddAudioSide(9, "audio");
    order.HandOnBefore(5);
    EXPECT_EQ(seen, (std::vector<std::string>{"3 host", "3 audio", "3 audio again"}));
    order.AddAudioSide(5, "audio");
    order.AddHostSide(5, "host again");
    order.HandOnAll();
    EXPECT_EQ(seen, (std::vector<std::string>{"3 host", "3 audio", "3 audio again", "5 host",
                                              "5 host again", "5 audio", "9 audio"}));
}

// A sample input takes a signal from the start and another at its own sample, and the object is
// told each time whether it moves: the fixture echoes a pin status it is told as a value.
TEST(PlaySession, FeedsSampleInputsTheirSignalsAndChangesThemOnTheTimeline) {
    const ModuleLibrary library(QV_FIXTURE_ECHO_KEEPS_CONTRACT);
    PlayOptions options;
    options.samples = 200;
    options.inputs = {"Signal=dc:1"};
    options.timeline = {PlaySession::ParseTimed("100:Signal=noise:3", options.samples)};
    const PlayedOutput played = PlayOutput(library, options);
    EXPECT_TRUE(played.result.problems.empty());
    // Its own events' values (5, 6 and 2, 4, queued by the fixture) among them; a constant
    // signal is CHANGED (1), one that moves MOVING (2).
    std::vector<std::pair<uint32_t, std::string>> echoed;
    for (const PlayEvent& event : played.events) {
        if (event.text.rfind("audio sent value of Signal = ", 0) == 0) {
            echoed.emplace_back(event.sample, event.text.substr(29));
        }
    }
    EXPECT_EQ(echoed, (std::vector<std::pair<uint32_t, std::string>>{{0, "1"},
                                                                      {0, "1"},
                                                                      {5, "2"},
                                                                      {5, "4"},
                                                                      {5, "5"},
                                                                      {6, "6"},
                                                                      {100, "2"},
                                                                      {100, "5"},
                                                                      {101, "6"}}));
}

// A signal given mid-run starts at its own sample: an impulse given at sample 100 is there.
TEST(PlaySession, ASignalGivenMidRunStartsAtItsOwnSample) {
    const ModuleLibrary library(QV_FIXTURE_ECHO_KEEPS_CONTRACT);
    ReferenceHost host(library);
    host.CreateObjects();
    SignalFeed feed;
    EXPECT_FALSE(feed.Feed(0, "impulse", 100));
    feed.Fill(host.Audio(), 100, 3, 48000.0);
    const float* signal = host.Audio().InputBuffer(0);
    EXPECT_EQ((std::vector<float>(signal, signal + 3)), (std::vector<float>{1, 0, 0}));
}

// A script's actions each land at their own sample: a stored value before the objects start, a
// GUI-side value, and a block size whose blocks are counted from its sample.
TEST(PlaySession, PlaysAScriptsStoredValuesAndActionsEachAtItsSample) {
    const ModuleLibrary library(QV_FIXTURE_ECHO_KEEPS_CONTRACT);
    const PlayOptions options = PlayScript::Parse(
        "samples 200\nblock 64\nstore Level=3\nat 100 gui Level=7\nat 120 gui Choice=High\n"
        "at 150 block 16\n",
        "s.qvs");
    const PlayedOutput played = PlayOutput(library, options, {}, "Level");
    EXPECT_TRUE(played.result.problems.empty());
    const std::vector<double>& levels = played.values;
    ASSERT_EQ(levels.size(), 200u);
    EXPECT_EQ((std::vector<double>{levels[0], levels[99], levels[100], levels[199]}),
              (std::vector<double>{3, 3, 7, 7}));
    // A choice's name, as `set` takes it: High is 5.
    const std::vector<double> choices = PlayOutput(library, options, {}, "Choice").values;
    ASSERT_EQ(choices.size(), 200u);
    EXPECT_EQ((std::vector<double>{choices[0], choices[119], choices[120]}),
              (std::vector<double>{0, 0, 5}));
    // 128..149 before the new size, then 150..165 and 166..181 in blocks of 16.
    for (const uint32_t sample : {128u, 150u, 166u}) {
        const uint32_t frames = sample == 128 ? 22 : 16;
        EXPECT_TRUE(HasEvent(played, sample,
                             "audio sent status of Signal status " + std::to_string(frames)))
            << frames << " frames from " << sample;
    }
}

// Two objects of one module, each with values of its own, played a block in turn: each column
// shows its own object, a closed object's columns leave the rows from its close, and the second
// object's events carry its name. An action after its object's close is refused before anything
// plays.
TEST(PlaySession, PlaysTwoObjectsSideBySideUntilEachCloses) {
    const ModuleLibrary library(QV_FIXTURE_WITH_OUTPUT);
    const std::string two_objects =
        "samples 12\nblock 4\ninput Signal=dc:1\nstore Gain=2\nat 6 close\n"
        "object 2\ninput Signal=dc:1\nstore Gain=3\nat 9 gui Level=7\n";
    std::vector<std::string> shown;
    std::vector<PlayEvent> events;
    const PlayResult result = PlaySession::Execute(
        library, PlayScript::Parse(two_objects, "two.qvs"),
        [&](uint32_t sample, const std::vector<std::string>& columns,
            const std::vector<double>& values) {
            ASSERT_EQ(sample, shown.size());
            std::string row;
            for (const char* column : {"Out", "Out (object 2)", "Level (object 2)"}) {
                const auto found = std::find(columns.begin(), columns.end(), column);
                row += found == columns.end() ? "- "
                                              : PlayScript::Number(values.at(
                                                    static_cast<size_t>(found - columns.begin()))) +
                                                    " ";
            }
            shown.push_back(row);
        },
        [&](const PlayEvent& event) { events.push_back(event); });
    EXPECT_TRUE(result.problems.empty());
    EXPECT_EQ(result.outputs.size(), 2u);
    // Out ramps to Signal times Gain over each call; Level 7 makes the GUI object write Gain 3.5.
    EXPECT_EQ(shown, (std::vector<std::string>{"0.5 0.75 0 ", "1 1.5 0 ", "1.5 2.25 0 ", "2 3 0 ",
                                               "2 3 0 ", "2 3 0 ", "- 3 0 ", "- 3 0 ", "- 3 0 ",
                                               "- 3.1666667461395264 7 ", "- 3.3333332538604736 7 ",
                                               "- 3.5 7 "}));
    std::vector<std::string> host_side;
    for (const PlayEvent& event : events) {
        if (event.text.find("audio sent") == std::string::npos) {
            host_side.push_back(std::to_string(event.sample) + " " + event.text);
        }
    }
    EXPECT_EQ(host_side,
              (std::vector<std::string>{
                  "0 GUI wrote Echo = 0", "0 object 2: GUI wrote Echo = 0", "0 input Signal=dc:1",
                  "0 object 2: input Signal=dc:1", "6 close", "9 object 2: gui Level=7",
                  "9 object 2: GUI wrote Echo = 14", "9 object 2: GUI wrote Gain = 3.500000"}));
    // An action at the close's sample or later, written after it, is refused.
    for (const char* late : {"at 7 gui Level=1", "at 6 gui Level=1"}) {
        try {
            PlaySession::Execute(
                library, PlayScript::Parse(std::string("samples 12\nat 6 close\n") + late + "\n",
                                           "late.qvs"));
            ADD_FAILURE() << late << " after the close was taken";
        } catch (const UsageError& refused) {
            EXPECT_STREQ(
                refused.what(),
                "--script late.qvs:3: the object closed at sample 6 (--script late.qvs:2)");
        }
    }
}
