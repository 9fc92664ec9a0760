#include "HostRegistry.h"

#include <cstddef>
#include <vector>

namespace {
std::vector<ReferenceHost*>& Slots() {
    static std::vector<ReferenceHost*> slots;
    return slots;
}
}  // namespace

uint32_t HostRegistry::Register(ReferenceHost* host) {
    std::vector<ReferenceHost*>& slots = Slots();
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i] == nullptr) {
            slots[i] = host;
            return static_cast<uint32_t>(i + 1);
        }
    }
    slots.push_back(host);
    return static_cast<uint32_t>(slots.size());
}

void HostRegistry::Release(uint32_t handle) {
    std::vector<ReferenceHost*>& slots = Slots();
    if (handle >= 1 && handle <= slots.size()) slots[handle - 1] = nullptr;
}

ReferenceHost* HostRegistry::Find(uint32_t handle) {
    const std::vector<ReferenceHost*>& slots = Slots();
    if (handle < 1 || handle > slots.size()) return nullptr;
    return slots[handle - 1];
}
