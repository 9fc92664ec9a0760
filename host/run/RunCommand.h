// `qvhost run LIB`: the pair generator's own view: raise and lower Trigger N times and print the
// pairs written.
#ifndef QVHOST_RUN_COMMAND_H
#define QVHOST_RUN_COMMAND_H

#include "CommandEntry.h"

class RunCommand {
public:
    static CommandEntry::Subcommand Add(CLI::App& app);
};

#endif
