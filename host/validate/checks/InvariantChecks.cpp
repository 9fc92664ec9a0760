// Properties every deterministic module keeps, checked by playing one session twice and comparing
// the sample outputs: the output does not depend on how the host cuts the session into blocks,
// nor on whether the rate and block size came at open or after it. Each catches a family of
// mistakes no single rule sees: an input read once a block where it moves every sample, an event
// acted on a call late, a rate read only at open. A module whose output is not the same when
// played twice alike cannot be compared, and the check steps aside.
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
constexpr uint32_t kSessionSamples = kChangeAt + kSettleSamples + kSettleSamples / 2;
// Outside the windows two plays agree to 1e-4 of the larger sample (at least of full scale):
// -80 dB, above the rounding a different split of the work gives a float filter, below anything
// a listener hears.
constexpr double kTolerance = 1e-4;
constexpr float kSampleRate = 48000.0f;

// How the host sets the session up: the rate and block size given at open, those given after
// open, before the first block, when they differ, and a block size given between the blocks at
// kChangeAt (0: none).
struct Setup {
    float rate_at_open;
    int32_t block_at_open;
    float rate;
    int32_t block;
    int32_t block_from_change = 0;
    std::string Describe() const {
        std::ostringstream text;
        text << "blocks of " << block << ", " << rate << " Hz";
        if (rate != rate_at_open || block != block_at_open) {
            text << " given after open (" << block_at_open << " and " << rate_at_open
                 << " Hz at open)";
        }
        if (block_from_change != 0) {
            text << ", then blocks of " << block_from_change << " given between blocks at sample "
                 << kChangeAt;
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

// The plan played in a load of the library of its own, the session cut at kChangeAt whatever the
// block size, so that every value lands at its sample.
SessionRun Play(CheckContext& context, const SessionPlan& plan, const Setup& setup) {
    const ModuleLibrary library(context.LibraryPath());
    ModuleSession session(library);
    session.Start(0, setup.rate_at_open, setup.block_at_open);
    session.SetSampleRate(setup.rate);
    session.SetBlockSize(setup.block);
    AudioSideHost& audio = session.Host().Audio();
    CheckContext plan_context(library.Path(), plan.seed, "session plan");
    const std::vector<ValuePin> pins = ValuePins(audio, plan_context);
    session.Step("the plan's first values, noise on the inputs, " + setup.Describe());
    SetPlanValues(session, pins, plan.first);
    for (const int32_t pin : audio.SamplePins(DR_IN)) {
        session.FeedSignal(pin, "noise:" + std::to_string(plan.seed * 7919u + pin),
                           PIN_STATUS_MOVING);
    }
    const std::vector<int32_t> outputs = audio.SamplePins(DR_OUT);
    Outputs played;
    for (const int32_t pin : outputs) played.push_back({audio.AudioPin(pin).name, {}});
    int32_t block = setup.block;
    for (uint32_t at = 0; at < kSessionSamples;) {
        if (at == kChangeAt) {
            session.Step("the plan's second values, " + setup.Describe());
            if (setup.block_from_change != 0) {
                block = setup.block_from_change;
                session.SetBlockSize(block);
            }
            SetPlanValues(session, pins, plan.second);
        }
        const uint32_t stop = at < kChangeAt ? kChangeAt : kSessionSamples;
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

bool Compared(uint32_t sample) {
    return (sample >= kSettleSamples && sample < kChangeAt) ||
           sample >= kChangeAt + kSettleSamples;
}

// Where two plays first differ outside the settling windows.
struct OutputDifference {
    uint32_t sample;
    std::string text;
};

// Nothing when the plays agree outside the windows. NaN agrees with nothing.
std::optional<OutputDifference> Difference(const Outputs& reference, const Outputs& other) {
    for (size_t pin = 0; pin < reference.size(); ++pin) {
        for (uint32_t n = 0; n < kSessionSamples; ++n) {
            if (!Compared(n)) continue;
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

bool HasSampleOutput(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    return !host.Audio().SamplePins(DR_OUT).empty();
}

const char* const kNotRepeatable =
    "the module gives another output each time it plays the same session (random output, or "
    "state kept past its object), so its plays cannot be compared";

// Each plan played with the reference setup twice (the plays must agree, or the check steps
// aside), then with every other setup; each must give the reference's output.
void ExpectSameOutputs(CheckContext& context, const Setup& reference,
                       const std::vector<Setup>& others, const std::string& property) {
    if (!HasSampleOutput(context))
        return context.Skip("the module has no sample output to compare");
    for (const SessionPlan& plan : SessionPlans(context)) {
        const SessionRun expected = Play(context, plan, reference);
        if (Difference(expected.outputs, Play(context, plan, reference).outputs)) {
            return context.Skip(kNotRepeatable);
        }
        for (const Setup& setup : others) {
            const SessionRun other = Play(context, plan, setup);
            const std::optional<OutputDifference> difference =
                Difference(expected.outputs, other.outputs);
            if (!difference) continue;
            const std::string finding = setup.Describe() + " against " + reference.Describe() +
                                        ": " + difference->text + ": " + property;
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

}  // namespace

namespace InvariantChecks {

void BlockSizes(CheckContext& context) {
    const Setup reference{kSampleRate, AudioSideHost::kMaxBlockSize, kSampleRate,
                          AudioSideHost::kMaxBlockSize};
    const int32_t drawn =
        2 + static_cast<int32_t>(context.NextRandom() % (AudioSideHost::kMaxBlockSize - 2));
    ExpectSameOutputs(context, reference,
                      {{kSampleRate, 1, kSampleRate, 1}, {kSampleRate, drawn, kSampleRate, drawn}},
                      "the output depends on the block size (an input or setting read once a "
                      "block, an event acted on a call late?)");
}

void SetupOrder(CheckContext& context) {
    constexpr float kRate = 96000.0f;
    constexpr int32_t kBlock = 256;
    const Setup reference{kRate, kBlock, kRate, kBlock};
    ExpectSameOutputs(context, reference,
                      {{kSampleRate, kBlock, kRate, kBlock},
                       {kRate, 64, kRate, kBlock},
                       {kRate, 64, kRate, 64, AudioSideHost::kMaxBlockSize}},
                      "a rate or block size given after open is not taken as one given at open "
                      "(something worked out or sized from it only at open?)");
}

}  // namespace InvariantChecks
