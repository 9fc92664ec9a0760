#include "InfoCommand.h"

#include "InfoReport.h"
#include "ModuleLibrary.h"
#include "ProblemReport.h"
#include "ReferenceHost.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>

CommandEntry::Subcommand InfoCommand::Add(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* info = app.add_subcommand("info", "Show the module's properties and pin table");
    info->add_option("LIB", *path, "Path of the module library")->required();
    return {info, [path](std::ostream& out, std::ostream& err) {
                const ModuleLibrary library(*path);
                const ModuleDescription module = library.Describe();
                ReferenceHost host(library);
                host.CreateAudioObject();
                InfoReport::Print(out, module, host.Audio().PinTable(),
                                  host.Audio().AudioPinCount());
                host.CloseAudioObject();
                return ProblemReport::Print(host.Problems(), err);
            }};
}
