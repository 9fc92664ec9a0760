// The watch on the outputs an audio object announced STATIC: from the sample clock the
// announcement is for, each must hold the one value it held first, until the object announces
// another status.
#ifndef QVHOST_STATIC_OUTPUT_WATCH_H
#define QVHOST_STATIC_OUTPUT_WATCH_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SampleBuffers.h"

class StaticOutputWatch {
public:
    // One entry per audio pin, in order; Clear forgets them all.
    void AddPin() { m_pins.emplace_back(); }
    void Clear() { m_pins.clear(); }
    // A status the object announced for output `pin` from sample clock `since`.
    void Announce(size_t pin, int32_t status, uint32_t since);
    // After a process call of `frames` samples from `offset` into `buffers`, begun at sample
    // clock `clock`: `moved` hears of each watched output that moved, once, with what it did.
    void Check(const SampleBuffers& buffers, uint32_t offset, uint32_t frames, uint32_t clock,
               const std::function<void(size_t pin, const std::string& what)>& moved);

private:
    struct Watch {
        bool announced = false;
        uint32_t since = 0;  // the sample clock the announcement is for
        bool held = false;   // whether a sample since then has been seen
        float value = 0.0f;  // the value it holds
    };
    std::vector<Watch> m_pins;
};

#endif
