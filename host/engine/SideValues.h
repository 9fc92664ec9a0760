// The values that pass between the two sides of a placed module outside the objects' calls: those
// the GUI side took for pins with an audio side, for the audio object's next block, and those the
// audio object sent for outputs with both sides, for the GUI side's next turn. Only the latest
// value of each pin is kept, in the order the pins first came, so a side that writes faster than
// the other takes values queues nothing. Any thread may call it.
#ifndef QVHOST_SIDE_VALUES_H
#define QVHOST_SIDE_VALUES_H

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

struct ValueFromGui {
    int32_t pin;  // the audio pin
    double value;
};

struct ValueForGui {
    size_t table_index;
    int32_t value;
};

class SideValues {
public:
    void KeepFromGui(int32_t pin, double value);
    std::vector<ValueFromGui> TakeFromGui();
    void KeepForGui(size_t table_index, int32_t value);
    std::vector<ValueForGui> TakeForGui();

private:
    std::mutex m_mutex;
    std::vector<ValueFromGui> m_from_gui;  // guarded by m_mutex
    std::vector<ValueForGui> m_for_gui;    // guarded by m_mutex
};

#endif
