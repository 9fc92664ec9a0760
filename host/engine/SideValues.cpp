#include "SideValues.h"

#include <utility>

namespace {

// Keeps `value` as the latest for `wanted` in `latest`, which holds each key once, in the order
// the keys first came.
template <typename Entry, typename Key, typename Value>
void KeepLatest(std::vector<Entry>& latest, Key Entry::*key, Key wanted, Value Entry::*field,
                Value value) {
    for (Entry& entry : latest) {
        if (entry.*key == wanted) {
            entry.*field = value;
            return;
        }
    }
    Entry entry{};
    entry.*key = wanted;
    entry.*field = value;
    latest.push_back(entry);
}

}  // namespace

void SideValues::KeepFromGui(int32_t pin, double value) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    KeepLatest(m_from_gui, &ValueFromGui::pin, pin, &ValueFromGui::value, value);
}

std::vector<ValueFromGui> SideValues::TakeFromGui() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_from_gui, {});
}

void SideValues::KeepForGui(size_t table_index, int32_t value) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    KeepLatest(m_for_gui, &ValueForGui::table_index, table_index, &ValueForGui::value, value);
}

std::vector<ValueForGui> SideValues::TakeForGui() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_for_gui, {});
}
