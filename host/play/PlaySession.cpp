#include "PlaySession.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "HostError.h"
#include "PinSetting.h"
#include "ModuleLibrary.h"
#include "ReferenceHost.h"
#include "SignalGenerator.h"

namespace {

// A sample input fed a signal, counted from the sample it started at.
struct FedInput {
    int32_t pin;
    SignalGenerator signal;
    uint32_t since;
};

// Feeds `pin` the signal `definition` from sample `at` on, in place of what it had, and tells the
// object at the current sample whether the input now moves.
void Feed(AudioSideHost& audio, std::vector<FedInput>& fed, int32_t pin,
          const std::string& definition, uint32_t at, const std::string& option) {
    try {
        SignalGenerator signal(definition);
        fed.erase(std::remove_if(fed.begin(), fed.end(),
                                 [pin](const FedInput& input) { return input.pin == pin; }),
                  fed.end());
        audio.PostPinStatus(pin, signal.IsConstant() ? PIN_STATUS_CHANGED : PIN_STATUS_MOVING);
        fed.push_back({pin, std::move(signal), at});
    } catch (const UsageError& refused) {
        throw UsageError(option + ": " + PinSetting::AudioPinName(audio, pin) +
                         " is a sample input, which takes a signal: " + refused.what());
    }
}

double GuiValue(const GuiSideHost& gui, const PinDescription& pin, int32_t index) {
    return pin.datatype == DT_FLOAT ? static_cast<double>(gui.Pins().FloatValue(index))
                                    : static_cast<double>(gui.Pins().IntValue(index));
}

}  // namespace

TimedSetting PlaySession::ParseTimed(const std::string& text, uint32_t samples) {
    const size_t colon = text.find(':');
    char* end = nullptr;
    errno = 0;
    const unsigned long long sample = std::strtoull(text.c_str(), &end, 10);
    if (colon == std::string::npos || colon == 0 || end != text.c_str() + colon ||
        !std::isdigit(static_cast<unsigned char>(text[0]))) {
        throw UsageError("--at " + text + ": not SAMPLE:PIN=VALUE");
    }
    if (errno == ERANGE || sample >= samples) {
        throw UsageError("--at " + text + ": sample " + text.substr(0, colon) +
                         " is not within the run, 0 to " + std::to_string(samples - 1));
    }
    TimedSetting timed{static_cast<uint32_t>(sample), text.substr(colon + 1)};
    PinSetting::Split(timed.setting);
    return timed;
}

PlayResult PlaySession::Execute(const ModuleLibrary& library, const PlayOptions& options,
                                const PlayRowSink& rows) {
    PlayResult result;
    result.module = library.Describe().name;
    ReferenceHost host(library);
    host.CreateObjects();
    if (options.seed) std::srand(*options.seed);
    AudioSideHost& audio = host.Audio();
    GuiSideHost& gui = host.Gui();
    audio.SetSampleRate(options.rate);
    audio.SetBlockSize(options.block);
    audio.Open();
    gui.Initialise();

    const std::vector<PinDescription>& table = audio.PinTable();
    std::vector<int32_t> outputs;
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        const PinDescription& description = audio.AudioPin(pin);
        if (description.direction != DR_OUT || description.datatype != DT_FSAMPLE) continue;
        outputs.push_back(pin);
        result.columns.push_back(PinSetting::AudioPinName(audio, pin));
    }
    std::vector<int32_t> gui_pins;
    for (size_t index = 0; index < table.size(); ++index) {
        if ((table[index].flags & IO_UI_COMMUNICATION) == 0) continue;
        gui_pins.push_back(static_cast<int32_t>(index));
        result.columns.push_back(table[index].name);
    }

    std::vector<FedInput> fed;
    for (const std::string& input : options.inputs) {
        const auto [name, definition] = PinSetting::Split(input);
        const auto pin = PinSetting::FindSampleInput(audio, name);
        if (!pin) throw UsageError("--input " + input + ": the module has no sample input " + name);
        Feed(audio, fed, *pin, definition, 0, "--input " + input);
    }

    std::vector<TimedSetting> timeline = options.timeline;
    std::stable_sort(timeline.begin(), timeline.end(),
                     [](const TimedSetting& a, const TimedSetting& b) { return a.sample < b.sample; });
    const uint32_t start = audio.SampleClock();
    const uint32_t block = static_cast<uint32_t>(options.block);
    size_t next = 0;
    size_t writes_seen = 0;
    const auto note_gui_writes = [&](uint32_t sample) {
        for (; writes_seen < gui.Writes().size(); ++writes_seen) {
            const PinWrite& write = gui.Writes()[writes_seen];
            const PinDescription& pin = table.at(static_cast<size_t>(write.pin));
            result.events.push_back(
                {sample, "GUI wrote " + pin.name + " = " +
                             (pin.datatype == DT_FLOAT ? std::to_string(write.opt)
                                                       : std::to_string(write.value))});
        }
    };
    note_gui_writes(0);
    std::vector<double> row;
    // Blocks of the chosen size, each cut where a setting is due and the last one at the run's
    // end: every setting lands at its own sample, and the run is exactly as long as asked.
    for (uint32_t done = 0; done < options.samples;) {
        for (; next < timeline.size() && timeline[next].sample <= done; ++next) {
            const std::string& setting = timeline[next].setting;
            result.events.push_back({done, "set " + setting});
            const auto [name, value] = PinSetting::Split(setting);
            if (const auto input = PinSetting::FindSampleInput(audio, name)) {
                Feed(audio, fed, *input, value, done, "--at " + std::to_string(done) + ":" + setting);
            } else {
                PinSetting::Apply(host, setting, 0);
            }
            note_gui_writes(done);
        }
        uint32_t frames = std::min(block - done % block, options.samples - done);
        if (next < timeline.size()) frames = std::min(frames, timeline[next].sample - done);
        for (const FedInput& input : fed) {
            float* buffer = audio.InputBuffer(input.pin);
            for (uint32_t i = 0; i < frames; ++i) {
                buffer[i] = input.signal.Sample(uint64_t{done} + i - input.since, options.rate);
            }
        }
        audio.ProcessFrames(static_cast<int32_t>(frames));
        note_gui_writes(done);
        for (uint32_t i = 0; rows && i < frames; ++i) {
            row.clear();
            for (const int32_t pin : outputs) row.push_back(audio.PinBuffer(pin)[i]);
            for (const int32_t index : gui_pins) {
                row.push_back(GuiValue(gui, table[static_cast<size_t>(index)], index));
            }
            rows(done + i, result.columns, row);
        }
        done += frames;
    }
    for (const AudioPinMessage& message : audio.PinMessages()) {
        const std::string pin = message.pin >= 0 && message.pin < audio.AudioPinCount()
                                    ? PinSetting::AudioPinName(audio, message.pin)
                                    : "pin " + std::to_string(message.pin);
        const std::string what = message.opcode == HOST_OP_STATUS_CHANGE
                                     ? "status of " + pin + " " + AudioSideHost::StatusName(message.value)
                                     : "value of " + pin + " = " + std::to_string(message.value);
        result.events.push_back({message.stamp - start, "audio sent " + what});
    }
    std::stable_sort(result.events.begin(), result.events.end(),
                     [](const PlayEvent& a, const PlayEvent& b) { return a.sample < b.sample; });
    host.CloseGuiObject();
    host.CloseAudioObject();
    result.problems = host.Problems();
    return result;
}
