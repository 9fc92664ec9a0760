// `qvhost validate LIB...`: runs every selected check on each library, each check in a child
// process of its own unless --in-process, and reports PASSED, FAILED, SKIPPED, CRASHED or TIMEOUT
// per check. Exit codes: 0 all passed, 1 a check failed, crashed or timed out, 2 bad arguments or
// a filter that selects nothing, 3 a library that cannot be loaded or lacks an export.
#ifndef QVHOST_VALIDATE_COMMAND_H
#define QVHOST_VALIDATE_COMMAND_H

#include "CommandEntry.h"

class ValidateCommand {
public:
    enum ExitCode { kUnloadable = 3 };

    static CommandEntry::Subcommand Add(CLI::App& app);
};

#endif
