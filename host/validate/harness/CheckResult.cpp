#include "CheckResult.h"

namespace {
const char* const kStatusNames[] = {"PASSED", "FAILED", "SKIPPED", "CRASHED", "TIMEOUT", "WARNED"};
constexpr int kStatusCount = sizeof kStatusNames / sizeof kStatusNames[0];
}

const char* CheckResult::StatusName(CheckStatus status) {
    return kStatusNames[static_cast<int>(status)];
}

bool CheckResult::StatusFromName(const std::string& name, CheckStatus* status) {
    for (int i = 0; i < kStatusCount; ++i) {
        if (name == kStatusNames[i]) {
            *status = static_cast<CheckStatus>(i);
            return true;
        }
    }
    return false;
}
