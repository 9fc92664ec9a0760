// One placed module driven the way most checks need it: both objects made and started, blocks
// processed, and every input pin a user can set taken through the values a user can give it.
#ifndef QVHOST_VALIDATE_MODULE_SESSION_H
#define QVHOST_VALIDATE_MODULE_SESSION_H

#include <cstdint>
#include <functional>
#include <vector>

#include "CheckContext.h"
#include "ModuleLibrary.h"
#include "PinDescription.h"
#include "ReferenceHost.h"

class ModuleSession {
public:
    static constexpr float kSampleRate = 44100.0f;
    static constexpr int32_t kBlockSize = 64;

    explicit ModuleSession(const ModuleLibrary& library) : m_host(library) {}

    ReferenceHost& Host() { return m_host; }
    // Both objects made (unless they are already), the sample clock at `clock`, sample rate and
    // block size set, the audio object opened, the GUI object initialised.
    void Start(uint32_t clock = 0);
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
    // The audio indices of the module's sample inputs.
    static std::vector<int32_t> SampleInputs(const AudioSideHost& audio);

    // What a user can set a pin to: both values of a boolean, each entry of an enumeration, the
    // edge values of an integer, a few floats. Nothing for a sample pin.
    static std::vector<int32_t> UserValues(const PinDescription& pin, CheckContext& context);

private:
    ReferenceHost m_host;
};

#endif
