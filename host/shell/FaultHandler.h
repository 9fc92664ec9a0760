// The one place the host takes a crash inside a module: a fault signal natively, an exception no
// one handled on Windows. The installed reporter writes what it knows from inside the handler,
// with no allocation and no lock (CrashLine); then the part files of a command are removed and
// the process ends as the crash would have ended it. The command that loads a module
// (CrashReport) and a check's child (CheckRunner) each install their own reporter.
#ifndef QVHOST_FAULT_HANDLER_H
#define QVHOST_FAULT_HANDLER_H

class FaultHandler {
public:
    // `what` is "signal " or "exception code ", `number` the signal or the code, `instruction`
    // where the fault happened (null when unknown).
    using Reporter = void (*)(const char* what, long long number, const void* instruction);
    // Which signals count as a crash: faults only, or aborts too. Windows has exceptions only.
    enum class Aborts { kLeft, kReported };

    // Takes the crash from now on, keeping the handlers there were (a sanitizer's, a test
    // framework's) to hand each signal on to.
    static void Install(Reporter reporter, Aborts aborts);
    // Puts the handlers there were back.
    static void Remove();
};

#endif
