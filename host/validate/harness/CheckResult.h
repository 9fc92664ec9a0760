// The outcome of one check on one library, as every reporter prints it.
#ifndef QVHOST_VALIDATE_CHECK_RESULT_H
#define QVHOST_VALIDATE_CHECK_RESULT_H

#include <string>
#include <vector>

// WARNED: suspicious but allowed, such as a host's own datatype code; a failure only under --strict.
enum class CheckStatus { kPassed, kFailed, kSkipped, kCrashed, kTimeout, kWarned };

struct CheckResult {
    std::string id;
    CheckStatus status = CheckStatus::kPassed;
    // FAILED: the call, its answer and what was expected; WARNED: what looks wrong; SKIPPED: the
    // reason; CRASHED: the signal or exception code; TIMEOUT: the limit.
    std::string message;
    // What the module wrote while the check ran in a child of its own, its head and its tail.
    std::string child_stdout;
    std::string child_stderr;
    std::vector<std::string> trace;  // every crossing call in order, when asked for
    int run = 0;                     // which run of --repeat, from 1; 0 when not repeated
    double seconds = 0.0;            // how long the check took, its child included

    static const char* StatusName(CheckStatus status);
    static bool StatusFromName(const std::string& name, CheckStatus* status);
};

#endif
