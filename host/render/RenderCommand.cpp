#include "RenderCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "ArgumentChecks.h"
#include "CsvWriter.h"
#include "HostError.h"
#include "OutputFile.h"
#include "OutputSummary.h"
#include "RenderSession.h"
#include "WavWriter.h"

namespace {

// Status changes listed in a summary line; the count covers them all.
constexpr size_t kListedChanges = 6;

struct RenderArguments {
    std::string path;
    RenderOptions options;
    std::string wav;
    std::string csv;
};

// A render in which the module broke the host contract did not happen as asked: it says so, and
// names each distinct problem once with how often it came.
int PrintFailure(std::ostream& err, const std::vector<std::string>& problems) {
    err << "qvhost: the render failed\n";
    std::vector<std::pair<std::string, int>> distinct;
    for (const std::string& problem : problems) {
        auto seen = std::find_if(distinct.begin(), distinct.end(),
                                 [&](const auto& entry) { return entry.first == problem; });
        if (seen == distinct.end()) {
            distinct.emplace_back(problem, 1);
        } else {
            ++seen->second;
        }
    }
    for (const auto& [problem, count] : distinct) {
        err << "qvhost: problem: " << problem
            << (count > 1 ? " (" + std::to_string(count) + " times)" : "") << "\n";
    }
    return CommandEntry::kFailure;
}

}  // namespace

void RenderCommand::PrintSummary(std::ostream& out, const RenderResult& result, double rate) {
    if (result.outputs.empty()) out << "no sample outputs\n";
    for (const SampleTrack& output : result.outputs) {
        OutputSummary summary(rate, output.samples.size());
        for (const float sample : output.samples) summary.Add(sample);
        out << output.name << "  " << summary.Describe() << "  status changes "
            << output.status_changes.size();
        for (size_t k = 0; k < std::min(kListedChanges, output.status_changes.size()); ++k) {
            out << (k == 0 ? ": " : ", ")
                << AudioSideHost::StatusName(output.status_changes[k].status) << " at "
                << output.status_changes[k].clock;
        }
        if (output.status_changes.size() > kListedChanges) out << ", ...";
        out << "\n";
    }
}

CommandEntry::Subcommand RenderCommand::Add(CLI::App& app) {
    auto arguments = std::make_shared<RenderArguments>();
    RenderOptions& options = arguments->options;
    CLI::App* render = app.add_subcommand("render", "Render the module's audio outputs");
    render->add_option("LIB", arguments->path, "Path of the module library")->required();
    // Required, but asked for by the action: an unknown option is named before it is missed.
    CLI::Option* samples =
        render->add_option("--samples", options.samples, "How many samples to render (required)")
            ->check(ArgumentChecks::WholeRange(1, RenderOptions::kMaxSamples));
    render->add_option("--block", options.block, "Samples per block")
        ->check(ArgumentChecks::WholeRange(1, AudioSideHost::kMaxBlockSize));
    render->add_option("--rate", options.rate, "Sample rate")
        ->check(ArgumentChecks::FiniteRange(1.0, 1.0e6));
    render->add_option("--repeat", options.repeat, "Audio pins added by repeating the last pin")
        ->check(ArgumentChecks::WholeRange(0, AudioSideHost::kMaxPinDescriptions));
    render
        ->add_option("--input", options.inputs,
                     "PIN=SIGNAL: sine:FREQ, square:FREQ, noise:SEED, dc:VALUE or impulse")
        ->check(ArgumentChecks::Setting());
    render->add_option("--set", options.settings, "PIN=VALUE for a pin that holds a value")
        ->check(ArgumentChecks::Setting());
    render->add_option("--wav", arguments->wav, "Write the outputs as 32-bit float WAV");
    CLI::Option* csv_option =
        render->add_option("--csv", arguments->csv, "Write the outputs as CSV");
    render
        ->add_flag("--inputs", options.keep_inputs,
                   "Add each sample input's samples to the CSV, as in:PIN after the outputs")
        ->needs(csv_option);
    return {render, [arguments, samples](std::ostream& out, std::ostream& err) {
                if (samples->count() == 0) throw UsageError("--samples is required");
                OutputFile::RefuseClashes(arguments->path,
                                          {{"--wav", arguments->wav}, {"--csv", arguments->csv}});
                // Refused before anything runs, so that no CSV is written beside a missing WAV.
                if (!arguments->wav.empty()) WavWriter::RequireAvailable();
                std::optional<OutputFile> wav;
                std::optional<OutputFile> csv;
                if (!arguments->wav.empty()) wav.emplace("--wav", arguments->wav);
                if (!arguments->csv.empty()) csv.emplace("--csv", arguments->csv);
                const ModuleLibrary library(arguments->path);
                const RenderOptions& chosen = arguments->options;
                const RenderResult result = RenderSession::Execute(library, chosen);
                out << result.module << ": " << chosen.samples << " samples at " << chosen.rate
                    << " Hz in blocks of " << chosen.block << "\n";
                if (!result.problems.empty()) return PrintFailure(err, result.problems);
                // Both files written before either replaces its target: both or neither.
                if (wav) {
                    wav->Write([&](const std::string& path) {
                        WavWriter::WriteFile(path, result.outputs, chosen.rate);
                    });
                }
                if (csv) {
                    csv->Write([&](const std::string& path) {
                        CsvWriter::WriteFile(path, result.outputs, result.inputs);
                    });
                }
                for (OutputFile* file : {wav ? &*wav : nullptr, csv ? &*csv : nullptr}) {
                    if (file != nullptr) file->Commit();
                }
                if (wav) out << "wrote " << arguments->wav << "\n";
                if (csv) out << "wrote " << arguments->csv << "\n";
                if (arguments->wav.empty() && arguments->csv.empty()) {
                    PrintSummary(out, result, chosen.rate);
                }
                for (const std::string& write : result.gui_writes) out << write << "\n";
                return static_cast<int>(CommandEntry::kSuccess);
            }};
}
