// The audio pins' sample buffers, and the watch the host keeps on them across every call into
// the object. Each buffer is as long as the largest block the host has set, with guard zones
// before and after it. During a process call the samples of an output pin past the call's
// frames hold a pattern, and the samples of an input pin outside what the call may read (its
// frames, or the current sample for an event delivery) hold a signalling NaN, so that a module
// reading outside its frames puts NaN into its output. After the call every write outside the
// call's frames, into an input or into a guard zone is a problem, named by pin and offset, and
// so is every output sample that is not a number or infinite; a subnormal output is a warning,
// unless the call's inputs held one, which the module may have passed on.
// The watch costs what the block holds, not what the largest possible block would. A value pin
// (an integer, say, sent with HOST_OP_PIN_VALUE) has a buffer too, but carries a value, not
// samples: no rule of the watch applies to it.
#ifndef QVHOST_SAMPLE_BUFFERS_H
#define QVHOST_SAMPLE_BUFFERS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "HostNotes.h"

class SampleBuffers {
public:
    static constexpr size_t kGuardSamples = 64;

    // Room for blocks of up to `capacity` samples; the buffers start `length` samples long.
    SampleBuffers(size_t capacity, size_t length);

    void Clear() { m_buffers.clear(); }
    // A buffer of silence for one more audio pin, watched when it carries samples. Its address
    // never moves.
    void Add(const std::string& name, bool output, bool carries_samples);
    // Every buffer at least `length` samples long from now on (up to the capacity): the new
    // samples silent, the back guard zone moved past them.
    void Lengthen(size_t length);
    size_t Count() const { return m_buffers.size(); }
    float* Data(size_t pin) { return m_buffers.at(pin).samples.get() + kGuardSamples; }
    const float* Data(size_t pin) const { return m_buffers.at(pin).samples.get() + kGuardSamples; }

    // Around a process call of `frames` samples from `offset`; an event delivery is a call of
    // no frames. After adds what the call did wrong to `problems` and `warnings`, and puts back
    // what it overwrote outside its frames.
    void Before(uint32_t offset, uint32_t frames);
    void After(uint32_t offset, uint32_t frames, std::vector<HostNote>& problems,
               std::vector<HostNote>& warnings);

private:
    // Where the input samples a call may read end: its frames, or for a call of no frames (an
    // event delivery) the one sample at the current clock.
    size_t ReadableEnd(uint32_t offset, uint32_t frames) const;

    // Storage goes back to a pool the whole process shares, for the next host's buffers: a host
    // made and dropped thousands of times, with hundreds of pins, takes no fresh pages each time.
    struct Recycle {
        size_t room;
        void operator()(float* storage) const;
    };
    static std::unique_ptr<float[], Recycle> Take(size_t room);

    struct Buffer {
        std::string name;
        bool output;
        bool carries_samples;  // watched: a pin of samples, not of one value
        // Guard zone, the buffer, guard zone, for the capacity; only the first length samples
        // and the guards around them are ever written or read.
        std::unique_ptr<float[], Recycle> samples;
        std::unique_ptr<float[], Recycle> before;  // the buffer as the call found it
    };

    size_t m_capacity;
    size_t m_length;
    std::vector<Buffer> m_buffers;
    std::vector<float> m_guard;   // a guard zone as it must stay
    std::vector<float> m_poison;  // an input outside the call's frames, as it must stay
};

#endif
