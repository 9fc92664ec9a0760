// Renders a module's audio side: makes the audio object with buffers for every audio pin (and a
// chosen number of repeated pins), feeds input pins test signals, sets value pins, processes in
// blocks with the object's events delivered exactly at their time stamps, and keeps what the
// output pins wrote along with the status changes the object reported for them, and when asked
// what the sample inputs were given.
#ifndef QVHOST_RENDER_SESSION_H
#define QVHOST_RENDER_SESSION_H

#include <cstdint>
#include <string>
#include <vector>

#include "AudioSideHost.h"
#include "ModuleLibrary.h"

struct RenderOptions {
    // Ten minutes at 48 kHz: each output pin keeps every sample in memory.
    static constexpr uint32_t kMaxSamples = 28800000;

    uint32_t samples = 48000;
    int32_t block = 256;
    float rate = 48000.0f;
    int32_t repeat = 0;  // audio pins added as copies of a last IO_REPEAT_LAST description
    std::vector<std::string> inputs;  // PIN=SIGNAL
    // PIN=VALUE, for a value pin of either side; an enumeration pin takes a choice's name too.
    std::vector<std::string> settings;
    bool keep_inputs = false;  // every sample input's samples, kept as the object was given them
};

struct StatusChange {
    uint32_t clock;
    int32_t status;
};

// One audio pin's samples, each block's first samples up to the render's length.
struct SampleTrack {
    std::string name;
    std::vector<float> samples;
    std::vector<StatusChange> status_changes;  // an output's, as the object announced them
};

struct RenderResult {
    std::string module;
    std::vector<SampleTrack> outputs;
    // With keep_inputs, every sample input in the order of the audio pins, named "in:PIN".
    std::vector<SampleTrack> inputs;
    AudioCounts counts;
    // When a setting made the GUI object, its pin writes as PinWriteText describes them.
    std::vector<std::string> gui_writes;
    std::vector<std::string> problems;
};

class RenderSession {
public:
    // Throws HostError for a bad record, UsageError for an unknown pin or signal, an output pin,
    // or a value the pin cannot take (naming an enumeration's choices).
    static RenderResult Execute(const ModuleLibrary& library, const RenderOptions& options);
};

#endif
