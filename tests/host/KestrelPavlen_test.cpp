// Whole sessions of the real module library, loaded by path and driven through the reference
// host exactly as `qvhost` drives it: no class of the module or its framework is linked here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "HostError.h"
#include "ModuleLibrary.h"
#include "PairRun.h"
#include "PlaySession.h"
#include "PlayedOutput.h"
#include "ReferenceHost.h"
#include "RenderSession.h"

namespace {

enum { MODES, TRIGGER, LOLIMIT, HILIMIT, OUT1, OUT2 };

// The module's draw, computed here from the same runtime generator it uses.
int32_t ExpectedDraw(int32_t low, int32_t upper) {
    const int32_t r =
        static_cast<int32_t>(static_cast<unsigned>(std::rand()) / ((RAND_MAX + 1u) / 32768u));
    const int32_t product = (upper - low) * r;
    const float sum =
        static_cast<float>(static_cast<double>(static_cast<float>(product)) / 32767.0 +
                           static_cast<double>(static_cast<float>(low)));
    return static_cast<int32_t>(sum);
}

std::vector<std::pair<int32_t, int32_t>> ExpectedPairs(const RunOptions& options) {
    std::srand(*options.seed);
    std::vector<std::pair<int32_t, int32_t>> pairs;
    const int32_t upper = options.hi + 1;
    for (int32_t i = 0; i < options.triggers; ++i) {
        const int32_t out1 = ExpectedDraw(options.lo, upper);
        int32_t out2 = 0;
        if (options.mode == "sum") {
            out2 = options.hi - out1;
        } else {
            out2 = ExpectedDraw(options.lo, upper);
            if (options.mode == "differ" && out2 == out1) out2 = ExpectedDraw(options.lo, upper);
        }
        pairs.emplace_back(out1, out2);
    }
    return pairs;
}

std::vector<std::pair<int32_t, int32_t>> Pairs(const RunResult& result) {
    std::vector<std::pair<int32_t, int32_t>> pairs;
    for (const RunPair& pair : result.pairs) pairs.emplace_back(pair.out1, pair.out2);
    return pairs;
}

RunOptions Options(const char* mode, int32_t lo, int32_t hi, int32_t triggers, uint32_t seed) {
    RunOptions options;
    options.mode = mode;
    options.lo = lo;
    options.hi = hi;
    options.triggers = triggers;
    options.seed = seed;
    return options;
}

// A host with both objects made, the audio one open and processed, the GUI one initialised.
struct OpenSession {
    ModuleLibrary library{QV_MODULE_LIBRARY};
    ReferenceHost host{library};
    OpenSession(int32_t mode, int32_t lo, int32_t hi) {
        host.CreateObjects();
        host.Audio().Open();
        host.Audio().ProcessBlock();
        host.Gui().SetPin(MODES, mode);
        host.Gui().SetPin(LOLIMIT, lo);
        host.Gui().SetPin(HILIMIT, hi);
        host.Gui().Initialise();
    }
};

}  // namespace

TEST(KestrelPavlenLibrary, DescribesItselfAndWritesNoFieldItDoesNotOwn) {
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    const ModuleDescription module = library.Describe();
    EXPECT_EQ(module.name, "Kestrel-Pavlen");
    EXPECT_EQ(module.id, "Kestrel-Pavlen");
    EXPECT_EQ(module.flags, 0x100u);
    EXPECT_EQ(module.sdk_version, 2230);
    EXPECT_EQ(module.about.rfind("Kestrel-Pavlen v1.1 : Kestrel-modules ", 0), 0u) << module.about;
    const std::string tail =
        "\n\nDual out version\n\n-Modes: normal, differ, sum\n-Gate: to change "
        "random out values\n-low limit of the random out values,can be "
        "negative (except for sum mode)\n-High limit of the random out "
        "values,can be negative";
    ASSERT_GE(module.about.size(), tail.size());
    EXPECT_EQ(module.about.substr(module.about.size() - tail.size()), tail);

    ModuleProperties props{};
    props.host_reserved = 0xA5A5A5A5u;
    EXPECT_TRUE(library.QueryProperties(0, &props));
    EXPECT_EQ(props.host_reserved, 0xA5A5A5A5u);
    ModuleProperties other{};
    EXPECT_FALSE(library.QueryProperties(1, &other));
    EXPECT_EQ(other.sdk_version, 2230);
    EXPECT_EQ(other.name, nullptr);
    EXPECT_EQ(other.flags, 0u);
}

TEST(KestrelPavlenLibrary, HandsOutRecordsWordForWord) {
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    ReferenceHost host(library);
    host.CreateObjects();
    const AudioHostRecord& audio = *host.Audio().Record();
    EXPECT_EQ(audio.magic, 0x5156504Cu);
    EXPECT_EQ(audio.version, 1);
    EXPECT_EQ(audio.host_handle, host.Handle());
    EXPECT_NE(audio.object, nullptr);
    EXPECT_EQ(audio.reserved0, 0u);
    EXPECT_NE(audio.dispatcher, nullptr);
    EXPECT_NE(audio.process, nullptr);
    EXPECT_NE(audio.event_handler, nullptr);
    for (uint32_t word : audio.reserved) EXPECT_EQ(word, 0u);

    const GuiHostRecord& gui = *host.Gui().Record();
    EXPECT_EQ(gui.magic, 0x5156504Du);
    EXPECT_EQ(gui.version, 1);
    EXPECT_NE(gui.dispatcher, nullptr);
    EXPECT_EQ(gui.host_handle, host.Handle());
    EXPECT_NE(gui.object, nullptr);
    for (uint32_t word : gui.reserved) EXPECT_EQ(word, 0u);
    EXPECT_EQ(host.CloseGuiObject(), 1);
    EXPECT_EQ(host.CloseAudioObject(), 1);
    EXPECT_TRUE(host.Problems().empty());
}

TEST(KestrelPavlenLibrary, DescribesItsSixUserInterfacePins) {
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    ReferenceHost host(library);
    host.CreateAudioObject();
    struct Row {
        const char* name;
        int32_t direction;
        int32_t datatype;
        const char* extra;
    };
    const Row rows[] = {{"Modes", DR_IN, DT_ENUM, "Normal,Differ,Sum"},
                        {"Trigger", DR_IN, DT_BOOL, ""},
                        {"Lolimit", DR_IN, DT_INT, ""},
                        {"Hilimit", DR_IN, DT_INT, ""},
                        {"Out1", DR_OUT, DT_INT, ""},
                        {"Out2", DR_OUT, DT_INT, ""}};
    const std::vector<PinDescription>& table = host.Audio().PinTable();
    ASSERT_EQ(table.size(), std::size(rows));
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].name, rows[i].name);
        EXPECT_EQ(table[i].direction, rows[i].direction) << rows[i].name;
        EXPECT_EQ(table[i].datatype, rows[i].datatype) << rows[i].name;
        EXPECT_EQ(table[i].datatype_extra, rows[i].extra) << rows[i].name;
        EXPECT_EQ(table[i].flags, IO_UI_COMMUNICATION) << rows[i].name;
    }
    EXPECT_EQ(host.Audio().AudioPinCount(), 0);
}

TEST(KestrelPavlenLibrary, OpensWithOneProcessChangeAndSleepsOnEveryProcessCall) {
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    ReferenceHost host(library);
    host.CreateAudioObject();
    AudioSideHost& audio = host.Audio();
    const ProcessFn initial = audio.ProcessEntry();
    audio.Open();
    EXPECT_EQ(audio.Counts().process_changed, 1);
    EXPECT_EQ(audio.Counts().pin_count_requests, 1);
    EXPECT_NE(audio.ProcessEntry(), initial);
    EXPECT_EQ(audio.ProcessEntry(), audio.Record()->process);
    audio.SetSampleRate(48000.0f);
    audio.SetBlockSize(64);
    for (int block = 0; block < 3; ++block) audio.ProcessBlock();
    EXPECT_EQ(audio.Counts().process_calls, 3);
    EXPECT_EQ(audio.Counts().sleeps, 3);
    EXPECT_EQ(audio.SampleClock(), 192u);
    EXPECT_TRUE(audio.PinMessages().empty());
    EXPECT_EQ(audio.Counts().events_queued, 0);
    EXPECT_EQ(host.CloseAudioObject(), 1);
    EXPECT_TRUE(host.Problems().empty());
}

TEST(KestrelPavlenLibrary, WritesExactlyTheSeededRuntimeGeneratorsPairsInEveryMode) {
    const RunOptions cases[] = {Options("normal", 0, 10, 200, 1),
                                Options("normal", -3, 3, 200, 77),
                                Options("normal", 10, 0, 100, 5),
                                Options("normal", 5, 5, 100, 9),
                                Options("differ", 0, 3, 200, 2),
                                Options("differ", 5, 5, 50, 3),
                                Options("sum", 0, 10, 200, 4),
                                Options("sum", -5, 5, 200, 6),
                                Options("normal", -32768, 32769, 100, 12345)};
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    for (const RunOptions& options : cases) {
        const std::string label =
            options.mode + " " + std::to_string(options.lo) + ".." + std::to_string(options.hi);
        const RunResult result = PairRun::Execute(library, options);
        const auto expected = ExpectedPairs(options);
        EXPECT_EQ(Pairs(result), expected) << label;
        EXPECT_TRUE(result.problems.empty()) << label;
        EXPECT_EQ(result.audio_close_answer, 1) << label;
        EXPECT_EQ(result.gui_close_answer, 1) << label;
    }
}

TEST(KestrelPavlenLibrary, PairsStayWithinTheLimitsAndFollowTheirMode) {
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    for (const char* mode : {"normal", "differ", "sum"}) {
        const RunResult result = PairRun::Execute(library, Options(mode, -4, 6, 300, 31));
        ASSERT_EQ(result.pairs.size(), 300u) << mode;
        int equal = 0;
        for (const RunPair& pair : result.pairs) {
            EXPECT_GE(pair.out1, -4) << mode;
            EXPECT_LE(pair.out1, 7) << mode;
            if (std::string(mode) == "sum") {
                EXPECT_EQ(pair.out1 + pair.out2, 6) << mode;
            } else {
                EXPECT_GE(pair.out2, -4) << mode;
                EXPECT_LE(pair.out2, 7) << mode;
            }
            equal += pair.out1 == pair.out2 ? 1 : 0;
        }
        // Eleven values: independent draws match about one time in eleven, Differ's retry
        // makes that about one in 121.
        if (std::string(mode) == "differ") {
            EXPECT_LT(equal, 15);
        } else if (std::string(mode) == "normal") {
            EXPECT_GT(equal, 10);
        }
    }
}

TEST(KestrelPavlenLibrary, OneTriggerMakesOnePairOfWritesDespiteTheNoticesFromInsideThem) {
    OpenSession session(0, 0, 1000);
    GuiSideHost& gui = session.host.Gui();
    for (int trigger = 0; trigger < 20; ++trigger) {
        const size_t first = gui.Writes().size();
        const int nested_before = gui.Counts().nested_notifications;
        gui.SetPin(TRIGGER, 1);
        ASSERT_EQ(gui.Writes().size() - first, 2u);
        EXPECT_EQ(gui.Writes()[first].pin, OUT1);
        EXPECT_EQ(gui.Writes()[first + 1].pin, OUT2);
        EXPECT_EQ(gui.Writes()[first].depth, 1);
        EXPECT_EQ(gui.Writes()[first + 1].depth, 1);
        // Each write that changed its output was announced from inside it.
        EXPECT_GE(gui.Counts().nested_notifications - nested_before, 1);
        gui.SetPin(TRIGGER, 0);
        EXPECT_EQ(gui.Writes().size() - first, 2u) << "the falling edge draws nothing";
    }
    EXPECT_TRUE(session.host.Problems().empty());
}

TEST(KestrelPavlenLibrary, DrawsNothingUnlessTriggerRisesInAKnownMode) {
    OpenSession session(0, 0, 10);
    GuiSideHost& gui = session.host.Gui();
    gui.SetPin(TRIGGER, 1);
    const size_t after_trigger = gui.Writes().size();
    gui.SetPin(LOLIMIT, 3);
    gui.SetPin(HILIMIT, 4);
    gui.SetPin(MODES, 2);
    EXPECT_EQ(gui.Writes().size(), after_trigger) << "inputs changed while Trigger stays high";
    gui.SetPin(TRIGGER, 0);
    for (int32_t mode : {3, -1}) {
        gui.SetPin(MODES, mode);
        gui.SetPin(TRIGGER, 1);
        gui.SetPin(TRIGGER, 0);
    }
    EXPECT_EQ(gui.Writes().size(), after_trigger) << "no mode 3 or -1";
    gui.SetPin(MODES, 2);
    gui.SetPin(TRIGGER, 1);
    ASSERT_EQ(gui.Writes().size(), after_trigger + 2);
    EXPECT_EQ(gui.Pins().IntValue(OUT1) + gui.Pins().IntValue(OUT2), 4) << "new limits apply";
}

TEST(KestrelPavlenLibrary, ClosesBothObjects) {
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    ReferenceHost host(library);
    host.CreateObjects();
    host.Audio().Open();
    EXPECT_EQ(host.CloseGuiObject(), 1);
    EXPECT_EQ(host.CloseAudioObject(), 1);
    EXPECT_FALSE(host.Gui().IsAttached());
    EXPECT_FALSE(host.Audio().IsAttached());
    EXPECT_EQ(host.CloseAudioObject(), 0) << "nothing left to close";
}

// Its pins live on the GUI side only: a render sets them through the GUI object, and the trigger
// draws one pair there.
TEST(KestrelPavlenLibrary, RenderSetsItsPinsThroughTheGuiObject) {
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    RenderOptions options;
    options.samples = 64;
    options.settings = {"Modes=Sum", "Lolimit=0", "Hilimit=9", "Trigger=1"};
    const RenderResult result = RenderSession::Execute(library, options);
    EXPECT_TRUE(result.problems.empty());
    EXPECT_TRUE(result.outputs.empty());
    ASSERT_EQ(result.gui_writes.size(), 2u);
    const std::string out1 = "GUI wrote Out1 = ";
    const std::string out2 = "GUI wrote Out2 = ";
    ASSERT_EQ(result.gui_writes[0].substr(0, out1.size()), out1);
    ASSERT_EQ(result.gui_writes[1].substr(0, out2.size()), out2);
    EXPECT_EQ(std::stoi(result.gui_writes[0].substr(out1.size())) +
                  std::stoi(result.gui_writes[1].substr(out2.size())),
              9);
    // Settings a user gets wrong are usage errors that say what would do.
    const std::pair<const char*, const char*> refused[] = {
        {"Out3=1", "no pin Out3"},
        {"Out1=1", "Out1 is an output"},
        {"Modes=Nope", "its choices are Normal, Differ, Sum"}};
    for (const auto& [setting, message] : refused) {
        options.settings = {setting};
        try {
            RenderSession::Execute(library, options);
            ADD_FAILURE() << setting << " was taken";
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

// Watching the module on a timeline that raises and lowers Trigger shows the pairs the pair
// generator's own view draws with the same seed.
TEST(KestrelPavlenLibrary, PlayOnATimelineShowsTheSamePairsAsRun) {
    const ModuleLibrary library(QV_MODULE_LIBRARY);
    const RunResult run = PairRun::Execute(library, Options("differ", -4, 6, 5, 11));
    PlayOptions options;
    options.seed = 11;
    options.samples = 64 * 12;
    const auto at = [&](const std::string& text) {
        options.timeline.push_back(PlaySession::ParseTimed(text, options.samples));
    };
    for (const char* setting : {"0:Modes=Differ", "0:Lolimit=-4", "0:Hilimit=6"}) at(setting);
    for (uint32_t trigger = 0; trigger < 5; ++trigger) {
        at(std::to_string(128 * trigger + 64) + ":Trigger=1");
        at(std::to_string(128 * trigger + 128) + ":Trigger=0");
    }
    const PlayedOutput played = PlayOutput(library, options);
    EXPECT_TRUE(played.result.problems.empty());
    std::vector<std::string> expected;
    for (const RunPair& pair : run.pairs) {
        expected.push_back("GUI wrote Out1 = " + std::to_string(pair.out1));
        expected.push_back("GUI wrote Out2 = " + std::to_string(pair.out2));
    }
    std::vector<std::string> writes;
    for (const PlayEvent& event : played.events) {
        if (event.text.rfind("GUI wrote", 0) == 0) writes.push_back(event.text);
    }
    EXPECT_EQ(writes, expected);
}
