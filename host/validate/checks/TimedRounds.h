// Rounds of one kind (an open/close cycle, a load, a change of a pin) run for a share of a check's
// time rather than a fixed count: a module that needs 50 ms to open makes fewer rounds, on a busy
// machine and under wine too, and a fast one no more than its most. How far the rounds got is
// told to CheckProgress, for the report of a check that runs out of time all the same.
#ifndef QVHOST_VALIDATE_TIMED_ROUNDS_H
#define QVHOST_VALIDATE_TIMED_ROUNDS_H

#include <functional>
#include <string>

struct RoundLimits {
    int fewest;      // run whatever the time
    int most;        // never more
    double seconds;  // past these, no round begins after the fewest
};

// Runs `round` within `limits`, until it answers false or the limits end; returns the rounds run.
int RunTimedRounds(const std::string& what, const RoundLimits& limits,
                   const std::function<bool()>& round);

#endif
