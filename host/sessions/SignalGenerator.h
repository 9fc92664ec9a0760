// A test signal for an input pin, from its definition on the command line: "sine:FREQ",
// "square:FREQ", "noise:SEED", "dc:VALUE" or "impulse". Each sample is a function of its
// position alone, so a signal is the same whatever the block size, and a test can compute it.
#ifndef QVHOST_SIGNAL_GENERATOR_H
#define QVHOST_SIGNAL_GENERATOR_H

#include <cstdint>
#include <string>

class SignalGenerator {
public:
    // Throws HostError for a definition it does not know.
    explicit SignalGenerator(const std::string& definition);

    // Sample `position` (0 is the first) at `rate` samples per second. Sine and square start at
    // phase 0 (square at +1); noise is uniform in [-1, 1); the impulse is 1 at 0 and 0 after.
    float Sample(uint64_t position, double rate) const;
    // A dc signal never moves after its first sample.
    bool IsConstant() const { return m_kind == Kind::kDc; }

private:
    enum class Kind { kSine, kSquare, kNoise, kDc, kImpulse };

    Kind m_kind = Kind::kDc;
    double m_parameter = 0.0;  // the frequency, the dc value, or the noise seed
};

#endif
