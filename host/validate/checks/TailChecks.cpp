// Whether a module comes to rest: under each session plan's values, and under the smallest
// numbers either side of zero, its sample inputs move for a quarter of a second, then fall
// silent for four, long enough for a release tail to decay far below hearing. A level that
// decays with no floor ends in subnormal numbers (each costs many times a normal one on most
// processors), and one that grows with no bound ends in infinity: neither shows in the short
// sessions of the other checks. The host's rules judge every sample.
#include <string>

#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "ReferenceHost.h"
#include "SessionPlan.h"
#include "ValuePins.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int32_t kBlock = 256;
constexpr double kMovingSeconds = 0.25;
constexpr double kSilentSeconds = 4.0;

int Blocks(double seconds) { return static_cast<int>(seconds * kRate / kBlock) + 1; }

// The first plan again, with each number pin at the smallest value it takes below zero, then
// above it (a time of -0.001 s, a gain of 0.001): where a sign slips or a small divisor hides,
// a release grows.
std::vector<SessionPlan> SmallValuePlans(const ModuleLibrary& library, CheckContext& context,
                                         const SessionPlan& first) {
    ReferenceHost host(library);
    host.CreateObjects();
    const std::vector<ValuePin> pins = ValuePins(host.Audio(), context);
    std::vector<SessionPlan> plans;
    for (const double sign : {-1.0, 1.0}) {
        SessionPlan plan{context.NextRandom(), first.first, first.first};
        for (size_t k = 0; k < pins.size() && k < plan.first.size(); ++k) {
            const PinDescription& description = host.Audio().PinTable()[pins[k].table_index];
            if (description.datatype == DT_ENUM || description.datatype == DT_BOOL) continue;
            for (const double value : SpreadValues(pins[k], description)) {
                const bool nearer = value * sign > 0 && (plan.first[k] * sign <= 0 ||
                                                         value * sign < plan.first[k] * sign);
                if (nearer) plan.first[k] = value;
            }
        }
        plans.push_back(plan);
    }
    return plans;
}

}  // namespace

namespace TailChecks {

void SilentTail(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    std::vector<SessionPlan> plans = SessionPlans(context);
    for (const SessionPlan& plan : SmallValuePlans(library, context, plans.front())) {
        plans.push_back(plan);
    }
    for (const SessionPlan& plan : plans) {
        ModuleSession session(library);
        session.Start(0, kRate, kBlock);
        AudioSideHost& audio = session.Host().Audio();
        if (audio.SamplePins(DR_OUT).empty()) {
            return context.Skip("the module has no sample output to come to rest");
        }
        CheckContext plan_context(library.Path(), plan.seed, "session plan");
        const std::vector<ValuePin> pins = ValuePins(audio, plan_context);
        const std::string values = DescribePlanValues(audio, pins, plan.first);
        const std::string under = values.empty() ? "" : ", " + values;
        session.Step("moving inputs" + under);
        SetPlanValues(session, pins, plan.first);
        const std::vector<int32_t> inputs = audio.SamplePins(DR_IN);
        for (const int32_t pin : inputs) {
            session.FeedSignal(pin, "noise:" + std::to_string(plan.seed + pin), PIN_STATUS_MOVING);
        }
        session.ProcessBlocks(Blocks(kMovingSeconds));
        session.Step("silent inputs after moving ones" + under);
        for (const int32_t pin : inputs) session.FeedSignal(pin, "dc:0", PIN_STATUS_STATIC);
        session.ProcessBlocks(Blocks(kSilentSeconds));
        session.Verdict(context);
        if (context.Failed()) return;
    }
    context.Note("played " + std::to_string(plans.size()) +
                 " plans, each 0.25 s of moving inputs, then 4 s of silent ones");
}

}  // namespace TailChecks
