#include "AudioPinTable.h"

#include <string>

#include "HostError.h"
#include "PrintableText.h"

bool AudioPinTable::Read(
    const std::function<bool(int32_t index, QVPinProperties& props)>& describe) {
    m_descriptions.clear();
    m_audio_pins.clear();
    for (int32_t index = 0;; ++index) {
        QVPinProperties props{};
        if (!describe(index, props)) return true;
        if (index == kMostDescriptions) return false;
        PinDescription pin;
        pin.name = PrintableText(props.name != nullptr ? props.name : "");
        pin.direction = props.direction;
        pin.datatype = props.datatype;
        pin.datatype_extra =
            PrintableText(props.datatype_extra != nullptr ? props.datatype_extra : "");
        pin.flags = props.flags;
        pin.variable_address = props.variable_address;
        if (pin.CreatesAudioPin()) m_audio_pins.push_back(m_descriptions.size());
        m_descriptions.push_back(pin);
    }
}

void AudioPinTable::RepeatLast(int32_t copies) {
    if (m_descriptions.empty() || !m_descriptions.back().CreatesAudioPin() ||
        (m_descriptions.back().flags & IO_REPEAT_LAST) == 0) {
        throw HostError("the module's last pin does not repeat (IO_REPEAT_LAST)");
    }
    if (AudioPinCount() + copies > kMostDescriptions) {
        throw HostError("more than " + std::to_string(kMostDescriptions) + " audio pins");
    }
    m_audio_pins.insert(m_audio_pins.end(), static_cast<size_t>(copies),
                        m_descriptions.size() - 1);
}

const PinDescription& AudioPinTable::AudioPin(int32_t pin) const {
    return m_descriptions[TableIndex(pin)];
}

std::optional<int32_t> AudioPinTable::AudioPinOf(size_t table_index) const {
    for (int32_t pin = 0; pin < AudioPinCount(); ++pin) {
        if (TableIndex(pin) == table_index) return pin;
    }
    return std::nullopt;
}

std::vector<int32_t> AudioPinTable::SamplePins(int32_t direction) const {
    std::vector<int32_t> pins;
    for (int32_t pin = 0; pin < AudioPinCount(); ++pin) {
        if (AudioPin(pin).direction == direction && AudioPin(pin).datatype == DT_FSAMPLE) {
            pins.push_back(pin);
        }
    }
    return pins;
}
