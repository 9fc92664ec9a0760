#include "SampleBuffers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// A quiet NaN with a payload no arithmetic produces: a module that writes it has copied it.
constexpr uint32_t kPatternBits = 0x7FC0DEADu;

float Pattern() {
    float pattern;
    std::memcpy(&pattern, &kPatternBits, sizeof pattern);
    return pattern;
}

// The samples from `begin` to `end` as `expected` holds them, bit for bit. One comparison of the
// whole run: this runs twice for every buffer at every call into the object.
bool Unchanged(const float* samples, const float* expected, size_t begin, size_t end) {
    return begin >= end ||
           std::memcmp(samples + begin, expected + begin, (end - begin) * sizeof(float)) == 0;
}

// The first sample from `begin` to `end` that differs from `expected`.
size_t FirstChange(const float* samples, const float* expected, size_t begin, size_t end) {
    while (begin < end && std::memcmp(samples + begin, expected + begin, sizeof(float)) == 0) {
        ++begin;
    }
    return begin;
}
}  // namespace

void SampleBuffers::Add(const std::string& name, bool output) {
    // The copy is made at every call, into room made here: the host allocates nothing while the
    // object works, so the object's allocations can be counted.
    Buffer buffer{name, output, std::vector<float>(kGuardSamples + m_samples + kGuardSamples, 0.0f),
                  std::vector<float>(m_samples)};
    std::fill_n(buffer.samples.begin(), kGuardSamples, Pattern());
    std::fill_n(buffer.samples.end() - kGuardSamples, kGuardSamples, Pattern());
    m_buffers.push_back(std::move(buffer));
    if (m_guard.empty()) m_guard.assign(kGuardSamples, Pattern());
}

void SampleBuffers::Before(uint32_t offset, uint32_t frames) {
    for (Buffer& buffer : m_buffers) {
        float* samples = buffer.samples.data() + kGuardSamples;
        if (buffer.output && offset + frames < m_samples) {
            std::fill(samples + offset + frames, samples + m_samples, Pattern());
        }
        std::copy(samples, samples + m_samples, buffer.before.begin());
    }
}

void SampleBuffers::After(uint32_t offset, uint32_t frames, std::vector<std::string>& problems,
                          std::vector<std::string>& warnings) {
    // Texts are made only for a finding: the host allocates nothing while all is well.
    const auto call = [&] {
        return frames == 0 ? std::string("a call of no frames")
                           : "a process call of frames " + std::to_string(offset) + ".." +
                                 std::to_string(offset + frames - 1);
    };
    for (Buffer& buffer : m_buffers) {
        float* front = buffer.samples.data();
        float* samples = front + kGuardSamples;
        float* back = samples + m_samples;
        const auto pin = [&] { return "pin " + buffer.name; };
        const bool front_intact = Unchanged(front, m_guard.data(), 0, kGuardSamples);
        if (!front_intact || !Unchanged(back, m_guard.data(), 0, kGuardSamples)) {
            const std::string where =
                front_intact
                    ? std::to_string(m_samples + FirstChange(back, m_guard.data(), 0, kGuardSamples))
                    : "-" + std::to_string(kGuardSamples -
                                           FirstChange(front, m_guard.data(), 0, kGuardSamples));
            problems.push_back(call() + " wrote " + pin() + " at offset " + where +
                               ", outside its buffer");
            std::copy(m_guard.begin(), m_guard.end(), front);
            std::copy(m_guard.begin(), m_guard.end(), back);
        }
        // An output's own frames are the call's to write; everything else must stay as it was.
        const size_t first = buffer.output ? std::min<size_t>(offset, m_samples) : m_samples;
        const size_t last = buffer.output ? std::min<size_t>(offset + frames, m_samples) : m_samples;
        const float* before = buffer.before.data();
        if (!Unchanged(samples, before, 0, first) || !Unchanged(samples, before, last, m_samples)) {
            size_t at = FirstChange(samples, before, 0, first);
            if (at == first) at = FirstChange(samples, before, last, m_samples);
            problems.push_back(call() + " wrote " + (buffer.output ? "" : "input ") + pin() +
                               " at offset " + std::to_string(at) +
                               (buffer.output ? ", outside its frames" : ""));
            std::copy(before, before + first, samples);
            std::copy(before + last, before + m_samples, samples + last);
        }
        if (!buffer.output) continue;
        for (size_t at = first; at < last; ++at) {
            const float sample = samples[at];
            if (!std::isfinite(sample)) {
                problems.push_back(call() + " wrote " + (std::isnan(sample) ? "NaN" : "infinity") +
                                   " to " + pin() + " at offset " + std::to_string(at));
                break;
            }
            if (std::fpclassify(sample) == FP_SUBNORMAL) {
                warnings.push_back(call() + " wrote a subnormal sample to " + pin() +
                                   " at offset " + std::to_string(at));
                break;
            }
        }
    }
}
