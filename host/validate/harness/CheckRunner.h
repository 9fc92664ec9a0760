// Runs one check: here, in this process (for a debugger, and inside each child), or isolated in
// a child process of its own that the validator starts from its own program, so that a crash,
// an abort or a hang of the module ends only that child.
#ifndef QVHOST_VALIDATE_CHECK_RUNNER_H
#define QVHOST_VALIDATE_CHECK_RUNNER_H

#include <cstdint>
#include <optional>
#include <string>

#include "CheckResult.h"
#include "CheckTable.h"

struct RunSettings {
    uint32_t seed = 0;
    double timeout_seconds = 10.0;
    bool trace = false;
    std::string failure_folder;  // where failing sessions are kept as play scripts; "" for none
    // In a child: the channel to the validator, where the trace is streamed as it is made.
    std::string result_channel;
};

class CheckRunner {
public:
    static CheckResult InProcess(const CheckEntry& check, const std::string& library,
                                 const RunSettings& settings);
    // Nothing when the run was stopped before the check had a result.
    static std::optional<CheckResult> Isolated(const CheckEntry& check, const std::string& library,
                                               const RunSettings& settings);
    // Loads the library in a child and answers why it cannot be validated: empty when it loaded,
    // else the load error, or what the child did instead (exited, crashed, hung).
    static std::string LoadInChild(const std::string& library, const RunSettings& settings);
    // What a child runs as: its own program's arguments for one check.
    static std::vector<std::string> ChildArguments(const CheckEntry& check,
                                                   const std::string& library,
                                                   const RunSettings& settings);
};

#endif
