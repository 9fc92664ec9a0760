#include "Interruption.h"

#include <atomic>
#include <initializer_list>

#include "OutputFile.h"

#ifdef _WIN32
#include "WindowsApi.h"
#else
#include <csignal>
#endif

namespace {

// More than --jobs allows, with the load of a library beside them.
constexpr int kSlots = 128;
std::atomic<Interruption::Group> g_groups[kSlots];
std::atomic<bool> g_happened{false};

void End(Interruption::Group group) {
#ifdef _WIN32
    TerminateJobObject(reinterpret_cast<HANDLE>(group), Interruption::kStoppedExitCode);
#else
    kill(-static_cast<pid_t>(group), SIGKILL);
#endif
}

void EndEveryGroup() {
    g_happened = true;
    for (std::atomic<Interruption::Group>& slot : g_groups) {
        const Interruption::Group group = slot;
        if (group != 0) End(group);
    }
}

#ifdef _WIN32
// Runs on a thread of its own; answering TRUE keeps the process alive to print its report.
BOOL WINAPI EndChildrenOnStop(DWORD) {
    EndEveryGroup();
    return TRUE;
}
#else
void EndChildrenOnStop(int) { EndEveryGroup(); }
#endif

}  // namespace

void Interruption::Install() {
    OutputFile::LeaveStopsToCommand();
#ifdef _WIN32
    SetConsoleCtrlHandler(&EndChildrenOnStop, TRUE);
#else
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        struct sigaction action {};
        action.sa_handler = &EndChildrenOnStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signal, &action, nullptr);
    }
#endif
}

bool Interruption::Happened() { return g_happened; }

int Interruption::Watch(Group group) {
    int taken = -1;
    for (int slot = 0; slot < kSlots && taken < 0; ++slot) {
        Group free = 0;
        if (g_groups[slot].compare_exchange_strong(free, group)) taken = slot;
    }
    // A stop that came before the group was in its slot did not reach it.
    if (g_happened) End(group);
    return taken;
}

void Interruption::Unwatch(int slot) {
    if (slot >= 0) g_groups[slot] = 0;
}
