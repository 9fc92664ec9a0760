#include "SignalGenerator.h"

#include <gtest/gtest.h>

#include "HostError.h"

namespace {

struct Expected {
    const char* definition;
    uint64_t position;
    double sample;
};

// At 48 kHz: a 1 kHz sine reaches its peak at sample 12; a 1 kHz square flips at sample 24.
const Expected kSamples[] = {
    {"sine:1000", 0, 0.0},    {"sine:1000", 12, 1.0},   {"sine:1000", 4, 0.5},
    {"square:1000", 0, 1.0},  {"square:1000", 23, 1.0}, {"square:1000", 24, -1.0},
    {"square:1000", 48, 1.0}, {"dc:-0.5", 0, -0.5},     {"dc:-0.5", 1u << 31, -0.5},
    {"impulse", 0, 1.0},      {"impulse", 1, 0.0},
};

TEST(SignalGenerator, SamplesFollowTheirDefinitionAtEveryPosition) {
    for (const Expected& e : kSamples) {
        EXPECT_NEAR(SignalGenerator(e.definition).Sample(e.position, 48000.0), e.sample, 1e-6)
            << e.definition << " at " << e.position;
    }
    EXPECT_TRUE(SignalGenerator("dc:1").IsConstant());
    EXPECT_FALSE(SignalGenerator("impulse").IsConstant());
}

TEST(SignalGenerator, NoiseIsUniformAndTheSameForTheSameSeed) {
    const SignalGenerator noise("noise:7");
    double sum = 0.0;
    for (uint64_t k = 0; k < 10000; ++k) {
        const float sample = noise.Sample(k, 48000.0);
        ASSERT_GE(sample, -1.0f);
        ASSERT_LT(sample, 1.0f);
        sum += sample;
    }
    EXPECT_NEAR(sum / 10000, 0.0, 0.05);
    EXPECT_EQ(noise.Sample(99, 1.0), SignalGenerator("noise:7").Sample(99, 1.0));
    EXPECT_NE(noise.Sample(99, 1.0), SignalGenerator("noise:8").Sample(99, 1.0));
}

TEST(SignalGenerator, RefusesUnknownSignalsAndMissingNumbers) {
    for (const char* bad : {"saw:100", "sine", "sine:", "dc:x", "dc:1x", "noise:inf", ""}) {
        EXPECT_THROW(SignalGenerator{bad}, HostError) << bad;
    }
}

}  // namespace
