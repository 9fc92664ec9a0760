// Times a call with the steady clock: calls it in batches long enough for the clock to resolve,
// one sample per batch, and takes rounds of samples until the median settles or the rounds run
// out. No library of timing is needed, so it runs the same on the target under wine.
#ifndef QVHOST_CALL_TIMER_H
#define QVHOST_CALL_TIMER_H

#include <chrono>
#include <cstdint>
#include <vector>

#include "SampleStatistics.h"

struct CallTiming {
    double median_ns = 0.0;
    double minimum_ns = 0.0;
    int samples = 0;
    bool settled = false;
};

class CallTimer {
public:
    // `samples_per_round` samples per round, at most kMaxRounds rounds.
    explicit CallTimer(int samples_per_round) : m_samples_per_round(samples_per_round) {}

    static constexpr int kMaxRounds = 10;
    // A round that moves the median by no more than this share ends the series.
    static constexpr double kSettleShare = 0.02;

    template <typename Call>
    CallTiming Measure(Call&& call) const {
        const int64_t batch = BatchFor(call);
        SampleStatistics statistics(kSettleShare);
        for (int round = 0; round < kMaxRounds; ++round) {
            std::vector<double> samples;
            for (int i = 0; i < m_samples_per_round; ++i) {
                samples.push_back(static_cast<double>(TimeBatch(call, batch)) /
                                  static_cast<double>(batch));
            }
            if (statistics.AddRound(samples)) break;
        }
        return {statistics.Median(), statistics.Minimum(), statistics.Count(),
                statistics.Settled()};
    }

private:
    // A batch lasts at least this long, so the clock's resolution does not show.
    static constexpr int64_t kMinBatchNs = 200000;
    static constexpr int64_t kMaxBatch = int64_t{1} << 24;

    template <typename Call>
    static int64_t TimeBatch(Call& call, int64_t batch) {
        const auto start = std::chrono::steady_clock::now();
        for (int64_t i = 0; i < batch; ++i) call();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        return std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
    }

    template <typename Call>
    static int64_t BatchFor(Call& call) {
        int64_t batch = 1;
        while (batch < kMaxBatch && TimeBatch(call, batch) < kMinBatchNs) batch *= 2;
        return batch;
    }

    int m_samples_per_round;
};

#endif
