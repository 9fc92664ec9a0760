// For the commands that load a module into the host's own process (info, run, play, render,
// bench): a crash inside the module prints one line before the host ends, naming the signal (the
// exception code on Windows), where it happened (FaultPlace) and the call into the module in
// progress:
//   qvhost: the module crashed (signal 11) at My-Module.so+0x1a2b (Open+0x3c) in MOD_OP_OPEN
// It follows the calls as the process's CallObserver, keeping the open calls in fixed storage,
// and writes from the crash handler with no allocation and no lock. A call into the module that
// has not returned within the command's time limit ends the command the same way:
//   qvhost: the module gave no answer within 60 s in MOD_OP_OPEN; the command was ended
#ifndef QVHOST_CRASH_REPORT_H
#define QVHOST_CRASH_REPORT_H

#include <condition_variable>
#include <mutex>
#include <thread>

#include "CallObserver.h"

class CrashReport : public CallObserver {
public:
    // Installs itself and the crash handler for its lifetime, and watches that no call into the
    // module lasts longer than `call_limit_seconds`.
    explicit CrashReport(double call_limit_seconds);
    ~CrashReport() override;
    CrashReport(const CrashReport&) = delete;
    CrashReport& operator=(const CrashReport&) = delete;

    void Enter(const CrossingCall& call) override;
    void Leave(const CrossingCall& call, QVWord answer) override;

private:
    void WatchCalls(double call_limit_seconds);

    std::mutex m_mutex;
    std::condition_variable m_ending;
    bool m_ended = false;
    std::thread m_watch;
};

#endif
