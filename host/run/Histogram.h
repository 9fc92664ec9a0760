// How often each value came out on one output, and the text bar chart of it.
#ifndef QVHOST_HISTOGRAM_H
#define QVHOST_HISTOGRAM_H

#include <cstdint>
#include <map>
#include <string>

class Histogram {
public:
    void Add(int32_t value) { ++m_counts[value]; }
    const std::map<int32_t, int>& Counts() const { return m_counts; }
    // A title line, then one line per value seen, smallest first: the value, a bar scaled so
    // that the most frequent value fills `width` characters, and the count.
    std::string Render(const std::string& title, int width = 40) const;

private:
    std::map<int32_t, int> m_counts;
};

#endif
