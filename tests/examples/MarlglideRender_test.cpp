// Renders of the Marlglide library, loaded by path and driven by the reference host as
// `qvhost render` drives it, checked against glides computed here from their definitions: a
// line that moves at most 1/(Time * rate) per sample, a curve that covers the share
// 1 - exp(-1/(Time * rate)) of the distance per sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "ModuleLibrary.h"
#include "ReferenceHost.h"
#include "RenderSession.h"

namespace {

constexpr double kRate = 48000.0;
constexpr double kSamplesPerFullScale = 480.0;  // Time 10 ms, the module's default

RenderResult Render(uint32_t samples, int32_t block, std::vector<std::string> inputs,
                    std::vector<std::string> settings = {}, int32_t repeat = 0) {
    const ModuleLibrary library(QV_MARLGLIDE_LIBRARY);
    RenderOptions options;
    options.samples = samples;
    options.block = block;
    options.rate = static_cast<float>(kRate);
    options.repeat = repeat;
    options.inputs = std::move(inputs);
    options.settings = std::move(settings);
    return RenderSession::Execute(library, options);
}

const SampleTrack& Out(const RenderResult& result) {
    EXPECT_TRUE(result.problems.empty()) << result.problems.front();
    EXPECT_EQ(result.outputs.size(), 1u);
    return result.outputs.front();
}

// The audio object made and opened at 48 kHz, in blocks of 240.
AudioSideHost& OpenInBlocksOf240(ReferenceHost& host) {
    host.CreateAudioObject();
    AudioSideHost& audio = host.Audio();
    audio.SetSampleRate(static_cast<float>(kRate));
    audio.SetBlockSize(240);
    audio.Open();
    return audio;
}

std::vector<std::pair<uint32_t, int32_t>> Changes(const SampleTrack& out) {
    std::vector<std::pair<uint32_t, int32_t>> changes;
    for (const StatusChange& change : out.status_changes)
        changes.push_back({change.clock, change.status});
    return changes;
}

// Whatever the block size, the arrival falls inside a block (except for 480) and the glide is
// the same: events arrive at their sample, not at a block boundary.
TEST(MarlglideRender, LinearGlideArrivesAtItsSampleWhateverTheBlocks) {
    for (const int32_t block : {1, 100, 256, 480, 4096}) {
        const RenderResult result = Render(1000, block, {"In=dc:1"});
        const SampleTrack& out = Out(result);
        for (const uint32_t k : {0u, 99u, 100u, 255u, 256u, 478u, 479u}) {
            EXPECT_NEAR(out.samples[k], std::min(1.0, (k + 1) / kSamplesPerFullScale), 1e-5)
                << "block " << block << ", sample " << k;
        }
        // From the arrival on the hold function writes the target itself.
        for (uint32_t k = 480; k < 1000; ++k) ASSERT_EQ(out.samples[k], 1.0f) << k;
        const std::vector<std::pair<uint32_t, int32_t>> expected{{0, PIN_STATUS_MOVING},
                                                                 {480, PIN_STATUS_STATIC}};
        EXPECT_EQ(Changes(out), expected) << "block " << block;
        EXPECT_EQ(result.counts.process_changed, 3) << "hold, line, hold";
    }
}

// The render ends before sample clock 480, where the glide arrives: that change lies past it.
TEST(MarlglideRender, KeepsNoStatusChangeStampedAtTheEndOfTheRender) {
    const SampleTrack out = Out(Render(480, 256, {"In=dc:1"}));
    EXPECT_EQ(Changes(out), (std::vector<std::pair<uint32_t, int32_t>>{{0, PIN_STATUS_MOVING}}));
}

// Towards 1, then from 0.5 at sample 240 towards -1: the new plan arrives at 960, and the first
// plan's arrival call, still due at 480, must not settle the output there.
TEST(MarlglideRender, ANewTargetMidGlideOutlivesTheFirstPlansArrival) {
    const ModuleLibrary library(QV_MARLGLIDE_LIBRARY);
    ReferenceHost host(library);
    AudioSideHost& audio = OpenInBlocksOf240(host);
    const int32_t in = 3;  // after Out, Shape and Time
    for (const float target : {1.0f, -1.0f}) {
        std::fill_n(audio.InputBuffer(in), 240, target);
        audio.PostPinStatus(in, PIN_STATUS_CHANGED);
        audio.ProcessBlock();
    }
    audio.ProcessBlock();
    EXPECT_NEAR(audio.PinBuffer(0)[239], -0.5, 1e-5) << "sample 719";
    EXPECT_TRUE(host.Problems().empty());
}

// Half way towards 1 the rate doubles: the rest of the glide takes twice the samples, and the
// arrival planned at the old rate (sample 480) does not settle it early.
TEST(MarlglideRender, ARateChangeMidGlideReplansTheRestAtTheNewRate) {
    const ModuleLibrary library(QV_MARLGLIDE_LIBRARY);
    ReferenceHost host(library);
    AudioSideHost& audio = OpenInBlocksOf240(host);
    const int32_t in = 3;
    std::fill_n(audio.InputBuffer(in), 240, 1.0f);
    audio.PostPinStatus(in, PIN_STATUS_CHANGED);
    audio.ProcessBlock();
    EXPECT_NEAR(audio.PinBuffer(0)[239], 0.5, 1e-5);
    audio.SetSampleRate(static_cast<float>(2 * kRate));
    for (const double expected : {0.75, 1.0}) {
        std::fill_n(audio.InputBuffer(in), 240, 1.0f);
        audio.ProcessBlock();
        EXPECT_NEAR(audio.PinBuffer(0)[0], expected - 239.0 / (2 * kSamplesPerFullScale), 1e-5);
        EXPECT_NEAR(audio.PinBuffer(0)[239], expected, 1e-5);
    }
    EXPECT_TRUE(host.Problems().empty());
}

TEST(MarlglideRender, SmoothGlideSettlesOnceWithinItsThreshold) {
    const SampleTrack out = Out(Render(8000, 256, {"In=dc:1"}, {"Shape=Smooth"}));
    ASSERT_EQ(out.status_changes.size(), 2u);
    const uint32_t arrival = out.status_changes[1].clock;
    const double kept = std::exp(-1.0 / kSamplesPerFullScale);
    for (uint32_t k = 0; k < arrival; k += 97) {
        EXPECT_NEAR(out.samples[k], 1.0 - std::pow(kept, k + 1.0), 1e-5) << k;
    }
    // The first sample whose remaining distance kept^(k + 1) is at most 1e-4 is the last one
    // the curve writes.
    EXPECT_EQ(arrival, static_cast<uint32_t>(std::ceil(kSamplesPerFullScale * std::log(1e4))));
    EXPECT_LE(1.0 - out.samples[arrival - 1], 1e-4);
    EXPECT_EQ(out.samples[arrival], 1.0f);
    EXPECT_EQ(out.samples[7999], 1.0f);
}

TEST(MarlglideRender, RepeatedInputsAreSummed) {
    const SampleTrack out =
        Out(Render(400, 64, {"In=dc:0.25", "In#2=dc:0.5", "In#3=dc:-1"}, {"Time=5"}, 2));
    // -0.25 at 1/240 per sample: 60 samples.
    EXPECT_NEAR(out.samples[29], -30 / 240.0, 1e-5);
    EXPECT_NEAR(out.samples[59], -0.25, 1e-5);
    EXPECT_EQ(out.samples[60], -0.25f);
    const std::vector<std::pair<uint32_t, int32_t>> expected{{0, PIN_STATUS_MOVING},
                                                             {60, PIN_STATUS_STATIC}};
    EXPECT_EQ(Changes(out), expected);
}

// A moving input keeps the line-following function: each sample steps towards that sample's
// input. A 25 Hz square at 48 kHz flips every 960 samples; a full swing of 2 takes 960.
TEST(MarlglideRender, FollowsAMovingInputSampleBySample) {
    const SampleTrack out = Out(Render(4000, 77, {"In=square:25"}, {"Time=5"}));
    double value = 0.0;
    const double step = 1.0 / 240.0;
    for (uint32_t k = 0; k < 4000; ++k) {
        const double target = std::fmod(25.0 * k / kRate, 1.0) < 0.5 ? 1.0 : -1.0;
        value = std::fabs(target - value) <= step ? target
                                                  : value + std::copysign(step, target - value);
        ASSERT_NEAR(out.samples[k], value, 1e-4) << k;
    }
    EXPECT_EQ(Changes(out), (std::vector<std::pair<uint32_t, int32_t>>{{0, PIN_STATUS_MOVING}}));
}

// Only subnormal sums are silence: a sum below FLT_EPSILON but at least FLT_MIN is glided to (in
// one sample, so small is the distance) and held.
TEST(MarlglideRender, FlushesSubnormalSumsAndKeepsTheSmallestNormalOnes) {
    const std::pair<const char*, float> inputs[] = {
        {"In=dc:1e-20", 1e-20f}, {"In=dc:-1e-20", -1e-20f}, {"In=dc:1.2e-38", 1.2e-38f},
        {"In=dc:1e-38", 0.0f},   {"In=dc:-1e-40", 0.0f},
    };
    for (const auto& [input, expected] : inputs) {
        const SampleTrack out = Out(Render(64, 64, {input}));
        ASSERT_EQ(out.samples.size(), 64u) << input;
        for (uint32_t k = 0; k < 64; ++k)
            ASSERT_EQ(out.samples[k], expected) << input << " at " << k;
    }
}

}  // namespace
