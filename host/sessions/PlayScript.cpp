#include "PlayScript.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

#include "AudioSideHost.h"
#include "HostError.h"
#include "QVHostTypes.h"

namespace {

// The longest line a script may hold: an action is a few words.
constexpr size_t kLongestLine = 4096;

struct StatusWord {
    const char* word;
    int32_t status;
};
constexpr StatusWord kStatusWords[] = {
    {"changed", PIN_STATUS_CHANGED}, {"moving", PIN_STATUS_MOVING}, {"static", PIN_STATUS_STATIC}};

constexpr double kMostSamples = 28800000;

// What a script sets once for the whole run.
const std::string kRunSettings[] = {"samples", "rate", "block", "clock", "seed"};

// The next line of `lines` into `line`, read no further than one byte past `most`: a line too long
// to be a script's is found without holding it. False at the end of the text.
bool NextLine(std::istream& lines, std::string& line, size_t most) {
    line.clear();
    std::streambuf* bytes = lines.rdbuf();
    for (int c = bytes->sbumpc(); c != std::char_traits<char>::eof(); c = bytes->sbumpc()) {
        if (c == '\n' || line.size() > most) return true;
        line += static_cast<char>(c);
    }
    return !line.empty();
}

// Reads one script line by line, each error naming the script and the line.
class ScriptReader {
public:
    ScriptReader(const std::string& source, int line)
        : m_where(source + ":" + std::to_string(line)) {}

    [[noreturn]] void Refuse(const std::string& why) const {
        throw UsageError("--script " + m_where + ": " + why);
    }
    // Refuses a second `keyword` line for `pin` among `given` ("PIN=VALUE"): the later would win.
    void Repeated(const std::vector<std::string>& given, const std::string& pin,
                  const std::string& keyword) const {
        for (const std::string& setting : given) {
            if (setting.compare(0, pin.size() + 1, pin + "=") == 0) {
                Refuse(keyword + " " + pin + " is given twice; a pin takes one");
            }
        }
    }

    double Number(const std::string& text, const std::string& what, double low, double high,
                  bool whole) const {
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(text.c_str(), &end);
        // Decimal digits only: no hexadecimal, and a whole number in no exponent form.
        const bool decimal = text.find_first_not_of(whole ? "0123456789+-" : "0123456789+-.eE") ==
                             std::string::npos;
        if (text.empty() || !decimal || *end != '\0' || errno == ERANGE ||
            !std::isfinite(value) || value < low || value > high ||
            (whole && value != std::floor(value))) {
            Refuse(what + " '" + text + "' is not " + (whole ? "a whole number" : "a number") +
                   " from " + PlayScript::Number(low) + " to " + PlayScript::Number(high));
        }
        return value;
    }

    // "PIN=VALUE", and a status after it when `status` is given.
    void Setting(const std::string& text, PlayAction& action, bool takes_status) const {
        const size_t equals = text.find('=');
        if (equals == std::string::npos || equals == 0) Refuse("'" + text + "' is not PIN=VALUE");
        action.pin = text.substr(0, equals);
        std::istringstream rest(text.substr(equals + 1));
        std::string word;
        rest >> action.value;
        if (action.value.empty()) Refuse("'" + text + "' gives no value");
        if (!(rest >> word)) return;
        std::string extra;
        if (!takes_status || (rest >> extra)) Refuse("'" + text + "' has more than PIN=VALUE");
        for (const StatusWord& status : kStatusWords) {
            if (word == status.word) action.status = status.status;
        }
        if (!action.status) Refuse("'" + word + "' is not a status: changed, moving or static");
    }

private:
    std::string m_where;
};

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string PlayScript::Number(double value) {
    // The shortest text that reads back to the same double.
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

PlayOptions PlayScript::Parse(const std::string& text, const std::string& source) {
    std::istringstream lines(text);
    return Parse(lines, source);
}

PlayOptions PlayScript::Parse(std::istream& lines, const std::string& source) {
    PlayOptions options;
    std::string raw;
    // The object the lines address, and the inputs it takes from the start.
    ObjectPlay* object = &options;
    std::vector<std::vector<std::string>> inputs_from_start(PlayOptions::kMostObjects);
    size_t object_number = 1;
    const auto given_in = std::make_shared<const std::string>("--script " + source);
    std::vector<std::string> settings_given;
    // Room for a text editor's byte-order mark, which may begin the file.
    for (int number = 1; NextLine(lines, raw, kLongestLine + 3); ++number) {
        const ScriptReader reader(source, number);
        if (number == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);
        // A NUL is in no line of text.
        if (raw.find('\0') != std::string::npos) reader.Refuse("a NUL byte, which no text holds");
        if (raw.size() > kLongestLine) {
            reader.Refuse("a line longer than the " + std::to_string(kLongestLine) +
                          " bytes a line holds");
        }
        const std::string line = Trimmed(raw.substr(0, raw.find('#')));
        if (line.empty()) continue;
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        PlayAction action;
        action.given_in = given_in;
        action.line = static_cast<uint32_t>(number);
        const bool at = keyword == "at";
        if (at) {
            std::string sample;
            words >> sample >> keyword;
            action.sample =
                static_cast<uint32_t>(reader.Number(sample, "sample", 0, kMostSamples - 1, true));
        }
        const bool run_setting = std::find(std::begin(kRunSettings), std::end(kRunSettings),
                                           keyword) != std::end(kRunSettings);
        if (!at && run_setting) {
            if (std::find(settings_given.begin(), settings_given.end(), keyword) !=
                settings_given.end()) {
                reader.Refuse(keyword + " is given twice; a run has one");
            }
            settings_given.push_back(keyword);
        }
        std::string rest;
        std::getline(words, rest);
        rest = Trimmed(rest);
        const auto number_of = [&](double low, double high, bool whole) {
            return reader.Number(rest, keyword, low, high, whole);
        };
        if (keyword == "set" || keyword == "gui" || keyword == "variable") {
            if (!at)
                reader.Refuse(keyword + " needs a sample: at SAMPLE " + keyword + " PIN=VALUE");
            action.kind = keyword == "set"   ? PlayAction::Kind::kSet
                          : keyword == "gui" ? PlayAction::Kind::kGui
                                             : PlayAction::Kind::kVariable;
            reader.Setting(rest, action, action.kind == PlayAction::Kind::kVariable);
        } else if (keyword == "input") {
            action.kind = PlayAction::Kind::kInput;
            reader.Setting(rest, action, true);
            if (!at) {
                std::vector<std::string>& inputs = inputs_from_start[object_number - 1];
                reader.Repeated(inputs, action.pin, "input");
                inputs.push_back(action.pin + "=" + action.value);
            }
        } else if (keyword == "close" && at && rest.empty()) {
            action.kind = PlayAction::Kind::kClose;
        } else if (keyword == "object" && !at) {
            object_number = static_cast<size_t>(
                number_of(1, static_cast<double>(PlayOptions::kMostObjects), true));
            while (options.beside.size() + 1 < object_number) options.beside.emplace_back();
            object = object_number == 1 ? &options : &options.beside[object_number - 2];
            continue;
        } else if (keyword == "rate" && at) {
            action.kind = PlayAction::Kind::kRate;
            action.value = Number(number_of(1.0, 1.0e6, false));
        } else if (keyword == "block" && at) {
            action.kind = PlayAction::Kind::kBlock;
            action.value = Number(number_of(1, AudioSideHost::kMaxBlockSize, true));
        } else if (keyword == "rate") {
            options.rate = static_cast<float>(number_of(1.0, 1.0e6, false));
            continue;
        } else if (keyword == "block") {
            options.block = static_cast<int32_t>(number_of(1, AudioSideHost::kMaxBlockSize, true));
            continue;
        } else if (keyword == "samples" && !at) {
            options.samples = static_cast<uint32_t>(number_of(1, kMostSamples, true));
            continue;
        } else if (keyword == "clock" && !at) {
            options.clock = static_cast<uint32_t>(number_of(0, 4294967295.0, true));
            continue;
        } else if (keyword == "seed" && !at) {
            options.seed = static_cast<uint32_t>(number_of(0, 4294967295.0, true));
            continue;
        } else if (keyword == "store" && !at) {
            reader.Setting(rest, action, false);
            reader.Repeated(object->stored, action.pin, "store");
            object->stored.push_back(action.pin + "=" + action.value);
            object->stored_origins.push_back(action.Origin());
            continue;
        } else {
            reader.Refuse("'" + line +
                          "' is not an action: samples, rate, block, clock, seed, object, store, "
                          "input, or at SAMPLE set, gui, variable, input, rate, block or close");
        }
        object->timeline.push_back(std::move(action));
    }
    // The run's length may come after its actions.
    std::vector<const ObjectPlay*> plays{&options};
    for (const ObjectPlay& beside : options.beside) plays.push_back(&beside);
    for (const ObjectPlay* play : plays) {
        for (const PlayAction& action : play->timeline) {
            if (action.sample >= options.samples) {
                throw UsageError(action.Origin() + ": sample " + std::to_string(action.sample) +
                                 " is not within the run, 0 to " +
                                 std::to_string(options.samples - 1));
            }
        }
    }
    return options;
}

std::string PlayScript::Describe(const PlayAction& action) {
    std::string status;
    for (const StatusWord& word : kStatusWords) {
        if (action.status == word.status) status = std::string(" ") + word.word;
    }
    switch (action.kind) {
    case PlayAction::Kind::kSet:
        return "set " + action.pin + "=" + action.value;
    case PlayAction::Kind::kGui:
        return "gui " + action.pin + "=" + action.value;
    case PlayAction::Kind::kVariable:
        return "variable " + action.pin + "=" + action.value + status;
    case PlayAction::Kind::kInput:
        return "input " + action.pin + "=" + action.value + status;
    case PlayAction::Kind::kRate:
        return "rate " + action.value;
    case PlayAction::Kind::kBlock:
        return "block " + action.value;
    case PlayAction::Kind::kClose:
        return "close";
    }
    return "";
}

std::string PlayScript::Format(const PlayOptions& options) {
    std::ostringstream text;
    text << "samples " << options.samples << "\nrate " << Number(options.rate) << "\nblock "
         << options.block << "\n";
    if (options.clock != 0) text << "clock " << options.clock << "\n";
    if (options.seed) text << "seed " << *options.seed << "\n";
    const auto object_lines = [&text](const ObjectPlay& play) {
        for (const std::string& stored : play.stored) text << "store " << stored << "\n";
        for (const std::string& input : play.inputs) text << "input " << input << "\n";
        for (const PlayAction& action : play.timeline) {
            text << "at " << action.sample << " " << Describe(action) << "\n";
        }
    };
    object_lines(options);
    for (size_t k = 0; k < options.beside.size(); ++k) {
        text << "object " << k + 2 << "\n";
        object_lines(options.beside[k]);
    }
    return text.str();
}
