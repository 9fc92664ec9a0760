// Objects of one module side by side, as a host places a module twice: each must give what it
// gives alone, whatever the other does and when the other closes. Each object plays a plan of
// its own (values, and input signals from a seed), once alone in a fresh load of the library and
// once beside the other; the sample outputs must agree sample for sample.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "Checks.h"
#include "EnumList.h"
#include "FailingSession.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "SessionPlan.h"
#include "ValuePins.h"

namespace {

// Long enough for a delay line or a slow envelope to reach the output: 370 ms at 44.1 kHz.
constexpr int32_t kBlockSize = 256;
constexpr int kBlocksTogether = 64;
constexpr int kBlocksAfterClose = 32;
// Pairs played with one common setting at most.
constexpr size_t kMostCommonSettings = 6;

// What one object is given: a seed for its input signals, and a value for each value pin.
struct ObjectPlan {
    uint32_t seed;
    std::vector<double> values;  // per value pin, in the order ValuePins gives them
};

// One object played to its plan, its sample outputs kept block by block.
class PlannedObject {
public:
    PlannedObject(const ModuleLibrary& library, const ObjectPlan& plan) : m_session(library) {
        m_session.Start();
        AudioSideHost& audio = m_session.Host().Audio();
        m_session.SetBlockSize(kBlockSize);
        // Every choice the host makes for this object (values, where a status falls) comes from
        // the plan's seed: the same plan, the same play.
        CheckContext context(library.Path(), plan.seed, "object plan");
        const std::vector<ValuePin> pins = ValuePins(audio, context);
        for (size_t pin = 0; pin < pins.size() && pin < plan.values.size(); ++pin) {
            SetValue(m_session, context, pins[pin], plan.values[pin], pin);
        }
        for (const int32_t pin : audio.SamplePins(DR_IN)) {
            m_session.FeedSignal(pin, "noise:" + std::to_string(plan.seed * 7919u + pin),
                                 PIN_STATUS_MOVING);
        }
        m_session.Step("the object's own values and noise on its inputs");
    }

    void PlayBlock() {
        AudioSideHost& audio = m_session.Host().Audio();
        const uint32_t size = static_cast<uint32_t>(audio.BlockSize());
        m_session.ProcessBlocks(1);
        for (const int32_t pin : audio.SamplePins(DR_OUT)) {
            const float* samples = audio.PinBuffer(pin);
            m_outputs.insert(m_outputs.end(), samples, samples + size);
        }
    }

    ModuleSession& Session() { return m_session; }
    const std::vector<float>& Outputs() const { return m_outputs; }

private:
    ModuleSession m_session;
    std::vector<float> m_outputs;
};

// What the objects checks need to know of the module before playing it.
struct ModuleShape {
    bool sample_output = false;
    std::vector<PinDescription> value_pins;       // in the order ValuePins gives them
    std::vector<std::vector<double>> any_values;  // per value pin, every value a host may hand it
};

ModuleShape ShapeOf(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateObjects();
    AudioSideHost& audio = host.Audio();
    ModuleShape shape;
    shape.sample_output = !audio.SamplePins(DR_OUT).empty();
    for (const ValuePin& pin : ValuePins(audio, context)) {
        shape.value_pins.push_back(audio.PinTable()[pin.table_index]);
        shape.any_values.push_back(pin.values);
    }
    return shape;
}

// The pairs of plans the objects are played with: pairs with one common setting for both objects
// and inputs of their own, enough for each choice of every enumeration to come up, then one pair
// with values drawn at random for each object.
std::vector<std::pair<ObjectPlan, ObjectPlan>> PairsOfPlans(const ModuleShape& shape,
                                                            CheckContext& context) {
    size_t common_settings = 2;
    for (const PinDescription& pin : shape.value_pins) {
        if (pin.datatype == DT_ENUM) {
            common_settings =
                std::max(common_settings, EnumList(pin.datatype_extra).Values().size());
        }
    }
    common_settings = std::min(common_settings, kMostCommonSettings);
    std::vector<std::pair<ObjectPlan, ObjectPlan>> pairs;
    for (size_t k = 0; k < common_settings; ++k) {
        ObjectPlan plan{context.NextRandom(), {}};
        for (const PinDescription& pin : shape.value_pins)
            plan.values.push_back(CommonValue(pin, k));
        ObjectPlan other = plan;
        other.seed = context.NextRandom();
        pairs.emplace_back(plan, other);
    }
    auto drawn = [&] {
        ObjectPlan plan{context.NextRandom(), {}};
        for (const std::vector<double>& values : shape.any_values) {
            plan.values.push_back(values.empty() ? 0
                                                 : values[context.NextRandom() % values.size()]);
        }
        return plan;
    };
    const ObjectPlan first = drawn();
    pairs.emplace_back(first, drawn());
    return pairs;
}

// An object's sample outputs, and what it did as a play when its check keeps failing sessions.
struct ObjectRun {
    std::vector<float> outputs;
    std::optional<PlayOptions> played;
};

// The outputs of one object alone, in a load of the library of its own, so that nothing another
// object left behind in the library's memory reaches it.
ObjectRun PlayAlone(CheckContext& context, const ObjectPlan& plan, int blocks) {
    const ModuleLibrary library(context.LibraryPath());
    PlannedObject object(library, plan);
    for (int block = 0; block < blocks; ++block) object.PlayBlock();
    object.Session().Verdict(context);
    return {object.Outputs(), object.Session().Played()};
}

// The first sample at which two runs differ (bit for bit: NaN included), or -1.
long FirstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return static_cast<long>(std::min(a.size(), b.size()));
    for (size_t n = 0; n < a.size(); ++n) {
        if (std::memcmp(&a[n], &b[n], sizeof(float)) != 0) return static_cast<long>(n);
    }
    return -1;
}

// Fails the check when an object beside another does not give what it gives `alone`, and keeps
// both sessions: the object alone, and the two objects side by side (`beside`: the one compared
// first, then the other, which closed at sample `closed_at` if it closed).
void CompareWithAlone(CheckContext& context, const char* which, const ObjectRun& alone,
                      const ObjectRun& beside, const std::optional<PlayOptions>& other,
                      std::optional<uint32_t> closed_at, const std::string& when) {
    const long at = FirstDifference(alone.outputs, beside.outputs);
    if (at < 0) return;
    std::string text = std::string("the ") + which + " object's output " + when +
                       " differs from its output alone from sample " + std::to_string(at);
    const auto n = static_cast<size_t>(at);
    if (n < alone.outputs.size() && n < beside.outputs.size()) {
        text += " (" + std::to_string(beside.outputs[n]) + " against " +
                std::to_string(alone.outputs[n]) + ")";
    }
    text += ": the objects share state";
    context.Fail(text);
    if (context.KeptFailure() || !alone.played || !beside.played || !other) return;
    PlayOptions together = *beside.played;
    ObjectPlay& neighbour = together.beside.emplace_back(*other);
    if (closed_at) {
        neighbour.timeline.push_back(
            {*closed_at, PlayAction::Kind::kClose, "", "", std::nullopt, nullptr, 0});
    }
    together.samples = std::max(together.samples, other->samples);
    context.KeepFailure(
        FailingSession::KeepPair(*alone.played, together, static_cast<uint32_t>(at), text,
                                 FailingSession::Where(context)));
}

// Two objects played alone, then side by side block by block; with `close_first`, the first is
// closed half way and the second plays on. False when an object alone is not the same twice.
bool PlayPair(CheckContext& context, const ObjectPlan& first_plan, const ObjectPlan& second_plan,
              bool close_first) {
    const int first_blocks = kBlocksTogether;
    const int second_blocks = kBlocksTogether + (close_first ? kBlocksAfterClose : 0);
    const ObjectRun first_alone = PlayAlone(context, first_plan, first_blocks);
    if (FirstDifference(first_alone.outputs,
                        PlayAlone(context, first_plan, first_blocks).outputs) >= 0) {
        return false;
    }
    const ObjectRun second_alone = PlayAlone(context, second_plan, second_blocks);

    const ModuleLibrary library(context.LibraryPath());
    auto first = std::make_unique<PlannedObject>(library, first_plan);
    PlannedObject second(library, second_plan);
    for (int block = 0; block < kBlocksTogether; ++block) {
        first->PlayBlock();
        second.PlayBlock();
    }
    first->Session().Verdict(context);
    const ObjectRun first_beside{first->Outputs(), first->Session().Played()};
    // Kept side by side, the object compared comes first: its columns are named as alone.
    const std::optional<uint32_t> no_close;
    const std::optional<uint32_t> first_closed_at =
        close_first ? std::optional<uint32_t>(kBlocksTogether * kBlockSize) : no_close;
    CompareWithAlone(context, "first", first_alone, first_beside, second.Session().Played(),
                     no_close, "beside another");
    if (close_first) {
        first.reset();
        second.Session().Step("the other object closed");
        for (int block = 0; block < kBlocksAfterClose; ++block) second.PlayBlock();
    }
    second.Session().Verdict(context);
    CompareWithAlone(context, "second", second_alone,
                     {second.Outputs(), second.Session().Played()}, first_beside.played,
                     first_closed_at,
                     close_first ? "beside another that then closed" : "beside another");
    return true;
}

void PlaySideBySide(CheckContext& context, bool close_first) {
    const ModuleShape shape = ShapeOf(context);
    if (!shape.sample_output) return context.Skip("the module has no sample output to compare");
    for (const auto& [first, second] : PairsOfPlans(shape, context)) {
        if (!PlayPair(context, first, second, close_first)) {
            return context.Skip(
                "one object alone gives another output each time it plays the same inputs "
                "(random output, or state kept past its object), so objects side by side cannot "
                "be compared");
        }
        if (context.Failed()) return;
    }
}

}  // namespace

namespace ObjectChecks {

void SideBySide(CheckContext& context) { PlaySideBySide(context, false); }

void OneClosed(CheckContext& context) { PlaySideBySide(context, true); }

}  // namespace ObjectChecks
