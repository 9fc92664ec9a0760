#include "HeadAndTail.h"

#include <algorithm>

void HeadAndTail::Append(const char* data, size_t size) {
    m_total += size;
    const size_t to_head = std::min(size, m_head_size - m_head.size());
    m_head.append(data, to_head);
    m_tail.append(data + to_head, size - to_head);
    if (m_tail.size() > 2 * m_tail_size) m_tail.erase(0, m_tail.size() - m_tail_size);
}

std::string HeadAndTail::Text() const {
    if (m_total <= m_head_size + m_tail_size) return m_head + m_tail;
    return m_head + "\n...\n" + m_tail.substr(m_tail.size() - m_tail_size);
}
