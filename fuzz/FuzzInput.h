// The fuzzer's bytes read as little-endian 32-bit words; a short last word is zero-filled, and an
// exhausted input reads as zeros.
#ifndef FUZZ_INPUT_H
#define FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_size == 0; }
    uint32_t Next() {
        uint32_t word = 0;
        const size_t n = m_size < sizeof word ? m_size : sizeof word;
        std::memcpy(&word, m_data, n);
        m_data += n;
        m_size -= n;
        return word;
    }
    int32_t NextInt() { return static_cast<int32_t>(Next()); }
    // 0 .. limit - 1; limit must be positive.
    uint32_t Below(uint32_t limit) { return Next() % limit; }

private:
    const uint8_t* m_data;
    size_t m_size;
};

#endif
