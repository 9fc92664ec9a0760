// The host's side of one audio object: it drives the object through its record (dispatcher,
// process entry, event entry) and answers the object's HOST_OP_ calls. It keeps the sample
// clock, one float buffer per audio pin, and the events the object queued, and processes in
// blocks, splitting a block wherever an event is due so that each event arrives exactly when the
// sample clock equals its time stamp. Its parts are classes of their own: the pin table and the
// audio pins (AudioPinTable), a pin's variable (PinVariable), the watch on outputs announced
// STATIC (StaticOutputWatch) and the values that pass between the sides (SideValues).
#ifndef QVHOST_AUDIO_SIDE_HOST_H
#define QVHOST_AUDIO_SIDE_HOST_H

#include "AudioPinTable.h"
#include "EventQueue.h"
#include "PinDescription.h"
#include "SampleBuffers.h"
#include "SideValues.h"
#include "StaticOutputWatch.h"
#include "QVHostTypes.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

class AudioSideHost {
public:
    static constexpr int32_t kMaxBlockSize = 4096;
    // The block size until the host sets one.
    static constexpr int32_t kDefaultBlockSize = 256;
    // More descriptions than this is taken as a module that never answers false.
    static constexpr int32_t kMaxPinDescriptions = AudioPinTable::kMostDescriptions;
    // Events delivered at one sample clock before the host takes the object to be looping.
    static constexpr int kMaxEventsPerClock = 1000;

    // Takes a validated record; reads the pin table and sets up the audio pins' buffers.
    void Attach(AudioHostRecord* record);
    // Holds `copies` more audio pins built from the last description, which must create an audio
    // pin and carry IO_REPEAT_LAST. Before Open only: the object counts its pins there.
    void RepeatLastPin(int32_t copies);
    bool IsAttached() const { return m_record != nullptr; }
    AudioHostRecord* Record() const { return m_record; }

    // Everything the object asks through its host callback.
    QVWord Answer(AudioHostRecord* record, int32_t opcode, int32_t index, int32_t value, void* ptr);

    QVWord Dispatch(int32_t opcode, int32_t index, int32_t value, void* ptr, float opt);
    void Open();
    void SetSampleRate(float rate);
    void SetBlockSize(int32_t size);  // 1..kMaxBlockSize; HostError otherwise
    // One block: process calls and event deliveries up to the next block's first sample.
    void ProcessBlock();
    // A block of `frames` samples, 1 to the block size: a host cuts its block short there, to
    // apply a change at its own sample or to end a run.
    void ProcessFrames(int32_t frames);
    // A process call of no samples at the current clock, which stays where it is.
    void ProcessNoFrames();
    // An event of the host's own, delivered at once: its time stamp is set to the sample clock.
    void DeliverHostEvent(TimedEvent event);
    // MOD_OP_CLOSE; the object and its record are gone afterwards. Returns the object's answer.
    QVWord Close();

    const std::vector<PinDescription>& PinTable() const { return m_pins.Descriptions(); }
    int32_t AudioPinCount() const { return m_pins.AudioPinCount(); }
    const float* PinBuffer(int32_t pin) const;
    // Where the next block's input samples go: element 0 is the block's first sample.
    float* InputBuffer(int32_t pin);
    // The description an audio pin was built from; repeated pins share the last one.
    const PinDescription& AudioPin(int32_t pin) const;
    // The audio indices of the sample pins of `direction` (DR_IN or DR_OUT), in order.
    std::vector<int32_t> SamplePins(int32_t direction) const;
    // Writes `value` into the pin's variable as its datatype holds it, then reports the change
    // to the object with an EVENT_PIN_STATUS at the current sample clock. HostError for a pin
    // without a variable, with a datatype that holds no single value, or a value it cannot hold.
    void SetPinValue(int32_t pin, double value);
    // SetPinValue's write alone, with no report.
    void WritePinVariable(int32_t pin, double value);
    // What the pin's variable holds now, as its datatype holds it; HostError as WritePinVariable.
    double ReadPinVariable(int32_t pin) const;
    // Tells the object that an input pin's status changed, `after` samples from now: within the
    // next block, the host splits the block there.
    void PostPinStatus(int32_t pin, int32_t status, uint32_t after = 0);
    // A value the GUI side took for description `table_index`, which has an audio-side pin as
    // well: at the start of the next block it reaches the audio object as any value does, written
    // into the pin's variable (when the module keeps one) and reported as changed. Only the
    // latest value of a pin set several times between two blocks arrives, once, so a GUI side
    // that writes faster than the audio side processes queues nothing. This host's choice; any
    // thread may call it.
    void TakeValueFromGui(size_t table_index, double value);
    // The values the audio object sent (HOST_OP_PIN_VALUE) for output pins with both sides, for
    // the GUI side to show, as a host shows a meter or a step light: the latest of each pin since
    // the last take, in the order the pins were first sent. Any thread may call it.
    std::vector<ValueForGui> TakeValuesForGui();
    uint32_t SampleClock() const { return m_clock; }
    // A pin status as a user reads it: "static", "changed", "moving", or "status N".
    static std::string StatusName(int32_t status);
    // Where the clock starts; only before the first block, while no event is queued.
    void StartClockAt(uint32_t clock);
    int32_t BlockSize() const { return m_block_size; }
    // The rate the host last set; 0 before it sets one.
    float SampleRate() const { return m_sample_rate; }
    ProcessFn ProcessEntry() const { return m_process; }
    const AudioCounts& Counts() const { return m_counts; }
    const std::vector<AudioPinMessage>& PinMessages() const { return m_pin_messages; }
    // Hands the messages kept so far over and forgets them. Only between calls into the object.
    std::vector<AudioPinMessage> TakePinMessages() { return std::exchange(m_pin_messages, {}); }
    size_t PendingEvents() const { return m_events.Size(); }
    const std::vector<std::string>& Problems() const { return m_problems; }
    // What the object did that is allowed but suspicious: subnormal output, an unknown opcode.
    const std::vector<std::string>& Warnings() const { return m_warnings; }

private:
    // A buffer and a watch for each audio pin from `first` on.
    void AddBuffers(int32_t first);
    void CallProcess(uint32_t offset, uint32_t frames);
    // The event entry, with the buffers watched around it as around a process call.
    void CallEventHandler(TimedEvent& event);
    // The event entry alone, as the trace shows it.
    void InvokeEventHandler(TimedEvent& event);
    void DeliverDueEvents();
    void ApplyValuesFromGui();
    void AddEvent(const TimedEvent* event);
    // A finding of the rule `rule` (HostRuleIds.h).
    void Problem(const char* rule, const std::string& text);
    void Warning(const char* rule, const std::string& text);
    // Shows the host's own doing to the installed call observer, for the trace.
    void NoteHostAction(const std::string& note);
    // Where the current call starts in the block's buffers.
    uint32_t BlockOffset() const { return m_clock - m_block_start; }
    void CheckMessage(int32_t opcode, int32_t pin, uint32_t stamp);
    // The buffers' watch after a call into the object, its findings as problems and warnings.
    void AfterCall(uint32_t offset, uint32_t frames);
    // Whether a float value pin's variable holds a subnormal the module may pass on.
    bool ValueHoldsSubnormal() const;
    // A status the object announced for one of its pins; STATIC on an output starts its watch.
    void NoteStatus(int32_t pin, int32_t status, uint32_t stamp);
    // Keeps a value sent for an output pin with both sides for the GUI side.
    void KeepValueForGui(int32_t pin, int32_t value);

    AudioHostRecord* m_record = nullptr;
    ProcessFn m_process = nullptr;
    AudioPinTable m_pins;
    SampleBuffers m_buffers{kMaxBlockSize, kDefaultBlockSize};
    StaticOutputWatch m_static_watch;  // per audio pin
    bool m_opened = false;
    int32_t m_block_size = kDefaultBlockSize;
    float m_sample_rate = 0.0f;
    uint32_t m_clock = 0;
    uint32_t m_block_start = 0;
    EventQueue m_events;
    AudioCounts m_counts;
    std::vector<AudioPinMessage> m_pin_messages;
    std::vector<std::string> m_problems;
    std::vector<std::string> m_warnings;
    SideValues m_side_values;
};

#endif
