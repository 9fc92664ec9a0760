// The signals a host feeds its sample inputs during a play, each counted from the sample it
// started at: a signal replaces the one its input had.
#ifndef QVHOST_SIGNAL_FEED_H
#define QVHOST_SIGNAL_FEED_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AudioSideHost.h"
#include "SignalGenerator.h"

class SignalFeed {
public:
    // Feeds audio pin `pin` `definition` from sample `at` on, and answers whether the signal stays
    // constant (a host announces it CHANGED, any other MOVING); UsageError for an unknown signal.
    bool Feed(int32_t pin, const std::string& definition, uint32_t at);
    // Writes `frames` samples of each fed input from sample `at` into its buffer.
    void Fill(AudioSideHost& audio, uint32_t at, uint32_t frames, double rate) const;

private:
    struct FedInput {
        SignalGenerator signal;
        uint32_t since;
    };
    std::vector<std::optional<FedInput>> m_inputs;  // by audio pin
};

#endif
