// The names of the opcodes as QVHostTypes.h spells them, for failure messages and the trace.
#ifndef QVHOST_VALIDATE_OPCODE_NAMES_H
#define QVHOST_VALIDATE_OPCODE_NAMES_H

#include <cstdint>
#include <string>

class OpcodeNames {
public:
    // `side` is "audio" or "GUI" (the object's dispatcher), "audio host" or "GUI host" (the
    // object's host callback). An opcode without a name reads as "opcode N".
    static std::string Name(const std::string& side, int32_t opcode);
};

#endif
