// Whether the module keeps up with real time: the time its process calls and event deliveries
// take on the audio thread for each second of audio, at 48 and 192 kHz, in blocks of 64 and
// 4096, under each session plan's values. A module that needs more than the whole second cannot
// play on any host; one that needs more than half leaves a host with a patch of several modules
// too little.
#include <sstream>

#include "CallRecorder.h"
#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "ProcessMemory.h"
#include "SessionPlan.h"
#include "ValuePins.h"

namespace {

constexpr float kRates[] = {48000.0f, 192000.0f};
constexpr int32_t kBlockSizes[] = {64, AudioSideHost::kMaxBlockSize};
// Audio timed for each rate, block size and plan, after a first block not timed.
constexpr double kTimedSeconds = 0.25;
constexpr double kWarnedShare = 0.5;

struct Cost {
    double share = 0.0;  // seconds in the calls per second of audio
    std::string where;
};

Cost Measure(const ModuleLibrary& library, CheckContext& context, CallRecorder& recorder,
             const SessionPlan& plan, float rate, int32_t block) {
    ModuleSession session(library);
    session.Start(0, rate, block);
    AudioSideHost& audio = session.Host().Audio();
    CheckContext plan_context(library.Path(), plan.seed, "session plan");
    const std::vector<ValuePin> pins = ValuePins(audio, plan_context);
    std::ostringstream where;
    where << rate << " Hz, blocks of " << block;
    const std::string values = DescribePlanValues(audio, pins, plan.first);
    if (!values.empty()) where << ", " << values;
    session.Step("timed at " + where.str());
    SetPlanValues(session, pins, plan.first);
    for (const int32_t pin : audio.SamplePins(DR_IN)) {
        session.FeedSignal(pin, "noise:" + std::to_string(plan.seed), PIN_STATUS_MOVING);
    }
    session.ProcessBlocks(1);
    const auto blocks = static_cast<int>(kTimedSeconds * rate / static_cast<float>(block)) + 1;
    const double before = recorder.AudioCallSeconds();
    recorder.TimeAudioCalls(true);
    session.ProcessBlocks(blocks);
    recorder.TimeAudioCalls(false);
    const double cpu = recorder.AudioCallSeconds() - before;
    session.Verdict(context);
    const double audio_seconds = static_cast<double>(blocks) * block / rate;
    return {cpu / audio_seconds, where.str()};
}

std::string Percent(double share) {
    std::ostringstream text;
    text.precision(share < 0.1 ? 2 : 3);
    text << share * 100.0 << " %";
    return text.str();
}

}  // namespace

namespace RealTimeChecks {

void Cost(CheckContext& context) {
    auto* recorder = dynamic_cast<CallRecorder*>(CallObserver::Installed());
    if (recorder == nullptr) return context.Skip("no observer of the module's calls to time them");
    const ModuleLibrary library(context.LibraryPath());
    const std::vector<SessionPlan> plans = SessionPlans(context);
    ::Cost worst;
    for (const float rate : kRates) {
        for (const int32_t block : kBlockSizes) {
            for (const SessionPlan& plan : plans) {
                const ::Cost cost = Measure(library, context, *recorder, plan, rate, block);
                if (cost.share > worst.share || worst.where.empty()) worst = cost;
                if (cost.share > 1.0 && ProcessMemory::SlowingChecker() == nullptr) {
                    return context.Fail("the process calls take " + Percent(cost.share) +
                                        " of real time at " + cost.where +
                                        ": no host can play the module at that rate");
                }
            }
        }
    }
    const std::string said = "worst " + Percent(worst.share) + " of real time, at " + worst.where;
    if (const char* slowing = ProcessMemory::SlowingChecker()) {
        return context.Note(said + ", under " + slowing +
                            ", which slows all code several times: not judged");
    }
    if (worst.share > kWarnedShare) {
        return context.Warn(said + ": more than half, too much for a patch of several modules");
    }
    context.Note(said);
}

}  // namespace RealTimeChecks
