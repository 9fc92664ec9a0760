#include "CheckRunner.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <memory>
#include <sstream>

#include "CallRecorder.h"
#include "CheckContext.h"
#include "CheckProgress.h"
#include "ChildCrash.h"
#include "ChildProcess.h"
#include "ContractCauses.h"
#include "FailingSession.h"
#include "JsonReport.h"
#include "RecordValidator.h"
#include "SessionJournal.h"
#include "Watchdog.h"

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
            context.Fail(ChildCrash::ThrownByModule(recorder.ThrownOutOf(), what));
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
            KeptSession{settings.failure_folder, library, check.id, settings.seed}
                .RemoveLeftovers();
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
        const std::string escaped = ChildCrash::EscapedException(outcome.err);
        if (!escaped.empty()) {
            reported.status = CheckStatus::kFailed;
            reported.message =
                (reported.message.empty() ? "" : reported.message + "\n") +
                "the module caught an exception at a host call and went on: " + escaped;
        }
        return reported;
    }
    const std::string thrown = ChildCrash::ThrownThroughRuntime(outcome.err);
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
        result.message = Ending(outcome) + ChildCrash::Place(outcome.err);
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
