#include "SessionPlan.h"

#include <algorithm>
#include <sstream>

#include "EnumList.h"
#include "ModuleLibrary.h"
#include "ReferenceHost.h"

namespace {

// Plans with common settings at most, before the one drawn.
constexpr size_t kMostCommonPlans = 4;

}  // namespace

double CommonValue(const PinDescription& pin, size_t k) {
    static const double kIntegers[] = {1, 5, 50, 100};
    static const double kFloats[] = {0.5, 0.1, 1, 50, 5, 0.25};
    switch (pin.datatype) {
    case DT_ENUM: {
        const std::vector<int32_t> choices = EnumList(pin.datatype_extra).Values();
        return choices.empty() ? 0 : choices[k % choices.size()];
    }
    case DT_BOOL:
        return static_cast<double>(k % 2);
    case DT_INT:
        return kIntegers[k % 4];
    default:
        return kFloats[k % 6];
    }
}

std::vector<SessionPlan> SessionPlans(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateObjects();
    std::vector<PinDescription> described;
    std::vector<std::vector<double>> any_values;
    size_t common = 2;
    for (const ValuePin& pin : ValuePins(host.Audio(), context)) {
        const PinDescription& description = host.Audio().PinTable()[pin.table_index];
        described.push_back(description);
        any_values.push_back(pin.values);
        if (description.datatype == DT_ENUM) {
            common = std::max(common, EnumList(description.datatype_extra).Values().size());
        }
    }
    std::vector<SessionPlan> plans;
    for (size_t k = 0; k < std::min(common, kMostCommonPlans); ++k) {
        SessionPlan plan{context.NextRandom(), {}, {}};
        for (const PinDescription& pin : described) {
            plan.first.push_back(CommonValue(pin, k));
            plan.second.push_back(CommonValue(pin, k + 1));
        }
        plans.push_back(plan);
    }
    SessionPlan drawn{context.NextRandom(), {}, {}};
    for (const std::vector<double>& values : any_values) {
        drawn.first.push_back(values.empty() ? 0 : values[context.NextRandom() % values.size()]);
        drawn.second.push_back(values.empty() ? 0 : values[context.NextRandom() % values.size()]);
    }
    plans.push_back(drawn);
    return plans;
}

void SetPlanValues(ModuleSession& session, const std::vector<ValuePin>& pins,
                   const std::vector<double>& values) {
    for (size_t k = 0; k < pins.size() && k < values.size(); ++k) {
        if (pins[k].gui) session.SetGuiValue(static_cast<int32_t>(pins[k].table_index), values[k]);
        if (pins[k].audio_index >= 0) {
            session.SetVariable(pins[k].audio_index, values[k], PIN_STATUS_CHANGED, 0);
        }
    }
}

std::string DescribePlanValues(const AudioSideHost& audio, const std::vector<ValuePin>& pins,
                               const std::vector<double>& values) {
    std::ostringstream text;
    for (size_t k = 0; k < pins.size() && k < values.size(); ++k) {
        text << (k == 0 ? "" : " ") << audio.PinTable()[pins[k].table_index].name << "="
             << values[k];
    }
    return text.str();
}
