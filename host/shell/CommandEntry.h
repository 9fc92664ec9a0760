// One qvhost subcommand as the command table takes it: its CLI11 node with its options, and the
// action that runs once the whole line has parsed. Every command folder hands one of these to the
// table (HostCommand) through an Add function of its own, and knows nothing of the table.
#ifndef QVHOST_COMMAND_ENTRY_H
#define QVHOST_COMMAND_ENTRY_H

#include <functional>
#include <ostream>

namespace CLI {
class App;
}

class CommandEntry {
public:
    enum ExitCode { kSuccess = 0, kFailure = 1, kBadArguments = 2 };

    // Writes the command's report to `out`, reasons for failure to `err`; answers the exit code.
    using Action = std::function<int(std::ostream& out, std::ostream& err)>;
    struct Subcommand {
        CLI::App* command;
        Action action;
        // Whether the command loads the module into the host's own process, where a crash in
        // the module ends the host: such a crash is named on standard error as it happens.
        bool runs_module_in_process = true;
    };
};

#endif
