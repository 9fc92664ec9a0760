// The qvhost command line: the table of its subcommands, each from a folder of its own (info,
// run, validate, render, play, bench, compare), and the parse that picks one.
#ifndef QVHOST_HOST_COMMAND_H
#define QVHOST_HOST_COMMAND_H

#include "CommandEntry.h"

class HostCommand : public CommandEntry {
public:
    // kFailure covers a library that cannot be loaded or lacks an export, a bad record, and a
    // module that breaks the host contract during the run; the reason goes to `err`.
    static int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
    // What a command that could not write its standard output (a full disk, a closed pipe) says;
    // it fails.
    static constexpr const char* kUnwrittenOutput =
        "qvhost: the standard output could not be written";
};

#endif
