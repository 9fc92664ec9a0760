#include "AudioHostAnswers.h"

#include <cstdint>

#include "HostNotes.h"
#include "HostRuleIds.h"

QVWord AudioHostAnswers::Answer(AudioHostRecord* record, int32_t opcode, int32_t index,
                                int32_t value, void* ptr) {
    if (record == nullptr || record != m_record) {
        Problem(HostRuleId::kOwnRecord, "host call " + std::to_string(opcode) +
                                            " came with a record this host does not hold");
        return 0;
    }
    switch (opcode) {
    case HOST_OP_SAMPLE_CLOCK:
        return static_cast<QVWord>(static_cast<uintptr_t>(m_clock));
    case HOST_OP_PIN_COUNT:
        ++m_counts.pin_count_requests;
        return AudioPinCount();
    case HOST_OP_PIN_BUFFER:
        if (index < 0 || index >= AudioPinCount()) {
            Problem(
                HostRuleId::kBuffersOfAudioPins,
                "HOST_OP_PIN_BUFFER for pin " + std::to_string(index) + ", which does not exist");
            return 0;
        }
        return reinterpret_cast<QVWord>(m_buffers.Data(static_cast<size_t>(index)));
    case HOST_OP_BUFFER_BASE_CLOCK:
        return static_cast<QVWord>(static_cast<uintptr_t>(m_block_start));
    case HOST_OP_SLEEP:
        ++m_counts.sleeps;
        return 0;
    case HOST_OP_ADD_EVENT:
        AddEvent(static_cast<const TimedEvent*>(ptr));
        return 0;
    case HOST_OP_PROCESS_CHANGED:
        ++m_counts.process_changed;
        m_process = m_record->process;
        return 0;
    case HOST_OP_PIN_VALUE:
    case HOST_OP_STATUS_CHANGE: {
        const uint32_t stamp = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(ptr));
        CheckMessage(opcode, index, stamp);
        if (opcode == HOST_OP_STATUS_CHANGE) NoteStatus(index, value, stamp);
        if (opcode == HOST_OP_PIN_VALUE) KeepValueForGui(index, value);
        m_pin_messages.push_back({opcode, index, value, stamp, m_clock});
        return 0;
    }
    case HOST_OP_QUERY_PIN:
        return 0;
    default:
        // A real host may know more opcodes than this one.
        Warning(HostRuleId::kHostOpcodesKnown,
                "host opcode " + std::to_string(opcode) + " is not one this host knows");
        return 0;
    }
}

// A message names a pin the host holds, for now or later: the host's clock wraps like the
// module's, so later means up to 2^31 - 1 samples ahead.
void AudioHostAnswers::CheckMessage(int32_t opcode, int32_t pin, uint32_t stamp) {
    const std::string what =
        opcode == HOST_OP_PIN_VALUE ? "HOST_OP_PIN_VALUE" : "HOST_OP_STATUS_CHANGE";
    if (pin < 0 || pin >= AudioPinCount()) {
        Problem(HostRuleId::kMessagesForPins,
                what + " for pin " + std::to_string(pin) + ", which does not exist");
    }
    if (stamp - m_clock > 0x7FFFFFFFu) {
        Problem(HostRuleId::kMessagesNotLate, what + " stamped " + std::to_string(stamp) +
                                                  " at sample clock " + std::to_string(m_clock) +
                                                  ": for a clock already gone");
    }
}

void AudioHostAnswers::NoteStatus(int32_t pin, int32_t status, uint32_t stamp) {
    if (pin < 0 || pin >= AudioPinCount() || AudioPin(pin).direction != DR_OUT) return;
    m_static_watch.Announce(static_cast<size_t>(pin), status, stamp);
}

void AudioHostAnswers::AddEvent(const TimedEvent* event) {
    if (event == nullptr) {
        Problem(HostRuleId::kEventGiven, "HOST_OP_ADD_EVENT without an event");
        return;
    }
    if (!m_events.Add(*event, m_clock)) {
        ++m_counts.events_refused;
        Problem(HostRuleId::kEventsNotInPast, "event stamped " + std::to_string(event->time_stamp) +
                                                  " queued at sample clock " +
                                                  std::to_string(m_clock) + ": already past");
        return;
    }
    ++m_counts.events_queued;
}

void AudioHostAnswers::KeepValueForGui(int32_t pin, int32_t value) {
    if (pin < 0 || pin >= AudioPinCount()) return;
    const PinDescription& description = AudioPin(pin);
    if (description.direction != DR_OUT || (description.flags & IO_UI_COMMUNICATION) == 0) return;
    m_side_values.KeepForGui(m_pins.TableIndex(pin), value);
}

void AudioHostAnswers::Problem(const char* rule, const std::string& text) {
    KeepNote(m_problems, "audio: ", rule, text);
}

void AudioHostAnswers::Warning(const char* rule, const std::string& text) {
    KeepNote(m_warnings, "audio: ", rule, text);
}
