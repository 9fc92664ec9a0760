#include "InfoReport.h"

#include <algorithm>
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

}  // namespace

void InfoReport::Print(std::ostream& out, const ModuleDescription& module,
                       const std::vector<PinDescription>& pins, int32_t audio_pins) {
    out << "Name         " << module.name << "\n"
        << "Id           " << module.id << "\n"
        << "Flags        " << Hex(module.flags) << "\n"
        << "SDK version  " << module.sdk_version << "\n"
        << "About\n"
        << Indented(module.about) << "\n"
        << "Pins (" << pins.size() << ", of which " << audio_pins << " audio)\n";
    // The name and flag columns widen for the longest entry, two spaces past it at least.
    size_t name_width = 12;
    size_t flags_width = 12;
    for (const PinDescription& pin : pins) {
        name_width = std::max(name_width, pin.name.size() + 2);
        flags_width = std::max(flags_width, FlagNames(pin.flags).size() + 2);
    }
    out << "  " << Padded("#", 4) << Padded("Name", name_width) << Padded("Dir", 5)
        << Padded("Type", 9) << Padded("Flags", 12) << Padded("", flags_width) << "Choices\n";
    for (size_t i = 0; i < pins.size(); ++i) {
        const PinDescription& pin = pins[i];
        out << WithoutTrailingSpaces(
                   "  " + Padded(std::to_string(i), 4) + Padded(pin.name, name_width) +
                   Padded(DirectionName(pin.direction), 5) + Padded(DatatypeName(pin.datatype), 9) +
                   Padded(Hex(pin.flags), 12) + Padded(FlagNames(pin.flags), flags_width) +
                   pin.datatype_extra)
            << "\n";
    }
}
