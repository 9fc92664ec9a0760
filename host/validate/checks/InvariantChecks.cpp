// Properties every deterministic module keeps, checked by playing one session twice and comparing
// the sample outputs: the output does not depend on how the host cuts the session into blocks,
// nor on whether the rate and block size came at open, after it or between blocks. Each catches
// a family of mistakes no single rule sees: an input read once a block where it moves every
// sample, an event acted on a call late, a rate read only at open or at the first block. A module
// whose output is not the same when played twice alike cannot be compared, and the check steps
// aside.
#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

#include "Checks.h"
#include "FailingSession.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "SessionPlan.h"
#include "ValuePins.h"

namespace {

// A legal module may ramp a new setting over the block in which it arrives: its output settles
// within the longest block. Outputs are compared outside those windows.
constexpr uint32_t kSettleSamples = AudioSideHost::kMaxBlockSize;
// The session: the plan's first values from sample 0, its second ones from kChangeAt.
constexpr uint32_t kChangeAt = 2 * kSettleSamples;
// Outside the windows two plays agree to 1e-4 of the larger sample (at least of full scale):
// -80 dB, above the rounding a different split of the work gives a float filter, below anything
// a listener hears.
constexpr double kTolerance = 1e-4;
constexpr float kSampleRate = 48000.0f;

// A rate given between blocks leaves state run at the old rate (a phase, a filter's memory) that
// an object which had the new rate from the start never had, so its output is not compared
// sample by sample. It is measured instead, window by window after the settling one: the level
// and the crossings of the mean, which tell a pitch, a period, a corner or a gain worked out at
// the wrong rate from a phase that only started elsewhere.
constexpr uint32_t kWindowSamples = 2 * AudioSideHost::kMaxBlockSize;
constexpr uint32_t kMeasuredSamples = 2 * kWindowSamples;
// Two windows agree when both are below -60 dB, or when their levels are within 10 % (a sine of
// a few cycles a window moves its level by a few per cent with its phase) and their crossings
// within 2 (one at each edge of the window) and 10 %. A step worked out at half or twice the rate
// halves or doubles the crossings.
constexpr double kLevelTolerance = 0.1;
constexpr double kQuietLevel = 1e-3;
constexpr double kCrossingTolerance = 0.1;
constexpr double kCrossingSlack = 2.0;

// How the host sets the session up: the rate and block size given at open, those given after
// open, before the first block, when they differ, and a block size or rate given between the
// blocks at the change (0: none).
struct Setup {
    float rate_at_open;
    int32_t block_at_open;
    float rate;
    int32_t block;
    int32_t block_from_change = 0;
    float rate_from_change = 0.0f;
    // Where the plan's second values come. A session measured for a rate change feeds its
    // sample inputs silence until then and the same noise from there on, so that nothing the
    // inputs left in the module at another rate can differ.
    uint32_t change_at = kChangeAt;
    bool quiet_until_change = false;

    uint32_t Samples() const {
        return change_at + kSettleSamples +
               (quiet_until_change ? kMeasuredSamples : kSettleSamples / 2);
    }
    std::string Describe() const {
        std::ostringstream text;
        text << "blocks of " << block << ", " << rate << " Hz";
        if (rate != rate_at_open || block != block_at_open) {
            text << " given after open (" << block_at_open << " and " << rate_at_open
                 << " Hz at open)";
        }
        if (quiet_until_change) text << ", inputs silent until sample " << change_at;
        if (block_from_change != 0) {
            text << ", then blocks of " << block_from_change << " given between blocks at sample "
                 << change_at;
        }
        if (rate_from_change != 0.0f) {
            text << ", then " << rate_from_change << " Hz given between blocks at sample "
                 << change_at;
        }
        return text.str();
    }
};

// A sample output's samples over the whole session.
struct PlayedOutput {
    std::string pin;
    std::vector<float> samples;
};
using Outputs = std::vector<PlayedOutput>;

// A session's sample outputs, and what it did as a play when its check keeps failing sessions.
struct SessionRun {
    Outputs outputs;
    std::optional<PlayOptions> played;
};

std::string NoiseOf(const SessionPlan& plan, int32_t pin) {
    return "noise:" + std::to_string(plan.seed * 7919u + pin);
}

// The plan played in a load of the library of its own, the session cut at the change whatever
// the block size, so that every value lands at its sample.
SessionRun Play(CheckContext& context, const SessionPlan& plan, const Setup& setup) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start(0, setup.rate_at_open, setup.block_at_open);
    session.SetSampleRate(setup.rate);
    session.SetBlockSize(setup.block);
    AudioSideHost& audio = session.Host().Audio();
    CheckContext plan_context(library.Path(), plan.seed, "session plan");
    const std::vector<ValuePin> pins = ValuePins(audio, plan_context);
    const std::vector<int32_t> inputs = audio.SamplePins(DR_IN);
    session.Step("the plan's first values, " +
                 std::string(setup.quiet_until_change ? "silent" : "noise on the") + " inputs, " +
                 setup.Describe());
    SetPlanValues(session, pins, plan.first);
    for (const int32_t pin : inputs) {
        if (setup.quiet_until_change) {
            session.FeedSignal(pin, "dc:0", PIN_STATUS_STATIC);
        } else {
            session.FeedSignal(pin, NoiseOf(plan, pin), PIN_STATUS_MOVING);
        }
    }
    const std::vector<int32_t> outputs = audio.SamplePins(DR_OUT);
    Outputs played;
    for (const int32_t pin : outputs) played.push_back({audio.AudioPin(pin).name, {}});
    int32_t block = setup.block;
    for (uint32_t at = 0; at < setup.Samples();) {
        if (at == setup.change_at) {
            session.Step("the plan's second values, " + setup.Describe());
            if (setup.block_from_change != 0) {
                block = setup.block_from_change;
                session.SetBlockSize(block);
            }
            if (setup.rate_from_change != 0.0f) session.SetSampleRate(setup.rate_from_change);
            SetPlanValues(session, pins, plan.second);
            for (const int32_t pin : setup.quiet_until_change ? inputs : std::vector<int32_t>{}) {
                session.FeedSignal(pin, NoiseOf(plan, pin), PIN_STATUS_MOVING);
            }
        }
        const uint32_t stop = at < setup.change_at ? setup.change_at : setup.Samples();
        const auto frames = static_cast<int32_t>(std::min<uint32_t>(block, stop - at));
        session.ProcessFrames(frames);
        for (size_t k = 0; k < outputs.size(); ++k) {
            const float* samples = audio.PinBuffer(outputs[k]);
            played[k].samples.insert(played[k].samples.end(), samples, samples + frames);
        }
        at += static_cast<uint32_t>(frames);
    }
    session.Verdict(context);
    return {played, session.Played()};
}

// Where two plays first differ outside the settling windows.
struct OutputDifference {
    uint32_t sample;
    std::string text;
};
// How two plays of one plan are compared: nothing when they agree. NaN agrees with nothing.
using DifferenceFinder = std::optional<OutputDifference> (*)(const Outputs&, const Setup&,
                                                             const Outputs&, const Setup&);

// Sample by sample, outside the settling windows of plays that change at one sample.
std::optional<OutputDifference> SampleDifference(const Outputs& reference, const Setup& setup,
                                                 const Outputs& other, const Setup&) {
    const auto compared = [&](uint32_t sample) {
        return (sample >= kSettleSamples && sample < setup.change_at) ||
               sample >= setup.change_at + kSettleSamples;
    };
    for (size_t pin = 0; pin < reference.size(); ++pin) {
        for (uint32_t n = 0; n < setup.Samples(); ++n) {
            if (!compared(n)) continue;
            const double a = reference[pin].samples[n];
            const double b = other[pin].samples[n];
            const double scale = std::max({1.0, std::fabs(a), std::fabs(b)});
            if (std::fabs(a - b) <= kTolerance * scale) continue;
            std::ostringstream text;
            text << "pin " << reference[pin].pin << " differs from sample " << n << " on (" << b
                 << " against " << a << ")";
            return OutputDifference{n, text.str()};
        }
    }
    return std::nullopt;
}

struct WindowMeasure {
    double level;  // root mean square
    int crossings;  // of the mean
};

// Crossings of the window's mean, so that a gate or a clock between 0 and 1 has them too.
WindowMeasure Measure(const std::vector<float>& samples, uint32_t from) {
    double sum = 0.0;
    double squares = 0.0;
    for (uint32_t n = from; n < from + kWindowSamples; ++n) {
        sum += samples[n];
        squares += static_cast<double>(samples[n]) * samples[n];
    }
    const double mean = sum / kWindowSamples;
    int crossings = 0;
    for (uint32_t n = from + 1; n < from + kWindowSamples; ++n) {
        if ((samples[n - 1] < mean) != (samples[n] < mean)) ++crossings;
    }
    return {std::sqrt(squares / kWindowSamples), crossings};
}

// NaN agrees with nothing.
bool Agree(const WindowMeasure& a, const WindowMeasure& b) {
    if (a.level <= kQuietLevel && b.level <= kQuietLevel) return true;
    const double level_gap = std::fabs(a.level - b.level);
    const int crossing_gap = std::abs(a.crossings - b.crossings);
    return level_gap <= kLevelTolerance * std::max(a.level, b.level) &&
           crossing_gap <= kCrossingSlack + kCrossingTolerance * std::max(a.crossings, b.crossings);
}

// Window by window after each play's settling window, level and crossings of the mean.
std::optional<OutputDifference> MeasureDifference(const Outputs& reference,
                                                  const Setup& reference_setup,
                                                  const Outputs& other, const Setup& setup) {
    for (size_t pin = 0; pin < reference.size(); ++pin) {
        for (uint32_t window = 0; window < kMeasuredSamples; window += kWindowSamples) {
            const uint32_t from = setup.change_at + kSettleSamples + window;
            const WindowMeasure expected = Measure(
                reference[pin].samples, reference_setup.change_at + kSettleSamples + window);
            const WindowMeasure measured = Measure(other[pin].samples, from);
            if (Agree(expected, measured)) continue;
            std::ostringstream text;
            text << "pin " << reference[pin].pin << " from sample " << from << " on ("
                 << kSettleSamples + window << " after the change), over " << kWindowSamples
                 << " samples: " << measured.crossings << " crossings of its mean and a level of "
                 << measured.level << ", against " << expected.crossings << " and "
                 << expected.level << " from sample "
                 << reference_setup.change_at + kSettleSamples + window << " on";
            return OutputDifference{from, text.str()};
        }
    }
    return std::nullopt;
}

bool HasSampleOutput(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    return !host.Audio().SamplePins(DR_OUT).empty();
}

const char* const kNotRepeatable =
    "the module gives another output each time it plays the same session (random output, or "
    "state kept past its object), so its plays cannot be compared";

// Setups whose plays must give the output of the reference setup's, found the same by `finder`;
// `property` says what a difference shows.
struct Comparison {
    Setup reference;
    std::vector<Setup> others;
    DifferenceFinder finder;
    const char* property;
};

// Each plan played with each reference setup twice (the plays must agree, or the check steps
// aside), then with every other setup of it; each must give the reference's output.
void ExpectSameOutputs(CheckContext& context, const std::vector<Comparison>& comparisons) {
    if (!HasSampleOutput(context))
        return context.Skip("the module has no sample output to compare");
    for (const SessionPlan& plan : SessionPlans(context)) {
        for (const Comparison& comparison : comparisons) {
            const Setup& reference = comparison.reference;
            const SessionRun expected = Play(context, plan, reference);
            if (SampleDifference(expected.outputs, reference,
                                 Play(context, plan, reference).outputs, reference)) {
                return context.Skip(kNotRepeatable);
            }
            for (const Setup& setup : comparison.others) {
                const SessionRun other = Play(context, plan, setup);
                const std::optional<OutputDifference> difference =
                    comparison.finder(expected.outputs, reference, other.outputs, setup);
                if (!difference) continue;
                const std::string finding = setup.Describe() + " against " + reference.Describe() +
                                            ": " + difference->text + ": " + comparison.property;
                context.Fail(finding);
                if (!context.KeptFailure() && expected.played && other.played) {
                    context.KeepFailure(FailingSession::KeepPair(*expected.played, *other.played,
                                                                 difference->sample, finding,
                                                                 FailingSession::Where(context)));
                }
                return;
            }
            if (context.Failed()) return;
        }
    }
}

}  // namespace

namespace InvariantChecks {

void BlockSizes(CheckContext& context) {
    const Setup reference{kSampleRate, AudioSideHost::kMaxBlockSize, kSampleRate,
                          AudioSideHost::kMaxBlockSize};
    const int32_t drawn =
        2 + static_cast<int32_t>(context.NextRandom() % (AudioSideHost::kMaxBlockSize - 2));
    ExpectSameOutputs(
        context,
        {{reference,
          {{kSampleRate, 1, kSampleRate, 1}, {kSampleRate, drawn, kSampleRate, drawn}},
          &SampleDifference,
          "the output depends on the block size (an input or setting read once a block, an "
          "event acted on a call late?)"}});
}

void SetupOrder(CheckContext& context) {
    constexpr float kRate = 96000.0f;
    constexpr int32_t kBlock = 256;
    Setup rate_between_blocks{kSampleRate, kBlock, kSampleRate, kBlock};
    rate_between_blocks.rate_from_change = kRate;
    rate_between_blocks.quiet_until_change = true;
    // As long before the change as the changed play, so a phase that runs from the start is
    // where that play's is.
    Setup rate_from_start{kRate, kBlock, kRate, kBlock};
    rate_from_start.change_at = static_cast<uint32_t>(kChangeAt * (kRate / kSampleRate));
    rate_from_start.quiet_until_change = true;
    ExpectSameOutputs(
        context,
        {{{kRate, kBlock, kRate, kBlock},
          {{kSampleRate, kBlock, kRate, kBlock},
           {kRate, 64, kRate, kBlock},
           {kRate, 64, kRate, 64, AudioSideHost::kMaxBlockSize}},
          &SampleDifference,
          "a rate or block size given after open is not taken as one given at open (something "
          "worked out or sized from it only at open?)"},
         {rate_from_start,
          {rate_between_blocks},
          &MeasureDifference,
          "a rate given between blocks is not taken as one given at open (a step or "
          "coefficient worked out from the first rate only?)"}});
}

}  // namespace InvariantChecks
