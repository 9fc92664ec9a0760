// What a host pays per call into a module library, each call beside the host's own floor (the
// same call into a FloorModule object): loading and unloading the library, one process call per
// block size, one GUI notification, and each kind of object's life (make, open, close).
#ifndef QVHOST_MODULE_COSTS_H
#define QVHOST_MODULE_COSTS_H

#include <optional>
#include <string>
#include <vector>

#include "CallTimer.h"

struct CallCost {
    std::string call;
    CallTiming module;
    std::optional<CallTiming> floor;  // none where the host has nothing of its own to compare
};

struct ModuleCostReport {
    std::string library;
    int samples_per_round = 0;
    std::vector<CallCost> costs;
    std::vector<std::string> problems;  // what the module did that breaks the host contract
};

class ModuleCosts {
public:
    static constexpr int32_t kBlockSizes[] = {64, 256, 1024, 4096};

    // Throws HostError for a library that cannot be loaded or hands out a bad record.
    static ModuleCostReport Measure(const std::string& path, int samples_per_round);
};

#endif
