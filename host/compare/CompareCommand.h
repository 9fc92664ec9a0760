// `qvhost compare A.csv B.csv [--tolerance X]`: whether two runs wrote the same CSV, such as one
// script played by the native build and by the DLL under wine, and where they first differ.
#ifndef QVHOST_COMPARE_COMMAND_H
#define QVHOST_COMPARE_COMMAND_H

#include "CommandEntry.h"

class CompareCommand {
public:
    static CommandEntry::Subcommand Add(CLI::App& app);
};

#endif
