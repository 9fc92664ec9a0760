#include "CheckRunner.h"

#include <cxxabi.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <sstream>

#include "CallRecorder.h"
#include "CheckContext.h"
#include "CheckProgress.h"
#include "ChildProcess.h"
#include "ContractCauses.h"
#include "CrashLine.h"
#include "FailingSession.h"
#include "FaultPlace.h"
#include "HostThreads.h"
#include "JsonReport.h"
#include "OpcodeNames.h"
#include "OutputFile.h"
#include "RecordValidator.h"
#include "SessionJournal.h"
#include "Watchdog.h"

#ifdef _WIN32
#include "WindowsApi.h"
#endif

namespace {

// A trace line on the result channel, ahead of the result's document.
const std::string kTraceMark = "T ";
// What the check was doing shortly before its time ran out, among the trace lines.
const std::string kProgressMark = "W ";
// The calls a CRASHED or TIMEOUT result shows: the last ones before the end.
constexpr size_t kTraceTail = 50;

// Splits what a child wrote to its result channel into its streamed trace, the latest word of
// its progress, and its document.
std::string SplitTrace(const std::string& channel, std::vector<std::string>* trace,
                       std::string* progress) {
    size_t at = 0;
    for (;;) {
        const bool traced = channel.compare(at, kTraceMark.size(), kTraceMark) == 0;
        if (!traced && channel.compare(at, kProgressMark.size(), kProgressMark) != 0) break;
        // A last line without its end was cut off by the child's end: still the child's.
        const size_t end = std::min(channel.find('\n', at), channel.size());
        std::string line = channel.substr(at + kTraceMark.size(), end - at - kTraceMark.size());
        if (traced) {
            trace->push_back(std::move(line));
        } else {
            *progress = std::move(line);
        }
        at = std::min(end + 1, channel.size());
    }
    return channel.substr(at);
}

// When a child tells its parent what its check is doing: shortly before the parent ends it.
double ProgressNoticeSeconds(double timeout_seconds) {
    return std::max(0.8 * timeout_seconds, timeout_seconds - 1.0);
}

// What a framework entry prints when it caught an exception on its way to the host: the module
// answered as if nothing had happened, but did not do what the host asked.
const std::string kEscapedException = "exception escaped ";

// The first such report in a child's standard error, or nothing.
std::string EscapedException(const std::string& err) {
    const size_t at = err.find(kEscapedException);
    if (at == std::string::npos) return "";
    return err.substr(at, err.find('\n', at) - at);
}

// What a child that gave no result did, in words.
std::string Ending(const ChildOutcome& outcome) {
    switch (outcome.ending) {
    case ChildOutcome::kCrashed:
        return outcome.crash;
    case ChildOutcome::kExited:
        return "exited with code " + std::to_string(outcome.code) + " and no result";
    case ChildOutcome::kTimedOut:
        return "gave no result in time and was ended";
    case ChildOutcome::kInterrupted:
        return "was ended when the run was stopped";
    case ChildOutcome::kNotStarted:
        break;
    }
    return "the child did not start: " + outcome.crash;
}

// Why what came on the result channel is no result: something besides the child wrote to it
// (a module writing to a descriptor it does not own), or the child's document broke off.
std::string Spoiled(const std::string& document, bool too_long) {
    if (too_long) {
        return "the result channel was spoiled: it carried more than " +
               std::to_string(ChildProcess::kMostResult >> 20) + " MB with no trace asked for";
    }
    constexpr size_t kShown = 40;
    std::string shown;
    for (const char c : document.substr(0, kShown)) {
        shown += c >= ' ' && c <= '~' ? c : '?';
    }
    return "the result channel was spoiled: its " + std::to_string(document.size()) +
           " bytes are not a well-formed result (they begin \"" + shown + "\")";
}

// A check's failure when an exception left the module through a call of the host's.
std::string ThrownByModule(const std::string& call, const std::string& what) {
    return "an exception escaped the module out of " + call + (what.empty() ? "" : ": " + what);
}

// What the C++ runtime prints when an exception finds no handler, before it aborts: what a
// module whose library carries a runtime of its own (a DLL linked statically) meets when it
// throws, since its runtime cannot hand the exception to the host's.
const std::string kUnhandled = "terminate called after throwing an instance of ";
// What a check's child prints when it is aborted inside a call into the module.
const std::string kAbortedInside = "qvhost: aborted inside ";

std::string LineAt(const std::string& text, size_t at) {
    std::string line = text.substr(at, text.find('\n', at) - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// The failure when the module's runtime ended the child for an exception thrown inside a call
// into the module; empty for any other end.
std::string ThrownThroughRuntime(const std::string& err) {
    const size_t unhandled = err.find(kUnhandled);
    const size_t inside = err.find(kAbortedInside);
    if (unhandled == std::string::npos || inside == std::string::npos) return "";
    std::string what = LineAt(err, unhandled);
    const size_t next = err.find('\n', unhandled);
    const std::string said = next == std::string::npos ? "" : LineAt(err, next + 1);
    const size_t said_what = said.find("what():");
    if (said_what != std::string::npos) what += "; " + said.substr(said_what);
    return ThrownByModule(LineAt(err, inside + kAbortedInside.size()), what) +
           "\nthe module's own C++ runtime ended the process: its exceptions cannot reach a host";
}

// What a check's child prints when it crashes: where, and in which call into the module.
const std::string kCrashedAt = "qvhost: crashed";

// "qvhost: crashed at LIB+0xOFFSET (SYMBOL+0xN) in host -> audio MOD_OP_OPEN", written from a
// crash handler: no allocation, no waiting. A thread of the module's own gives its bare address:
// the host's call in progress, if any, is not where it crashed.
void WriteCrashPlace(const void* instruction) {
    CrashLine line;
    line.Text(kCrashedAt.c_str());
    if (!HostThreads::CurrentIsHosts()) {
        FaultPlace::Address(instruction, line);
        line.Write();
        return;
    }
    FaultPlace::Describe(instruction, line);
    CrossingCall call{};
    if (CheckProgress::CallInProgress(&call)) {
        const char* side = call.entry == CallEntry::kAudioDispatcher ? "audio"
                           : call.entry == CallEntry::kGuiDispatcher ? "GUI"
                                                                     : nullptr;
        const char* name = side != nullptr ? OpcodeNames::Find(side, call.opcode) : nullptr;
        line.Text(" in host -> ");
        if (call.entry == CallEntry::kProcess) {
            line.Text("process offset ").Number(call.index).Text(" frames ").Number(call.opcode);
        } else if (call.entry == CallEntry::kEventHandler) {
            line.Text("event_handler type ").Number(call.opcode);
        } else if (call.entry == CallEntry::kFactory) {
            line.Text("makeModule kind ").Number(call.opcode);
        } else if (side != nullptr) {
            line.Text(side).Text(" ");
            if (name != nullptr) {
                line.Text(name);
            } else {
                line.Text("opcode ").Number(call.opcode);
            }
            line.Text(" index ").Number(call.index);
        }
    }
    line.Write();
}

// The place a child's crash line gives, " at ... in ...", its symbol demangled, or nothing.
std::string CrashPlace(const std::string& err) {
    const size_t at = err.find(kCrashedAt);
    if (at == std::string::npos) return "";
    std::string place = LineAt(err, at).substr(kCrashedAt.size());
    // A mangled name; on 32-bit Windows every symbol has one more underscore in front.
    size_t symbol = place.find(" (_Z");
    if (symbol == std::string::npos && (symbol = place.find(" (__Z")) != std::string::npos) {
        place.erase(symbol + 2, 1);
    }
    const size_t end = place.find('+', symbol);
    if (symbol == std::string::npos || end == std::string::npos) return place;
    int status = 0;
    const std::string mangled = place.substr(symbol + 2, end - symbol - 2);
    char* demangled = abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status);
    if (status == 0 && demangled != nullptr) {
        place.replace(symbol + 2, end - symbol - 2, demangled);
    }
    std::free(demangled);
    return place;
}

#ifdef _WIN32
// Where a module's C++ runtime aborts for an exception of the module's (abort() raises SIGABRT
// in the one C runtime the process shares): names the call it happened in.
void NameCallOnAbort(int) {
    const auto* recorder = dynamic_cast<const CallRecorder*>(CallObserver::Installed());
    const std::string call = recorder != nullptr ? recorder->CallIntoModule() : std::string();
    if (call.empty()) return;
    std::fprintf(stderr, "%s%s\n", kAbortedInside.c_str(), call.c_str());
    std::fflush(stderr);
}

LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* exception) {
    HostThreads::NameIfForeign();
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    std::fprintf(stderr, "qvhost: exception code 0x%08lX in the check's process\n",
                 static_cast<unsigned long>(code));
    std::fflush(stderr);
    WriteCrashPlace(exception->ExceptionRecord->ExceptionAddress);
    OutputFile::RemovePending();
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}
#else
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
struct sigaction g_before[sizeof kFaultSignals / sizeof kFaultSignals[0]];

// Names a foreign thread and where the fault happened, removes the reports not yet written whole
// (with --in-process), then puts back the handler there was (the default, or a sanitizer's): the
// faulting instruction runs again and meets it.
void NameThreadOnFault(int signal, siginfo_t*, void* context) {
    HostThreads::NameIfForeign();
    WriteCrashPlace(FaultPlace::Instruction(context));
    OutputFile::RemovePending();
    for (size_t k = 0; k < sizeof kFaultSignals / sizeof kFaultSignals[0]; ++k) {
        if (kFaultSignals[k] == signal) sigaction(signal, &g_before[k], nullptr);
    }
}
#endif

}  // namespace

CheckResult CheckRunner::InProcess(const CheckEntry& check, const std::string& library,
                                   const RunSettings& settings) {
    CheckResult result;
    result.id = check.id;
    CheckContext context(library, settings.seed, check.id);
    context.SetFailureFolder(settings.failure_folder);
    context.SetTimeLimit(settings.timeout_seconds);
    std::unique_ptr<Watchdog> progress_notice;
    if (!settings.result_channel.empty()) {
        progress_notice = std::make_unique<Watchdog>(
            ProgressNoticeSeconds(settings.timeout_seconds), [&settings] {
                ChildProcess::WriteToParent(settings.result_channel,
                                            kProgressMark + CheckProgress::Describe() + "\n");
            });
    }
    const KeptSession kept{settings.failure_folder, library, check.id, settings.seed};
    if (!settings.failure_folder.empty()) SessionJournal::Open(kept.JournalPath());
    {
        std::function<void(const std::string&)> sink;
        if (!settings.result_channel.empty()) {
            sink = [&settings](const std::string& line) {
                ChildProcess::WriteToParent(settings.result_channel, kTraceMark + line + "\n");
            };
        }
        CallRecorder recorder(settings.trace, sink);
        // Exceptions the host throws stop a check; one the module throws through a call into it
        // is the module's, and the recorder saw which call it left.
        bool stopped = false;
        std::string what;
        try {
            check.run(context);
        } catch (const RecordValidator::Refused& refused) {
            // Only the record checks fail for this; every other check needs a usable record.
            context.Skip(std::string("needs a record the host accepts (") + refused.what() +
                         "); see factory-audio-record and factory-gui-record");
        } catch (const std::exception& error) {
            stopped = true;
            what = error.what();
        } catch (...) {
            stopped = true;
            what = "an exception that is no std::exception";
        }
        if (!recorder.ThrownOutOf().empty()) {
            context.Fail(ThrownByModule(recorder.ThrownOutOf(), what));
        } else if (stopped) {
            context.Fail("the host stopped: " + what);
        }
        result.trace = recorder.TakeTrace();
    }
    SessionJournal::Close();
    progress_notice.reset();
    result.status = context.Failed()    ? CheckStatus::kFailed
                    : context.Skipped() ? CheckStatus::kSkipped
                    : context.Warned()  ? CheckStatus::kWarned
                                        : CheckStatus::kPassed;
    // A failure the check could keep no session of can still be had again.
    if (context.Failed() && !context.KeptFailure() && !settings.failure_folder.empty()) {
        context.KeepFailure(FailingSession::RunAgain(kept));
    }
    result.message = context.Summary();
    return result;
}

std::vector<std::string> CheckRunner::ChildArguments(const CheckEntry& check,
                                                     const std::string& library,
                                                     const RunSettings& settings) {
    std::vector<std::string> arguments{"validate",     library,
                                       "--in-process", "--json",
                                       "--filter",     std::string("^") + check.id + "$",
                                       "--seed",       std::to_string(settings.seed),
                                       "--timeout",    std::to_string(settings.timeout_seconds)};
    if (settings.trace) arguments.push_back("--trace");
    if (!settings.failure_folder.empty()) {
        arguments.insert(arguments.end(), {"--keep-failures", settings.failure_folder});
    }
    return arguments;
}

std::string CheckRunner::LoadInChild(const std::string& library, const RunSettings& settings) {
    const ChildOutcome outcome = ChildProcess::RunSelf(
        {"validate", library, "--in-process", "--json", "--load-only"}, settings.timeout_seconds);
    std::string load_error;
    if (outcome.ending == ChildOutcome::kExited &&
        JsonReport::ReadLoadError(outcome.result, &load_error)) {
        return load_error;
    }
    std::ostringstream error;
    if (outcome.ending == ChildOutcome::kTimedOut) {
        error << "loading it gave no answer within " << settings.timeout_seconds
              << " s; it was ended";
    } else {
        error << "loading it: " << Ending(outcome);
    }
    const std::string said = outcome.out + outcome.err;
    if (!said.empty()) error << "; it wrote:\n" << said;
    return error.str();
}

std::optional<CheckResult> CheckRunner::Isolated(const CheckEntry& check,
                                                 const std::string& library,
                                                 const RunSettings& settings) {
    // The trace asked for comes whole, however long the check makes it.
    const ChildOutcome outcome =
        ChildProcess::RunSelf(ChildArguments(check, library, settings), settings.timeout_seconds,
                              settings.trace ? std::string::npos : ChildProcess::kMostResult);
    if (outcome.ending == ChildOutcome::kInterrupted) {
        if (!settings.failure_folder.empty()) {
            KeptSession{settings.failure_folder, library, check.id, settings.seed}.RemoveLeftovers();
        }
        return std::nullopt;
    }
    CheckResult result;
    result.id = check.id;
    result.child_stdout = outcome.out;
    result.child_stderr = outcome.err;
    std::vector<std::string> trace;
    std::string progress;
    const std::string document = SplitTrace(outcome.result, &trace, &progress);
    // A check that ended without a result shows the calls that led to its end.
    result.trace.assign(trace.size() > kTraceTail ? trace.end() - kTraceTail : trace.begin(),
                        trace.end());
    if (outcome.ending == ChildOutcome::kTimedOut) {
        std::ostringstream text;
        text << "no result within " << settings.timeout_seconds << " s; the child was ended";
        if (!progress.empty()) text << ": " << progress;
        result.status = CheckStatus::kTimeout;
        result.message = text.str();
        return result;
    }
    CheckResult reported;
    if (outcome.ending == ChildOutcome::kExited && !outcome.result_too_long &&
        JsonReport::ReadFirstResult(document, &reported) && reported.id == check.id) {
        reported.child_stdout = result.child_stdout;
        reported.child_stderr = result.child_stderr;
        reported.trace = std::move(trace);
        const std::string escaped = EscapedException(outcome.err);
        if (!escaped.empty()) {
            reported.status = CheckStatus::kFailed;
            reported.message =
                (reported.message.empty() ? "" : reported.message + "\n") +
                "the module caught an exception at a host call and went on: " + escaped;
        }
        return reported;
    }
    const std::string thrown = ThrownThroughRuntime(outcome.err);
    if (!thrown.empty() && document.empty()) {
        result.status = CheckStatus::kFailed;
        result.message = thrown;
        return result;
    }
    // No result is a crash, whatever the exit code: 0 included.
    result.status = CheckStatus::kCrashed;
    if (outcome.result_too_long || !document.empty()) {
        result.message = Spoiled(document, outcome.result_too_long) + "; the child " +
                         (outcome.ending == ChildOutcome::kExited
                              ? "exited with code " + std::to_string(outcome.code)
                              : "ended with " + outcome.crash);
    } else {
        result.message = Ending(outcome) + CrashPlace(outcome.err);
    }
    const std::string cause = ContractCauses::LikelyCause(outcome.err);
    if (!cause.empty()) result.message += "\nlikely cause: " + cause;
    if (!settings.failure_folder.empty()) {
        const KeptSession where{settings.failure_folder, library, check.id, settings.seed};
        const std::string kept = FailingSession::KeepCrash(where);
        result.message += "; " + (kept.empty() ? FailingSession::RunAgain(where) : kept);
    }
    return result;
}

void CheckRunner::PrepareChild() {
    HostThreads::MarkCurrent();
#ifdef _WIN32
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(&ExitOnCrash);
    std::signal(SIGABRT, &NameCallOnAbort);
#else
    struct sigaction naming {};
    naming.sa_sigaction = &NameThreadOnFault;
    sigemptyset(&naming.sa_mask);
    naming.sa_flags = SA_NODEFER | SA_SIGINFO;
    for (size_t k = 0; k < sizeof kFaultSignals / sizeof kFaultSignals[0]; ++k) {
        sigaction(kFaultSignals[k], &naming, &g_before[k]);
    }
#endif
}
