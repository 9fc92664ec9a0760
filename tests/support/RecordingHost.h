// A host for tests: records every call that an object makes through its host callback, answers
// from tables the test fills, and can call back into the object from inside a call, the way a
// real host does. One RecordingHost serves at a time: the newest one alive.
#ifndef RECORDING_HOST_H
#define RECORDING_HOST_H

#include "QVHostTypes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct HostCall {
    void* record;
    int32_t opcode;
    int32_t index;
    int32_t value;
    void* ptr;
    float opt;
};

class RecordingHost {
public:
    RecordingHost();
    ~RecordingHost();
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // The function to hand to an object as its host callback.
    static QVWord QV_CDECL Callback(void* record, int32_t opcode, int32_t index, int32_t value,
                                    void* ptr, float opt);

    std::vector<HostCall> calls;  // every call, oldest first
    std::vector<HostCall> CallsWith(int32_t opcode) const;
    std::vector<int32_t> Opcodes() const;

    // Runs inside every call, after it is recorded and before it is answered.
    std::function<void(const HostCall&)> on_call;
    // Answers for opcodes that no table below serves, per side; 0 when absent.
    std::map<int32_t, QVWord> gui_answers;
    std::map<int32_t, QVWord> audio_answers;

    // GUI side. Reads answer from pin_values (0 when absent); writes store into it.
    std::map<int32_t, int32_t> pin_values;
    std::map<int32_t, float> pin_float_writes;  // the opt of each GUIHOST_OP_WRITE_PIN_VALUE
    std::map<int32_t, std::string> pin_texts;
    std::map<int32_t, std::u16string> pin_wide_texts;
    // When set, a pin write is followed, from inside the write, by GUI_OP_PIN_CHANGED for that pin.
    bool notify_on_write = false;

    // Audio side.
    uint32_t sample_clock = 0;
    int32_t pin_count = 0;
    std::map<int32_t, float*> pin_buffers;
    std::map<int32_t, uint32_t> buffer_base_clocks;
    struct QueuedEvent {
        AudioHostRecord* record;
        TimedEvent event;
    };
    std::vector<QueuedEvent> queued_events;  // copies of HOST_OP_ADD_EVENT, not yet delivered

    // Moves the sample clock to `clock` and hands every queued event stamped with it to its
    // object's event entry, in the order they were queued.
    void DeliverEventsAt(uint32_t clock);

private:
    QVWord AnswerGui(const HostCall& call);
    QVWord AnswerAudio(const HostCall& call);

    RecordingHost* m_previous;
};

#endif
