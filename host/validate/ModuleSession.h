// One placed module driven the way most checks need it: both objects made and started, blocks
// processed, and every input pin a user can set taken through the values a user can give it.
// The session is played in named steps (a pin set to a value, a signal on the inputs), and every
// rule the host watches holds over all of them: what the host finds (a write outside a call's
// frames, a non-finite output, a message for the past, a STATIC output that moves, a GUI-side
// fault) and every heap call inside a process call or event delivery is kept with the step it
// came in, its block size and its rate.
#ifndef QVHOST_VALIDATE_MODULE_SESSION_H
#define QVHOST_VALIDATE_MODULE_SESSION_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CheckContext.h"
#include "ModuleLibrary.h"
#include "PinDescription.h"
#include "ReferenceHost.h"

class ModuleSession {
public:
    static constexpr float kSampleRate = 44100.0f;
    static constexpr int32_t kBlockSize = 64;

    explicit ModuleSession(const ModuleLibrary& library);

    ReferenceHost& Host() { return m_host; }
    // Both objects made (unless they are already), the sample clock at `clock`, sample rate and
    // block size set, the audio object opened, the GUI object initialised.
    void Start(uint32_t clock = 0, float rate = kSampleRate);
    void ProcessBlocks(int count);
    // Every GUI input pin through its user values; each boolean input is raised and lowered
    // after every other change, so the module does its work. `after_each` runs after every step.
    void ChangeEveryInput(CheckContext& context, const std::function<void()>& after_each = {});
    // Start, blocks, every input, blocks.
    void RunTypical(CheckContext& context, const std::function<void()>& after_each = {});
    // Three blocks of each test signal on every sample input, each announced MOVING or STATIC at
    // its start as a host announces it: silence, DC +1 and -1, a full-scale sine, noise,
    // subnormals, one impulse, a jump between blocks.
    void PlayEverySignal(CheckContext& context);
    // Names the step that follows; the step before it ends here.
    void Step(const std::string& what);
    // Every finding of the whole session fails the check, named by its step; the host's
    // warnings warn.
    void Verdict(CheckContext& context);

    // The audio indices of the module's sample inputs.
    static std::vector<int32_t> SampleInputs(const AudioSideHost& audio);

    // What a user can set a pin to: both values of a boolean, each entry of an enumeration, the
    // edge values of an integer, a few floats. Nothing for a sample pin.
    static std::vector<int32_t> UserValues(const PinDescription& pin, CheckContext& context);

private:
    // Keeps what the host found, and the heap calls counted, since the step began.
    void EndStep();

    ReferenceHost m_host;
    std::string m_step = "starting";
    size_t m_problems_seen = 0;
    uint64_t m_heap_calls_seen;
    std::vector<std::string> m_findings;
};

#endif
