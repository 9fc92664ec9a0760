// The audio pins' sample buffers, and the watch the host keeps on them across every call into
// the object. Each buffer has guard zones before and after it; during a call the samples of an
// output pin past the call's frames hold a pattern too. After the call every write outside the
// call's frames, into an input or into a guard zone is a problem, named by pin and offset, and so
// is every output sample that is not a number or infinite; a subnormal output is a warning.
#ifndef QVHOST_SAMPLE_BUFFERS_H
#define QVHOST_SAMPLE_BUFFERS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class SampleBuffers {
public:
    static constexpr size_t kGuardSamples = 64;

    explicit SampleBuffers(size_t samples) : m_samples(samples) {}

    void Clear() { m_buffers.clear(); }
    // A buffer of silence for one more audio pin. Its address never moves.
    void Add(const std::string& name, bool output);
    size_t Count() const { return m_buffers.size(); }
    float* Data(size_t pin) { return m_buffers.at(pin).samples.data() + kGuardSamples; }
    const float* Data(size_t pin) const { return m_buffers.at(pin).samples.data() + kGuardSamples; }

    // Around a process call of `frames` samples from `offset`; an event delivery is a call of
    // no frames. After adds what the call did wrong to `problems` and `warnings`, and puts back
    // what it overwrote outside its frames.
    void Before(uint32_t offset, uint32_t frames);
    void After(uint32_t offset, uint32_t frames, std::vector<std::string>& problems,
               std::vector<std::string>& warnings);

private:
    struct Buffer {
        std::string name;
        bool output;
        std::vector<float> samples;  // guard zone, the buffer, guard zone
        std::vector<float> before;   // the buffer as the call found it
    };

    size_t m_samples;
    std::vector<Buffer> m_buffers;
    std::vector<float> m_guard;  // a guard zone as it must stay
};

#endif
