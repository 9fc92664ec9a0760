#include "PlaySession.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <tuple>

#include "HeapCallWatch.h"
#include "HostError.h"
#include "ModuleLibrary.h"
#include "PinSetting.h"
#include "PinWriteText.h"
#include "PlayEventOrder.h"
#include "PlayScript.h"
#include "ReferenceHost.h"
#include "SignalFeed.h"
#include "VariableColumns.h"

namespace {

double GuiValue(const GuiSideHost& gui, const PinDescription& pin, int32_t index) {
    return pin.datatype == DT_FLOAT ? static_cast<double>(gui.Pins().FloatValue(index))
                                    : static_cast<double>(gui.Pins().IntValue(index));
}

// Values a patch holds, set before either object starts; the GUI object is told of each of its
// pins before it is initialised.
void Store(ReferenceHost& host, const PlayOptions& options) {
    AudioSideHost& audio = host.Audio();
    std::vector<int32_t> told;
    for (size_t k = 0; k < options.stored.size(); ++k) {
        const std::string& setting = options.stored[k];
        const std::string where =
            (k < options.stored_origins.size() ? options.stored_origins[k] + ": " : "") +
            "store " + setting + ": ";
        const auto [name, text] = PinSetting::Split(setting);
        const auto audio_pin = PinSetting::FindAudioPin(audio, name);
        const auto gui_pin = PinSetting::FindTablePin(audio, name, true);
        const bool variable = audio_pin && audio.AudioPin(*audio_pin).variable_address != nullptr;
        if (!variable && !gui_pin) {
            throw UsageError(where + "the module has no pin " + name +
                             " with a variable or on the GUI side");
        }
        const PinDescription& pin =
            variable ? audio.AudioPin(*audio_pin) : audio.PinTable()[static_cast<size_t>(*gui_pin)];
        try {
            const double value = PinSetting::HeldValue(pin, text);
            if (variable) audio.WritePinVariable(*audio_pin, value);
            if (gui_pin) {
                host.Gui().LoadStoredValue(*gui_pin, value);
                told.push_back(*gui_pin);
            }
        } catch (const HostError& refused) {
            throw UsageError(where + refused.what());
        }
    }
    for (const int32_t index : told) {
        host.Gui().Dispatch(GUI_OP_PIN_CHANGED, index, 0, nullptr, 0.0f);
    }
}

// The run's sample rate and block size, and the sample its blocks are counted from.
struct PlayClock {
    float rate;
    uint32_t block;
    uint32_t grid = 0;
};

// Whether the host cuts its block at `action`, so that the module sees it from its sample on:
// everything but a value handed to the module's variable (a script's `variable`), which the host
// writes as the block starts and announces with a status at its own sample inside the block,
// where the audio object's process call is split, as a host whose user moves a control does.
bool Cuts(const PlayAction& action) { return action.kind != PlayAction::Kind::kVariable; }

// Refuses `action` before the run starts, as it would be refused when its sample came: a pin the
// module lacks or that is not of the action's kind, a value the pin cannot hold, a signal the
// host does not know.
void Check(const AudioSideHost& audio, const PlayAction& action) {
    const auto refuse = [&action](const std::string& why) {
        throw UsageError(action.Origin() + ": " + why);
    };
    const auto input = PinSetting::FindSampleInput(audio, action.pin);
    try {
        switch (action.kind) {
        case PlayAction::Kind::kSet:
        case PlayAction::Kind::kInput:
            if (input) {
                SignalGenerator signal(action.value);
            } else if (action.kind == PlayAction::Kind::kInput) {
                refuse("the module has no sample input " + action.pin);
            } else {
                PinSetting::Check(audio, action.pin + "=" + action.value);
            }
            return;
        case PlayAction::Kind::kGui: {
            const auto index = PinSetting::FindTablePin(audio, action.pin, false);
            if (!index) refuse("the module has no pin " + action.pin);
            const PinDescription& pin = audio.PinTable()[static_cast<size_t>(*index)];
            if (pin.direction == DR_OUT) {
                refuse("pin " + action.pin + " is an output: the module sets it, not the host");
            }
            PinSetting::HeldValue(pin, action.value);
            return;
        }
        case PlayAction::Kind::kVariable: {
            const auto pin = PinSetting::FindAudioPin(audio, action.pin);
            if (!pin || audio.AudioPin(*pin).variable_address == nullptr) {
                refuse("the module has no audio pin " + action.pin + " with a variable");
            }
            const PinDescription& description = audio.AudioPin(*pin);
            AudioSideHost::RefuseUnheld(description,
                                        PinSetting::HeldValue(description, action.value));
            return;
        }
        case PlayAction::Kind::kRate:
        case PlayAction::Kind::kBlock:
            return;
        }
    } catch (const HostError& refused) {
        const std::string what = refused.what();
        if (what.rfind(action.Origin(), 0) == 0) throw;
        if (input && action.kind != PlayAction::Kind::kVariable) {
            refuse(action.pin + " is a sample input, which takes a signal: " + what);
        }
        refuse(what);
    }
}

// Does what `action`, checked before the run, says in the block that starts at sample `done`.
void Apply(ReferenceHost& host, SignalFeed& feed, PlayClock& clock, const PlayAction& action,
           uint32_t done) {
    const uint32_t after = action.sample > done ? action.sample - done : 0;
    AudioSideHost& audio = host.Audio();
    switch (action.kind) {
    case PlayAction::Kind::kSet:
    case PlayAction::Kind::kInput:
        if (const auto input = PinSetting::FindSampleInput(audio, action.pin)) {
            const bool constant = feed.Feed(*input, action.value, done);
            audio.PostPinStatus(*input, action.status.value_or(constant ? PIN_STATUS_CHANGED
                                                                        : PIN_STATUS_MOVING));
        } else {
            PinSetting::Apply(host, action.pin + "=" + action.value, after);
        }
        return;
    case PlayAction::Kind::kGui: {
        const auto index = *PinSetting::FindTablePin(audio, action.pin, false);
        const PinDescription& pin = audio.PinTable()[static_cast<size_t>(index)];
        const double value = PinSetting::HeldValue(pin, action.value);
        if (pin.datatype == DT_FLOAT) {
            host.Gui().SetPinFloat(index, static_cast<float>(value));
        } else {
            host.Gui().SetPin(index, static_cast<int32_t>(value));
        }
        return;
    }
    case PlayAction::Kind::kVariable: {
        const auto pin = *PinSetting::FindAudioPin(audio, action.pin);
        audio.WritePinVariable(pin, PinSetting::HeldValue(audio.AudioPin(pin), action.value));
        audio.PostPinStatus(pin, action.status.value_or(PIN_STATUS_CHANGED), after);
        return;
    }
    case PlayAction::Kind::kRate:
        clock.rate = std::stof(action.value);
        audio.SetSampleRate(clock.rate);
        return;
    case PlayAction::Kind::kBlock:
        clock.block = static_cast<uint32_t>(std::stoul(action.value));
        clock.grid = done;
        audio.SetBlockSize(static_cast<int32_t>(clock.block));
        return;
    }
}

}  // namespace

PlayAction PlaySession::ParseTimed(const std::string& text, uint32_t samples) {
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
    PlayAction action;
    action.sample = static_cast<uint32_t>(sample);
    try {
        std::tie(action.pin, action.value) = PinSetting::Split(text.substr(colon + 1));
    } catch (const UsageError& refused) {
        throw UsageError("--at " + text + ": " + refused.what());
    }
    action.given_in = std::make_shared<const std::string>("--at " + text);
    return action;
}

PlayResult PlaySession::Execute(const ModuleLibrary& library, const PlayOptions& options,
                                const PlayRowSink& rows, const PlayEventSink& events,
                                const std::function<void()>& started) {
    PlayResult result;
    // Heap calls inside the module's audio calls are a finding, as the validator has it.
    const HeapCallWatch heap_calls(library);
    ReferenceHost host(library);
    host.CreateObjects();
    if (options.seed) std::srand(*options.seed);
    AudioSideHost& audio = host.Audio();
    GuiSideHost& gui = host.Gui();
    PinSetting::RefuseRepeated(options.inputs, "--input");
    std::vector<PlayAction> inputs;
    for (const std::string& input : options.inputs) {
        PlayAction action;
        action.kind = PlayAction::Kind::kInput;
        std::tie(action.pin, action.value) = PinSetting::Split(input);
        action.given_in = std::make_shared<const std::string>("--input " + input);
        inputs.push_back(action);
    }
    // The actions in order of sample, the inputs first: pointed to, since a timeline may be long.
    std::vector<const PlayAction*> timeline;
    timeline.reserve(inputs.size() + options.timeline.size());
    for (const PlayAction& action : inputs) timeline.push_back(&action);
    for (const PlayAction& action : options.timeline) timeline.push_back(&action);
    std::stable_sort(
        timeline.begin(), timeline.end(),
        [](const PlayAction* a, const PlayAction* b) { return a->sample < b->sample; });
    for (const PlayAction* action : timeline) Check(audio, *action);
    PlayClock clock{options.rate, static_cast<uint32_t>(options.block)};
    audio.StartClockAt(options.clock);
    audio.SetSampleRate(options.rate);
    audio.SetBlockSize(options.block);
    Store(host, options);
    if (started) started();
    audio.Open();
    gui.Initialise();
    const uint32_t start = audio.SampleClock();

    const std::vector<PinDescription>& table = audio.PinTable();
    std::vector<int32_t> outputs;
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        const PinDescription& description = audio.AudioPin(pin);
        if (description.direction != DR_OUT || description.datatype != DT_FSAMPLE) continue;
        outputs.push_back(pin);
        result.columns.push_back(PinSetting::AudioPinName(audio, pin));
        result.outputs.emplace_back(options.rate, options.samples);
    }
    std::vector<int32_t> gui_pins;
    for (size_t index = 0; index < table.size(); ++index) {
        if ((table[index].flags & IO_UI_COMMUNICATION) == 0) continue;
        gui_pins.push_back(static_cast<int32_t>(index));
        result.columns.push_back(table[index].name);
    }
    // A pin with both sides has a column for each: a value set on one is seen where it went.
    VariableColumns variables(audio, result.columns);

    SignalFeed feed;
    size_t next = 0;
    PlayEventOrder order(events);
    long long writes_not_kept = 0;
    const auto note_gui_writes = [&](uint32_t sample) {
        for (const PinWrite& write : gui.TakeWrites()) {
            order.AddHostSide(
                sample, PinWriteText::Describe(write, table.at(static_cast<size_t>(write.pin))));
        }
        if (gui.Counts().writes_not_kept > writes_not_kept) {
            order.AddHostSide(
                sample, "GUI wrote " +
                             std::to_string(gui.Counts().writes_not_kept - writes_not_kept) +
                             " times more in one call, past the " +
                             std::to_string(GuiSideHost::kMostWritesKeptPerCall) +
                             " writes the host keeps");
            writes_not_kept = gui.Counts().writes_not_kept;
        }
    };
    const auto note_audio_messages = [&] {
        for (const AudioPinMessage& message : audio.TakePinMessages()) {
            const std::string pin = message.pin >= 0 && message.pin < audio.AudioPinCount()
                                        ? PinSetting::AudioPinName(audio, message.pin)
                                        : "pin " + std::to_string(message.pin);
            const std::string what =
                message.opcode == HOST_OP_STATUS_CHANGE
                    ? "status of " + pin + " " + AudioSideHost::StatusName(message.value)
                    : "value of " + pin + " = " + std::to_string(message.value);
            order.AddAudioSide(message.stamp - start, "audio sent " + what);
        }
    };
    note_gui_writes(0);
    std::vector<double> row;
    // Blocks of the chosen size, each cut where an action is due and the last one at the run's
    // end, but for a value handed to the module's variable, which comes as a status inside its
    // block: every action lands at its own sample, and the run is exactly as long as asked.
    uint32_t done = 0;
    const auto apply = [&](const PlayAction& action) {
        const uint32_t sample = std::max(action.sample, done);
        if (action.kind == PlayAction::Kind::kSet) {
            order.AddHostSide(sample, "set " + action.pin + "=" + action.value);
        } else if (action.Origin().rfind("--input", 0) != 0) {
            order.AddHostSide(sample, PlayScript::Describe(action));
        }
        Apply(host, feed, clock, action, done);
        variables.Note(sample);
        note_gui_writes(done);
    };
    while (done < options.samples) {
        // The variables this block writes: a second value for one of them, later in the block,
        // would replace the first before the module saw it, so the block is cut there.
        std::vector<const std::string*> written;
        const auto writes_again = [&](const PlayAction& action) {
            const bool variable = action.kind == PlayAction::Kind::kVariable;
            const bool writes = variable || (action.kind == PlayAction::Kind::kSet &&
                                             PinSetting::FindAudioPin(audio, action.pin) &&
                                             !PinSetting::FindSampleInput(audio, action.pin));
            if (!writes) return false;
            const bool again =
                std::any_of(written.begin(), written.end(),
                            [&](const std::string* pin) { return *pin == action.pin; });
            written.push_back(&action.pin);
            return variable && again && action.sample > done;
        };
        const size_t first = next;
        for (; next < timeline.size() && timeline[next]->sample <= done; ++next) {
            apply(*timeline[next]);
        }
        uint32_t frames =
            std::min(clock.block - (done - clock.grid) % clock.block, options.samples - done);
        for (size_t later = first; later < timeline.size(); ++later) {
            if (timeline[later]->sample >= done + frames) break;
            if ((later >= next && Cuts(*timeline[later])) ||
                writes_again(*timeline[later])) {
                frames = timeline[later]->sample - done;
                break;
            }
        }
        for (; next < timeline.size() && timeline[next]->sample < done + frames; ++next) {
            apply(*timeline[next]);
        }
        feed.Fill(audio, done, frames, clock.rate);
        audio.ProcessFrames(static_cast<int32_t>(frames));
        variables.Note(done);
        note_gui_writes(done);
        for (size_t k = 0; k < outputs.size(); ++k) {
            const float* samples = audio.PinBuffer(outputs[k]);
            for (uint32_t i = 0; i < frames; ++i) result.outputs[k].Add(samples[i]);
        }
        // The block's rows show the GUI side as it was during the block.
        for (uint32_t i = 0; rows && i < frames; ++i) {
            row.clear();
            for (const int32_t pin : outputs) row.push_back(audio.PinBuffer(pin)[i]);
            for (const int32_t index : gui_pins) {
                row.push_back(GuiValue(gui, table[static_cast<size_t>(index)], index));
            }
            variables.Append(done + i, row);
            rows(done + i, result.columns, row);
        }
        // The GUI side's turn, after the block: what it takes shows from the next sample on.
        host.PassAudioValuesToGui();
        note_gui_writes(done + frames);
        done += frames;
        note_audio_messages();
        order.HandOnBefore(done);
    }
    order.HandOnAll();
    host.CloseGuiObject();
    host.CloseAudioObject();
    result.problems = host.Problems();
    if (const std::string finding = heap_calls.Finding(); !finding.empty()) {
        result.problems.push_back(finding);
    }
    return result;
}
