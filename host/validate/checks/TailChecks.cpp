// Whether a module comes to rest: under each session plan's values its sample inputs move for a
// quarter of a second, then fall silent for four, long enough for a release tail to decay far
// below hearing. A level that decays with no floor ends in subnormal numbers (each costs many
// times a normal one on most processors), and one that grows with no bound ends in infinity:
// neither shows in the short sessions of the other checks. The host's rules judge every sample.
#include <string>

#include "Checks.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "SessionPlan.h"
#include "ValuePins.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int32_t kBlock = 256;
constexpr double kMovingSeconds = 0.25;
constexpr double kSilentSeconds = 4.0;

int Blocks(double seconds) { return static_cast<int>(seconds * kRate / kBlock) + 1; }

}  // namespace

namespace TailChecks {

void SilentTail(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    const std::vector<SessionPlan> plans = SessionPlans(context);
    for (const SessionPlan& plan : plans) {
        ModuleSession session(library);
        session.Start(0, kRate, kBlock);
        AudioSideHost& audio = session.Host().Audio();
        if (ModuleSession::SamplePins(audio, DR_OUT).empty()) {
            return context.Skip("the module has no sample output to come to rest");
        }
        CheckContext plan_context(library.Path(), plan.seed, "session plan");
        const std::vector<ValuePin> pins = ValuePins(audio, plan_context);
        const std::string values = DescribePlanValues(audio, pins, plan.first);
        const std::string under = values.empty() ? "" : ", " + values;
        session.Step("moving inputs" + under);
        SetPlanValues(session, pins, plan.first);
        const std::vector<int32_t> inputs = ModuleSession::SampleInputs(audio);
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
