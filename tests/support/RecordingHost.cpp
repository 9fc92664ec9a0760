#include "RecordingHost.h"

#include <algorithm>
#include <cstring>

namespace {
RecordingHost* g_current = nullptr;

uint32_t MagicOf(void* record) {
    uint32_t magic = 0;
    std::memcpy(&magic, record, sizeof magic);
    return magic;
}
}  // namespace

RecordingHost::RecordingHost() : m_previous(g_current) { g_current = this; }

RecordingHost::~RecordingHost() { g_current = m_previous; }

QVWord QV_CDECL RecordingHost::Callback(void* record, int32_t opcode, int32_t index, int32_t value,
                                        void* ptr, float opt) {
    RecordingHost& host = *g_current;
    const HostCall call{record, opcode, index, value, ptr, opt};
    host.calls.push_back(call);
    if (host.on_call) host.on_call(call);
    return MagicOf(record) == QV_GUI_MAGIC ? host.AnswerGui(call) : host.AnswerAudio(call);
}

QVWord RecordingHost::AnswerGui(const HostCall& call) {
    switch (call.opcode) {
    case GUIHOST_OP_READ_PIN_VALUE: {
        const int32_t value = pin_values[call.index];
        std::memcpy(call.ptr, &value, sizeof value);
        return 0;
    }
    case GUIHOST_OP_WRITE_PIN_VALUE:
        pin_values[call.index] = call.value;
        pin_float_writes[call.index] = call.opt;
        if (notify_on_write) {
            auto* record = static_cast<GuiHostRecord*>(call.record);
            record->dispatcher(record, GUI_OP_PIN_CHANGED, call.index, 0, nullptr, 0.0f);
        }
        return 0;
    case GUIHOST_OP_READ_PIN_TEXT:
        return reinterpret_cast<QVWord>(pin_texts[call.index].c_str());
    case GUIHOST_OP_READ_PIN_WIDE_TEXT: {
        const std::u16string& text = pin_wide_texts[call.index];
        if (call.ptr == nullptr) return static_cast<QVWord>(text.size() + 1);
        // Like a careful host: never more units than the caller said its buffer holds.
        const size_t units = std::min(text.size() + 1, static_cast<size_t>(std::max(call.value, 0)));
        std::memcpy(call.ptr, text.c_str(), units * sizeof(char16_t));
        return 0;
    }
    default:
        return gui_answers.count(call.opcode) ? gui_answers[call.opcode] : 0;
    }
}

QVWord RecordingHost::AnswerAudio(const HostCall& call) {
    switch (call.opcode) {
    case HOST_OP_SAMPLE_CLOCK:
        return static_cast<QVWord>(sample_clock);
    case HOST_OP_PIN_COUNT:
        return pin_count;
    case HOST_OP_PIN_BUFFER:
        return reinterpret_cast<QVWord>(pin_buffers[call.index]);
    case HOST_OP_BUFFER_BASE_CLOCK:
        return static_cast<QVWord>(buffer_base_clocks[call.index]);
    case HOST_OP_ADD_EVENT:
        queued_events.push_back(
            {static_cast<AudioHostRecord*>(call.record), *static_cast<TimedEvent*>(call.ptr)});
        return 0;
    default:
        return audio_answers.count(call.opcode) ? audio_answers[call.opcode] : 0;
    }
}

void RecordingHost::DeliverEventsAt(uint32_t clock) {
    sample_clock = clock;
    std::vector<QueuedEvent> due;
    auto isDue = [clock](const QueuedEvent& q) { return q.event.time_stamp == clock; };
    std::copy_if(queued_events.begin(), queued_events.end(), std::back_inserter(due), isDue);
    queued_events.erase(std::remove_if(queued_events.begin(), queued_events.end(), isDue),
                        queued_events.end());
    for (QueuedEvent& q : due) q.record->event_handler(q.record->object, &q.event);
}

std::vector<HostCall> RecordingHost::CallsWith(int32_t opcode) const {
    std::vector<HostCall> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [opcode](const HostCall& c) { return c.opcode == opcode; });
    return found;
}

std::vector<int32_t> RecordingHost::Opcodes() const {
    std::vector<int32_t> opcodes;
    for (const HostCall& c : calls) opcodes.push_back(c.opcode);
    return opcodes;
}
