#include "FaultHandler.h"

#include <csignal>
#include <cstddef>

#include "FaultPlace.h"
#include "OutputFile.h"

#ifdef _WIN32
#include "WindowsApi.h"
#endif

namespace {

FaultHandler::Reporter g_reporter = nullptr;

#ifdef _WIN32
// Reports, then ends the process with the exception's code, as Windows would, without the
// system's crash dialog or debugger.
LONG WINAPI ReportException(EXCEPTION_POINTERS* exception) {
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    g_reporter("exception code ", code, exception->ExceptionRecord->ExceptionAddress);
    OutputFile::EndProcessNow(code);
}
#else
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr size_t kSignalCount = sizeof kCrashSignals / sizeof kCrashSignals[0];
// The handlers there were, put back when the handler goes or has reported.
struct sigaction g_before[kSignalCount];
size_t g_taken = 0;  // how many of kCrashSignals are taken: SIGABRT is the last
// A stack of its own: a crash may come from a stack the module overran.
alignas(16) char g_handler_stack[64 * 1024];

// Reports, then hands the signal on to the handler there was (the default action ends the
// process with the signal's status). A fault runs its instruction again, which meets that
// handler where it happened, as a sanitizer wants; a signal sent (an abort) is sent again.
void ReportSignal(int signal, siginfo_t* info, void* context) {
    g_reporter("signal ", signal, FaultPlace::Instruction(context));
    OutputFile::RemovePending();
    FaultHandler::Remove();
    if (info == nullptr || info->si_code <= 0) std::raise(signal);
}
#endif

}  // namespace

#ifdef _WIN32
void FaultHandler::Install(Reporter reporter, Aborts) {
    g_reporter = reporter;
    SetUnhandledExceptionFilter(&ReportException);
}

void FaultHandler::Remove() { SetUnhandledExceptionFilter(nullptr); }
#else
void FaultHandler::Install(Reporter reporter, Aborts aborts) {
    g_reporter = reporter;
    stack_t stack{};
    stack.ss_sp = g_handler_stack;
    stack.ss_size = sizeof g_handler_stack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = &ReportSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_SIGINFO | SA_NODEFER;
    g_taken = aborts == Aborts::kReported ? kSignalCount : kSignalCount - 1;
    for (size_t k = 0; k < g_taken; ++k) sigaction(kCrashSignals[k], &action, &g_before[k]);
}

void FaultHandler::Remove() {
    for (size_t k = 0; k < g_taken; ++k) sigaction(kCrashSignals[k], &g_before[k], nullptr);
    g_taken = 0;
}
#endif
