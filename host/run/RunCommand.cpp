#include "RunCommand.h"

#include "ModuleLibrary.h"
#include "PairRun.h"
#include "ProblemReport.h"
#include "RunReport.h"

#include <CLI/CLI.hpp>

#include "ArgumentChecks.h"

#include <memory>
#include <string>

namespace {
struct RunArguments {
    std::string path;
    RunOptions options;
    uint32_t seed = 0;
    bool histogram = false;
    bool json = false;
};
}  // namespace

CommandEntry::Subcommand RunCommand::Add(CLI::App& app) {
    auto arguments = std::make_shared<RunArguments>();
    RunOptions& options = arguments->options;
    CLI::App* run = app.add_subcommand("run", "Fire triggers and print the pairs written");
    run->add_option("LIB", arguments->path, "Path of the module library")->required();
    run->add_option("--mode", options.mode, "normal, differ or sum")
        ->check(CLI::IsMember({"normal", "differ", "sum"}));
    run->add_option("--lo", options.lo, "Lolimit");
    run->add_option("--hi", options.hi, "Hilimit");
    run->add_option("--triggers", options.triggers, "How many triggers to fire")
        ->check(ArgumentChecks::WholeRange(0, PairRun::kMaxTriggers));
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
                    RunReport::PrintJson(out, result);
                } else {
                    RunReport::Print(out, result, arguments->histogram);
                }
                return ProblemReport::Print(result.problems, err);
            }};
}
