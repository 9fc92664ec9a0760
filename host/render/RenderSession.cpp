#include "RenderSession.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

#include "HostError.h"
#include "PinSetting.h"
#include "ModuleLibrary.h"
#include "ReferenceHost.h"
#include "SignalGenerator.h"

namespace {

struct FedInput {
    int32_t pin;
    SignalGenerator signal;
};

std::vector<FedInput> FeedInputs(AudioSideHost& audio, const std::vector<std::string>& inputs) {
    std::vector<FedInput> fed;
    for (const std::string& input : inputs) {
        const auto [name, definition] = PinSetting::Split(input);
        const auto pin = PinSetting::FindSampleInput(audio, name);
        if (!pin) throw UsageError("the module has no sample input " + name);
        fed.push_back({*pin, SignalGenerator(definition)});
    }
    return fed;
}

}  // namespace

RenderResult RenderSession::Execute(const ModuleLibrary& library, const RenderOptions& options) {
    RenderResult result;
    result.module = library.Describe().name;
    ReferenceHost host(library);
    host.CreateAudioObject();
    AudioSideHost& audio = host.Audio();
    try {
        audio.RepeatLastPin(options.repeat);
    } catch (const HostError& refused) {
        // An argument this module cannot take: the user's to change.
        throw UsageError("--repeat " + std::to_string(options.repeat) + ": " + refused.what());
    }
    audio.SetSampleRate(options.rate);
    audio.SetBlockSize(options.block);
    audio.Open();

    const std::vector<FedInput> fed = FeedInputs(audio, options.inputs);
    if (PinSetting::NeedsGuiObject(audio, options.settings)) {
        host.CreateGuiObject();
        host.Gui().Initialise();
    }
    for (const std::string& setting : options.settings) PinSetting::Apply(host, setting);
    for (const FedInput& input : fed) {
        audio.PostPinStatus(input.pin,
                            input.signal.IsConstant() ? PIN_STATUS_CHANGED : PIN_STATUS_MOVING);
    }

    std::vector<int32_t> output_pins;
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        const PinDescription& description = audio.AudioPin(pin);
        if (description.direction == DR_OUT && description.datatype == DT_FSAMPLE) {
            output_pins.push_back(pin);
            result.outputs.push_back({PinSetting::AudioPinName(audio, pin), {}, {}});
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
