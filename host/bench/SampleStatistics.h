// What a series of timed samples says: the median and the minimum per call, and whether the
// estimate has settled. Samples come in rounds; the series has settled when a round moves the
// median of all samples so far by no more than a set share.
#ifndef QVHOST_SAMPLE_STATISTICS_H
#define QVHOST_SAMPLE_STATISTICS_H

#include <vector>

class SampleStatistics {
public:
    explicit SampleStatistics(double settle_share) : m_settle_share(settle_share) {}

    // Adds one round of nanoseconds-per-call samples; answers whether the median has settled.
    bool AddRound(const std::vector<double>& round);

    double Median() const;
    double Minimum() const;
    int Count() const { return static_cast<int>(m_samples.size()); }
    bool Settled() const { return m_settled; }

private:
    double m_settle_share;
    std::vector<double> m_samples;
    double m_last_median = -1.0;
    bool m_settled = false;
};

#endif
