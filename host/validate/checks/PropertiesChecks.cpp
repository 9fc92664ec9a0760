#include <cstring>

#include "Checks.h"
#include "ModuleLibrary.h"

namespace {

constexpr uint32_t kHostWord = 0xA5A5A5A5u;
constexpr size_t kMaxTextLength = 65536;

ModuleProperties Sentinel() {
    ModuleProperties props;
    std::memset(&props, 0xA5, sizeof props);
    props.host_reserved = kHostWord;
    return props;
}

std::string Call(int32_t index) { return "getModuleProperties(" + std::to_string(index) + ")"; }

void ExpectText(CheckContext& context, const char* field, const char* text) {
    if (text == nullptr) {
        context.Fail(Call(0) + " left " + field + " null, expected a text");
    } else if (std::memchr(text, 0, kMaxTextLength) == nullptr) {
        context.Fail(Call(0) + ": " + field + " has no NUL within " +
                     std::to_string(kMaxTextLength) + " bytes");
    }
}

}  // namespace

namespace PropertiesChecks {

void IndexZero(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    // The record with a guard zone behind it: the module writes nothing past offset 20.
    struct Guarded {
        ModuleProperties props;
        uint32_t guard[8];
    } guarded;
    guarded.props = Sentinel();
    std::memset(guarded.guard, 0xA5, sizeof guarded.guard);
    ModuleProperties& props = guarded.props;
    const int32_t answer = library.PropertiesAnswer(0, &props);
    for (const uint32_t word : guarded.guard) {
        if (word != kHostWord) {
            context.Fail(Call(0) + " wrote past the end of the record");
            break;
        }
    }
    if (answer != 1) return context.FailCall(Call(0), std::to_string(answer), "1");
    if (props.sdk_version == Sentinel().sdk_version) {
        context.Fail(Call(0) + " left sdk_version unwritten, expected the library's SDK version");
    }
    ExpectText(context, "name", props.name);
    ExpectText(context, "id", props.id);
    ExpectText(context, "about", props.about);
}

void HostWord(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    for (const int32_t index : {0, 1}) {
        ModuleProperties props = Sentinel();
        library.QueryProperties(index, &props);
        if (props.host_reserved != kHostWord) {
            context.Fail(Call(index) + " wrote " + std::to_string(props.host_reserved) +
                         " into the host's word at offset 12, expected it left as " +
                         std::to_string(kHostWord));
        }
    }
}

void OtherIndex(CheckContext& context) {
    const ModuleLibrary library(context.LibraryPath());
    std::vector<int32_t> indices = context.EdgeValues();
    indices.push_back(2);
    for (const int32_t index : indices) {
        if (index == 0) continue;
        ModuleProperties props = Sentinel();
        const ModuleProperties before = props;
        if (library.QueryProperties(index, &props)) {
            context.FailCall(Call(index), "true", "false");
        }
        if (props.name != before.name || props.id != before.id || props.about != before.about ||
            props.host_reserved != before.host_reserved || props.flags != before.flags) {
            context.Fail(Call(index) + " wrote a field other than sdk_version");
        }
    }
}

}  // namespace PropertiesChecks
