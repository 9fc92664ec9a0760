// `qvhost play LIB --at SAMPLE:PIN=VALUE...`: a timeline of settings applied after
// GUI_OP_INITIALISE as a host applies them, printing every pin write and message of both objects
// with its sample, and writing the audio outputs and the GUI pins' values as CSV.
#ifndef QVHOST_PLAY_COMMAND_H
#define QVHOST_PLAY_COMMAND_H

#include "CommandEntry.h"

class PlayCommand {
public:
    static CommandEntry::Subcommand Add(CLI::App& app);
};

#endif
