#include "OutputSummary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

// Pitch over the whole run and its last second: a tone, a tone that changes, a gate, a tone riding
// on noise of a tenth of its span, and signals that have none.
TEST(OutputSummary, EstimatesThePitchOfTheRunAndOfItsLastSecond) {
    const double kPi = 3.14159265358979323846;
    const double rate = 48000.0;
    const auto sine = [&](double hertz, uint64_t n) {
        return static_cast<float>(std::sin(2.0 * kPi * hertz * static_cast<double>(n) / rate));
    };
    struct Case {
        const char* signal;
        uint64_t samples;
        std::function<float(uint64_t)> sample;
        double whole;  // 0: none
        double last;
    };
    const Case cases[] = {
        {"440 Hz", 96000, [&](uint64_t n) { return sine(440, n); }, 440, 440},
        {"100 then 200 Hz", 96000, [&](uint64_t n) { return sine(n < 48000 ? 100 : 200, n); }, 150,
         200},
        {"a gate at 5 Hz", 72000, [](uint64_t n) { return (n / 4800) % 2 == 0 ? 1.0f : 0.0f; }, 5,
         5},
        {"noisy 50 Hz", 48000,
         [&](uint64_t n) { return sine(50, n) + ((n * 2654435761u) % 1000 < 500 ? 0.1f : -0.1f); },
         50, 50},
        {"dc", 96000, [](uint64_t) { return 0.25f; }, 0, 0},
        {"one cycle", 480, [&](uint64_t n) { return sine(100, n); }, 0, 0},
    };
    for (const Case& c : cases) {
        OutputSummary summary(rate, c.samples);
        for (uint64_t n = 0; n < c.samples; ++n) summary.Add(c.sample(n));
        const std::optional<double> whole = summary.Frequency();
        const std::optional<double> last = summary.LastSecondFrequency();
        EXPECT_EQ(whole.has_value(), c.whole > 0) << c.signal;
        EXPECT_EQ(last.has_value(), c.last > 0) << c.signal;
        EXPECT_NEAR(whole.value_or(0), c.whole, c.whole * 3e-3) << c.signal;
        EXPECT_NEAR(last.value_or(0), c.last, c.last * 3e-3) << c.signal;
    }
    // 100 Hz on, through a rate that doubles mid-run.
    OutputSummary doubled(rate, 144000);
    for (uint64_t n = 0; n < 48000; ++n) doubled.Add(sine(100, n));
    doubled.SetRate(2 * rate);
    for (uint64_t n = 96000; n < 192000; ++n) doubled.Add(sine(50, n));
    EXPECT_NEAR(doubled.Frequency().value_or(0), 100, 0.3);
    EXPECT_NEAR(doubled.LastSecondFrequency().value_or(0), 100, 0.3);
    OutputSummary tone(rate, 96000);
    for (uint64_t n = 0; n < 96000; ++n) tone.Add(sine(440, n));
    EXPECT_EQ(tone.Describe(), "peak 1.000000  rms 0.707107  pitch 440.00 Hz, last second 440.00 Hz");
}
