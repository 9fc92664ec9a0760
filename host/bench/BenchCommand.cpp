#include "BenchCommand.h"

#include <CLI/CLI.hpp>

#include "ArgumentChecks.h"
#include <memory>
#include <string>

#include "BenchReport.h"
#include "ModuleCosts.h"

namespace {
struct BenchArguments {
    std::string path;
    int samples = 15;
    bool json = false;
};
}  // namespace

CommandEntry::Subcommand BenchCommand::Add(CLI::App& app) {
    auto arguments = std::make_shared<BenchArguments>();
    CLI::App* bench = app.add_subcommand(
        "bench", "Time the calls a host makes into the module, beside its floor");
    bench->add_option("LIB", arguments->path, "Path of the module library")->required();
    bench
        ->add_option("--samples", arguments->samples,
                     "Samples per round (rounds go on until the "
                     "median settles, at most 10)")
        ->check(ArgumentChecks::WholeRange(1, 1000));
    bench->add_flag("--json", arguments->json, "Print the results as JSON");
    return {bench, [arguments](std::ostream& out, std::ostream& err) {
                const ModuleCostReport report =
                    ModuleCosts::Measure(arguments->path, arguments->samples);
                if (arguments->json) {
                    BenchReport::PrintJson(out, report);
                } else {
                    BenchReport::PrintTable(out, report);
                }
                for (const std::string& problem : report.problems) {
                    err << "qvhost: problem: " << problem << "\n";
                }
                return report.problems.empty() ? CommandEntry::kSuccess : CommandEntry::kFailure;
            }};
}
