#include "RenderSession.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

#include "EnumList.h"
#include "HostError.h"
#include "ReferenceHost.h"
#include "SignalGenerator.h"

namespace {

struct FedInput {
    int32_t pin;
    SignalGenerator signal;
};

std::pair<std::string, std::string> SplitAssignment(const std::string& text) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw UsageError("'" + text + "' is not PIN=VALUE");
    }
    return {text.substr(0, equals), text.substr(equals + 1)};
}

std::optional<int32_t> FindAudioPin(const AudioSideHost& audio, const std::string& name) {
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        if (RenderSession::AudioPinName(audio, pin) == name) return pin;
    }
    return std::nullopt;
}

bool IsSampleInput(const PinDescription& pin) {
    return pin.direction == DR_IN && pin.datatype == DT_FSAMPLE;
}

double ValueFor(const PinDescription& pin, const std::string& text) {
    if (pin.direction == DR_OUT) {
        throw UsageError("pin " + pin.name + " is an output: the module sets it, not the host");
    }
    if (pin.datatype == DT_ENUM) {
        const EnumList choices(pin.datatype_extra);
        if (auto value = choices.ValueOf(text)) return *value;
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0') {
            throw UsageError("pin " + pin.name + " cannot take '" + text + "': its choices are " +
                             choices.Describe());
        }
        return value;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') {
        throw UsageError("pin " + pin.name + " cannot take '" + text + "'");
    }
    return value;
}

bool NeedsGuiObject(const ReferenceHost& host, const std::vector<std::string>& settings) {
    for (const std::string& setting : settings) {
        const std::string name = SplitAssignment(setting).first;
        for (const PinDescription& pin : const_cast<ReferenceHost&>(host).Audio().PinTable()) {
            if (pin.name == name && !pin.CreatesAudioPin()) return true;
        }
    }
    return false;
}

// A pin of the audio side takes the value in its variable; a pin of the GUI side alone goes to
// the GUI object, in the pin's own datatype, once the object is initialised as a host does.
void ApplySetting(ReferenceHost& host, const std::string& setting) {
    const auto [name, text] = SplitAssignment(setting);
    AudioSideHost& audio = host.Audio();
    if (const auto pin = FindAudioPin(audio, name)) {
        audio.SetPinValue(*pin, ValueFor(audio.AudioPin(*pin), text));
        return;
    }
    const std::vector<PinDescription>& table = audio.PinTable();
    for (size_t index = 0; index < table.size(); ++index) {
        if (table[index].CreatesAudioPin() || table[index].name != name) continue;
        const double value = ValueFor(table[index], text);
        if (table[index].datatype == DT_FLOAT) {
            host.Gui().SetPinFloat(static_cast<int32_t>(index), static_cast<float>(value));
            return;
        }
        if (!(value >= INT32_MIN && value <= INT32_MAX)) {
            throw UsageError("pin " + name + " cannot hold " + text);
        }
        host.Gui().SetPin(static_cast<int32_t>(index), static_cast<int32_t>(value));
        return;
    }
    throw UsageError("the module has no pin " + name);
}

std::vector<FedInput> FeedInputs(AudioSideHost& audio, const std::vector<std::string>& inputs) {
    std::vector<FedInput> fed;
    for (const std::string& input : inputs) {
        const auto [name, definition] = SplitAssignment(input);
        const auto pin = FindAudioPin(audio, name);
        if (!pin || !IsSampleInput(audio.AudioPin(*pin))) {
            throw UsageError("the module has no sample input " + name);
        }
        fed.push_back({*pin, SignalGenerator(definition)});
    }
    return fed;
}

}  // namespace

std::string RenderSession::AudioPinName(const AudioSideHost& audio, int32_t pin) {
    const PinDescription& description = audio.AudioPin(pin);
    int32_t instance = 1;
    for (int32_t earlier = 0; earlier < pin; ++earlier) {
        if (&audio.AudioPin(earlier) == &description) ++instance;
    }
    return instance == 1 ? description.name : description.name + "#" + std::to_string(instance);
}

RenderResult RenderSession::Execute(const ModuleLibrary& library, const RenderOptions& options) {
    RenderResult result;
    result.module = library.Describe().name;
    ReferenceHost host(library);
    host.CreateAudioObject();
    AudioSideHost& audio = host.Audio();
    audio.RepeatLastPin(options.repeat);
    audio.SetSampleRate(options.rate);
    audio.SetBlockSize(options.block);
    audio.Open();

    const std::vector<FedInput> fed = FeedInputs(audio, options.inputs);
    if (NeedsGuiObject(host, options.settings)) {
        host.CreateGuiObject();
        host.Gui().Initialise();
    }
    for (const std::string& setting : options.settings) ApplySetting(host, setting);
    for (const FedInput& input : fed) {
        audio.PostPinStatus(input.pin,
                            input.signal.IsConstant() ? PIN_STATUS_CHANGED : PIN_STATUS_MOVING);
    }

    std::vector<int32_t> output_pins;
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        const PinDescription& description = audio.AudioPin(pin);
        if (description.direction == DR_OUT && description.datatype == DT_FSAMPLE) {
            output_pins.push_back(pin);
            result.outputs.push_back({AudioPinName(audio, pin), {}, {}});
            result.outputs.back().samples.reserve(options.samples);
        }
    }

    const uint32_t start = audio.SampleClock();
    for (uint32_t done = 0; done < options.samples;) {
        const uint32_t block = static_cast<uint32_t>(options.block);
        for (const FedInput& input : fed) {
            float* buffer = audio.InputBuffer(input.pin);
            for (uint32_t i = 0; i < block; ++i) {
                buffer[i] = input.signal.Sample(uint64_t{done} + i, options.rate);
            }
        }
        audio.ProcessBlock();
        const uint32_t kept = std::min(block, options.samples - done);
        for (size_t k = 0; k < output_pins.size(); ++k) {
            const float* buffer = audio.PinBuffer(output_pins[k]);
            result.outputs[k].samples.insert(result.outputs[k].samples.end(), buffer,
                                             buffer + kept);
        }
        done += kept;
    }

    for (const AudioPinMessage& message : audio.PinMessages()) {
        if (message.opcode != HOST_OP_STATUS_CHANGE) continue;
        const auto output = std::find(output_pins.begin(), output_pins.end(), message.pin);
        if (output == output_pins.end() || message.stamp - start >= options.samples) continue;
        result.outputs[static_cast<size_t>(output - output_pins.begin())].status_changes.push_back(
            {message.stamp - start, message.value});
    }
    result.counts = audio.Counts();
    if (host.Gui().IsAttached()) {
        for (const PinWrite& write : host.Gui().Writes()) {
            const PinDescription& pin = audio.PinTable()[static_cast<size_t>(write.pin)];
            result.gui_writes.push_back(
                {pin.name, pin.datatype == DT_FLOAT ? std::to_string(write.opt)
                                                    : std::to_string(write.value)});
        }
    }
    host.CloseGuiObject();
    host.CloseAudioObject();
    result.problems = host.Problems();
    return result;
}
