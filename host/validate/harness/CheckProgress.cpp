#include "CheckProgress.h"

#include <chrono>
#include <cstdio>
#include <mutex>

#include "CallDescription.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Progress {
    std::mutex mutex;
    bool in_call = false;
    CrossingCall call{};
    Clock::time_point call_start;
    std::string step;
    std::string rounds;
    int64_t planned = 0;
    int64_t done = 0;
    Clock::time_point rounds_start;
};

// Never destroyed: a watchdog thread may ask while the process ends.
Progress& TheProgress() {
    static Progress* const progress = new Progress;
    return *progress;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

}  // namespace

void CheckProgress::CallEntered(const CrossingCall& call) {
    Progress& progress = TheProgress();
    const std::lock_guard<std::mutex> lock(progress.mutex);
    progress.in_call = true;
    progress.call = call;
    progress.call.note = nullptr;  // the host's note lives only as long as the call
    progress.call_start = Clock::now();
}

void CheckProgress::CallLeft() {
    Progress& progress = TheProgress();
    const std::lock_guard<std::mutex> lock(progress.mutex);
    progress.in_call = false;
}

bool CheckProgress::CallInProgress(CrossingCall* call) {
    Progress& progress = TheProgress();
    if (!progress.mutex.try_lock()) return false;
    const bool in_call = progress.in_call;
    if (in_call) *call = progress.call;
    progress.mutex.unlock();
    return in_call;
}

void CheckProgress::SessionStep(std::string step) {
    Progress& progress = TheProgress();
    const std::lock_guard<std::mutex> lock(progress.mutex);
    progress.step = std::move(step);
}

void CheckProgress::BeginRounds(std::string what, int64_t planned) {
    Progress& progress = TheProgress();
    const std::lock_guard<std::mutex> lock(progress.mutex);
    progress.rounds = std::move(what);
    progress.planned = planned;
    progress.done = 0;
    progress.rounds_start = Clock::now();
}

void CheckProgress::RoundDone() {
    Progress& progress = TheProgress();
    const std::lock_guard<std::mutex> lock(progress.mutex);
    ++progress.done;
}

std::string CheckProgress::Describe() {
    Progress& progress = TheProgress();
    const std::lock_guard<std::mutex> lock(progress.mutex);
    std::string text;
    if (!progress.rounds.empty()) {
        const double seconds = SecondsSince(progress.rounds_start);
        text = std::to_string(progress.done) + " of " + std::to_string(progress.planned) + " " +
               progress.rounds + " in " + Seconds(seconds);
        if (progress.done > 0) {
            char each[32];
            std::snprintf(each, sizeof each, "%.1f ms", 1000.0 * seconds / progress.done);
            text += std::string(", ") + each + " each";
        }
    }
    if (progress.in_call) {
        if (!text.empty()) text += "; ";
        if (!progress.step.empty()) text += "playing " + progress.step + ": ";
        text += DescribeCall(progress.call) + " has not returned after " +
                Seconds(SecondsSince(progress.call_start));
    }
    return text;
}
