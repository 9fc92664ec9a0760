#include "FailingSession.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "PlayedOutput.h"

namespace {
PlayAction Gui(uint32_t sample, const std::string& pin) {
    return {sample, PlayAction::Kind::kGui, pin, "1", std::nullopt, nullptr, 0};
}
}  // namespace

// A session that fails once B has been set and 10 samples played after it shortens to B alone,
// at the first sample, 11 samples long, with no stored value; with a few replays only, whatever
// it hands back still fails.
TEST(FailingSession, ShortensToTheFewestActionsAndSamplesThatStillFail) {
    PlayOptions played;
    played.samples = 200;
    played.stored = {"S=1"};
    played.timeline = {Gui(0, "A"), Gui(50, "B"), Gui(60, "C"), Gui(70, "D"), Gui(80, "E")};
    int replays = 0;
    const auto fails = [&replays](const PlayOptions& candidate) {
        ++replays;
        // Every candidate is a script `qvhost play` takes: no action at or past its end.
        EXPECT_NO_THROW(PlayScript::Parse(PlayScript::Format(candidate), "candidate.qvs"));
        for (const PlayAction& action : candidate.timeline) {
            if (action.pin == "B" && candidate.samples > action.sample + 10) return true;
        }
        return false;
    };
    const PlayOptions shortest = FailingSession::Shorten(played, fails, 400);
    EXPECT_EQ(PlayScript::Format(shortest), "samples 11\nrate 48000\nblock 64\nat 0 gui B=1\n");
    EXPECT_LT(replays, 40);
    for (const int budget : {0, 1, 3, 8}) {
        EXPECT_TRUE(fails(FailingSession::Shorten(played, fails, budget))) << budget << " replays";
    }
}

// A kept session replays as the validator played it: a value for the module's variable comes as
// a status inside its block, which splits the process call (at buffer offset 36), not the block.
// The fixture reports each process call on Signal as offset << 16 | frames.
TEST(FailingSession, ReplaysAVariableAsAStatusInsideItsBlock) {
    const ModuleLibrary library(QV_FIXTURE_CHOICE_ON_AUDIO_SIDE);
    const PlayedOutput played = PlayOutput(
        library, PlayScript::Parse("samples 128\nat 100 variable Choice=0 moving\n", "kept.qvs"));
    std::vector<std::pair<uint32_t, long>> calls;  // sample, buffer offset
    for (const PlayEvent& event : played.events) {
        if (event.text.rfind("audio sent status of Signal status ", 0) == 0) {
            calls.emplace_back(event.sample, std::stol(event.text.substr(35)) >> 16);
        }
    }
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ((std::vector<std::pair<uint32_t, long>>(calls.begin(), calls.begin() + 3)),
              (std::vector<std::pair<uint32_t, long>>{{0, 0}, {64, 0}, {100, 36}}));
    EXPECT_TRUE(played.result.problems.empty());
}

// A crashed check's journal plays its actions over samples enough for the block that was
// processing, and for an action given after it when the crash came before the next block.
TEST(FailingSession, ReadsACrashedJournalIntoAScriptPlayTakes) {
    const std::vector<std::pair<std::string, std::string>> journals = {
        {"samples 64\nat 0 gui A=1\nsamples 128\n",
         "samples 128\nrate 48000\nblock 64\nat 0 gui A=1\n"},
        {"samples 64\nat 200 gui A=1\n", "samples 201\nrate 48000\nblock 64\nat 200 gui A=1\n"},
    };
    for (const auto& [journal, script] : journals) {
        std::istringstream text(journal);
        EXPECT_EQ(PlayScript::Format(FailingSession::FromJournal(text, "j")), script) << journal;
    }
}

#ifndef _WIN32
// A command pastes back into a shell as printed: a path a report would show escaped (a control
// character, a mark that reorders the line, a byte that is not UTF-8) is written by its codes.
TEST(FailingSession, WritesTheCommandThatRunsACheckAgainAsAShellTakesIt) {
    const struct {
        std::string library;
        std::string command;
    } cases[] = {
        {"lib.so", "qvhost validate lib.so --filter '^check$' --seed 7"},
        {"my lib's.so", "qvhost validate 'my lib'\\''s.so' --filter '^check$' --seed 7"},
        {"Grüße.so", "qvhost validate 'Grüße.so' --filter '^check$' --seed 7"},
        {"a\tb'\xE2\x80\xAE\xFF.so",
         "qvhost validate $'a\\x09b\\x27\\xE2\\x80\\xAE\\xFF.so' --filter '^check$' --seed 7"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FailingSession::RunAgain({"keep", c.library, "check", 7}),
                  "runs again alone with: " + c.command);
    }
}
#endif

// A finding `qvhost play` cannot see again is not replayed at all.
TEST(FailingSession, KeepsNoScriptForAFindingPlayDoesNotWatch) {
    const KeptSession where{"unused", "unused.so", "check", 7};
    EXPECT_EQ(FailingSession::Keep({}, "at step: the two objects differ from sample 12", where),
              "no play script kept: `qvhost play` does not watch for what it found; " +
                  FailingSession::RunAgain(where));
}
