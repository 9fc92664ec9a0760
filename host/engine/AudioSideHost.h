// The host's side of one audio object: it drives the object through its record (dispatcher,
// process entry, event entry), and processes in blocks, splitting a block wherever an event is
// due so that each event arrives exactly when the sample clock equals its time stamp. Its parts
// are classes of their own: the host's answers to the object's HOST_OP_ calls and the state they
// share with the driving (AudioHostAnswers), the pin table and the audio pins (AudioPinTable), a
// pin's variable (PinVariable), the watch on outputs announced STATIC (StaticOutputWatch) and
// the values that pass between the sides (SideValues).
#ifndef QVHOST_AUDIO_SIDE_HOST_H
#define QVHOST_AUDIO_SIDE_HOST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "AudioHostAnswers.h"
#include "QVHostTypes.h"

class AudioSideHost : public AudioHostAnswers {
public:
    // More descriptions than this is taken as a module that never answers false.
    static constexpr int32_t kMaxPinDescriptions = AudioPinTable::kMostDescriptions;
    // Events delivered at one sample clock before the host takes the object to be looping.
    static constexpr int kMaxEventsPerClock = 1000;

    // Takes a validated record; reads the pin table and sets up the audio pins' buffers.
    void Attach(AudioHostRecord* record);
    // Holds `copies` more audio pins built from the last description, which must create an audio
    // pin and carry IO_REPEAT_LAST. Before Open only: the object counts its pins there.
    void RepeatLastPin(int32_t copies);

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

    const float* PinBuffer(int32_t pin) const;
    // Where the next block's input samples go: element 0 is the block's first sample.
    float* InputBuffer(int32_t pin);
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
    // A pin status as a user reads it: "static", "changed", "moving", or "status N".
    static std::string StatusName(int32_t status);
    // Where the clock starts; only before the first block, while no event is queued.
    void StartClockAt(uint32_t clock);
    int32_t BlockSize() const { return m_block_size; }
    // The rate the host last set; 0 before it sets one.
    float SampleRate() const { return m_sample_rate; }

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
    // Shows the host's own doing to the installed call observer, for the trace.
    void NoteHostAction(const std::string& note);
    // Where the current call starts in the block's buffers.
    uint32_t BlockOffset() const { return m_clock - m_block_start; }
    // The buffers' watch after a call into the object, its findings as problems and warnings.
    void AfterCall(uint32_t offset, uint32_t frames);
    // Whether a float value pin's variable holds a subnormal the module may pass on.
    bool ValueHoldsSubnormal() const;

    bool m_opened = false;
    int32_t m_block_size = kDefaultBlockSize;
    float m_sample_rate = 0.0f;
};

#endif
