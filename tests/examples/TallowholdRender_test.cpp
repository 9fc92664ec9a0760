// Renders of the Tallowhold library through the reference host, checked against its definition:
// at each chosen edge of Clock (crossing 0.5) Out takes In's sample and holds it; with Release
// above 0 it falls back to 0 that long after the edge, unless a newer edge came first.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ModuleLibrary.h"
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
