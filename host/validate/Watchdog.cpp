#include "Watchdog.h"

#include "HostThreads.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

Watchdog::Watchdog(std::string what, double seconds, int exit_code) {
    m_thread = std::thread([this, what = std::move(what), seconds, exit_code] {
        HostThreads::MarkCurrent();
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_done_changed.wait_for(lock, std::chrono::duration<double>(seconds),
                                    [this] { return m_done; })) {
            return;
        }
        std::fprintf(stderr, "TIMEOUT %s: no result within %g s; the run was ended\n",
                     what.c_str(), seconds);
        std::fflush(stderr);
        std::_Exit(exit_code);
    });
}

Watchdog::~Watchdog() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
    }
    m_done_changed.notify_one();
    m_thread.join();
}
