// A host for a module's unit tests, with no real host: the reference host itself, serving the
// module's own makeModule linked into the test program. It makes both objects and starts them as a
// host does, sets value pins of either side by name, feeds sample inputs and sets their statuses,
// processes blocks of chosen sizes with events delivered exactly at their clock, and keeps what
// the module did: the GUI object's writes (pointer writes too), the audio object's messages, and
// every breach of the host contract seen.
// A pin change is reported from inside the write that made it, as a real host reports it: once
// per change, or once per write when the test chooses (the module's own writes included).
// Installed with the SDK as QVSdk::testing.
#ifndef QVHOST_QV_TEST_HOST_H
#define QVHOST_QV_TEST_HOST_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ReferenceHost.h"

class QVTestHost {
public:
    enum class Notices { kOnChange, kOnEveryWrite };

    explicit QVTestHost(MakeModuleFn make_module, Notices notices = Notices::kOnChange);
    ~QVTestHost();
    QVTestHost(const QVTestHost&) = delete;
    QVTestHost& operator=(const QVTestHost&) = delete;

    // Both objects made, the rate and block size set, the audio object opened, the GUI object
    // initialised. Every sample input is MOVING from the first block on: the object hears so
    // (OnPinStatusChange) at the first block's first sample, as from a host whose inputs carry
    // audio.
    void Start(float rate = 48000.0f, int32_t block = 64);
    // "PIN=VALUE" for a value pin of either side, as `qvhost render --set` takes it; an
    // audio-side pin's change is reported `after` samples into the next block.
    void Set(const std::string& setting, uint32_t after = 0);
    // The block's buffer of a sample pin by name: an input's to fill before Process, an output's
    // to read after it. Element 0 is the block's first sample.
    float* Input(const std::string& pin);
    const float* Output(const std::string& pin);
    // After Start: tells the object that sample input `pin` has `status` (PIN_STATUS_STATIC,
    // _CHANGED, _MOVING) from the next block's first sample on. HostError, naming the pin, for a
    // pin that is not a sample input.
    void SetInputStatus(const std::string& pin, int32_t status);
    // Blocks of the current size, each followed by the GUI side's turn, in which the values the
    // audio object sent for output pins with both sides reach the GUI object.
    void Process(int blocks = 1);
    void SetBlockSize(int32_t block);

    // What the GUI object wrote, in order, pointer writes among them (with the text they carried
    // to a pin of a datatype of the host's own; PinWriteText::Describe gives each write's line);
    // its pins' values as the host holds them.
    const std::vector<PinWrite>& GuiWrites() const;
    int32_t GuiInt(const std::string& pin) const;
    float GuiFloat(const std::string& pin) const;
    // What the audio object sent: values and status changes, with their clocks.
    const std::vector<AudioPinMessage>& AudioMessages() const;
    // Every breach of the host contract the host saw; a test expects none.
    std::vector<std::string> Problems() const;

    ReferenceHost& Host();

private:
    int32_t AudioPin(const std::string& name) const;
    int32_t TablePin(const std::string& name) const;

    std::unique_ptr<ModuleSource> m_source;
    std::unique_ptr<ReferenceHost> m_host;
    bool m_started = false;
};

#endif
