#include "CheckRunner.h"

#include <cstdio>
#include <exception>
#include <sstream>

#include "CallRecorder.h"
#include "CheckContext.h"
#include "ChildProcess.h"
#include "JsonReport.h"
#include "RecordValidator.h"

#ifdef _WIN32
#include "WindowsApi.h"
#endif

namespace {

// A child's standard error can be long (a module that writes in a loop); its end says the most.
constexpr size_t kMaxStderr = 4000;

std::string Tail(const std::string& text) {
    return text.size() <= kMaxStderr ? text : "..." + text.substr(text.size() - kMaxStderr);
}

#ifdef _WIN32
LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* exception) {
    const DWORD code = exception->ExceptionRecord->ExceptionCode;
    std::fprintf(stderr, "qvhost: exception code 0x%08lX in the check's process\n",
                 static_cast<unsigned long>(code));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

}  // namespace

CheckResult CheckRunner::InProcess(const CheckEntry& check, const std::string& library,
                                   const RunSettings& settings) {
    CheckResult result;
    result.id = check.id;
    CheckContext context(library, settings.seed, check.id);
    {
        CallRecorder recorder(settings.trace);
        try {
            check.run(context);
        } catch (const RecordValidator::Refused& refused) {
            // Only the record checks fail for this; every other check needs a usable record.
            context.Skip(std::string("needs a record the host accepts (") + refused.what() +
                         "); see factory-audio-record and factory-gui-record");
        } catch (const std::exception& error) {
            context.Fail(std::string("the host stopped: ") + error.what());
        }
        result.trace = recorder.TakeTrace();
    }
    result.status = context.Failed()    ? CheckStatus::kFailed
                    : context.Skipped() ? CheckStatus::kSkipped
                                        : CheckStatus::kPassed;
    result.message = context.Summary();
    return result;
}

std::vector<std::string> CheckRunner::ChildArguments(const CheckEntry& check,
                                                     const std::string& library,
                                                     const RunSettings& settings) {
    std::vector<std::string> arguments{"validate",     library,
                                       "--in-process", "--json",
                                       "--filter",     std::string("^") + check.id + "$",
                                       "--seed",       std::to_string(settings.seed)};
    if (settings.trace) arguments.push_back("--trace");
    return arguments;
}

CheckResult CheckRunner::Isolated(const CheckEntry& check, const std::string& library,
                                  const RunSettings& settings) {
    const ChildOutcome outcome =
        ChildProcess::RunSelf(ChildArguments(check, library, settings), settings.timeout_seconds);
    CheckResult result;
    result.id = check.id;
    result.child_stderr = Tail(outcome.err);
    if (outcome.ending == ChildOutcome::kTimedOut) {
        std::ostringstream text;
        text << "no result within " << settings.timeout_seconds << " s; the child was ended";
        result.status = CheckStatus::kTimeout;
        result.message = text.str();
        return result;
    }
    CheckResult reported;
    if (outcome.ending == ChildOutcome::kExited &&
        JsonReport::ReadFirstResult(outcome.out, &reported) && reported.id == check.id) {
        reported.child_stderr = result.child_stderr;
        return reported;
    }
    result.status = CheckStatus::kCrashed;
    if (outcome.ending == ChildOutcome::kCrashed) {
        result.message = outcome.crash;
    } else if (outcome.ending == ChildOutcome::kExited) {
        result.message = "exited with code " + std::to_string(outcome.code) + " and no result";
    } else {
        result.message = "the child did not start: " + outcome.crash;
    }
    return result;
}

void CheckRunner::PrepareChild() {
#ifdef _WIN32
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(&ExitOnCrash);
#endif
}
