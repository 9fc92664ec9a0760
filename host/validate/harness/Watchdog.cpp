#include "Watchdog.h"

#include "CheckProgress.h"
#include "HostThreads.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include "WindowsApi.h"
#endif

Watchdog::Watchdog(double seconds, std::function<void()> on_expiry) {
    m_thread = std::thread([this, seconds, on_expiry = std::move(on_expiry)] {
        HostThreads::MarkCurrent();
        std::unique_lock<std::mutex> lock(m_mutex);
        m_watching = true;
        m_done_changed.notify_one();
        if (m_done_changed.wait_for(lock, std::chrono::duration<double>(seconds),
                                    [this] { return m_done; })) {
            return;
        }
        on_expiry();
    });
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done_changed.wait(lock, [this] { return m_watching; });
}

Watchdog::~Watchdog() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_done_changed.notify_one();
    m_thread.join();
}

std::function<void()> Watchdog::EndProcess(std::string what, double seconds, int exit_code) {
    return [what = std::move(what), seconds, exit_code] {
        const std::string doing = CheckProgress::Describe();
        std::fprintf(stderr, "TIMEOUT %s: no result within %g s; the run was ended%s%s\n",
                     what.c_str(), seconds, doing.empty() ? "" : ": ", doing.c_str());
        std::fflush(stderr);
#ifdef _WIN32
        // Ending the process the usual way waits for the loader, which a hang may hold.
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
#endif
        std::_Exit(exit_code);
    };
}
