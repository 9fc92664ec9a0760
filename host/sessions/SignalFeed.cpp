#include "SignalFeed.h"

bool SignalFeed::Feed(int32_t pin, const std::string& definition, uint32_t at) {
    SignalGenerator signal(definition);
    const bool constant = signal.IsConstant();
    const size_t slot = static_cast<size_t>(pin);
    if (m_inputs.size() <= slot) m_inputs.resize(slot + 1);
    m_inputs[slot] = FedInput{std::move(signal), at};
    return constant;
}

void SignalFeed::Fill(AudioSideHost& audio, uint32_t at, uint32_t frames, double rate) const {
    for (size_t pin = 0; pin < m_inputs.size(); ++pin) {
        if (!m_inputs[pin]) continue;
        const FedInput& input = *m_inputs[pin];
        float* buffer = audio.InputBuffer(static_cast<int32_t>(pin));
        for (uint32_t i = 0; i < frames; ++i) {
            buffer[i] = input.signal.Sample(uint64_t{at} + i - input.since, rate);
        }
    }
}
