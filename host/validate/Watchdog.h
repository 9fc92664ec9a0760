// Ends the process when a check run in this process outlives its time: with --in-process there is
// no parent to end it, and a module that hangs must not hang the validator.
#ifndef QVHOST_VALIDATE_WATCHDOG_H
#define QVHOST_VALIDATE_WATCHDOG_H

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
public:
    // Starts watching `what`; after `seconds` without being destroyed, prints a TIMEOUT report to
    // standard error and ends the process with `exit_code`. Returns once the watching thread
    // runs: on Windows a thread still starting waits for the loader, which a library hanging as
    // it loads holds.
    Watchdog(std::string what, double seconds, int exit_code);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_done_changed;
    bool m_done = false;
    bool m_watching = false;
    std::thread m_thread;
};

#endif
