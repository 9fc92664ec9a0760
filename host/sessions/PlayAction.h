// One thing a host does at a sample of a play: a user's setting, a value set through one side
// alone, a signal on a sample input, a new sample rate or block size, the object's close. `--at`, `--input` and each
// line of a script make one.
#ifndef QVHOST_PLAY_ACTION_H
#define QVHOST_PLAY_ACTION_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct PlayAction {
    enum class Kind {
        kSet,       // PIN=VALUE as a user sets it; a sample input takes a signal
        kGui,       // PIN=VALUE through the GUI object alone, any value the pin's type holds
        kVariable,  // PIN=VALUE into the module's variable, then the audio object told
        kInput,     // PIN=SIGNAL on a sample input from here on, then the audio object told
        kRate,      // the sample rate from here on (value: hertz)
        kBlock,     // the block size from here on (value: samples)
        kClose,     // both objects closed: the object plays no more
    };
    uint32_t sample = 0;
    Kind kind = Kind::kSet;
    std::string pin;    // empty for a rate, a block size or a close
    std::string value;  // the value, signal or number as written
    // For a variable or an input: the status the audio object is told (PIN_STATUS_*); without
    // one a variable is CHANGED, a dc signal CHANGED and any other signal MOVING.
    std::optional<int32_t> status;
    // Where it was given, for messages: an option ("--at 200:Level=5"), or a script ("--script
    // FILE", which its actions share) and the line.
    std::shared_ptr<const std::string> given_in;
    uint32_t line = 0;  // 0 for an option

    std::string Origin() const {
        if (!given_in) return {};
        return line == 0 ? *given_in : *given_in + ":" + std::to_string(line);
    }
};

#endif
