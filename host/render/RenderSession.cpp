#include "RenderSession.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

#include "HostError.h"
#include "ModuleLibrary.h"
#include "PinSetting.h"
#include "PinWriteText.h"
#include "ReferenceHost.h"
#include "SignalFeed.h"

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
    // Every input and setting is taken, or refused naming its option, before the module opens.
    PinSetting::RefuseRepeated(options.inputs, "--input");
    PinSetting::RefuseRepeated(options.settings, "--set");
    SignalFeed feed;
    std::vector<std::pair<int32_t, bool>> fed;  // each fed input, and whether its signal stays
    for (const std::string& input : options.inputs) {
        try {
            const auto [name, definition] = PinSetting::Split(input);
            const auto pin = PinSetting::FindSampleInput(audio, name);
            if (!pin) throw UsageError("the module has no sample input " + name);
            fed.emplace_back(*pin, feed.Feed(*pin, definition, 0));
        } catch (const UsageError& refused) {
            throw UsageError("--input " + input + ": " + refused.what());
        }
    }
    for (const std::string& setting : options.settings) {
        try {
            PinSetting::Check(audio, setting);
        } catch (const UsageError& refused) {
            throw UsageError("--set " + setting + ": " + refused.what());
        }
    }
    audio.SetSampleRate(options.rate);
    audio.SetBlockSize(options.block);
    audio.Open();

    if (PinSetting::NeedsGuiObject(audio, options.settings)) {
        host.CreateGuiObject();
        host.Gui().Initialise();
    }
    for (const std::string& setting : options.settings) PinSetting::Apply(host, setting);
    for (const auto& [pin, constant] : fed) {
        audio.PostPinStatus(pin, constant ? PIN_STATUS_CHANGED : PIN_STATUS_MOVING);
    }

    const std::vector<int32_t> output_pins = audio.SamplePins(DR_OUT);
    for (const int32_t pin : output_pins) {
        result.outputs.push_back({PinSetting::AudioPinName(audio, pin), {}, {}});
        result.outputs.back().samples.reserve(options.samples);
    }
    std::vector<int32_t> input_pins;
    if (options.keep_inputs) input_pins = audio.SamplePins(DR_IN);
    for (const int32_t pin : input_pins) {
        result.inputs.push_back({"in:" + PinSetting::AudioPinName(audio, pin), {}, {}});
        result.inputs.back().samples.reserve(options.samples);
    }

    const uint32_t start = audio.SampleClock();
    for (uint32_t done = 0; done < options.samples;) {
        const uint32_t block = static_cast<uint32_t>(options.block);
        feed.Fill(audio, done, block, options.rate);
        const uint32_t kept = std::min(block, options.samples - done);
        // Before the process call: what the object was given.
        for (size_t k = 0; k < input_pins.size(); ++k) {
            const float* buffer = audio.InputBuffer(input_pins[k]);
            result.inputs[k].samples.insert(result.inputs[k].samples.end(), buffer, buffer + kept);
        }
        audio.ProcessBlock();
        host.PassAudioValuesToGui();
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
        const std::vector<PinDescription>& table = audio.PinTable();
        for (const PinWrite& write : host.Gui().Writes()) {
            // A write to a pin the table lacks is among the problems, which fail the render.
            if (write.pin < 0 || static_cast<size_t>(write.pin) >= table.size()) continue;
            result.gui_writes.push_back(
                PinWriteText::Describe(write, table[static_cast<size_t>(write.pin)]));
        }
    }
    host.CloseGuiObject();
    host.CloseAudioObject();
    result.problems = host.Problems();
    return result;
}
