// Renders of the Tallowhold library through the reference host, checked against its definition:
// at each chosen edge of Clock (crossing 0.5) Out takes In's sample and holds it; with Release
// above 0 it falls back to 0 that long after the edge, unless a newer edge came first.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ModuleLibrary.h"
#include "PlaySession.h"
#include "PlayedOutput.h"
#include "RenderSession.h"

namespace {

constexpr double kRate = 48000.0;
constexpr double kTwoPi = 6.283185307179586;
constexpr uint32_t kSamples = 480;
// Clock square:1000 at 48 kHz: +1 from sample 0, -1 from 24, a period of 48 samples.
constexpr uint32_t kPeriod = 48;

// The render's sine:100, as its definition gives it.
float In(uint32_t n) {
    return static_cast<float>(std::sin(kTwoPi * std::fmod(100.0 * n / kRate, 1.0)));
}

std::vector<float> Render(const std::vector<std::string>& settings) {
    const ModuleLibrary library(QV_TALLOWHOLD_LIBRARY);
    RenderOptions options;
    options.samples = kSamples;
    options.block = 64;
    options.rate = static_cast<float>(kRate);
    options.inputs = {"Clock=square:1000", "In=sine:100"};
    options.settings = settings;
    const RenderResult result = RenderSession::Execute(library, options);
    EXPECT_TRUE(result.problems.empty()) << result.problems.front();
    return result.outputs.at(0).samples;
}

struct Case {
    std::vector<std::string> settings;
    uint32_t first_edge;  // the first sample the mode takes, then every period
    uint32_t release;     // samples after an edge at which Out falls to 0; 0 for never
};

}  // namespace

TEST(TallowholdRender, OutHoldsInFromEachChosenEdgeAndReleasesOnlyTheNewestEdge) {
    const Case cases[] = {
        {{"Mode=Rising"}, 0, 0},
        {{"Mode=Falling"}, kPeriod / 2, 0},
        {{"Mode=Rising", "Release=0.25"}, 0, 12},
        // 12.48 and 12.96 samples: the release falls on the nearest sample.
        {{"Mode=Rising", "Release=0.26"}, 0, 12},
        {{"Mode=Rising", "Release=0.27"}, 0, 13},
        // Shorter than a sample: Out falls at the next one, not at the end of the block.
        {{"Mode=Rising", "Release=0.001"}, 0, 1},
        // 2 ms reaches past the next edge: every queued release is stale by then.
        {{"Mode=Rising", "Release=2"}, 0, 0},
    };
    for (const Case& c : cases) {
        const std::vector<float> out = Render(c.settings);
        ASSERT_EQ(out.size(), kSamples);
        int wrong = 0;
        for (uint32_t n = 0; n < kSamples; ++n) {
            float expected = 0.0f;
            if (n >= c.first_edge) {
                const uint32_t edge = c.first_edge + (n - c.first_edge) / kPeriod * kPeriod;
                expected = c.release != 0 && n - edge >= c.release ? 0.0f : In(edge);
            }
            // Written so that NaN, which compares false with everything, fails too.
            if (!(std::fabs(out[n] - expected) <= 1e-6f) && ++wrong <= 3) {
                ADD_FAILURE() << c.settings.back() << ": sample " << n << " is " << out[n]
                              << ", expected " << expected;
            }
        }
    }
}

namespace {

struct Crossing {
    const char* mode;
    const char* before;  // Clock's level up to sample 10
    const char* after;   // and from sample 10 on
    bool edge;
};

}  // namespace

// An edge crosses 0.5 from at or below it to above it (rising), or from above it to at or below
// it (falling): Clock stepping at sample 10 either takes In there or leaves Out at 0.
TEST(TallowholdPlay, EdgesCrossHalfFromAtOrBelowToAboveAndBack) {
    const Crossing crossings[] = {
        {"Rising", "0.5", "1", true},  {"Rising", "0.25", "0.5", false},
        {"Falling", "1", "0.5", true}, {"Falling", "0.5", "0", false},
        {"Both", "0.5", "0.75", true}, {"Both", "0.5", "0.5", false},
    };
    const ModuleLibrary library(QV_TALLOWHOLD_LIBRARY);
    for (const Crossing& c : crossings) {
        const std::string label = std::string(c.mode) + " " + c.before + " to " + c.after;
        PlayOptions options;
        options.samples = 32;
        options.block = 16;
        options.inputs = {std::string("Clock=dc:") + c.before, "In=dc:-0.375"};
        const PlayedOutput out = PlayOutput(
            library, options,
            {std::string("0:Mode=") + c.mode, std::string("10:Clock=dc:") + c.after}, "Out");
        EXPECT_TRUE(out.result.problems.empty()) << label;
        ASSERT_EQ(out.values.size(), 32u) << label;
        for (uint32_t n = 0; n < 32; ++n) {
            const double expected = c.edge && n >= 10 ? -0.375 : 0.0;
            EXPECT_EQ(out.values[n], expected) << label << ", sample " << n;
        }
    }
}

// A release queued by an edge is dropped by the next edge taken with Release at 0: Out then holds
// for good, past the time the first edge's release was due (sample 58).
TEST(TallowholdPlay, AnEdgeWithoutReleaseDropsTheReleaseAnEarlierEdgeQueued) {
    const ModuleLibrary library(QV_TALLOWHOLD_LIBRARY);
    PlayOptions options;
    options.samples = 128;
    options.block = 16;
    options.inputs = {"Clock=dc:0", "In=dc:-0.375"};
    const PlayedOutput out = PlayOutput(
        library, options,
        {"0:Release=1", "10:Clock=dc:1", "20:Release=0", "30:Clock=dc:0", "40:Clock=dc:1"}, "Out");
    EXPECT_TRUE(out.result.problems.empty());
    ASSERT_EQ(out.values.size(), 128u);
    // The release lands in the audio object's variable at its sample; the GUI side never hears.
    for (const auto& [column, expected] : std::vector<std::pair<std::string, std::vector<double>>>{
             {"Release (audio side)", {1, 1, 0, 0}}, {"Release", {0, 0, 0, 0}}}) {
        const std::vector<double> release =
            PlayOutput(library, options,
                       {"0:Release=1", "10:Clock=dc:1", "20:Release=0", "30:Clock=dc:0",
                        "40:Clock=dc:1"},
                       column)
                .values;
        ASSERT_EQ(release.size(), 128u);
        EXPECT_EQ((std::vector<double>{release[0], release[19], release[20], release[127]}),
                  expected)
            << column;
    }
    for (uint32_t n = 0; n < 128; ++n) {
        EXPECT_EQ(out.values[n], n >= 10 ? -0.375 : 0.0) << "sample " << n;
    }
}
