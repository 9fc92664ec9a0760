// Watching a module work: both objects made and started as a host starts them, then a timeline of
// settings applied at chosen samples while blocks are processed. Every pin write of the GUI object
// and every value and status message of the audio object is kept with its sample, and per sample
// the audio outputs and the GUI pins' values, handed on as they are made (a run's memory does not
// grow with its length). Serves any module: one that lives on the GUI side
// alone, like Kestrel-Pavlen, as well as one that works on audio.
#ifndef QVHOST_PLAY_SESSION_H
#define QVHOST_PLAY_SESSION_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ModuleLibrary.h"

struct TimedSetting {
    uint32_t sample;
    std::string setting;  // PIN=VALUE, or PIN=SIGNAL for a sample input
};

struct PlayOptions {
    uint32_t samples = 4800;
    int32_t block = 64;
    float rate = 48000.0f;
    std::optional<uint32_t> seed;      // the runtime's generator, seeded once the objects exist
    std::vector<TimedSetting> timeline;  // in any order; applied in order of sample
    // PIN=SIGNAL for sample inputs from the start; a setting of the timeline may change one.
    std::vector<std::string> inputs;
};

// One thing a side did or was told, at a sample counted from the play's start.
struct PlayEvent {
    uint32_t sample;
    std::string text;
};

struct PlayResult {
    std::string module;
    std::vector<PlayEvent> events;
    std::vector<std::string> columns;  // audio outputs, then user-interface pins
    std::vector<std::string> problems;
};

// One sample's values, a value per column, as the play makes them: the columns come along.
using PlayRowSink = std::function<void(uint32_t sample, const std::vector<std::string>& columns,
                                       const std::vector<double>& values)>;

class PlaySession {
public:
    // "SAMPLE:PIN=VALUE" with a sample within a run of `samples`; UsageError for anything else.
    static TimedSetting ParseTimed(const std::string& text, uint32_t samples);
    static PlayResult Execute(const ModuleLibrary& library, const PlayOptions& options,
                              const PlayRowSink& rows = {});
};

#endif
