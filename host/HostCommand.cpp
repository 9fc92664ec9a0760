#include "HostCommand.h"

#include "BenchCommand.h"
#include "HostError.h"
#include "ModuleLibrary.h"
#include "PairRun.h"
#include "ReferenceHost.h"
#include "RenderCommand.h"
#include "ReportPrinter.h"
#include "ValidateCommand.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

namespace {

int ReportProblems(const std::vector<std::string>& problems, std::ostream& err) {
    for (const std::string& problem : problems) err << "qvhost: problem: " << problem << "\n";
    return problems.empty() ? HostCommand::kSuccess : HostCommand::kFailure;
}

HostCommand::Subcommand AddInfo(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* info = app.add_subcommand("info", "Show the module's properties and pin table");
    info->add_option("LIB", *path, "Path of the module library")->required();
    return {info, [path](std::ostream& out, std::ostream& err) {
                const ModuleLibrary library(*path);
                const ModuleDescription module = library.Describe();
                ReferenceHost host(library);
                host.CreateAudioObject();
                ReportPrinter::PrintInfo(out, module, host.Audio().PinTable(),
                                         host.Audio().AudioPinCount());
                host.CloseAudioObject();
                return ReportProblems(host.Problems(), err);
            }};
}

struct RunArguments {
    std::string path;
    RunOptions options;
    uint32_t seed = 0;
    bool histogram = false;
    bool json = false;
};

HostCommand::Subcommand AddRun(CLI::App& app) {
    auto arguments = std::make_shared<RunArguments>();
    RunOptions& options = arguments->options;
    CLI::App* run = app.add_subcommand("run", "Fire triggers and print the pairs written");
    run->add_option("LIB", arguments->path, "Path of the module library")->required();
    run->add_option("--mode", options.mode, "normal, differ or sum")
        ->check(CLI::IsMember({"normal", "differ", "sum"}));
    run->add_option("--lo", options.lo, "Lolimit");
    run->add_option("--hi", options.hi, "Hilimit");
    run->add_option("--triggers", options.triggers, "How many triggers to fire")
        ->check(CLI::Range(0, PairRun::kMaxTriggers));
    CLI::Option* seed_option =
        run->add_option("--seed", arguments->seed, "Seed the runtime's generator with this (srand)");
    run->add_flag("--histogram", arguments->histogram, "Chart how often each value came out");
    run->add_flag("--json", arguments->json, "Print the results as JSON");
    return {run, [arguments, seed_option](std::ostream& out, std::ostream& err) {
                RunOptions chosen = arguments->options;
                if (seed_option->count() > 0) chosen.seed = arguments->seed;
                const ModuleLibrary library(arguments->path);
                const RunResult result = PairRun::Execute(library, chosen);
                if (arguments->json) {
                    ReportPrinter::PrintRunJson(out, result);
                } else {
                    ReportPrinter::PrintRun(out, result, arguments->histogram);
                }
                return ReportProblems(result.problems, err);
            }};
}

}  // namespace

int HostCommand::Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app("Loads a module library by path and drives its objects as a host does.", "qvhost");
    app.require_subcommand(1);
    // Library paths may start with a slash, also on Windows: they are never options.
    app.allow_windows_style_options(false);

    const std::vector<Subcommand> subcommands{AddInfo(app),
                                              AddRun(app),
                                              ValidateCommand::Add(app),
                                              RenderCommand::Add(app),
                                              BenchCommand::Add(app)};

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error, out, err);
        return code == 0 ? kSuccess : kBadArguments;
    }

    try {
        for (const Subcommand& subcommand : subcommands) {
            if (subcommand.command->parsed()) return subcommand.action(out, err);
        }
    } catch (const HostError& error) {
        err << "qvhost: " << error.what() << "\n";
    } catch (const std::exception& error) {
        err << "qvhost: failed: " << error.what() << "\n";
    }
    return kFailure;
}
