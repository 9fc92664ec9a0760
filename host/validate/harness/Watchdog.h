// Acts once when what it watches outlives its time: ends a check run in this process (with
// --in-process there is no parent to end it, and a module that hangs must not hang the
// validator), or tells the parent of a check's child what the check was doing shortly before
// the parent ends it.
#ifndef QVHOST_VALIDATE_WATCHDOG_H
#define QVHOST_VALIDATE_WATCHDOG_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
public:
    // Runs `on_expiry` on a thread of its own after `seconds`, unless destroyed before. Returns
    // once the watching thread runs: on Windows a thread still starting waits for the loader,
    // which a library hanging as it loads holds.
    Watchdog(double seconds, std::function<void()> on_expiry);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // An expiry that prints "TIMEOUT WHAT: no result within N s; the run was ended", with what the
    // check was doing, to standard error and ends the process with `exit_code`.
    static std::function<void()> EndProcess(std::string what, double seconds, int exit_code);

private:
    std::mutex m_mutex;
    std::condition_variable m_done_changed;
    bool m_done = false;
    bool m_watching = false;
    std::thread m_thread;
};

#endif
