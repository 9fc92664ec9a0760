// Watching a module work: both objects made and started as a host starts them, with any values
// a patch stored, then a timeline of actions (settings, signals, rates, block sizes) each at its
// own sample while blocks are processed. Every pin write of the GUI object and every value and
// status message of the audio object, each with its sample, and per sample the audio outputs and
// the GUI pins' values, are handed on as they are made (a run's memory does not grow with its
// length). Serves any module: one that lives on the GUI side
// alone, like Kestrel-Pavlen, as well as one that works on audio.
#ifndef QVHOST_PLAY_SESSION_H
#define QVHOST_PLAY_SESSION_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ModuleLibrary.h"
#include "OutputSummary.h"
#include "PlayAction.h"

// What one object of a play is given: values a patch stored, signals from the start and a
// timeline of actions.
struct ObjectPlay {
    // PIN=VALUE a patch holds, in the variable and the GUI object before either starts; the GUI
    // object is told of each before it is initialised.
    std::vector<std::string> stored;
    // Where each was given ("--script FILE:LINE"), if known.
    std::vector<std::string> stored_origins;
    std::vector<PlayAction> timeline;  // in any order; applied in order of sample
    // PIN=SIGNAL for sample inputs from the start; an action of the timeline may change one.
    std::vector<std::string> inputs;
};

// A play: the run's settings and its first object's play, and the objects placed beside it, each
// played a block in turn, as a host places a module twice.
struct PlayOptions : ObjectPlay {
    uint32_t samples = 4800;
    int32_t block = 64;
    float rate = 48000.0f;
    uint32_t clock = 0;            // the sample clock at the first sample
    std::optional<uint32_t> seed;  // the runtime's generator, seeded once the objects exist
    std::vector<ObjectPlay> beside;  // object 2 on; at most kMostObjects - 1
    static constexpr size_t kMostObjects = 2;
};

// One thing a side did or was told, at a sample counted from the play's start.
struct PlayEvent {
    uint32_t sample;
    std::string text;
};

struct PlayResult {
    // Audio outputs, user-interface pins (their GUI side), then "PIN (audio side)": the variable
    // of each pin with both sides; the same for each object beside the first, each column
    // followed by " (object N)".
    std::vector<std::string> columns;
    // Each sample output's peak, RMS and pitch at the run's first rate, in the columns' order.
    std::vector<OutputSummary> outputs;
    std::vector<std::string> problems;
};

// Each event once no later one can come before it: in order of sample, and at one sample what
// the host did and the GUI object wrote before what the audio object sent.
using PlayEventSink = std::function<void(const PlayEvent& event)>;

// One sample's values, a value per column, as the play makes them: the columns come along, those
// of an object closed before the sample left out.
using PlayRowSink = std::function<void(uint32_t sample, const std::vector<std::string>& columns,
                                       const std::vector<double>& values)>;

class PlaySession {
public:
    // A play run for the validator (with a result channel) writes this line to the channel once
    // it has played, then each problem found: a play that crashed writes nothing.
    static constexpr const char* kPlayedMark = "played";

    // "SAMPLE:PIN=VALUE" with a sample within a run of `samples`, as a user's setting;
    // UsageError for anything else.
    static PlayAction ParseTimed(const std::string& text, uint32_t samples);
    // UsageError for an action the module cannot take, named by where it was given, before
    // anything plays; `started` is called once every action was taken, as the run begins.
    static PlayResult Execute(const ModuleLibrary& library, const PlayOptions& options,
                              const PlayRowSink& rows = {}, const PlayEventSink& events = {},
                              const std::function<void()>& started = {});
};

#endif
