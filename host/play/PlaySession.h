// Watching a module work: both objects made and started as a host starts them, then a timeline of
// settings applied at chosen samples while blocks are processed. Every pin write of the GUI object
// and every value and status message of the audio object is kept with its sample, and per sample
// the audio outputs and the GUI pins' values. Serves any module: one that lives on the GUI side
// alone, like Kestrel-Pavlen, as well as one that works on audio.
#ifndef QVHOST_PLAY_SESSION_H
#define QVHOST_PLAY_SESSION_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ModuleLibrary.h"

struct TimedSetting {
    uint32_t sample;
    std::string setting;  // PIN=VALUE
};

struct PlayOptions {
    uint32_t samples = 4800;
    int32_t block = 64;
    float rate = 48000.0f;
    std::optional<uint32_t> seed;      // the runtime's generator, seeded once the objects exist
    std::vector<TimedSetting> timeline;  // in any order; applied in order of sample
};

// One thing a side did or was told, at a sample counted from the play's start.
struct PlayEvent {
    uint32_t sample;
    std::string text;
};

struct PlayResult {
    std::string module;
    std::vector<PlayEvent> events;
    std::vector<std::string> columns;          // audio outputs, then user-interface pins
    std::vector<std::vector<double>> rows;     // one per sample, a value per column
    std::vector<std::string> problems;
};

class PlaySession {
public:
    // "SAMPLE:PIN=VALUE" with a sample within a run of `samples`; UsageError for anything else.
    static TimedSetting ParseTimed(const std::string& text, uint32_t samples);
    static PlayResult Execute(const ModuleLibrary& library, const PlayOptions& options);
};

#endif
