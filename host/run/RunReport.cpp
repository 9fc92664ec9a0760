#include "RunReport.h"

#include "Histogram.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

namespace {

Histogram OutputHistogram(const RunResult& result, bool first) {
    Histogram histogram;
    for (const RunPair& pair : result.pairs) histogram.Add(first ? pair.out1 : pair.out2);
    return histogram;
}

nlohmann::json CountsJson(const Histogram& histogram) {
    nlohmann::json counts = nlohmann::json::object();
    for (const auto& [value, count] : histogram.Counts()) counts[std::to_string(value)] = count;
    return counts;
}

}  // namespace

void RunReport::Print(std::ostream& out, const RunResult& result, bool histogram) {
    const RunOptions& options = result.options;
    out << result.module.name << ": mode " << options.mode << " (" << result.mode_value
        << "), limits " << options.lo << ".." << options.hi << ", " << options.triggers
        << " triggers, seed "
        << (options.seed ? std::to_string(*options.seed) : std::string("from the clock")) << "\n"
        << "trigger        Out1        Out2\n";
    char line[64];
    for (size_t i = 0; i < result.pairs.size(); ++i) {
        std::snprintf(line, sizeof line, "%7d %11d %11d\n", static_cast<int>(i + 1),
                      static_cast<int>(result.pairs[i].out1),
                      static_cast<int>(result.pairs[i].out2));
        out << line;
    }
    out << "audio pins " << result.audio_pins << ", process calls " << result.audio.process_calls
        << ", sleeps " << result.audio.sleeps << ", process-changed notices "
        << result.audio.process_changed << "\n"
        << "pin reads " << result.gui.reads << ", pin writes " << result.gui.writes
        << ", notifications " << result.gui.notifications << " (nested "
        << result.gui.nested_notifications << ")\n"
        << "close answers: audio " << result.audio_close_answer << ", GUI "
        << result.gui_close_answer << "\n";
    if (histogram) {
        out << OutputHistogram(result, true).Render("Out1")
            << OutputHistogram(result, false).Render("Out2");
    }
}

void RunReport::PrintJson(std::ostream& out, const RunResult& result) {
    nlohmann::json pairs = nlohmann::json::array();
    for (const RunPair& pair : result.pairs) pairs.push_back({pair.out1, pair.out2});
    nlohmann::json report = {
        {"module", result.module.name},
        {"mode", result.options.mode},
        {"mode_value", result.mode_value},
        {"lo", result.options.lo},
        {"hi", result.options.hi},
        {"triggers", result.options.triggers},
        {"seed", result.options.seed ? nlohmann::json(*result.options.seed) : nlohmann::json()},
        {"pairs", pairs},
        {"counts",
         {{"Out1", CountsJson(OutputHistogram(result, true))},
          {"Out2", CountsJson(OutputHistogram(result, false))}}},
        {"audio_pins", result.audio_pins},
        {"process_calls", result.audio.process_calls},
        {"sleeps", result.audio.sleeps},
        {"process_changed", result.audio.process_changed},
        {"pin_count_requests", result.audio.pin_count_requests},
        {"pin_reads", result.gui.reads},
        {"pin_writes", result.gui.writes},
        {"notifications", result.gui.notifications},
        {"nested_notifications", result.gui.nested_notifications},
        {"close_answers",
         {{"audio", static_cast<int64_t>(result.audio_close_answer)},
          {"gui", result.gui_close_answer}}},
        {"problems", result.problems}};
    out << report.dump(2) << "\n";
}
