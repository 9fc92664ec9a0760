#include "Histogram.h"

#include <algorithm>
#include <cstdio>

std::string Histogram::Render(const std::string& title, int width) const {
    std::string chart = title + "\n";
    int most = 0;
    for (const auto& entry : m_counts) most = std::max(most, entry.second);
    for (const auto& [value, count] : m_counts) {
        // Every value seen gets at least one mark, however rare.
        const int length = std::max(1, static_cast<int>(int64_t{count} * width / most));
        char line[64];
        std::snprintf(line, sizeof line, "%11d | ", static_cast<int>(value));
        chart += line + std::string(static_cast<size_t>(length), '#') +
                 std::string(static_cast<size_t>(width - length), ' ') + " " +
                 std::to_string(count) + "\n";
    }
    return chart;
}
