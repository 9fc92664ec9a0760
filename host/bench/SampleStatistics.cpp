#include "SampleStatistics.h"

#include <algorithm>
#include <cmath>

bool SampleStatistics::AddRound(const std::vector<double>& round) {
    m_samples.insert(m_samples.end(), round.begin(), round.end());
    const double median = Median();
    m_settled =
        m_last_median >= 0.0 && std::fabs(median - m_last_median) <= m_settle_share * m_last_median;
    m_last_median = median;
    return m_settled;
}

double SampleStatistics::Median() const {
    if (m_samples.empty()) return 0.0;
    std::vector<double> sorted = m_samples;
    std::sort(sorted.begin(), sorted.end());
    const size_t middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2.0;
}

double SampleStatistics::Minimum() const {
    return m_samples.empty() ? 0.0 : *std::min_element(m_samples.begin(), m_samples.end());
}
