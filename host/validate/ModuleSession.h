// One placed module driven the way most checks need it: both objects made and started, blocks
// processed, and every input pin a user can set taken through the values a user can give it.
// The session is played in named steps (a pin set to a value, a signal on the inputs), and every
// rule the host watches holds over all of them: what the host finds (a write outside a call's
// frames, a non-finite output, a message for the past, a STATIC output that moves, a GUI-side
// fault) and every heap call inside a process call or event delivery is kept with the step it
// came in, its block size and its rate. What the session does through its own calls is kept as a
// play (PlayScript), so that a failing session can be played again by `qvhost play --script`.
#ifndef QVHOST_VALIDATE_MODULE_SESSION_H
#define QVHOST_VALIDATE_MODULE_SESSION_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AllocationWatch.h"
#include "CheckContext.h"
#include "ModuleLibrary.h"
#include "PinDescription.h"
#include "PlaySession.h"
#include "ReferenceHost.h"
#include "SignalFeed.h"

class ModuleSession {
public:
    static constexpr float kSampleRate = 44100.0f;
    static constexpr int32_t kBlockSize = 64;

    explicit ModuleSession(const ModuleLibrary& library);
    ~ModuleSession();
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    ReferenceHost& Host() { return m_host; }
    // Both objects made (unless they are already), the sample clock at `clock`, sample rate and
    // block size set, the audio object opened, the GUI object initialised.
    void Start(uint32_t clock = 0, float rate = kSampleRate, int32_t block = kBlockSize);
    // Blocks of the current size, each sample input fed its signal.
    void ProcessBlocks(int count);
    // One block cut short at `frames` samples (1 to the block size), as a host cuts one to apply
    // a change at its own sample.
    void ProcessFrames(int32_t frames);
    // The host's actions between blocks, each kept in the session's play.
    void SetBlockSize(int32_t size);
    void SetSampleRate(float rate);
    // Through the GUI object, in the pin's datatype.
    void SetGuiValue(int32_t table_index, double value);
    // As a user or a connection changes an input pin: through the GUI object when the pin has a
    // GUI side; else into its variable, the audio object told it CHANGED. The step says which.
    void SetUserValue(size_t table_index, int32_t value);
    // Into the module's variable, the audio object told `status` `offset` samples on.
    void SetVariable(int32_t audio_pin, double value, int32_t status, uint32_t offset);
    // A signal (SignalGenerator) on a sample input from `offset` samples into the next block on,
    // announced as `status` there (the host splits the block at a later offset).
    void FeedSignal(int32_t audio_pin, const std::string& definition, int32_t status,
                    uint32_t offset = 0);
    // A value the patch holds, before Start: in the variable and the GUI object as the pin has
    // them; Start tells the GUI object of it before initialising it.
    void Store(size_t table_index, int32_t audio_pin, bool gui, double value);
    // How many writes the GUI object had made when Start sent GUI_OP_INITIALISE: those before
    // came from the notices of stored pins.
    size_t GuiWritesBeforeInitialise() const { return m_gui_writes_before_initialise; }
    // The session does what a play cannot say (pins repeated, threads): it keeps no play.
    void Unscripted();
    // Every value input pin through its user values (SetUserValue); each boolean input is raised
    // and lowered after every other change, so the module does its work. `after_each` runs after
    // every step.
    void ChangeEveryInput(CheckContext& context, const std::function<void()>& after_each = {});
    // Start, blocks, every input, blocks.
    void RunTypical(CheckContext& context, const std::function<void()>& after_each = {});
    // Three blocks of each test signal on every sample input, each announced MOVING or STATIC at
    // its start as a host announces it: silence, DC +1 and -1, a full-scale sine, noise,
    // subnormals, one impulse, a jump between blocks.
    void PlayEverySignal(CheckContext& context);
    // Names the step that follows; the step before it ends here.
    void Step(const std::string& what);
    const std::string& CurrentStep() const { return m_step; }
    // What the session did so far as a play, its actions in order of sample; nothing when it
    // keeps no play (its check keeps no failing session, or the play cannot say what it did).
    std::optional<PlayOptions> Played() const;
    // Every finding of the whole session fails the check, named by its step; the host's
    // warnings warn. With a folder for failing sessions, the first failing one is kept there.
    void Verdict(CheckContext& context);

    // What a user can set a pin to: both values of a boolean, each entry of an enumeration, the
    // edge values of an integer, a few floats. Nothing for a sample pin.
    static std::vector<int32_t> UserValues(const PinDescription& pin, CheckContext& context);

private:
    // Keeps what the host found, and the heap calls counted, since the step began.
    void EndStep();
    uint32_t Position() const;
    // Whether the session keeps its play: only for a check that keeps its failing sessions, and
    // only while the play can say what the session did.
    bool Keeping() const;
    // Adds an action to the session's play.
    void Keep(uint32_t sample, PlayAction::Kind kind, const std::string& pin,
              const std::string& value, std::optional<int32_t> status = std::nullopt);

    // Counts the library's heap calls on Windows too, whether or not the check watches them.
    const AllocationWatch m_heap_watch;
    ReferenceHost m_host;
    bool m_started = false;
    uint32_t m_start = 0;  // the sample clock at the session's first sample
    std::string m_step = "starting";
    size_t m_problems_seen = 0;
    uint64_t m_heap_calls_seen;
    std::vector<std::string> m_findings;
    std::string m_first_warning;  // the host's first warning, with the step it came in
    bool m_scripted = true;
    PlayOptions m_play;
    std::vector<int32_t> m_stored_gui_pins;
    size_t m_gui_writes_before_initialise = 0;
    SignalFeed m_feed;
};

#endif
