#include "PlayCommand.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "ArgumentChecks.h"
#include "AudioSideHost.h"
#include "ChildProcess.h"
#include "CsvField.h"
#include "FilePath.h"
#include "HostError.h"
#include "InputFile.h"
#include "OutputFile.h"
#include "PlayScript.h"
#include "PlaySession.h"
#include "ProblemReport.h"

namespace {
struct PlayArguments {
    std::string path;
    PlayOptions options;
    std::vector<std::string> timeline;
    uint32_t seed = 0;
    std::string csv;
    std::string script;
    // Set by the validator replaying a failing session: the channel the problems go to.
    std::string result_channel;
};

// The play a script file describes; a UsageError when it cannot be read.
PlayOptions ReadScript(const std::string& path) {
    std::ifstream file = OpenInputFile("--script", path);
    PlayOptions options = PlayScript::Parse(file, path);
    if (file.bad()) throw UsageError("--script " + path + ": cannot be read");
    return options;
}

// The CSV a play writes as it goes: a header, then a row per sample. A column a row lacks (an
// object closed before its sample) is left empty.
class CsvRows {
public:
    explicit CsvRows(const std::string& path)
        : m_path(path), m_file(FilePath(path), std::ios::binary) {}
    void Write(uint32_t sample, const std::vector<std::string>& columns,
               const std::vector<double>& values) {
        if (sample == 0) {
            m_header = columns;
            m_file << "sample";
            for (const std::string& column : columns) m_file << "," << CsvField(column);
            m_file << "\n";
        }
        if (columns.size() != m_header.size() && columns.size() != m_placed_from) {
            // Objects only close: the columns left keep their order.
            m_placed_from = columns.size();
            m_placed.assign(m_header.size(), -1);
            for (size_t k = 0, at = 0; k < columns.size(); ++k, ++at) {
                while (at < m_header.size() && m_header[at] != columns[k]) ++at;
                if (at < m_header.size()) m_placed[at] = static_cast<long>(k);
            }
        }
        m_file << sample;
        if (columns.size() == m_header.size()) {
            for (const double value : values) m_file << "," << value;
        } else {
            for (const long k : m_placed) {
                m_file << ",";
                if (k >= 0) m_file << values[static_cast<size_t>(k)];
            }
        }
        m_file << "\n";
    }
    // Closes the file: HostError when anything of it could not be written.
    void Close() {
        m_file.close();
        if (!m_file) throw OutputFile::WriteFailure(m_path);
    }

private:
    std::string m_path;
    std::ofstream m_file;
    std::vector<std::string> m_header;
    size_t m_placed_from = SIZE_MAX;  // the number of columns m_placed was made for
    std::vector<long> m_placed;  // per header column, its place in the rows' columns, or -1
};
}  // namespace

CommandEntry::Subcommand PlayCommand::Add(CLI::App& app) {
    auto arguments = std::make_shared<PlayArguments>();
    PlayOptions& options = arguments->options;
    CLI::App* play =
        app.add_subcommand("play", "Apply settings on a timeline and watch both sides");
    play->add_option("LIB", arguments->path, "Path of the module library")->required();
    CLI::Option* script = play->add_option(
        "--script", arguments->script,
        "FILE: the whole play, one action a line, in place of the options that follow");
    const std::vector<CLI::Option*> timeline_options{
        play->add_option(
            "--at", arguments->timeline,
            "SAMPLE:PIN=VALUE, applied at that sample (PIN=SIGNAL for a sample input)"),
        play->add_option("--input", options.inputs,
                         "PIN=SIGNAL: sine:FREQ, square:FREQ, noise:SEED, dc:VALUE or impulse")
            ->check(ArgumentChecks::Setting()),
        play->add_option("--samples", options.samples, "How many samples to play")
            ->check(ArgumentChecks::WholeRange(1, 28800000)),
        play->add_option("--block", options.block, "Samples per block")
            ->check(ArgumentChecks::WholeRange(1, AudioSideHost::kMaxBlockSize)),
        play->add_option("--rate", options.rate, "Sample rate")
            ->check(ArgumentChecks::FiniteRange(1.0, 1.0e6)),
        play->add_option("--seed", arguments->seed,
                         "Seed the runtime's generator once the objects exist (srand)")};
    for (CLI::Option* option : timeline_options) script->excludes(option);
    CLI::Option* seed_option = timeline_options.back();
    play->add_option("--csv", arguments->csv, "Write outputs and GUI pin values per sample");
    play->add_option(ChildProcess::kResultChannelOption, arguments->result_channel)->group("");
    return {play, [arguments, seed_option](std::ostream& out, std::ostream& err) {
                if (!arguments->result_channel.empty()) ChildProcess::EndWithParent();
                PlayOptions chosen = arguments->options;
                if (!arguments->script.empty()) chosen = ReadScript(arguments->script);
                if (seed_option->count() > 0) chosen.seed = arguments->seed;
                for (const std::string& timed : arguments->timeline) {
                    chosen.timeline.push_back(PlaySession::ParseTimed(timed, chosen.samples));
                }
                OutputFile::RefuseClashes(arguments->path, {{"--csv", arguments->csv}},
                                          {{"--script", arguments->script}});
                std::optional<OutputFile> csv;
                if (!arguments->csv.empty()) csv.emplace("--csv", arguments->csv);
                const ModuleLibrary library(arguments->path);
                std::optional<CsvRows> rows;
                PlayRowSink sink;
                if (csv) {
                    rows.emplace(csv->Path());
                    sink = [&rows](uint32_t sample, const std::vector<std::string>& columns,
                                   const std::vector<double>& values) {
                        rows->Write(sample, columns, values);
                    };
                }
                // Events are printed as they come, under a heading printed as the run begins.
                const PlayResult result = PlaySession::Execute(
                    library, chosen, sink,
                    [&](const PlayEvent& event) {
                        out << "sample " << event.sample << ": " << event.text << "\n";
                    },
                    [&] {
                        out << library.Describe().name << ": " << chosen.samples << " samples at "
                            << chosen.rate << " Hz in blocks of " << chosen.block << "\n";
                    });
                for (size_t k = 0; k < result.outputs.size(); ++k) {
                    out << result.columns[k] << "  " << result.outputs[k].Describe() << "\n";
                }
                const int verdict = ProblemReport::Print(result.problems, err);
                // The validator replaying a session: a play that ended, and what it found.
                if (!arguments->result_channel.empty()) {
                    std::string played = std::string(PlaySession::kPlayedMark) + "\n";
                    for (const std::string& problem : result.problems) played += problem + "\n";
                    ChildProcess::WriteToParent(arguments->result_channel, played);
                }
                // A run that broke the host contract leaves no file that looks like a good one.
                if (csv && verdict == CommandEntry::kSuccess) {
                    csv->Write([&](const std::string&) { rows->Close(); });
                    csv->Commit();
                    out << "wrote " << arguments->csv << "\n";
                }
                return verdict;
            }};
}
