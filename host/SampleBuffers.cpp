#include "SampleBuffers.h"

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

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}  // namespace

void SampleBuffers::Add(const std::string& name, bool output) {
    // The copy is made at every call, into room made here: the host allocates nothing while the
    // object works, so the object's allocations can be counted.
    Buffer buffer{name, output, std::vector<float>(kGuardSamples + m_samples + kGuardSamples, 0.0f),
                  std::vector<float>(m_samples)};
    std::fill_n(buffer.samples.begin(), kGuardSamples, Pattern());
    std::fill_n(buffer.samples.end() - kGuardSamples, kGuardSamples, Pattern());
    m_buffers.push_back(std::move(buffer));
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
        float* samples = buffer.samples.data() + kGuardSamples;
        const auto pin = [&] { return "pin " + buffer.name; };
        for (size_t guard = 0; guard < kGuardSamples; ++guard) {
            float& front = buffer.samples[kGuardSamples - 1 - guard];
            float& back = samples[m_samples + guard];
            if (!SameBits(front, Pattern()) || !SameBits(back, Pattern())) {
                problems.push_back(call() + " wrote " + pin() + " at offset " +
                                   (SameBits(front, Pattern())
                                        ? std::to_string(m_samples + guard)
                                        : "-" + std::to_string(guard + 1)) +
                                   ", outside its buffer");
                front = Pattern();
                back = Pattern();
                break;
            }
        }
        const auto inside = [&](size_t at) {
            return buffer.output && at >= offset && at < offset + frames;
        };
        for (size_t at = 0; at < m_samples; ++at) {
            if (inside(at) || SameBits(samples[at], buffer.before[at])) continue;
            problems.push_back(call() + " wrote " + (buffer.output ? "" : "input ") + pin() +
                               " at offset " + std::to_string(at) +
                               (buffer.output ? ", outside its frames" : ""));
            for (size_t back = 0; back < m_samples; ++back) {
                if (!inside(back)) samples[back] = buffer.before[back];
            }
            break;
        }
        if (!buffer.output) continue;
        for (size_t at = offset; at < offset + frames && at < m_samples; ++at) {
            const float sample = samples[at];
            if (!std::isfinite(sample)) {
                problems.push_back(call() + " wrote " + (std::isnan(sample) ? "NaN" : "infinity") +
                                   " to " + pin() + " at offset " + std::to_string(at));
                break;
            }
            if (std::fpclassify(sample) == FP_SUBNORMAL) {
                warnings.push_back(call() + " wrote a subnormal sample to " + pin() + " at offset " +
                                   std::to_string(at));
                break;
            }
        }
    }
}
