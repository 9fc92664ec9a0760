// What the check running in this process is doing, for the report of a check that runs out of
// time: the call into the module in progress and how long it has run, and how far a check that
// repeats one round (an open/close cycle, a load) got. Any thread may ask while the check runs.
#ifndef QVHOST_VALIDATE_CHECK_PROGRESS_H
#define QVHOST_VALIDATE_CHECK_PROGRESS_H

#include <cstdint>
#include <string>

#include "CallObserver.h"

class CheckProgress {
public:
    // From the validator's call observer: the host's outermost call into the module, and its
    // return.
    static void CallEntered(const CrossingCall& call);
    static void CallLeft();
    // The step a session of the check is playing ("pin 4 (Choice) set to 5, blocks of 64,
    // 48000 Hz"), named before the call in progress; empty when the session ends.
    static void SessionStep(std::string step);
    // A check starts rounds of one kind (`what`, as "audio create/open/process/close cycles"),
    // `planned` of them at most; each ends with RoundDone.
    static void BeginRounds(std::string what, int64_t planned);
    static void RoundDone();
    // The outermost call into the module in progress, for a crash handler: false when there is
    // none, or when another thread holds the record (no waiting in a handler).
    static bool CallInProgress(CrossingCall* call);
    // In words, as of now: "host -> process offset 0 frames 64 has not returned after 9.5 s"
    // (after "playing <step>: " inside a session),
    // "312 of 10000 audio create/open/process/close cycles in 9.6 s, 31 ms each", or both, or
    // nothing when the check neither is inside the module nor counts rounds.
    static std::string Describe();
};

#endif
