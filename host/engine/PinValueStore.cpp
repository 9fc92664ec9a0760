#include "PinValueStore.h"

#include <cstdio>
#include <cstring>

PinValueStore::PinValueStore(const std::vector<PinDescription>& pins) {
    m_values.reserve(pins.size());
    for (const PinDescription& pin : pins) {
        m_values.push_back(
            Value{pin.name, pin.datatype, 0, 0.0f, EnumList(pin.datatype_extra), ""});
    }
}

void PinValueStore::ReadInto(int32_t index, void* buffer) const {
    const Value& value = m_values.at(static_cast<size_t>(index));
    if (value.datatype == DT_FLOAT) {
        std::memcpy(buffer, &value.float_value, sizeof value.float_value);
    } else {
        std::memcpy(buffer, &value.int_value, sizeof value.int_value);
    }
}

bool PinValueStore::Write(int32_t index, int32_t new_value, float opt) {
    Value& value = m_values.at(static_cast<size_t>(index));
    if (value.datatype == DT_FLOAT) {
        // Compared bit for bit: a NaN written twice is no change, so it cannot notify forever.
        const bool changed = std::memcmp(&value.float_value, &opt, sizeof opt) != 0;
        value.float_value = opt;
        return changed;
    }
    const int32_t stored = value.datatype == DT_BOOL ? (new_value != 0 ? 1 : 0) : new_value;
    const bool changed = stored != value.int_value;
    value.int_value = stored;
    return changed;
}

int32_t PinValueStore::IntValue(int32_t index) const {
    return m_values.at(static_cast<size_t>(index)).int_value;
}

float PinValueStore::FloatValue(int32_t index) const {
    return m_values.at(static_cast<size_t>(index)).float_value;
}

std::string PinValueStore::FormatText(const Value& value) const {
    if (value.datatype == DT_FLOAT) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value.float_value));
        return text;
    }
    if (value.datatype == DT_ENUM) {
        if (auto choice = value.choices.TextOf(value.int_value)) return *choice;
    }
    return std::to_string(value.int_value);
}

const char* PinValueStore::Text(int32_t index) {
    Value& value = m_values.at(static_cast<size_t>(index));
    value.text = FormatText(value);
    return value.text.c_str();
}

std::u16string PinValueStore::WideText(int32_t index) const {
    const std::string text = FormatText(m_values.at(static_cast<size_t>(index)));
    std::u16string wide;
    for (char c : text) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
}
