// What `qvhost run` makes of the writes each trigger causes, on the pair fixture: it writes Lolimit
// to Out1 and Hilimit to Out2 at each rise of Trigger, and each variant breaks that in one way.
#include "PairRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostError.h"
#include "ModuleLibrary.h"

namespace {

struct Variant {
    const char* library;
    std::vector<std::string> outcome;  // the run's problems, or the error that stopped it
};

}  // namespace

TEST(PairRun, TakesExactlyOut1ThenOut2PerTriggerAndReportsEveryOtherWrite) {
    const Variant variants[] = {
        {QV_FIXTURE_PAIR_NONE, {}},
        {QV_FIXTURE_PAIR_WRITES_AFTER_THE_PAIR,
         {"stopped: trigger 1: expected one write to Out1 then one to Out2, got writes to pins "
          "[4, 5, 4]"}},
        {QV_FIXTURE_PAIR_WRITES_ON_FALLING_EDGE,
         {"trigger 1: the falling edge wrote pins", "trigger 2: the falling edge wrote pins",
          "trigger 3: the falling edge wrote pins"}},
    };
    RunOptions options;
    options.lo = -3;
    options.hi = 8;
    options.triggers = 3;
    for (const Variant& variant : variants) {
        const ModuleLibrary library(variant.library);
        std::vector<std::string> outcome;
        try {
            const RunResult result = PairRun::Execute(library, options);
            outcome = result.problems;
            ASSERT_EQ(result.pairs.size(), 3u) << variant.library;
            for (const RunPair& pair : result.pairs) {
                EXPECT_EQ(pair.out1, -3) << variant.library;
                EXPECT_EQ(pair.out2, 8) << variant.library;
            }
        } catch (const HostError& error) {
            outcome = {std::string("stopped: ") + error.what()};
        }
        EXPECT_EQ(outcome, variant.outcome) << variant.library;
    }
}
