#include "OutputSummary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

OutputSummary::OutputSummary(double rate, uint64_t samples)
    : m_seconds_per_sample(1.0 / rate),
      m_ring(static_cast<size_t>(
          std::max(1.0, std::min(std::round(rate), static_cast<double>(samples))))),
      m_times(m_ring.size()) {}

std::optional<double> OutputSummary::Crossings::Frequency() const {
    if (count < 2 || !(last > first)) return std::nullopt;
    return static_cast<double>(count - 1) / (last - first);
}

OutputSummary::Crossings OutputSummary::Stretch(size_t start, size_t count) const {
    const auto at = [&](size_t k) { return static_cast<double>(m_ring[(start + k) % m_ring.size()]); };
    const auto time = [&](size_t k) { return m_times[(start + k) % m_times.size()]; };
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
        const double at_crossing =
            time(k - 1) + (middle - previous) / (sample - previous) * (time(k) - time(k - 1));
        if (crossings.count == 0) crossings.first = at_crossing;
        crossings.last = at_crossing;
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
    m_times[m_next] = m_time;
    m_time += m_seconds_per_sample;
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
    return static_cast<double>(cycles) / span;
}

std::optional<double> OutputSummary::LastSecondFrequency() const {
    const bool full = m_count >= m_ring.size();
    return Stretch(full ? m_next : 0, full ? m_ring.size() : m_next).Frequency();
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
