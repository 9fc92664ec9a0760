// A GUI object's pin write as a user reads it: the line a tool prints for it, and the text that a
// pointer write hands a pin of a datatype of the host's own. The header names no text datatype;
// such a pin takes whatever its host gives the code, and a host that reads texts there reads them
// as NUL-terminated bytes.
#ifndef QVHOST_PIN_WRITE_TEXT_H
#define QVHOST_PIN_WRITE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "GuiSideHost.h"
#include "PinDescription.h"

class PinWriteText {
public:
    // The most bytes read behind a pointer, its terminating NUL included.
    static constexpr size_t kMaxBytes = 4096;

    // Whether a pointer written to a pin of `datatype` may point at a text: a code that is none of
    // the header's DT_ codes.
    static bool CarriesText(int32_t datatype);
    // The text at `pointer` when a NUL ends it within kMaxBytes; nothing for a null pointer, for
    // memory the process cannot read, or for bytes that run on past the bound. Read a page at a
    // time, each only once the system says it can be read, so a pointer into nothing costs no
    // crash.
    static std::optional<std::string> Read(const void* pointer);
    // "GUI wrote NAME = VALUE": a value write in the pin's datatype (a float pin's value is in
    // opt), a pointer write as `text "..."` when it carried a text and as `pointer 0x...` when not.
    static std::string Describe(const PinWrite& write, const PinDescription& pin);
};

#endif
