// A module's pin table as the host read it, and the audio pins built from it: one for each
// description that creates one, in order, then the copies of a last pin that repeats, which
// share its description.
#ifndef QVHOST_AUDIO_PIN_TABLE_H
#define QVHOST_AUDIO_PIN_TABLE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "PinDescription.h"
#include "QVHostTypes.h"

class AudioPinTable {
public:
    // More descriptions, or audio pins, than this is taken as a module that never answers false.
    static constexpr int32_t kMostDescriptions = 256;

    // Reads the descriptions `describe` gives (MOD_OP_GET_PIN_PROPERTIES) until it answers
    // false; false when it had not within kMostDescriptions.
    bool Read(const std::function<bool(int32_t index, QVPinProperties& props)>& describe);
    // Adds `copies` audio pins built from the last description, which must create an audio pin
    // and carry IO_REPEAT_LAST; HostError otherwise, or past kMostDescriptions audio pins.
    void RepeatLast(int32_t copies);

    const std::vector<PinDescription>& Descriptions() const { return m_descriptions; }
    int32_t AudioPinCount() const { return static_cast<int32_t>(m_audio_pins.size()); }
    // The description audio pin `pin` was built from, and its index in the table.
    const PinDescription& AudioPin(int32_t pin) const;
    size_t TableIndex(int32_t pin) const { return m_audio_pins.at(static_cast<size_t>(pin)); }
    // The first audio pin built from description `table_index`, if any.
    std::optional<int32_t> AudioPinOf(size_t table_index) const;
    // The audio indices of the sample pins of `direction` (DR_IN or DR_OUT), in order.
    std::vector<int32_t> SamplePins(int32_t direction) const;

private:
    std::vector<PinDescription> m_descriptions;
    std::vector<size_t> m_audio_pins;  // per audio pin, its description's index
};

#endif
