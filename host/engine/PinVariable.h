// A pin's variable in the module's memory, read and written as its datatype holds it, and the one
// table of the values each datatype holds, which every check of a value before it is written
// reads.
#ifndef QVHOST_PIN_VARIABLE_H
#define QVHOST_PIN_VARIABLE_H

#include <cstdint>
#include <optional>

#include "PinDescription.h"

// The values a variable of one datatype holds, both ends included.
struct HeldRange {
    double low;
    double high;
};

class PinVariable {
public:
    // Nothing for a datatype that holds no single value (a sample, a text, a blob).
    static std::optional<HeldRange> RangeOf(int32_t datatype);
    // HostError, before anything is written, when `pin`'s variable cannot hold `value`.
    static void RefuseUnheld(const PinDescription& pin, double value);
    // HostError for a pin without a variable, or as RefuseUnheld.
    static void Write(const PinDescription& pin, double value);
    static double Read(const PinDescription& pin);
    // Whether a float pin's variable holds a subnormal.
    static bool HoldsSubnormal(const PinDescription& pin);
};

#endif
