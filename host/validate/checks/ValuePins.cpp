#include "ValuePins.h"

#include <algorithm>
#include <cfloat>
#include <limits>
#include <sstream>

#include "EnumList.h"

namespace {

constexpr int32_t kStatuses[] = {PIN_STATUS_CHANGED, PIN_STATUS_MOVING, PIN_STATUS_STATIC};

// Magnitudes spread between the edges of a number without a stated range, a decade apart, with a
// step of 5 where audio rates lie: a value that misbehaves only in a band (a corner between half
// the rate and the rate at 8 kHz) falls on one of them.
constexpr double kSpreadMagnitudes[] = {0.001, 0.01, 0.1,  1,     10,   100,
                                        1000,  5000, 1e4,  50000, 1e5};

}  // namespace

std::vector<double> ValuesAcross(const PinDescription& pin, CheckContext& context) {
    switch (pin.datatype) {
    case DT_ENUM: {
        std::vector<double> values;
        int32_t last = 0;
        for (const int32_t value : EnumList(pin.datatype_extra).Values()) {
            values.push_back(value);
            last = std::max(last, value);
        }
        // One past the last choice: what a patch from a later version of the module holds.
        if (last < INT16_MAX) values.push_back(last + 1);
        return values;
    }
    case DT_BOOL:
        return {1, 0};
    case DT_INT: {
        std::vector<double> values{INT32_MIN, -1, 0, 1};
        for (int k = 0; k < 2; ++k) values.push_back(static_cast<int32_t>(context.NextRandom()));
        values.push_back(INT32_MAX);
        return values;
    }
    case DT_FLOAT:
        return {-1e30, -1, 0, FLT_MIN, std::numeric_limits<float>::denorm_min(), 1, 1e30};
    default:
        return {};
    }
}

std::vector<double> SpreadValues(const ValuePin& pin, const PinDescription& description) {
    if (description.datatype == DT_ENUM || description.datatype == DT_BOOL ||
        pin.values.size() < 2) {
        return pin.values;
    }
    std::vector<double> values{pin.values.front(), pin.values.back()};
    for (const double magnitude : kSpreadMagnitudes) {
        if (description.datatype == DT_INT && magnitude < 1) continue;
        values.push_back(magnitude);
        values.push_back(-magnitude);
    }
    return values;
}

std::vector<ValuePin> ValuePins(AudioSideHost& audio, CheckContext& context) {
    std::vector<ValuePin> pins;
    const std::vector<PinDescription>& table = audio.PinTable();
    for (size_t index = 0; index < table.size(); ++index) {
        const PinDescription& pin = table[index];
        if (pin.direction != DR_IN || !pin.HoldsValue()) continue;
        ValuePin value_pin{index, -1, (pin.flags & IO_UI_COMMUNICATION) != 0,
                           ValuesAcross(pin, context)};
        for (int32_t audio_pin = 0; audio_pin < audio.AudioPinCount(); ++audio_pin) {
            if (&audio.AudioPin(audio_pin) == &pin && pin.variable_address != nullptr) {
                value_pin.audio_index = audio_pin;
                break;
            }
        }
        if (value_pin.gui || value_pin.audio_index >= 0) pins.push_back(value_pin);
    }
    return pins;
}

void SetValue(ModuleSession& session, CheckContext& context, const ValuePin& pin, double value,
              size_t turn) {
    ReferenceHost& host = session.Host();
    std::ostringstream step;
    step << "pin " << pin.table_index << " (" << host.Audio().PinTable()[pin.table_index].name
         << ") set to " << value;
    session.Step(step.str());
    if (pin.gui) session.SetGuiValue(static_cast<int32_t>(pin.table_index), value);
    if (pin.audio_index >= 0) {
        const uint32_t offset =
            context.NextRandom() % static_cast<uint32_t>(host.Audio().BlockSize());
        session.SetVariable(pin.audio_index, value, kStatuses[turn % 3], offset);
    }
}
