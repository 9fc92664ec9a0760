#include "FailingSession.h"

#include <gtest/gtest.h>

#include <string>

namespace {
PlayAction Gui(uint32_t sample, const std::string& pin) {
    return {sample, PlayAction::Kind::kGui, pin, "1", std::nullopt, ""};
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
