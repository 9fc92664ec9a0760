#include "AudioSideHost.h"

#include <cstdint>

#include "CallObserver.h"
#include "HostError.h"
#include "HostNotes.h"
#include "HostRuleIds.h"
#include "PinVariable.h"

void AudioSideHost::Attach(AudioHostRecord* record) {
    m_record = record;
    m_process = record->process;
    const bool ended = m_pins.Read([this](int32_t index, QVPinProperties& props) {
        return Dispatch(MOD_OP_GET_PIN_PROPERTIES, index, 0, &props, 0.0f) != 0;
    });
    if (!ended) {
        Problem(HostRuleId::kPinTableEnds, "the pin table did not end within " +
                                               std::to_string(kMaxPinDescriptions) +
                                               " descriptions");
    }
    m_buffers.Clear();
    m_static_watch.Clear();
    m_opened = false;
    AddBuffers(0);
}

void AudioSideHost::RepeatLastPin(int32_t copies) {
    if (m_opened) throw HostError("pins can be repeated only before the object opens");
    if (copies <= 0) return;
    const int32_t first = AudioPinCount();
    m_pins.RepeatLast(copies);
    AddBuffers(first);
}

void AudioSideHost::AddBuffers(int32_t first) {
    // Sized for the largest block once, so no address handed out ever moves. A copy of a
    // repeated pin is named after its index.
    for (int32_t pin = first; pin < m_pins.AudioPinCount(); ++pin) {
        const PinDescription& description = m_pins.AudioPin(pin);
        m_buffers.Add(first == 0 ? description.name : description.name + " " + std::to_string(pin),
                      description.direction == DR_OUT, description.datatype == DT_FSAMPLE);
        m_static_watch.AddPin();
    }
}

QVWord AudioSideHost::Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt) {
    if (m_record == nullptr) throw HostError("the audio object is closed");
    ObservedCall call({CallEntry::kAudioDispatcher, opcode, index, value, ptr, opt});
    return call.Answer(m_record->dispatcher(m_record, opcode, index, value, ptr, opt));
}

void AudioSideHost::Open() {
    m_opened = true;
    Dispatch(MOD_OP_OPEN, 0, 0, nullptr, 0.0f);
}

void AudioSideHost::SetSampleRate(float rate) {
    m_sample_rate = rate;
    Dispatch(MOD_OP_SAMPLE_RATE, 0, 0, nullptr, rate);
}

void AudioSideHost::SetBlockSize(int32_t size) {
    if (size < 1 || size > kMaxBlockSize) {
        throw HostError("block size " + std::to_string(size) + " outside 1.." +
                        std::to_string(kMaxBlockSize));
    }
    m_block_size = size;
    m_buffers.Lengthen(static_cast<size_t>(size));
    Dispatch(MOD_OP_BLOCK_SIZE, 0, size, nullptr, 0.0f);
}

void AudioSideHost::StartClockAt(uint32_t clock) {
    if (m_events.Size() != 0) throw HostError("the sample clock cannot jump over queued events");
    m_clock = clock;
}

const float* AudioSideHost::PinBuffer(int32_t pin) const {
    return m_buffers.Data(static_cast<size_t>(pin));
}

float* AudioSideHost::InputBuffer(int32_t pin) { return m_buffers.Data(static_cast<size_t>(pin)); }

std::vector<int32_t> AudioSideHost::SamplePins(int32_t direction) const {
    return m_pins.SamplePins(direction);
}

void AudioSideHost::SetPinValue(int32_t pin, double value) {
    WritePinVariable(pin, value);
    PostPinStatus(pin, PIN_STATUS_CHANGED);
}

void AudioSideHost::WritePinVariable(int32_t pin, double value) {
    const PinDescription& description = AudioPin(pin);
    if (CallObserver::Installed() != nullptr) {
        NoteHostAction("host writes audio pin " + std::to_string(pin) + " (" + description.name +
                       ") variable = " + std::to_string(value));
    }
    PinVariable::Write(description, value);
}

double AudioSideHost::ReadPinVariable(int32_t pin) const {
    return PinVariable::Read(AudioPin(pin));
}

void AudioSideHost::PostPinStatus(int32_t pin, int32_t status, uint32_t after) {
    if (pin < 0 || pin >= AudioPinCount()) throw HostError("no audio pin " + std::to_string(pin));
    if (CallObserver::Installed() != nullptr) {
        NoteHostAction("host posts status " + std::to_string(status) + " of audio pin " +
                       std::to_string(pin) + " for sample clock " +
                       std::to_string(m_clock + after));
    }
    const TimedEvent event{
        m_clock + after, EVENT_PIN_STATUS, status, 0, static_cast<uintptr_t>(pin), 0};
    m_events.Add(event, m_clock);
    ++m_counts.host_events_posted;
}

void AudioSideHost::TakeValueFromGui(size_t table_index, double value) {
    if (const auto pin = m_pins.AudioPinOf(table_index)) m_side_values.KeepFromGui(*pin, value);
}

void AudioSideHost::ApplyValuesFromGui() {
    for (const ValueFromGui& taken : m_side_values.TakeFromGui()) {
        if (AudioPin(taken.pin).variable_address != nullptr) {
            WritePinVariable(taken.pin, taken.value);
        }
        PostPinStatus(taken.pin, PIN_STATUS_CHANGED);
    }
}

void AudioSideHost::ProcessBlock() { ProcessFrames(m_block_size); }

void AudioSideHost::ProcessFrames(int32_t block_frames) {
    if (m_record == nullptr) throw HostError("the audio object is closed");
    if (block_frames < 1 || block_frames > m_block_size) {
        throw HostError("a block of " + std::to_string(block_frames) + " samples, outside 1.." +
                        std::to_string(m_block_size));
    }
    ApplyValuesFromGui();
    m_block_start = m_clock;
    const uint32_t frames = static_cast<uint32_t>(block_frames);
    uint32_t done = 0;
    while (done < frames) {
        DeliverDueEvents();
        uint32_t length = frames - done;
        if (auto next = m_events.NextDue(m_clock, length)) length = *next;
        const uint32_t segment_start = m_clock;
        CallProcess(done, length);
        // Events the process call queued inside its own segment come due as the clock walks it.
        while (auto due = m_events.NextDue(segment_start, length)) {
            m_clock = segment_start + *due;
            DeliverDueEvents();
        }
        m_clock = segment_start + length;
        done += length;
    }
}

void AudioSideHost::ProcessNoFrames() {
    if (m_record == nullptr) throw HostError("the audio object is closed");
    m_block_start = m_clock;
    CallProcess(0, 0);
}

void AudioSideHost::DeliverHostEvent(TimedEvent event) {
    if (m_record == nullptr) throw HostError("the audio object is closed");
    if (m_record->event_handler == nullptr) {
        Problem(HostRuleId::kEventEntrySet,
                "the record's event entry is null: the host's event of type " +
                    std::to_string(event.event_type) + " dropped");
        return;
    }
    event.time_stamp = m_clock;
    CallEventHandler(event);
}

void AudioSideHost::CallEventHandler(TimedEvent& event) {
    m_buffers.Before(BlockOffset(), 0);
    InvokeEventHandler(event);
    AfterCall(BlockOffset(), 0);
}

void AudioSideHost::InvokeEventHandler(TimedEvent& event) {
    const ObservedCall call({CallEntry::kEventHandler, event.event_type,
                             static_cast<int32_t>(event.time_stamp), event.int_value, &event,
                             0.0f});
    m_record->event_handler(m_record->object, &event);
}

void AudioSideHost::CallProcess(uint32_t offset, uint32_t frames) {
    if (m_process == nullptr) {
        Problem(HostRuleId::kProcessEntrySet, "the record's process entry is null");
        return;
    }
    ++m_counts.process_calls;
    // The buffers' watch is the host's work, outside the observed call.
    m_buffers.Before(offset, frames);
    {
        const ObservedCall call({CallEntry::kProcess, static_cast<int32_t>(frames),
                                 static_cast<int32_t>(offset), 0, m_record->object, 0.0f});
        m_process(m_record->object, static_cast<int32_t>(offset), static_cast<int32_t>(frames));
    }
    AfterCall(offset, frames);
    m_static_watch.Check(
        m_buffers, offset, frames, m_clock, [this](size_t pin, const std::string& what) {
            Problem(HostRuleId::kStaticOutputsHold,
                    "pin " + AudioPin(static_cast<int32_t>(pin)).name + " " + what);
        });
}

void AudioSideHost::DeliverDueEvents() {
    if (!m_events.NextDue(m_clock, 1)) return;
    // One watch of the buffers around every delivery at this clock: nothing of the host's comes
    // between them, and a module with hundreds of pins costs one look at its buffers, not hundreds.
    m_buffers.Before(BlockOffset(), 0);
    int delivered_now = 0;
    while (auto event = m_events.TakeDueAt(m_clock)) {
        if (++delivered_now > kMaxEventsPerClock) {
            Problem(HostRuleId::kEventsPerClock,
                    "more than " + std::to_string(kMaxEventsPerClock) + " events at sample clock " +
                        std::to_string(m_clock) + ": the rest dropped");
            while (m_events.TakeDueAt(m_clock)) {
            }
            break;
        }
        if (m_record->event_handler == nullptr) {
            Problem(HostRuleId::kEventEntrySet, "the record's event entry is null: event dropped");
            continue;
        }
        TimedEvent copy = *event;
        ++m_counts.events_delivered;
        InvokeEventHandler(copy);
    }
    AfterCall(BlockOffset(), 0);
}

QVWord AudioSideHost::Close() {
    const QVWord answer = Dispatch(MOD_OP_CLOSE, 0, 0, nullptr, 0.0f);
    m_record = nullptr;
    m_process = nullptr;
    m_events = EventQueue();
    return answer;
}

std::string AudioSideHost::StatusName(int32_t status) {
    switch (status) {
    case PIN_STATUS_STATIC:
        return "static";
    case PIN_STATUS_CHANGED:
        return "changed";
    case PIN_STATUS_MOVING:
        return "moving";
    default:
        return "status " + std::to_string(status);
    }
}

void AudioSideHost::NoteHostAction(const std::string& note) {
    const ObservedCall action({CallEntry::kHostAction, 0, 0, 0, nullptr, 0.0f, note.c_str()});
}

void AudioSideHost::AfterCall(uint32_t offset, uint32_t frames) {
    std::vector<HostNote> problems;
    std::vector<HostNote> warnings;
    m_buffers.After(offset, frames, problems, warnings);
    for (const HostNote& note : problems) Problem(note.rule, note.text);
    for (const HostNote& note : warnings) {
        // A module may pass on a subnormal the host gave it in a value, as in a sample input.
        if (note.rule == HostRuleId::kOutputsNormal && ValueHoldsSubnormal()) continue;
        Warning(note.rule, note.text);
    }
}

bool AudioSideHost::ValueHoldsSubnormal() const {
    for (int32_t pin = 0; pin < AudioPinCount(); ++pin) {
        if (PinVariable::HoldsSubnormal(AudioPin(pin))) return true;
    }
    return false;
}
