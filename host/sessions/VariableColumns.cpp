#include "VariableColumns.h"

#include <algorithm>

#include "PinSetting.h"

VariableColumns::VariableColumns(const AudioSideHost& audio, std::vector<std::string>& columns)
    : m_audio(audio) {
    for (const PinDescription& pin : audio.PinTable()) {
        if ((pin.flags & IO_UI_COMMUNICATION) == 0 || !pin.CreatesAudioPin()) continue;
        const auto audio_pin = PinSetting::FindAudioPin(audio, pin.name);
        if (!audio_pin || audio.AudioPin(*audio_pin).variable_address == nullptr ||
            !audio.AudioPin(*audio_pin).HoldsValue()) {
            continue;
        }
        m_pins.push_back(*audio_pin);
        m_held.push_back(audio.ReadPinVariable(*audio_pin));
        columns.push_back(pin.name + " (audio side)");
    }
    m_shown = m_held;
}

void VariableColumns::Note(uint32_t sample) {
    for (size_t column = 0; column < m_pins.size(); ++column) {
        const double value = m_audio.ReadPinVariable(m_pins[column]);
        if (value == m_held[column]) continue;
        m_held[column] = value;
        const auto later = std::upper_bound(
            m_landings.begin(), m_landings.end(), sample,
            [](uint32_t at, const Landing& landing) { return at < landing.sample; });
        m_landings.insert(later, {sample, column, value});
    }
}

void VariableColumns::Append(uint32_t sample, std::vector<double>& row) {
    size_t landed = 0;
    for (; landed < m_landings.size() && m_landings[landed].sample <= sample; ++landed) {
        m_shown[m_landings[landed].column] = m_landings[landed].value;
    }
    m_landings.erase(m_landings.begin(), m_landings.begin() + static_cast<std::ptrdiff_t>(landed));
    row.insert(row.end(), m_shown.begin(), m_shown.end());
}
