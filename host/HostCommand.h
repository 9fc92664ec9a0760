// The qvhost command line: `qvhost info LIB` and `qvhost run LIB [options]`. Parses and checks
// the arguments, runs the command, prints its report, and answers the process exit code.
#ifndef QVHOST_HOST_COMMAND_H
#define QVHOST_HOST_COMMAND_H

#include <ostream>

class HostCommand {
public:
    enum ExitCode { kSuccess = 0, kFailure = 1, kBadArguments = 2 };

    // kFailure covers a library that cannot be loaded or lacks an export, a bad record, and a
    // module that breaks the host contract during the run; the reason goes to `err`.
    static int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
};

#endif
