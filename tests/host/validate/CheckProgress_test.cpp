#include "CheckProgress.h"

#include "CallRecorder.h"

#include <gtest/gtest.h>

#include <string>

// What a TIMEOUT says: how far the rounds got and what each cost, and the call into the module
// for as long as it has not returned, and not a moment longer.
TEST(CheckProgress, SaysHowFarTheRoundsGotAndTheCallInProgressUntilItReturns) {
    CheckProgress::BeginRounds("load/unload cycles", 100);
    for (int k = 0; k < 3; ++k) CheckProgress::RoundDone();
    const CrossingCall open{CallEntry::kAudioDispatcher, MOD_OP_OPEN, 0, 0, nullptr, 0.0f};
    CheckProgress::CallEntered(open);
    const std::string during = CheckProgress::Describe();
    EXPECT_EQ(during.rfind("3 of 100 load/unload cycles in ", 0), 0u) << during;
    EXPECT_NE(during.find(" ms each; host -> audio MOD_OP_OPEN index 0 value 0 ptr null opt 0 "
                          "has not returned after "),
              std::string::npos)
        << during;
    CrossingCall seen{};
    ASSERT_TRUE(CheckProgress::CallInProgress(&seen));
    EXPECT_EQ(seen.opcode, MOD_OP_OPEN);
    CheckProgress::SessionStep("pin 4 (Choice) set to 5, blocks of 64, 48000 Hz");
    const std::string playing = CheckProgress::Describe();
    EXPECT_NE(playing.find(" ms each; playing pin 4 (Choice) set to 5, blocks of 64, 48000 Hz: "
                           "host -> audio MOD_OP_OPEN "),
              std::string::npos)
        << playing;
    CheckProgress::SessionStep("");
    CheckProgress::CallLeft();
    const std::string after = CheckProgress::Describe();
    EXPECT_EQ(after.find("has not returned"), std::string::npos) << after;
    EXPECT_EQ(after.find("playing"), std::string::npos) << after;
    EXPECT_NE(after.find("3 of 100 load/unload cycles"), std::string::npos) << after;
    EXPECT_FALSE(CheckProgress::CallInProgress(&seen));
}

// The validator's observer tells it of the outermost call into the module, through the host's
// answers inside it, until that call returns.
TEST(CheckProgress, FollowsTheOutermostCallIntoTheModuleThroughTheValidatorsObserver) {
    CallRecorder recorder(false);
    const CrossingCall process{CallEntry::kProcess, 64, 0, 0, nullptr, 0.0f};
    const CrossingCall clock{CallEntry::kAudioHostCallback, HOST_OP_SAMPLE_CLOCK, 0, 0, nullptr,
                             0.0f};
    CrossingCall seen{};
    recorder.Enter(process);
    recorder.Enter(clock);
    ASSERT_TRUE(CheckProgress::CallInProgress(&seen));
    EXPECT_EQ(seen.entry, CallEntry::kProcess);
    recorder.Leave(clock, 0);
    EXPECT_TRUE(CheckProgress::CallInProgress(&seen)) << "the process call goes on";
    recorder.Leave(process, 0);
    EXPECT_FALSE(CheckProgress::CallInProgress(&seen));
}
