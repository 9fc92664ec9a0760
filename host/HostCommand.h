// The qvhost command line. Each subcommand is one entry: its CLI11 node with its options, and the
// action that runs once the whole line has parsed. `info` and `run` live here; larger commands
// live in folders of their own and hand their entry to Run through one Add function each.
#ifndef QVHOST_HOST_COMMAND_H
#define QVHOST_HOST_COMMAND_H

#include <functional>
#include <ostream>

namespace CLI {
class App;
}

class HostCommand {
public:
    enum ExitCode { kSuccess = 0, kFailure = 1, kBadArguments = 2 };

    // Writes the command's report to `out`, reasons for failure to `err`; answers the exit code.
    using Action = std::function<int(std::ostream& out, std::ostream& err)>;
    struct Subcommand {
        CLI::App* command;
        Action action;
    };

    // kFailure covers a library that cannot be loaded or lacks an export, a bad record, and a
    // module that breaks the host contract during the run; the reason goes to `err`.
    static int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
};

#endif
