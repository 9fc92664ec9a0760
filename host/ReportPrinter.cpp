#include "ReportPrinter.h"

#include "Histogram.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

namespace {

std::string Hex(uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(word));
    return text;
}

std::string DatatypeName(int32_t datatype) {
    switch (datatype) {
    case DT_ENUM:
        return "enum";
    case DT_BOOL:
        return "bool";
    case DT_FSAMPLE:
        return "fsample";
    case DT_FLOAT:
        return "float";
    case DT_INT:
        return "int";
    default:
        return "type " + std::to_string(datatype);
    }
}

std::string DirectionName(int32_t direction) {
    if (direction == DR_IN) return "in";
    if (direction == DR_OUT) return "out";
    return "dir " + std::to_string(direction);
}

std::string FlagNames(uint32_t flags) {
    static const struct {
        uint32_t bit;
        const char* name;
    } kNames[] = {{IO_REPEAT_LAST, "repeat-last"},
                  {IO_PRIVATE, "private"},
                  {IO_UI_COMMUNICATION, "ui"},
                  {IO_UI_AND_AUDIO, "ui+audio"},
                  {IO_PATCH_STORE, "patch-store"}};
    std::string names;
    for (const auto& known : kNames) {
        if ((flags & known.bit) != 0) names += (names.empty() ? "" : ",") + std::string(known.name);
    }
    return names;
}

std::string Padded(const std::string& text, size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// Each line of `text` indented by two spaces; empty lines stay empty.
std::string Indented(const std::string& text) {
    std::string indented;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) indented += "  " + text.substr(start, end - start);
        if (end < text.size()) indented += "\n";
        start = end + 1;
    }
    return indented;
}

std::string WithoutTrailingSpaces(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

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

void ReportPrinter::PrintInfo(std::ostream& out, const ModuleDescription& module,
                              const std::vector<PinDescription>& pins, int32_t audio_pins) {
    out << "Name         " << module.name << "\n"
        << "Id           " << module.id << "\n"
        << "Flags        " << Hex(module.flags) << "\n"
        << "SDK version  " << module.sdk_version << "\n"
        << "About\n"
        << Indented(module.about) << "\n"
        << "Pins (" << pins.size() << ", of which " << audio_pins << " audio)\n"
        << "  " << Padded("#", 4) << Padded("Name", 12) << Padded("Dir", 5) << Padded("Type", 9)
        << Padded("Flags", 12) << Padded("", 12) << "Choices\n";
    for (size_t i = 0; i < pins.size(); ++i) {
        const PinDescription& pin = pins[i];
        out << WithoutTrailingSpaces("  " + Padded(std::to_string(i), 4) + Padded(pin.name, 12) +
                                     Padded(DirectionName(pin.direction), 5) +
                                     Padded(DatatypeName(pin.datatype), 9) +
                                     Padded(Hex(pin.flags), 12) + Padded(FlagNames(pin.flags), 12) +
                                     pin.datatype_extra)
            << "\n";
    }
}

void ReportPrinter::PrintRun(std::ostream& out, const RunResult& result, bool histogram) {
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

void ReportPrinter::PrintRunJson(std::ostream& out, const RunResult& result) {
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
