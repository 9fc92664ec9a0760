// What the host answers an audio object's HOST_OP_ calls, over the state the answers read and
// write: the sample clock, the pin table and one float buffer per audio pin, the events the
// object queued, the messages it sent about its pins, and the host's findings. AudioSideHost,
// which drives the object, builds on it.
#ifndef QVHOST_AUDIO_HOST_ANSWERS_H
#define QVHOST_AUDIO_HOST_ANSWERS_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AudioPinTable.h"
#include "EventQueue.h"
#include "PinDescription.h"
#include "QVHostTypes.h"
#include "SampleBuffers.h"
#include "SideValues.h"
#include "StaticOutputWatch.h"

// A HOST_OP_PIN_VALUE or HOST_OP_STATUS_CHANGE the object sent, with the host's clock at the time.
struct AudioPinMessage {
    int32_t opcode;
    int32_t pin;
    int32_t value;
    uint32_t stamp;  // the sample clock the object passed along
    uint32_t clock;  // the host's sample clock when it arrived
};

struct AudioCounts {
    int sleeps = 0;
    int process_changed = 0;
    int pin_count_requests = 0;
    int process_calls = 0;
    int events_queued = 0;
    int host_events_posted = 0;  // pin statuses the host put in the queue itself
    int events_delivered = 0;
    int events_refused = 0;
};

class AudioHostAnswers {
public:
    static constexpr int32_t kMaxBlockSize = 4096;
    // The block size until the host sets one.
    static constexpr int32_t kDefaultBlockSize = 256;

    // Everything the object asks through its host callback.
    QVWord Answer(AudioHostRecord* record, int32_t opcode, int32_t index, int32_t value, void* ptr);

    bool IsAttached() const { return m_record != nullptr; }
    AudioHostRecord* Record() const { return m_record; }
    ProcessFn ProcessEntry() const { return m_process; }
    const std::vector<PinDescription>& PinTable() const { return m_pins.Descriptions(); }
    int32_t AudioPinCount() const { return m_pins.AudioPinCount(); }
    // The description an audio pin was built from; repeated pins share the last one.
    const PinDescription& AudioPin(int32_t pin) const { return m_pins.AudioPin(pin); }
    // The audio pin a description built, if it built one.
    std::optional<int32_t> AudioPinOf(size_t table_index) const {
        return m_pins.AudioPinOf(table_index);
    }
    uint32_t SampleClock() const { return m_clock; }
    size_t PendingEvents() const { return m_events.Size(); }
    const AudioCounts& Counts() const { return m_counts; }
    const std::vector<AudioPinMessage>& PinMessages() const { return m_pin_messages; }
    // Hands the messages kept so far over and forgets them. Only between calls into the object.
    std::vector<AudioPinMessage> TakePinMessages() { return std::exchange(m_pin_messages, {}); }
    // The values the audio object sent (HOST_OP_PIN_VALUE) for output pins with both sides, for
    // the GUI side to show, as a host shows a meter or a step light: the latest of each pin since
    // the last take, in the order the pins were first sent. Any thread may call it.
    std::vector<ValueForGui> TakeValuesForGui() { return m_side_values.TakeForGui(); }
    const std::vector<std::string>& Problems() const { return m_problems; }
    // What the object did that is allowed but suspicious: subnormal output, an unknown opcode.
    const std::vector<std::string>& Warnings() const { return m_warnings; }

protected:
    // A finding of the rule `rule` (HostRuleIds.h).
    void Problem(const char* rule, const std::string& text);
    void Warning(const char* rule, const std::string& text);

    AudioHostRecord* m_record = nullptr;
    ProcessFn m_process = nullptr;
    AudioPinTable m_pins;
    SampleBuffers m_buffers{kMaxBlockSize, kDefaultBlockSize};
    StaticOutputWatch m_static_watch;  // per audio pin
    uint32_t m_clock = 0;
    uint32_t m_block_start = 0;
    EventQueue m_events;
    AudioCounts m_counts;
    SideValues m_side_values;

private:
    void AddEvent(const TimedEvent* event);
    void CheckMessage(int32_t opcode, int32_t pin, uint32_t stamp);
    // A status the object announced for one of its pins; STATIC on an output starts its watch.
    void NoteStatus(int32_t pin, int32_t status, uint32_t stamp);
    // Keeps a value sent for an output pin with both sides for the GUI side.
    void KeepValueForGui(int32_t pin, int32_t value);

    std::vector<AudioPinMessage> m_pin_messages;
    std::vector<std::string> m_problems;
    std::vector<std::string> m_warnings;
};

#endif
