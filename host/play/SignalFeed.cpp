#include "SignalFeed.h"

#include <algorithm>

void SignalFeed::Feed(int32_t pin, const std::string& definition, uint32_t at) {
    SignalGenerator signal(definition);
    m_inputs.erase(std::remove_if(m_inputs.begin(), m_inputs.end(),
                                  [pin](const FedInput& input) { return input.pin == pin; }),
                   m_inputs.end());
    m_inputs.push_back({pin, std::move(signal), at});
}

void SignalFeed::Fill(AudioSideHost& audio, uint32_t at, uint32_t frames, double rate) const {
    for (const FedInput& input : m_inputs) {
        float* buffer = audio.InputBuffer(input.pin);
        for (uint32_t i = 0; i < frames; ++i) {
            buffer[i] = input.signal.Sample(uint64_t{at} + i - input.since, rate);
        }
    }
}
