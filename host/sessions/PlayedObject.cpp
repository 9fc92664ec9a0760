#include "PlayedObject.h"

#include <algorithm>

#include "HostError.h"
#include "PinSetting.h"
#include "PinVariable.h"
#include "PinWriteText.h"
#include "PlayScript.h"

namespace {

double GuiValue(const GuiSideHost& gui, const PinDescription& pin, int32_t index) {
    return pin.datatype == DT_FLOAT ? static_cast<double>(gui.Pins().FloatValue(index))
                                    : static_cast<double>(gui.Pins().IntValue(index));
}

// Whether the host cuts its block at `action`, so that the module sees it from its sample on:
// everything but a value handed to the module's variable (a script's `variable`), which the host
// writes as the block starts and announces with a status at its own sample inside the block,
// where the audio object's process call is split, as a host whose user moves a control does.
bool Cuts(const PlayAction& action) { return action.kind != PlayAction::Kind::kVariable; }

// Refuses `action` before the run starts, as it would be refused when its sample came: a pin the
// module lacks or that is not of the action's kind, a value the pin cannot hold, a signal the
// host does not know.
void CheckAction(const AudioSideHost& audio, const PlayAction& action) {
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
            PinVariable::RefuseUnheld(description,
                                        PinSetting::HeldValue(description, action.value));
            return;
        }
        case PlayAction::Kind::kRate:
        case PlayAction::Kind::kBlock:
        case PlayAction::Kind::kClose:
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

}  // namespace

PlayedObject::PlayedObject(const ModuleLibrary& library, const PlayOptions& run,
                           const ObjectPlay& play, size_t number, PlayEventOrder& order)
    : m_run(run),
      m_play(play),
      m_name(number == 1 ? "" : "object " + std::to_string(number)),
      m_order(order),
      m_host(library),
      m_rate(run.rate),
      m_block(static_cast<uint32_t>(run.block)) {
    m_host.CreateObjects();
    PinSetting::RefuseRepeated(play.inputs, "--input");
    for (const std::string& input : play.inputs) {
        PlayAction action;
        action.kind = PlayAction::Kind::kInput;
        std::tie(action.pin, action.value) = PinSetting::Split(input);
        action.given_in = std::make_shared<const std::string>("--input " + input);
        m_inputs.push_back(action);
    }
    // Pointed to, since a timeline may be long.
    m_timeline.reserve(m_inputs.size() + play.timeline.size());
    for (const PlayAction& action : m_inputs) m_timeline.push_back(&action);
    for (const PlayAction& action : play.timeline) m_timeline.push_back(&action);
    std::stable_sort(
        m_timeline.begin(), m_timeline.end(),
        [](const PlayAction* a, const PlayAction* b) { return a->sample < b->sample; });
}

void PlayedObject::Check() const {
    const PlayAction* closed = nullptr;
    for (const PlayAction* action : m_timeline) {
        if (closed != nullptr) {
            throw UsageError(action->Origin() + ": the object closed at sample " +
                             std::to_string(closed->sample) + " (" + closed->Origin() + ")");
        }
        if (action->kind == PlayAction::Kind::kClose) closed = action;
        CheckAction(m_host.Audio(), *action);
    }
}

void PlayedObject::Prepare() {
    AudioSideHost& audio = m_host.Audio();
    audio.StartClockAt(m_run.clock);
    audio.SetSampleRate(m_run.rate);
    audio.SetBlockSize(m_run.block);
    // Values a patch holds, set before either object starts; the GUI object is told of each of
    // its pins before it is initialised.
    std::vector<int32_t> told;
    for (size_t k = 0; k < m_play.stored.size(); ++k) {
        const std::string& setting = m_play.stored[k];
        const std::string where =
            (k < m_play.stored_origins.size() ? m_play.stored_origins[k] + ": " : "") +
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
                m_host.Gui().LoadStoredValue(*gui_pin, value);
                told.push_back(*gui_pin);
            }
        } catch (const HostError& refused) {
            throw UsageError(where + refused.what());
        }
    }
    for (const int32_t index : told) {
        m_host.Gui().Dispatch(GUI_OP_PIN_CHANGED, index, 0, nullptr, 0.0f);
    }
}

void PlayedObject::Start() {
    AudioSideHost& audio = m_host.Audio();
    audio.Open();
    m_host.Gui().Initialise();
    m_start = audio.SampleClock();
    const std::string suffix = m_name.empty() ? "" : " (" + m_name + ")";
    m_output_pins = audio.SamplePins(DR_OUT);
    for (const int32_t pin : m_output_pins) {
        m_columns.push_back(PinSetting::AudioPinName(audio, pin) + suffix);
        m_outputs.emplace_back(m_run.rate, m_run.samples);
    }
    const std::vector<PinDescription>& table = audio.PinTable();
    for (size_t index = 0; index < table.size(); ++index) {
        if ((table[index].flags & IO_UI_COMMUNICATION) == 0) continue;
        m_gui_pins.push_back(static_cast<int32_t>(index));
        m_columns.push_back(table[index].name + suffix);
    }
    // A pin with both sides has a column for each: a value set on one is seen where it went.
    const size_t variables_from = m_columns.size();
    m_variables = std::make_unique<VariableColumns>(audio, m_columns);
    for (size_t k = variables_from; k < m_columns.size(); ++k) m_columns[k] += suffix;
    NoteGuiWrites(0);
}

std::string PlayedObject::Named(const std::string& text) const {
    return m_name.empty() ? text : m_name + ": " + text;
}

void PlayedObject::NoteGuiWrites(uint32_t sample) {
    GuiSideHost& gui = m_host.Gui();
    const std::vector<PinDescription>& table = m_host.Audio().PinTable();
    for (const PinWrite& write : gui.TakeWrites()) {
        m_order.AddHostSide(sample, Named(PinWriteText::Describe(
                                        write, table.at(static_cast<size_t>(write.pin)))));
    }
    if (gui.Counts().writes_not_kept > m_writes_not_kept) {
        m_order.AddHostSide(
            sample, Named("GUI wrote " +
                          std::to_string(gui.Counts().writes_not_kept - m_writes_not_kept) +
                          " times more in one call, past the " +
                          std::to_string(GuiSideHost::kMostWritesKeptPerCall) +
                          " writes the host keeps"));
        m_writes_not_kept = gui.Counts().writes_not_kept;
    }
}

void PlayedObject::NoteAudioMessages() {
    AudioSideHost& audio = m_host.Audio();
    for (const AudioPinMessage& message : audio.TakePinMessages()) {
        const std::string pin = message.pin >= 0 && message.pin < audio.AudioPinCount()
                                    ? PinSetting::AudioPinName(audio, message.pin)
                                    : "pin " + std::to_string(message.pin);
        const std::string what =
            message.opcode == HOST_OP_STATUS_CHANGE
                ? "status of " + pin + " " + AudioSideHost::StatusName(message.value)
                : "value of " + pin + " = " + std::to_string(message.value);
        m_order.AddAudioSide(message.stamp - m_start, Named("audio sent " + what));
    }
}

void PlayedObject::Apply(const PlayAction& action) {
    const uint32_t sample = std::max(action.sample, m_done);
    if (action.kind == PlayAction::Kind::kSet) {
        m_order.AddHostSide(sample, Named("set " + action.pin + "=" + action.value));
    } else if (action.Origin().rfind("--input", 0) != 0) {
        m_order.AddHostSide(sample, Named(PlayScript::Describe(action)));
    }
    const uint32_t after = action.sample > m_done ? action.sample - m_done : 0;
    AudioSideHost& audio = m_host.Audio();
    switch (action.kind) {
    case PlayAction::Kind::kSet:
    case PlayAction::Kind::kInput:
        if (const auto input = PinSetting::FindSampleInput(audio, action.pin)) {
            const bool constant = m_feed.Feed(*input, action.value, m_done);
            audio.PostPinStatus(*input, action.status.value_or(constant ? PIN_STATUS_CHANGED
                                                                        : PIN_STATUS_MOVING));
        } else {
            PinSetting::Apply(m_host, action.pin + "=" + action.value, after);
        }
        break;
    case PlayAction::Kind::kGui: {
        const auto index = *PinSetting::FindTablePin(audio, action.pin, false);
        const PinDescription& pin = audio.PinTable()[static_cast<size_t>(index)];
        const double value = PinSetting::HeldValue(pin, action.value);
        if (pin.datatype == DT_FLOAT) {
            m_host.Gui().SetPinFloat(index, static_cast<float>(value));
        } else {
            m_host.Gui().SetPin(index, static_cast<int32_t>(value));
        }
        break;
    }
    case PlayAction::Kind::kVariable: {
        const auto pin = *PinSetting::FindAudioPin(audio, action.pin);
        audio.WritePinVariable(pin, PinSetting::HeldValue(audio.AudioPin(pin), action.value));
        audio.PostPinStatus(pin, action.status.value_or(PIN_STATUS_CHANGED), after);
        break;
    }
    case PlayAction::Kind::kRate:
        m_rate = std::stof(action.value);
        audio.SetSampleRate(m_rate);
        for (OutputSummary& output : m_outputs) output.SetRate(m_rate);
        break;
    case PlayAction::Kind::kBlock:
        m_block = static_cast<uint32_t>(std::stoul(action.value));
        m_grid = m_done;
        audio.SetBlockSize(static_cast<int32_t>(m_block));
        break;
    case PlayAction::Kind::kClose:
        Close();
        return;
    }
    m_variables->Note(sample);
    NoteGuiWrites(m_done);
}

void PlayedObject::PlayBlock(bool keep_rows) {
    AudioSideHost& audio = m_host.Audio();
    // The variables this block writes: a second value for one of them, later in the block,
    // would replace the first before the module saw it, so the block is cut there.
    std::vector<const std::string*> written;
    const auto writes_again = [&](const PlayAction& action) {
        const bool variable = action.kind == PlayAction::Kind::kVariable;
        const bool writes = variable || (action.kind == PlayAction::Kind::kSet &&
                                         PinSetting::FindAudioPin(audio, action.pin) &&
                                         !PinSetting::FindSampleInput(audio, action.pin));
        if (!writes) return false;
        const bool again = std::any_of(written.begin(), written.end(),
                                       [&](const std::string* pin) { return *pin == action.pin; });
        written.push_back(&action.pin);
        return variable && again && action.sample > m_done;
    };
    // Blocks of the chosen size, each cut where an action is due and the last one at the run's
    // end, but for a value handed to the module's variable, which comes as a status inside its
    // block: every action lands at its own sample, and the run is exactly as long as asked.
    const size_t first = m_next;
    for (; m_next < m_timeline.size() && m_timeline[m_next]->sample <= m_done && !m_closed;
         ++m_next) {
        Apply(*m_timeline[m_next]);
    }
    if (m_closed) return;
    uint32_t frames = std::min(m_block - (m_done - m_grid) % m_block, m_run.samples - m_done);
    for (size_t later = first; later < m_timeline.size(); ++later) {
        if (m_timeline[later]->sample >= m_done + frames) break;
        if ((later >= m_next && Cuts(*m_timeline[later])) || writes_again(*m_timeline[later])) {
            frames = m_timeline[later]->sample - m_done;
            break;
        }
    }
    for (; m_next < m_timeline.size() && m_timeline[m_next]->sample < m_done + frames; ++m_next) {
        Apply(*m_timeline[m_next]);
    }
    m_feed.Fill(audio, m_done, frames, m_rate);
    audio.ProcessFrames(static_cast<int32_t>(frames));
    m_variables->Note(m_done);
    NoteGuiWrites(m_done);
    for (size_t k = 0; k < m_output_pins.size(); ++k) {
        const float* samples = audio.PinBuffer(m_output_pins[k]);
        for (uint32_t i = 0; i < frames; ++i) m_outputs[k].Add(samples[i]);
    }
    // The block's rows show the GUI side as it was during the block.
    const std::vector<PinDescription>& table = audio.PinTable();
    for (uint32_t i = 0; keep_rows && i < frames; ++i) {
        std::vector<double>& row = m_rows.emplace_back();
        for (const int32_t pin : m_output_pins) row.push_back(audio.PinBuffer(pin)[i]);
        for (const int32_t index : m_gui_pins) {
            row.push_back(GuiValue(m_host.Gui(), table[static_cast<size_t>(index)], index));
        }
        m_variables->Append(m_done + i, row);
    }
    // The GUI side's turn, after the block: what it takes shows from the next sample on.
    m_host.PassAudioValuesToGui();
    NoteGuiWrites(m_done + frames);
    m_done += frames;
    NoteAudioMessages();
    // A close due here comes before another object's next block, as a host closes an object
    // between blocks.
    if (m_next < m_timeline.size() && m_timeline[m_next]->sample <= m_done &&
        m_timeline[m_next]->kind == PlayAction::Kind::kClose) {
        Apply(*m_timeline[m_next++]);
    }
}

void PlayedObject::Close() {
    if (m_closed) return;
    m_closed = true;
    m_host.CloseGuiObject();
    m_host.CloseAudioObject();
}

std::vector<std::string> PlayedObject::Finish() {
    Close();
    std::vector<std::string> problems;
    for (const std::string& problem : m_host.Problems()) problems.push_back(Named(problem));
    return problems;
}
