// One whole session of the random pair module, as `qvhost run` performs it: make both objects,
// open and process the audio one, set the inputs, initialise the GUI one, fire the triggers and
// collect the pair written for each, then close both. The pins are found by name in the module's
// pin table and the mode by name in the Modes pin's choices.
#ifndef QVHOST_PAIR_RUN_H
#define QVHOST_PAIR_RUN_H

#include "AudioSideHost.h"
#include "GuiSideHost.h"
#include "ModuleDescription.h"
#include "ModuleLibrary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RunOptions {
    std::string mode = "normal";
    int32_t lo = 0;
    int32_t hi = 10;
    int32_t triggers = 10;
    std::optional<uint32_t> seed;  // the runtime's generator is seeded after the objects exist
};

struct RunPair {
    int32_t out1;
    int32_t out2;
};

struct RunResult {
    ModuleDescription module;
    RunOptions options;
    int32_t mode_value = 0;
    std::vector<RunPair> pairs;
    int32_t audio_pins = 0;
    AudioCounts audio;
    GuiCounts gui;
    QVWord audio_close_answer = 0;
    int32_t gui_close_answer = 0;
    std::vector<std::string> problems;  // breaches of the host contract seen during the run
};

class PairRun {
public:
    static constexpr int32_t kMaxTriggers = 1000000;
    static constexpr int32_t kBlockSize = 256;
    static constexpr int kBlocksBeforeInputs = 4;

    // Throws HostError when the options are bad, the library or a record is bad, or the module
    // lacks a pin or mode the run needs.
    static RunResult Execute(const ModuleLibrary& library, const RunOptions& options);
};

#endif
