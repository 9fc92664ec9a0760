// `qvhost bench LIB`: what a host pays per call into any module library, each call beside the
// host's own floor, as a table or --json.
#ifndef QVHOST_BENCH_COMMAND_H
#define QVHOST_BENCH_COMMAND_H

#include "CommandEntry.h"

class BenchCommand {
public:
    static CommandEntry::Subcommand Add(CLI::App& app);
};

#endif
