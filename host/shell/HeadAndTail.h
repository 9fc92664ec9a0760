// What the validator keeps of a child's output, read in pieces as it comes: its first and last
// bytes, the middle dropped. A module can print without end; its head holds its first words or a
// contract report, its tail how it ended, and the validator's memory stays the same whatever the
// length.
#ifndef QVHOST_VALIDATE_HEAD_AND_TAIL_H
#define QVHOST_VALIDATE_HEAD_AND_TAIL_H

#include <cstddef>
#include <string>

class HeadAndTail {
public:
    HeadAndTail(size_t head, size_t tail) : m_head_size(head), m_tail_size(tail) {}

    void Append(const char* data, size_t size);
    // The whole text when it fits in head and tail; else the head, a line "...", and the tail.
    std::string Text() const;

private:
    size_t m_head_size;
    size_t m_tail_size;
    size_t m_total = 0;
    std::string m_head;
    // The bytes after the head, trimmed to the last m_tail_size whenever it holds twice that.
    std::string m_tail;
};

#endif
