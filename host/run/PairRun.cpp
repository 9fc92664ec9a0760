#include "PairRun.h"

#include "EnumList.h"
#include "HostError.h"
#include "ModuleLibrary.h"
#include "ReferenceHost.h"

#include <cstdlib>

namespace {

int32_t FindPin(const std::vector<PinDescription>& table, const std::string& name) {
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].name == name) return static_cast<int32_t>(i);
    }
    throw HostError("the module has no pin named " + name);
}

struct PairPins {
    int32_t modes, trigger, lolimit, hilimit, out1, out2;
};

PairPins FindPairPins(const std::vector<PinDescription>& table) {
    return {FindPin(table, "Modes"),   FindPin(table, "Trigger"), FindPin(table, "Lolimit"),
            FindPin(table, "Hilimit"), FindPin(table, "Out1"),    FindPin(table, "Out2")};
}

int32_t ModeValue(const PinDescription& modes_pin, const std::string& mode) {
    const EnumList choices(modes_pin.datatype_extra);
    if (auto value = choices.ValueOf(mode)) return *value;
    throw HostError("the Modes pin offers no mode " + mode + " (it offers " + choices.Describe() +
                    ")");
}

// The writes one trigger caused must be exactly Out1 then Out2.
RunPair TakePair(const std::vector<PinWrite>& writes, size_t first, const PairPins& pins,
                 int32_t trigger_number) {
    const size_t count = writes.size() - first;
    if (count == 2 && writes[first].pin == pins.out1 && writes[first + 1].pin == pins.out2) {
        return {writes[first].value, writes[first + 1].value};
    }
    std::string seen;
    for (size_t i = first; i < writes.size(); ++i) {
        seen += (seen.empty() ? "" : ", ") + std::to_string(writes[i].pin);
    }
    throw HostError("trigger " + std::to_string(trigger_number) +
                    ": expected one write to Out1 then one to Out2, got writes to pins [" + seen +
                    "]");
}

// Why the options cannot make a run, or nothing when they can. The command line checks the
// same before it gets here; callers of the library may not.
std::optional<std::string> CheckOptions(const RunOptions& options) {
    if (options.mode != "normal" && options.mode != "differ" && options.mode != "sum") {
        return "--mode must be normal, differ or sum, not " + options.mode;
    }
    if (options.triggers < 0 || options.triggers > PairRun::kMaxTriggers) {
        return "--triggers must lie in 0.." + std::to_string(PairRun::kMaxTriggers);
    }
    return std::nullopt;
}

}  // namespace

RunResult PairRun::Execute(const ModuleLibrary& library, const RunOptions& options) {
    if (auto problem = CheckOptions(options)) throw HostError(*problem);
    RunResult result;
    result.options = options;
    result.module = library.Describe();

    ReferenceHost host(library);
    host.CreateObjects();
    if (options.seed) std::srand(*options.seed);

    AudioSideHost& audio = host.Audio();
    GuiSideHost& gui = host.Gui();
    const PairPins pins = FindPairPins(audio.PinTable());
    result.mode_value = ModeValue(audio.PinTable()[static_cast<size_t>(pins.modes)], options.mode);

    audio.Open();
    audio.SetSampleRate(44100.0f);
    audio.SetBlockSize(kBlockSize);
    for (int block = 0; block < kBlocksBeforeInputs; ++block) audio.ProcessBlock();

    gui.SetPin(pins.modes, result.mode_value);
    gui.SetPin(pins.lolimit, options.lo);
    gui.SetPin(pins.hilimit, options.hi);
    gui.Initialise();

    for (int32_t trigger = 1; trigger <= options.triggers; ++trigger) {
        audio.ProcessBlock();
        const size_t first = gui.Writes().size();
        gui.SetPin(pins.trigger, 1);
        result.pairs.push_back(TakePair(gui.Writes(), first, pins, trigger));
        const size_t after_pair = gui.Writes().size();
        gui.SetPin(pins.trigger, 0);
        if (gui.Writes().size() != after_pair) {
            result.problems.push_back("trigger " + std::to_string(trigger) +
                                      ": the falling edge wrote pins");
        }
    }

    result.audio_pins = audio.AudioPinCount();
    result.gui_close_answer = host.CloseGuiObject();
    result.audio_close_answer = host.CloseAudioObject();
    result.audio = audio.Counts();
    result.gui = gui.Counts();
    const std::vector<std::string> host_problems = host.Problems();
    result.problems.insert(result.problems.end(), host_problems.begin(), host_problems.end());
    return result;
}
