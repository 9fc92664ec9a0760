#include "PlayCommand.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "ArgumentChecks.h"
#include "AudioSideHost.h"
#include "HostError.h"
#include "OutputFile.h"
#include "PlaySession.h"
#include "ProblemReport.h"

namespace {
struct PlayArguments {
    std::string path;
    PlayOptions options;
    std::vector<std::string> timeline;
    uint32_t seed = 0;
    std::string csv;
};

void WriteCsv(const std::string& path, const PlayResult& result) {
    std::ofstream file(path, std::ios::binary);
    file << "sample";
    for (const std::string& column : result.columns) file << "," << column;
    file << "\n";
    for (size_t row = 0; row < result.rows.size(); ++row) {
        file << row;
        for (const double value : result.rows[row]) file << "," << value;
        file << "\n";
    }
    file.close();
    if (!file) throw HostError("cannot write " + path);
}
}  // namespace

CommandEntry::Subcommand PlayCommand::Add(CLI::App& app) {
    auto arguments = std::make_shared<PlayArguments>();
    PlayOptions& options = arguments->options;
    CLI::App* play = app.add_subcommand("play", "Apply settings on a timeline and watch both sides");
    play->add_option("LIB", arguments->path, "Path of the module library")->required();
    play->add_option("--at", arguments->timeline, "SAMPLE:PIN=VALUE, applied at that sample");
    play->add_option("--samples", options.samples, "How many samples to play")
        ->check(ArgumentChecks::WholeRange(1, 28800000));
    play->add_option("--block", options.block, "Samples per block")
        ->check(ArgumentChecks::WholeRange(1, AudioSideHost::kMaxBlockSize));
    play->add_option("--rate", options.rate, "Sample rate")
        ->check(ArgumentChecks::FiniteRange(1.0, 1.0e6));
    CLI::Option* seed_option = play->add_option(
        "--seed", arguments->seed, "Seed the runtime's generator once the objects exist (srand)");
    play->add_option("--csv", arguments->csv, "Write outputs and GUI pin values per sample");
    return {play, [arguments, seed_option](std::ostream& out, std::ostream& err) {
                PlayOptions chosen = arguments->options;
                if (seed_option->count() > 0) chosen.seed = arguments->seed;
                for (const std::string& timed : arguments->timeline) {
                    chosen.timeline.push_back(PlaySession::ParseTimed(timed, chosen.samples));
                }
                OutputFile::RefuseClashes(arguments->path, {{"--csv", arguments->csv}});
                std::optional<OutputFile> csv;
                if (!arguments->csv.empty()) csv.emplace("--csv", arguments->csv);
                const ModuleLibrary library(arguments->path);
                const PlayResult result = PlaySession::Execute(library, chosen);
                out << result.module << ": " << chosen.samples << " samples at " << chosen.rate
                    << " Hz in blocks of " << chosen.block << "\n";
                for (const PlayEvent& event : result.events) {
                    out << "sample " << event.sample << ": " << event.text << "\n";
                }
                const int verdict = ProblemReport::Print(result.problems, err);
                // A run that broke the host contract leaves no file that looks like a good one.
                if (csv && verdict == CommandEntry::kSuccess) {
                    csv->Write([&](const std::string& path) { WriteCsv(path, result); });
                    csv->Commit();
                    out << "wrote " << arguments->csv << "\n";
                }
                return verdict;
            }};
}
