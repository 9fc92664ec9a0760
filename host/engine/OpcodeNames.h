// The names of the opcodes as QVHostTypes.h spells them, for failure messages, the trace and
// crash reports.
#ifndef QVHOST_OPCODE_NAMES_H
#define QVHOST_OPCODE_NAMES_H

#include <cstdint>
#include <string>

class OpcodeNames {
public:
    // `side` is "audio" or "GUI" (the object's dispatcher), "audio host" or "GUI host" (the
    // object's host callback). An opcode without a name reads as "opcode N".
    static std::string Name(const std::string& side, int32_t opcode);
    // The name alone, or null for an opcode without one: a text that lives for the process.
    static const char* Find(const std::string& side, int32_t opcode);
};

#endif
