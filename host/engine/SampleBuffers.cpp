#include "SampleBuffers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "HostRuleIds.h"

namespace {
// A quiet NaN with a payload no arithmetic produces: a module that writes it has copied it.
constexpr uint32_t kPatternBits = 0x7FC0DEADu;
// A signalling NaN: any arithmetic on an input sample read outside the frames gives NaN.
constexpr uint32_t kPoisonBits = 0x7FA0DEADu;

float FromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float Pattern() { return FromBits(kPatternBits); }

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
// Storage given back, by its size in samples. Never destroyed: a host that outlives static
// destruction (a test's static object) still gives its storage back.
struct Pool {
    std::mutex mutex;
    std::map<size_t, std::vector<float*>> free;
};

Pool& ThePool() {
    static Pool* const pool = new Pool;
    return *pool;
}
}  // namespace

void SampleBuffers::Recycle::operator()(float* storage) const {
    Pool& pool = ThePool();
    const std::lock_guard<std::mutex> lock(pool.mutex);
    pool.free[room].push_back(storage);
}

std::unique_ptr<float[], SampleBuffers::Recycle> SampleBuffers::Take(size_t room) {
    Pool& pool = ThePool();
    const std::lock_guard<std::mutex> lock(pool.mutex);
    std::vector<float*>& free = pool.free[room];
    float* storage = nullptr;
    if (free.empty()) {
        storage = new float[room];
    } else {
        storage = free.back();
        free.pop_back();
    }
    return std::unique_ptr<float[], Recycle>(storage, Recycle{room});
}

SampleBuffers::SampleBuffers(size_t capacity, size_t length)
    : m_capacity(capacity),
      m_length(std::min(length, capacity)),
      m_guard(kGuardSamples, Pattern()),
      m_poison(capacity, FromBits(kPoisonBits)) {}

void SampleBuffers::Add(const std::string& name, bool output, bool carries_samples) {
    // Room for the largest block once, left unwritten past the length: a module with many pins
    // costs the host what its blocks hold. The copy is made at every call, into room made here:
    // the host allocates nothing while the object works, so the object's allocations can be
    // counted.
    Buffer buffer{name, output, carries_samples, Take(kGuardSamples + m_capacity + kGuardSamples),
                  Take(m_capacity)};
    float* samples = buffer.samples.get();
    std::copy(m_guard.begin(), m_guard.end(), samples);
    std::fill_n(samples + kGuardSamples, m_length, 0.0f);
    std::copy(m_guard.begin(), m_guard.end(), samples + kGuardSamples + m_length);
    m_buffers.push_back(std::move(buffer));
}

void SampleBuffers::Lengthen(size_t length) {
    length = std::min(length, m_capacity);
    if (length <= m_length) return;
    for (Buffer& buffer : m_buffers) {
        float* samples = buffer.samples.get() + kGuardSamples;
        std::fill(samples + m_length, samples + length, 0.0f);
        std::copy(m_guard.begin(), m_guard.end(), samples + length);
    }
    m_length = length;
}

size_t SampleBuffers::ReadableEnd(uint32_t offset, uint32_t frames) const {
    return std::min<size_t>(size_t{offset} + std::max<uint32_t>(frames, 1), m_length);
}

void SampleBuffers::Before(uint32_t offset, uint32_t frames) {
    const size_t begin = std::min<size_t>(offset, m_length);
    const size_t end = std::min<size_t>(size_t{offset} + frames, m_length);
    const size_t readable_end = ReadableEnd(offset, frames);
    for (Buffer& buffer : m_buffers) {
        if (!buffer.carries_samples) continue;
        float* samples = buffer.samples.get() + kGuardSamples;
        // An event delivery leaves the outputs as the calls before it made them.
        if (buffer.output && frames > 0) std::fill(samples + end, samples + m_length, Pattern());
        std::copy(samples, samples + m_length, buffer.before.get());
        if (!buffer.output) {
            std::copy(m_poison.begin(), m_poison.begin() + begin, samples);
            std::copy(m_poison.begin() + readable_end, m_poison.begin() + m_length,
                      samples + readable_end);
        }
    }
}

void SampleBuffers::After(uint32_t offset, uint32_t frames, std::vector<HostNote>& problems,
                          std::vector<HostNote>& warnings) {
    // Texts are made only for a finding: the host allocates nothing while all is well.
    const auto call = [&] {
        return frames == 0 ? std::string("a call of no frames")
                           : "a process call of frames " + std::to_string(offset) + ".." +
                                 std::to_string(offset + frames - 1);
    };
    const size_t begin = std::min<size_t>(offset, m_length);
    const size_t end = std::min<size_t>(size_t{offset} + frames, m_length);
    const size_t readable_end = ReadableEnd(offset, frames);
    // A module may pass on what it is given: a subnormal output is its own only when the call's
    // inputs held none.
    const auto fed_subnormal = [&] {
        for (const Buffer& input : m_buffers) {
            if (input.output || !input.carries_samples) continue;
            const float* given = input.before.get();
            for (size_t at = begin; at < readable_end; ++at) {
                if (std::fpclassify(given[at]) == FP_SUBNORMAL) return true;
            }
        }
        return false;
    };
    for (Buffer& buffer : m_buffers) {
        if (!buffer.carries_samples) continue;
        float* front = buffer.samples.get();
        float* samples = front + kGuardSamples;
        float* back = samples + m_length;
        const auto pin = [&] { return "pin " + buffer.name; };
        const bool front_intact = Unchanged(front, m_guard.data(), 0, kGuardSamples);
        if (!front_intact || !Unchanged(back, m_guard.data(), 0, kGuardSamples)) {
            const std::string where =
                front_intact
                    ? std::to_string(m_length + FirstChange(back, m_guard.data(), 0, kGuardSamples))
                    : "-" + std::to_string(kGuardSamples -
                                           FirstChange(front, m_guard.data(), 0, kGuardSamples));
            problems.push_back({HostRuleId::kWritesInBuffer,
                                call() + " wrote " + pin() + " at offset " + where +
                                    ", outside its buffer"});
            std::copy(m_guard.begin(), m_guard.end(), front);
            std::copy(m_guard.begin(), m_guard.end(), back);
        }
        const float* before = buffer.before.get();
        if (!buffer.output) {
            // An input is the host's: outside what the call may read it holds the poison,
            // inside the samples the host put there, and afterwards the host's samples
            // everywhere again.
            const float* poison = m_poison.data();
            if (!Unchanged(samples, poison, 0, begin) ||
                !Unchanged(samples, before, begin, readable_end) ||
                !Unchanged(samples, poison, readable_end, m_length)) {
                size_t at = FirstChange(samples, poison, 0, begin);
                if (at == begin) at = FirstChange(samples, before, begin, readable_end);
                if (at == readable_end) at = FirstChange(samples, poison, readable_end, m_length);
                problems.push_back({HostRuleId::kInputsUnwritten, call() + " wrote input " + pin() +
                                                                     " at offset " +
                                                                     std::to_string(at)});
            }
            std::copy(before, before + begin, samples);
            std::copy(before + readable_end, before + m_length, samples + readable_end);
            continue;
        }
        // An output's own frames are the call's to write; everything else must stay as it was.
        if (!Unchanged(samples, before, 0, begin) || !Unchanged(samples, before, end, m_length)) {
            size_t at = FirstChange(samples, before, 0, begin);
            if (at == begin) at = FirstChange(samples, before, end, m_length);
            problems.push_back({HostRuleId::kWritesInFrames, call() + " wrote " + pin() +
                                                                " at offset " + std::to_string(at) +
                                                                ", outside its frames"});
            std::copy(before, before + begin, samples);
            std::copy(before + end, before + m_length, samples + end);
        }
        for (size_t at = begin; at < end; ++at) {
            const float sample = samples[at];
            if (!std::isfinite(sample)) {
                problems.push_back(
                    {std::isnan(sample) ? HostRuleId::kOutputsNotNan : HostRuleId::kOutputsFinite,
                     call() + " wrote " + (std::isnan(sample) ? "NaN" : "infinity") + " to " +
                         pin() + " at offset " + std::to_string(at)});
                break;
            }
            if (std::fpclassify(sample) == FP_SUBNORMAL) {
                if (fed_subnormal()) break;
                warnings.push_back({HostRuleId::kOutputsNormal,
                                    call() + " wrote a subnormal sample to " + pin() +
                                        " at offset " + std::to_string(at)});
                break;
            }
        }
    }
}
