#include "StaticOutputWatch.h"

#include "QVHostTypes.h"

void StaticOutputWatch::Announce(size_t pin, int32_t status, uint32_t since) {
    m_pins.at(pin) = {status == PIN_STATUS_STATIC, since, false, 0.0f};
}

void StaticOutputWatch::Check(
    const SampleBuffers& buffers, uint32_t offset, uint32_t frames, uint32_t clock,
    const std::function<void(size_t pin, const std::string& what)>& moved) {
    for (size_t pin = 0; pin < m_pins.size(); ++pin) {
        Watch& watch = m_pins[pin];
        if (!watch.announced) continue;
        const float* samples = buffers.Data(pin);
        for (uint32_t n = 0; n < frames; ++n) {
            // Samples before the announced clock are not yet its; the clock wraps.
            if (clock + n - watch.since > 0x7FFFFFFFu) continue;
            const float sample = samples[offset + n];
            if (!watch.held) {
                watch.held = true;
                watch.value = sample;
            } else if (!(sample == watch.value)) {
                moved(pin, "was announced STATIC for sample clock " + std::to_string(watch.since) +
                               ", but moved from " + std::to_string(watch.value) + " to " +
                               std::to_string(sample) + " at sample clock " +
                               std::to_string(clock + n));
                watch.announced = false;
                break;
            }
        }
    }
}
