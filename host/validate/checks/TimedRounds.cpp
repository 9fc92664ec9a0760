#include "TimedRounds.h"

#include <chrono>

#include "CheckProgress.h"

int RunTimedRounds(const std::string& what, const RoundLimits& limits,
                   const std::function<bool()>& round) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(limits.seconds));
    CheckProgress::BeginRounds(what, limits.most);
    int rounds = 0;
    while (rounds < limits.most && (rounds < limits.fewest || Clock::now() < end)) {
        const bool go_on = round();
        ++rounds;
        CheckProgress::RoundDone();
        if (!go_on) break;
    }
    return rounds;
}
