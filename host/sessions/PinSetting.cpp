#include "PinSetting.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "EnumList.h"
#include "HostError.h"
#include "PinVariable.h"

namespace {

// Whether a variable of `datatype` holds `value`.
bool Holds(int32_t datatype, double value) {
    const HeldRange range = *PinVariable::RangeOf(datatype);
    return value >= range.low && value <= range.high;
}

double ValueFor(const PinDescription& pin, const std::string& text) {
    if (pin.direction == DR_OUT) {
        throw UsageError("pin " + pin.name + " is an output: the module sets it, not the host");
    }
    if (pin.datatype == DT_ENUM) {
        if (auto value = EnumList(pin.datatype_extra).ValueOf(text)) return *value;
    }
    const std::string choices = pin.datatype == DT_ENUM
                                    ? ": its choices are " + EnumList(pin.datatype_extra).Describe()
                                    : std::string();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
        throw UsageError("pin " + pin.name + " cannot take '" + text + "'" + choices);
    }
    const auto refuse = [&](const std::string& takes) {
        throw UsageError("pin " + pin.name + " cannot take '" + text + "': it takes " + takes);
    };
    switch (pin.datatype) {
    case DT_ENUM: {
        const std::vector<int32_t> values = EnumList(pin.datatype_extra).Values();
        if (std::find(values.begin(), values.end(), value) == values.end()) {
            throw UsageError("pin " + pin.name + " cannot take '" + text + "'" + choices);
        }
        break;
    }
    case DT_BOOL:
        if (value != 0 && value != 1) refuse("0 or 1");
        break;
    case DT_INT:
        if (value != std::floor(value) || !Holds(DT_INT, value)) {
            refuse("whole numbers from -2147483648 to 2147483647");
        }
        break;
    case DT_FLOAT:
        if (!Holds(DT_FLOAT, value)) refuse("finite 32-bit floats");
        break;
    default:
        break;
    }
    return value;
}

}  // namespace

std::pair<std::string, std::string> PinSetting::Split(const std::string& text) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw UsageError("'" + text + "' is not PIN=VALUE");
    }
    return {text.substr(0, equals), text.substr(equals + 1)};
}

void PinSetting::RefuseRepeated(const std::vector<std::string>& settings,
                                const std::string& option) {
    for (size_t k = 0; k < settings.size(); ++k) {
        const std::string name = Split(settings[k]).first;
        for (size_t earlier = 0; earlier < k; ++earlier) {
            if (Split(settings[earlier]).first == name) {
                throw UsageError(option + " " + name + " is given twice; a pin takes one");
            }
        }
    }
}

std::string PinSetting::AudioPinName(const AudioSideHost& audio, int32_t pin) {
    const PinDescription& description = audio.AudioPin(pin);
    int32_t instance = 1;
    for (int32_t earlier = 0; earlier < pin; ++earlier) {
        if (&audio.AudioPin(earlier) == &description) ++instance;
    }
    return instance == 1 ? description.name : description.name + "#" + std::to_string(instance);
}

std::optional<int32_t> PinSetting::FindAudioPin(const AudioSideHost& audio,
                                                const std::string& name) {
    for (int32_t pin = 0; pin < audio.AudioPinCount(); ++pin) {
        if (AudioPinName(audio, pin) == name) return pin;
    }
    return std::nullopt;
}

std::optional<int32_t> PinSetting::FindSampleInput(const AudioSideHost& audio,
                                                   const std::string& name) {
    const auto pin = FindAudioPin(audio, name);
    if (!pin || audio.AudioPin(*pin).direction != DR_IN ||
        audio.AudioPin(*pin).datatype != DT_FSAMPLE) {
        return std::nullopt;
    }
    return pin;
}

std::optional<int32_t> PinSetting::FindTablePin(const AudioSideHost& audio, const std::string& name,
                                                bool ui_only) {
    const std::vector<PinDescription>& table = audio.PinTable();
    for (size_t index = 0; index < table.size(); ++index) {
        if ((!ui_only || (table[index].flags & IO_UI_COMMUNICATION) != 0) &&
            table[index].name == name) {
            return static_cast<int32_t>(index);
        }
    }
    return std::nullopt;
}

double PinSetting::HeldValue(const PinDescription& pin, const std::string& text) {
    if (pin.datatype == DT_ENUM) {
        if (auto value = EnumList(pin.datatype_extra).ValueOf(text)) return *value;
    }
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    const bool number = !text.empty() && *end == '\0' && std::isfinite(value);
    // Whole numbers the width of an integer for every datatype but a float, whose own list or
    // variable may hold fewer: checked where the value is written.
    const bool whole = pin.datatype == DT_FLOAT || value == std::floor(value);
    if (number && whole && Holds(pin.datatype == DT_FLOAT ? DT_FLOAT : DT_INT, value)) return value;
    throw UsageError("pin " + pin.name + " cannot hold '" + text + "': it holds " +
                     (pin.datatype == DT_FLOAT ? "finite 32-bit floats"
                                               : "whole numbers from -2147483648 to 2147483647"));
}

bool PinSetting::NeedsGuiObject(const AudioSideHost& audio,
                                const std::vector<std::string>& settings) {
    for (const std::string& setting : settings) {
        const std::string name = Split(setting).first;
        for (const PinDescription& pin : audio.PinTable()) {
            if (pin.name == name && !pin.CreatesAudioPin()) return true;
        }
    }
    return false;
}

namespace {

// A setting as it lands: in an audio pin's variable, or through the GUI object on a pin of the
// GUI side alone.
struct SettingPlace {
    std::optional<int32_t> audio_pin;
    int32_t table_index = -1;
    double value = 0.0;
};

SettingPlace Place(const AudioSideHost& audio, const std::string& name, const std::string& text) {
    if (const auto pin = PinSetting::FindAudioPin(audio, name)) {
        const PinDescription& description = audio.AudioPin(*pin);
        if (description.variable_address == nullptr) {
            throw UsageError("pin " + name + " holds no value a host sets" +
                             (description.datatype == DT_FSAMPLE
                                  ? ": it is a sample pin, which takes a signal (--input)"
                                  : ""));
        }
        const double value = ValueFor(description, text);
        PinVariable::RefuseUnheld(description, value);
        return {pin, -1, value};
    }
    const std::vector<PinDescription>& table = audio.PinTable();
    for (size_t index = 0; index < table.size(); ++index) {
        if (table[index].CreatesAudioPin() || table[index].name != name) continue;
        const double value = ValueFor(table[index], text);
        if (table[index].datatype != DT_FLOAT && !Holds(DT_INT, value)) {
            throw UsageError("pin " + name + " cannot hold " + text);
        }
        return {std::nullopt, static_cast<int32_t>(index), value};
    }
    throw UsageError("the module has no pin " + name);
}

}  // namespace

void PinSetting::Check(const AudioSideHost& audio, const std::string& setting) {
    const auto [name, text] = Split(setting);
    Place(audio, name, text);
}

void PinSetting::Apply(ReferenceHost& host, const std::string& setting, uint32_t after) {
    const auto [name, text] = Split(setting);
    AudioSideHost& audio = host.Audio();
    const SettingPlace place = Place(audio, name, text);
    if (place.audio_pin) {
        audio.WritePinVariable(*place.audio_pin, place.value);
        audio.PostPinStatus(*place.audio_pin, PIN_STATUS_CHANGED, after);
    } else if (audio.PinTable()[static_cast<size_t>(place.table_index)].datatype == DT_FLOAT) {
        host.Gui().SetPinFloat(place.table_index, static_cast<float>(place.value));
    } else {
        host.Gui().SetPin(place.table_index, static_cast<int32_t>(place.value));
    }
}
