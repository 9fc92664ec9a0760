// The outcome of one check on one library, as every reporter prints it.
#ifndef QVHOST_VALIDATE_CHECK_RESULT_H
#define QVHOST_VALIDATE_CHECK_RESULT_H

#include <string>
#include <vector>

enum class CheckStatus { kPassed, kFailed, kSkipped, kCrashed, kTimeout };

struct CheckResult {
    std::string id;
    CheckStatus status = CheckStatus::kPassed;
    // FAILED: the call, its answer and what was expected; SKIPPED: the reason; CRASHED: the
    // signal or exception code; TIMEOUT: the limit.
    std::string message;
    std::string child_stderr;  // what the child wrote to standard error, for CRASHED above all
    std::vector<std::string> trace;  // every crossing call in order, when asked for

    static const char* StatusName(CheckStatus status);
    static bool StatusFromName(const std::string& name, CheckStatus* status);
};

#endif
