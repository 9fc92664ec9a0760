// `qvhost render LIB --samples N ...`: renders a module's audio outputs from test signals and
// writes them to WAV or CSV, or prints a summary per output pin.
#ifndef QVHOST_RENDER_COMMAND_H
#define QVHOST_RENDER_COMMAND_H

#include <ostream>

#include "CommandEntry.h"
#include "RenderSession.h"

class RenderCommand {
public:
    static CommandEntry::Subcommand Add(CLI::App& app);
    // Peak, RMS, pitch (OutputSummary) and the status changes the object reported, one line per
    // output pin.
    static void PrintSummary(std::ostream& out, const RenderResult& result, double rate);
};

#endif
