// `qvhost info LIB`: the module's properties, about text and pin table.
#ifndef QVHOST_INFO_COMMAND_H
#define QVHOST_INFO_COMMAND_H

#include "CommandEntry.h"

class InfoCommand {
public:
    static CommandEntry::Subcommand Add(CLI::App& app);
};

#endif
