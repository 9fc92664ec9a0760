// Reads arbitrary bytes as a play script: the reader refuses what it cannot play with a usage
// error and takes the rest; what it took, written out and read again, is the same play.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "HostError.h"
#include "PlayScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    PlayOptions read;
    try {
        read = PlayScript::Parse(text, "fuzz.qvs");
    } catch (const UsageError&) {
        return 0;
    }
    const std::string written = PlayScript::Format(read);
    if (PlayScript::Format(PlayScript::Parse(written, "written.qvs")) != written) std::abort();
    return 0;
}
