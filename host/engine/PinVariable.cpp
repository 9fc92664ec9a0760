#include "PinVariable.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <sstream>

#include "HostError.h"

std::optional<HeldRange> PinVariable::RangeOf(int32_t datatype) {
    switch (datatype) {
    case DT_ENUM:
        return HeldRange{INT16_MIN, INT16_MAX};
    case DT_BOOL:
        return HeldRange{-HUGE_VAL, HUGE_VAL};  // any number: zero or not
    case DT_FLOAT:
        return HeldRange{-FLT_MAX, FLT_MAX};
    case DT_INT:
        return HeldRange{INT32_MIN, INT32_MAX};
    default:
        return std::nullopt;
    }
}

void PinVariable::RefuseUnheld(const PinDescription& pin, double value) {
    const std::optional<HeldRange> range = RangeOf(pin.datatype);
    if (!range) throw HostError("pin " + pin.name + " holds no value the host can set");
    if (!(value >= range->low && value <= range->high)) {
        std::ostringstream shown;
        shown << std::setprecision(10) << value;
        throw HostError("pin " + pin.name + " cannot hold " + shown.str());
    }
}

void PinVariable::Write(const PinDescription& pin, double value) {
    void* variable = pin.variable_address;
    if (variable == nullptr) throw HostError("pin " + pin.name + " has no variable");
    RefuseUnheld(pin, value);
    switch (pin.datatype) {
    case DT_ENUM:
        *static_cast<int16_t*>(variable) = static_cast<int16_t>(value);
        break;
    case DT_BOOL:
        *static_cast<uint8_t*>(variable) = value != 0.0 ? 1 : 0;
        break;
    case DT_FLOAT:
        *static_cast<float*>(variable) = static_cast<float>(value);
        break;
    case DT_INT:
        *static_cast<int32_t*>(variable) = static_cast<int32_t>(value);
        break;
    }
}

double PinVariable::Read(const PinDescription& pin) {
    const void* variable = pin.variable_address;
    if (variable == nullptr) throw HostError("pin " + pin.name + " has no variable");
    switch (pin.datatype) {
    case DT_ENUM:
        return *static_cast<const int16_t*>(variable);
    case DT_BOOL:
        return *static_cast<const uint8_t*>(variable);
    case DT_FLOAT:
        return *static_cast<const float*>(variable);
    case DT_INT:
        return *static_cast<const int32_t*>(variable);
    default:
        throw HostError("pin " + pin.name + " holds no value the host can set");
    }
}

bool PinVariable::HoldsSubnormal(const PinDescription& pin) {
    return pin.datatype == DT_FLOAT && pin.variable_address != nullptr &&
           std::fpclassify(*static_cast<const float*>(pin.variable_address)) == FP_SUBNORMAL;
}
