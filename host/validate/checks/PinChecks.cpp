#include <algorithm>
#include <cstring>

#include "Checks.h"
#include "EnumList.h"
#include "ModuleLibrary.h"
#include "ModuleSession.h"
#include "PrintableText.h"
#include "ReferenceHost.h"

namespace {

constexpr int32_t kMaxDescriptions = AudioSideHost::kMaxPinDescriptions;
constexpr size_t kMaxNameLength = 256;

struct Descriptions {
    std::vector<QVPinProperties> pins;
    bool ended = false;
    QVWord odd_answer = 0;  // an answer other than 0 or 1, the first one
};

// The descriptions as the module writes them into cleared records, up to the host's limit.
Descriptions ReadDescriptions(AudioSideHost& audio) {
    Descriptions read;
    // One past the limit is asked too: a table of exactly the limit ends there.
    for (int32_t index = 0; index <= kMaxDescriptions; ++index) {
        QVPinProperties props{};
        const QVWord answer = audio.Dispatch(MOD_OP_GET_PIN_PROPERTIES, index, 0, &props, 0.0f);
        if (answer == 0) {
            read.ended = true;
            break;
        }
        if (index == kMaxDescriptions) break;
        if (answer != 1 && read.odd_answer == 0) read.odd_answer = answer;
        read.pins.push_back(props);
    }
    return read;
}

// Runs `check` on every description of a new audio object, with its index.
template <typename Check>
void ForEachDescription(CheckContext& context, Check check) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    const Descriptions read = ReadDescriptions(host.Audio());
    for (size_t index = 0; index < read.pins.size(); ++index) {
        check("pin " + std::to_string(index) + ": ", read.pins[index]);
    }
}

std::string TextOf(const char* text) { return text != nullptr ? text : "(null)"; }

bool SameDescription(const QVPinProperties& a, const QVPinProperties& b) {
    return a.direction == b.direction && a.datatype == b.datatype && a.flags == b.flags &&
           TextOf(a.name) == TextOf(b.name) && TextOf(a.datatype_extra) == TextOf(b.datatype_extra);
}

bool Readable(const char* text) {
    const void* end = std::memchr(text, 0, kMaxNameLength);
    if (end == nullptr) return false;
    for (const char* c = text; c != end; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) return false;
    }
    return true;
}

// How many bytes of a pin's variable the host or the framework writes, by datatype; 0 for a
// datatype whose variable this host never touches.
size_t VariableWidth(int32_t datatype) {
    switch (datatype) {
    case DT_BOOL:
        return 1;
    case DT_ENUM:
        return sizeof(int16_t);
    case DT_INT:
        return sizeof(int32_t);
    case DT_FLOAT:
        return sizeof(float);
    case DT_FSAMPLE:
        return sizeof(float*);  // where the framework keeps the pin's buffer address
    default:
        return 0;
    }
}

// The table of a new audio object, as the host reads it.
std::vector<PinDescription> PinTableOf(ReferenceHost& host) {
    host.CreateAudioObject();
    return host.Audio().PinTable();
}

}  // namespace

namespace PinChecks {

void ValuesSettable(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    const std::vector<PinDescription> table = PinTableOf(host);
    for (size_t index = 0; index < table.size(); ++index) {
        const PinDescription& pin = table[index];
        if (pin.direction != DR_IN || !pin.HoldsValue() || !pin.CreatesAudioPin() ||
            (pin.flags & IO_REPEAT_LAST) != 0 || pin.variable_address != nullptr) {
            continue;
        }
        context.Fail("pin " + std::to_string(index) + " (" + pin.name +
                     "): an input value pin with an audio side and no variable_address: the "
                     "host has no way to hand the audio object its value");
    }
}

void VariablesApart(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    const std::vector<PinDescription> table = PinTableOf(host);
    struct Variable {
        uintptr_t begin;
        size_t width;
        size_t index;
    };
    std::vector<Variable> variables;
    for (size_t index = 0; index < table.size(); ++index) {
        const PinDescription& pin = table[index];
        const size_t width = VariableWidth(pin.datatype);
        if (pin.variable_address == nullptr || width == 0 || !pin.CreatesAudioPin()) continue;
        variables.push_back({reinterpret_cast<uintptr_t>(pin.variable_address), width, index});
    }
    std::sort(variables.begin(), variables.end(),
              [](const Variable& a, const Variable& b) { return a.begin < b.begin; });
    for (size_t k = 1; k < variables.size(); ++k) {
        const Variable& lower = variables[k - 1];
        const Variable& upper = variables[k];
        if (upper.begin >= lower.begin + lower.width) continue;
        context.Fail("pins " + std::to_string(lower.index) + " (" + table[lower.index].name +
                     ") and " + std::to_string(upper.index) + " (" + table[upper.index].name +
                     "): their variables overlap: " + std::to_string(lower.width) +
                     " bytes written at the first, the second starts " +
                     std::to_string(upper.begin - lower.begin) + " bytes in");
    }
}

void ListEnds(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    context.FailOnRule(host, "pin-table-ends");
    const QVWord odd = ReadDescriptions(host.Audio()).odd_answer;
    if (odd != 0) {
        context.FailCall("audio MOD_OP_GET_PIN_PROPERTIES for a described pin",
                         std::to_string(static_cast<long long>(odd)), "1");
    }
}

void Names(CheckContext& context) {
    ForEachDescription(context, [&](const std::string& pin, const QVPinProperties& props) {
        if (props.name == nullptr) {
            context.Fail(pin + "MOD_OP_GET_PIN_PROPERTIES left name null, expected a text");
        } else if (!Readable(props.name)) {
            context.Fail(pin +
                         "the name is not a text of printable characters ending in NUL "
                         "within " +
                         std::to_string(kMaxNameLength) + " bytes");
        } else if (props.name[0] == '\0') {
            context.Fail(pin + "the name is empty");
        }
    });
}

void Codes(CheckContext& context) {
    std::string hosts_own_pins;
    ForEachDescription(context, [&](const std::string& pin, const QVPinProperties& props) {
        if (props.direction != DR_IN && props.direction != DR_OUT) {
            context.Fail(pin + "direction " + std::to_string(props.direction) +
                         ", expected DR_IN (0) or DR_OUT (1)");
        }
        const int32_t type = props.datatype;
        const bool known = type == DT_ENUM || type == DT_BOOL || type == DT_FSAMPLE ||
                           type == DT_FLOAT || type == DT_INT;
        // The framework passes 1, 2, 3 and 7 through for the host's own types, keeping no value:
        // legal (the guide's text label is one), and named so an author sees what this host
        // makes of them.
        const bool hosts_own = type == 1 || type == 2 || type == 3 || type == 7;
        if (hosts_own) {
            hosts_own_pins += (hosts_own_pins.empty() ? "" : ", ") + pin + "datatype " +
                              std::to_string(type);
        } else if (!known) {
            context.Fail(pin + "datatype " + std::to_string(type) +
                         ", expected one of 0, 4, 5, 6, 8 (or the host's own 1, 2, 3, 7)");
        }
    });
    if (!hosts_own_pins.empty()) {
        context.Note(hosts_own_pins +
                     ": the host's own, for which this host keeps no value, only texts handed "
                     "by pointer");
    }
}

void PatchStore(CheckContext& context) {
    ForEachDescription(context, [&](const std::string& pin, const QVPinProperties& props) {
        const bool stored_input = (props.flags & IO_PATCH_STORE) != 0 && props.direction != DR_OUT;
        if (stored_input && (props.flags & (IO_PRIVATE | IO_UI_COMMUNICATION)) == 0) {
            context.Fail(pin +
                         "an input with IO_PATCH_STORE but neither IO_PRIVATE nor "
                         "IO_UI_COMMUNICATION (flags " +
                         std::to_string(props.flags) + ")");
        }
    });
}

void Enumerations(CheckContext& context) {
    ForEachDescription(context, [&](const std::string& pin, const QVPinProperties& props) {
        if (props.datatype != DT_ENUM) return;
        if (props.datatype_extra == nullptr || !Readable(props.datatype_extra)) {
            return context.Fail(pin + "an enumeration pin without a readable list text");
        }
        // The module's own iterator cannot read a range without a comma after its lower bound:
        // "range" alone raises, "range " and "range 5" break its contract.
        const std::string text = props.datatype_extra;
        if (text.compare(0, 5, "range") == 0 &&
            (text.size() < 6 || text.find(',', 6) == std::string::npos)) {
            return context.Fail(pin + "the range \"" + text +
                                "\" has no comma after its lower bound: write \"range LO,HI\"");
        }
        const EnumList list(props.datatype_extra);
        const std::vector<int32_t> values = list.Values();
        if (values.empty()) {
            return context.Fail(pin + "the list \"" + std::string(props.datatype_extra) +
                                "\" gives no choice");
        }
        for (const int32_t value : values) {
            // The host writes a choice into the pin's variable, a 16-bit integer.
            if (value < INT16_MIN || value > INT16_MAX) {
                return context.Fail(pin + "the list \"" + std::string(props.datatype_extra) +
                                    "\" reaches " + std::to_string(value) +
                                    ", past the -32768 to 32767 an enumeration's variable holds");
            }
            if (list.TextOf(value).value_or("").empty()) {
                context.Fail(pin + "the list \"" + std::string(props.datatype_extra) +
                             "\" has a choice without a name");
            }
        }
    });
}

void SameAfterOpen(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    const Descriptions before = ReadDescriptions(host.Audio());
    host.Audio().Open();
    const Descriptions after = ReadDescriptions(host.Audio());
    if (after.pins.size() != before.pins.size()) {
        return context.Fail(std::to_string(before.pins.size()) + " pin descriptions before " +
                            "MOD_OP_OPEN and " + std::to_string(after.pins.size()) +
                            " after, expected the same");
    }
    for (size_t index = 0; index < before.pins.size(); ++index) {
        if (!SameDescription(before.pins[index], after.pins[index])) {
            context.Fail("pin " + std::to_string(index) +
                         ": the description after MOD_OP_OPEN differs from the one before");
        }
    }
}

void PastEnd(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    ReferenceHost host(library);
    host.CreateAudioObject();
    const Descriptions read = ReadDescriptions(host.Audio());
    if (!read.ended) return context.Skip("the pin list has no end within 256 descriptions");
    const int32_t count = static_cast<int32_t>(read.pins.size());
    std::vector<int32_t> indices{count, count + 1, -1, INT32_MIN, INT32_MAX};
    indices.push_back(count + static_cast<int32_t>(context.NextRandom() % 0x10000u));
    for (const int32_t index : indices) {
        // Filled with a pattern that no description check reads as an input stored with the
        // patch, so a module that checks the record after its answer has nothing to object to.
        QVPinProperties props;
        std::memset(&props, 0x5A, sizeof props);
        QVPinProperties before;
        std::memcpy(&before, &props, sizeof props);
        const QVWord answer =
            host.Audio().Dispatch(MOD_OP_GET_PIN_PROPERTIES, index, 0, &props, 0.0f);
        const std::string call =
            CheckContext::DescribeCall("audio", MOD_OP_GET_PIN_PROPERTIES, index, 0, &props, 0.0f);
        if (answer != 0) {
            context.FailCall(call, std::to_string(static_cast<long long>(answer)), "0");
        }
        if (std::memcmp(&props, &before, sizeof props) != 0) {
            context.Fail(call + " wrote into the record, expected it left alone");
        }
    }
}

void TextsInLibrary(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    struct KeptText {
        std::string what;
        const char* address;
        std::string text;
    };
    std::vector<KeptText> kept;
    // A host keeps these pointers for as long as the library is loaded, not a copy of the text.
    auto keep = [&](const std::string& what, const char* address) {
        if (address == nullptr) return;
        if (!library.HoldsAddress(address)) {
            return context.Fail(what + " lies outside the library's image: the host keeps the "
                                "pointer, so the text must be a constant of the library");
        }
        size_t length = 0;
        while (length < kMaxNameLength * 64 && address[length] != '\0') ++length;
        kept.push_back({what, address, std::string(address, length)});
    };
    ModuleProperties props{};
    if (library.QueryProperties(0, &props)) {
        keep("the module's name", props.name);
        keep("the module's id", props.id);
        keep("the module's about text", props.about);
    }
    // Each text is read again after every step of a session and once every object is closed; a
    // text that changed is reported once, at the first read that saw it.
    std::vector<bool> reported;
    auto read_again = [&](const std::string& when) {
        reported.resize(kept.size(), false);
        for (size_t k = 0; k < kept.size(); ++k) {
            const KeptText& text = kept[k];
            if (reported[k] ||
                std::strncmp(text.address, text.text.c_str(), text.text.size() + 1) == 0) {
                continue;
            }
            reported[k] = true;
            context.Fail(text.what + " read \"" + PrintableText(text.text) +
                         "\" when the objects were made, and another text " + when + ": \"" +
                         PrintableText(std::string(text.address, std::strlen(text.address))) +
                         "\"");
        }
    };
    {
        ModuleSession session(library);
        session.Start();
        session.ProcessBlocks(2);
        const Descriptions read = ReadDescriptions(session.Host().Audio());
        for (size_t index = 0; index < read.pins.size(); ++index) {
            const std::string pin = "pin " + std::to_string(index) + "'s ";
            keep(pin + "name", read.pins[index].name);
            keep(pin + "datatype_extra", read.pins[index].datatype_extra);
        }
        session.ChangeEveryInput(context, [&] { read_again("after " + session.CurrentStep()); });
    }
    read_again("once every object was closed");
}

}  // namespace PinChecks
