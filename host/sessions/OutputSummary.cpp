#include "OutputSummary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

OutputSummary::OutputSummary(double rate, uint64_t samples)
    : m_rate(rate),
      m_ring(static_cast<size_t>(
          std::max(1.0, std::min(std::round(rate), static_cast<double>(samples))))) {}

std::optional<double> OutputSummary::Crossings::Frequency(double rate) const {
    if (count < 2 || !(last > first)) return std::nullopt;
    return static_cast<double>(count - 1) / (last - first) * rate;
}

OutputSummary::Crossings OutputSummary::Stretch(size_t start, size_t count) const {
    const auto at = [&](size_t k) { return static_cast<double>(m_ring[(start + k) % m_ring.size()]); };
    Crossings crossings;
    if (count == 0) return crossings;
    double lowest = at(0);
    double highest = at(0);
    for (size_t k = 1; k < count; ++k) {
        lowest = std::min(lowest, at(k));
        highest = std::max(highest, at(k));
    }
    const double middle = (lowest + highest) / 2.0;
    const double low = middle - (highest - lowest) / 4.0;
    bool armed = false;
    for (size_t k = 1; k < count; ++k) {
        const double previous = at(k - 1);
        const double sample = at(k);
        if (sample < low) armed = true;
        if (!armed || sample < middle || previous >= middle) continue;
        const double time = static_cast<double>(k) - 1.0 + (middle - previous) / (sample - previous);
        if (crossings.count == 0) crossings.first = time;
        crossings.last = time;
        ++crossings.count;
        armed = false;
    }
    return crossings;
}

void OutputSummary::Crossings::AddTo(long long& cycles, double& span) const {
    if (count < 2) return;
    cycles += count - 1;
    span += last - first;
}

void OutputSummary::Add(float sample) {
    const double value = sample;
    m_peak = std::max(m_peak, std::fabs(value));
    m_squares += value * value;
    ++m_count;
    m_ring[m_next] = sample;
    m_next = (m_next + 1) % m_ring.size();
    if (m_next == 0) Stretch(0, m_ring.size()).AddTo(m_cycles, m_span);
}

double OutputSummary::Rms() const {
    return m_count == 0 ? 0.0 : std::sqrt(m_squares / static_cast<double>(m_count));
}

std::optional<double> OutputSummary::Frequency() const {
    // The complete seconds, and what the run played after the last of them.
    long long cycles = m_cycles;
    double span = m_span;
    Stretch(0, m_next).AddTo(cycles, span);
    if (cycles == 0 || !(span > 0.0)) return std::nullopt;
    return static_cast<double>(cycles) / span * m_rate;
}

std::optional<double> OutputSummary::LastSecondFrequency() const {
    const bool full = m_count >= m_ring.size();
    return Stretch(full ? m_next : 0, full ? m_ring.size() : m_next).Frequency(m_rate);
}

std::string OutputSummary::Describe() const {
    const auto hertz = [](std::optional<double> frequency) {
        if (!frequency) return std::string("none");
        char text[48];
        std::snprintf(text, sizeof text, "%.2f Hz", *frequency);
        return std::string(text);
    };
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "peak %.6f  rms %.6f", m_peak, Rms());
    std::string text = std::string(numbers) + "  pitch " + hertz(Frequency());
    if (m_count > m_ring.size()) text += ", last second " + hertz(LastSecondFrequency());
    return text;
}
