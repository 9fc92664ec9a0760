#include "ValidateCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "ArgumentChecks.h"
#include "CheckRunner.h"
#include "CheckTable.h"
#include "ChildCrash.h"
#include "ChildProcess.h"
#include "FilePath.h"
#include "HostError.h"
#include "HostRules.h"
#include "Interruption.h"
#include "JUnitReport.h"
#include "JsonReport.h"
#include "ProcessMemory.h"
#include "ModuleLibrary.h"
#include "NewFile.h"
#include "OutputFile.h"
#include "TextReport.h"
#include "ValidationReport.h"
#include "Watchdog.h"

#ifdef _WIN32
#include <io.h>
#define QV_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define QV_ISATTY(fd) isatty(fd)
#endif

namespace {

struct ValidateArguments {
    std::vector<std::string> libraries;
    bool list = false;
    bool rules = false;
    std::string filter;
    uint32_t seed = 0;
    // Six times as long in a qvhost under a checker that slows all code several times.
    double timeout_seconds = ProcessMemory::SlowingChecker() != nullptr ? 60.0 : 10.0;
    bool in_process = false;
    int repeat = 1;
    bool only_failed = false;
    bool json = false;
    std::string junit;
    bool trace = false;
    bool strict = false;
    std::string keep_failures;
    // Children running checks at once; the machine's cores unless set.
    int jobs = 0;
    // Set by the validator for its own children: load only, and where to write the result.
    bool load_only = false;
    std::string result_channel;
};

void PrintList(std::ostream& out) {
    size_t width = 0;
    for (const CheckEntry& check : CheckTable::All()) {
        width = std::max(width, std::string(check.id).size());
    }
    for (const CheckEntry& check : CheckTable::All()) {
        std::string id = check.id;
        id.resize(width + 2, ' ');
        out << id << check.description << "\n";
    }
}

void PrintRules(std::ostream& out) {
    size_t width = 0;
    for (const HostRule& rule : HostRules::All()) width = std::max(width, std::strlen(rule.id));
    for (const HostRule& rule : HostRules::All()) {
        std::string id = rule.id;
        id.resize(width + 2, ' ');
        out << id << rule.description << (rule.warns ? " (warns)" : "") << "; its findings end "
            << rule.Tag() << "\n";
    }
}

uint32_t FreshSeed() {
    std::random_device device;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return device() ^ static_cast<uint32_t>(now);
}

// In this process a hang has no parent to end it: a watchdog does, unless this process is a
// child of the validator, whose parent keeps the time itself.
std::unique_ptr<Watchdog> WatchInProcess(const ValidateArguments& arguments,
                                         const std::string& what) {
    if (!arguments.in_process || !arguments.result_channel.empty()) return nullptr;
    return std::make_unique<Watchdog>(
        arguments.timeout_seconds,
        Watchdog::EndProcess(what, arguments.timeout_seconds, CommandEntry::kFailure));
}

// Why the library cannot be validated, empty when it loads. The validator never loads a module
// into its own process unless asked to run the checks there: a library that exits, aborts or
// hangs while loading ends only a child.
std::string LoadError(const std::string& path, const ValidateArguments& arguments) {
    if (!arguments.in_process) {
        RunSettings settings;
        settings.timeout_seconds = arguments.timeout_seconds;
        return CheckRunner::LoadInChild(path, settings);
    }
    const std::unique_ptr<Watchdog> watchdog = WatchInProcess(arguments, "loading " + path);
    try {
        const ModuleLibrary loaded(path);
    } catch (const HostError& error) {
        return error.what();
    }
    return std::string();
}

// Why the folder of --keep-failures cannot take the sessions of this run, or nothing: it is made
// when it is not there, and a file is written and removed in it. Two libraries of one name
// would keep their sessions in one file.
std::string KeepFolderRefusal(const ValidateArguments& arguments) {
    const std::filesystem::path folder = FilePath(arguments.keep_failures);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        return "not a folder, and none can be made there";
    }
    // A name of this run's own: a user's file is never the probe.
    const std::filesystem::path probe =
        folder / (".qvhost-probe-" + std::to_string(static_cast<unsigned long long>(
                                         std::chrono::steady_clock::now().time_since_epoch().count())));
    const bool written = NewFile::Write(probe.u8string(), "probe");
    std::filesystem::remove(probe, error);
    if (!written) return std::string("no file can be written there (") + std::strerror(errno) + ")";
    for (size_t k = 0; k < arguments.libraries.size(); ++k) {
        for (size_t other = 0; other < k; ++other) {
            if (FilePath(arguments.libraries[k]).stem() ==
                FilePath(arguments.libraries[other]).stem()) {
                return arguments.libraries[other] + " and " + arguments.libraries[k] +
                       " would keep their sessions under one name";
            }
        }
    }
    return "";
}

// The folder a run's failing sessions are kept in: with --repeat, a folder of its own for each
// run, run-1, run-2 and so on, made as the run needs it and removed after it when it kept none.
std::string RunKeepFolder(const ValidateArguments& arguments, int run) {
    if (arguments.keep_failures.empty() || arguments.repeat == 1) return arguments.keep_failures;
    const std::filesystem::path folder =
        FilePath(arguments.keep_failures) / ("run-" + std::to_string(run + 1));
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return folder.u8string();
}

// One check of one run, and its result once it is known.
struct CheckTask {
    const CheckEntry* check;
    int run;
    CheckResult result;
    bool done = false;
};

// The task's result; nothing when the run was stopped before it had one.
std::optional<CheckResult> RunTask(const CheckTask& task, const std::string& path,
                                   const ValidateArguments& arguments, uint32_t seed) {
    RunSettings settings;
    settings.seed = seed + static_cast<uint32_t>(task.run);
    settings.timeout_seconds = arguments.timeout_seconds;
    settings.trace = arguments.trace;
    settings.failure_folder = arguments.in_process ? arguments.keep_failures
                                                   : RunKeepFolder(arguments, task.run);
    settings.result_channel = arguments.result_channel;
    const auto start = std::chrono::steady_clock::now();
    std::optional<CheckResult> result;
    {
        const std::unique_ptr<Watchdog> watchdog = WatchInProcess(arguments, task.check->id);
        result = arguments.in_process ? CheckRunner::InProcess(*task.check, path, settings)
                                      : CheckRunner::Isolated(*task.check, path, settings);
    }
    if (!result) return result;
    result->seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (arguments.repeat > 1) {
        result->run = task.run + 1;
        result->message = "[run " + std::to_string(task.run + 1) + "]" +
                          (result->message.empty() ? "" : " " + result->message);
    }
    return result;
}

// Runs every task, up to `jobs` children at once (one at a time in this process), and hands
// the results to `report` in the tasks' order, each as soon as it and all before it are known.
// A stop of the run ends it early: no task begins after it, and a task it cut short has no
// result to report.
void RunTasks(std::vector<CheckTask>& tasks, int jobs, const std::string& path,
              const ValidateArguments& arguments, uint32_t seed,
              const std::function<void(size_t)>& report) {
    if (arguments.in_process || jobs <= 1) {
        for (size_t index = 0; index < tasks.size() && !Interruption::Happened(); ++index) {
            std::optional<CheckResult> result = RunTask(tasks[index], path, arguments, seed);
            if (!result) return;
            tasks[index].result = std::move(*result);
            report(index);
        }
        return;
    }
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    int working = std::min(jobs, static_cast<int>(tasks.size()));
    for (int job = 0; job < working; ++job) {
        workers.emplace_back([&] {
            for (size_t index = next++; index < tasks.size() && !Interruption::Happened();
                 index = next++) {
                std::optional<CheckResult> result = RunTask(tasks[index], path, arguments, seed);
                if (!result) break;
                const std::lock_guard<std::mutex> lock(mutex);
                tasks[index].result = std::move(*result);
                tasks[index].done = true;
                finished.notify_all();
            }
            const std::lock_guard<std::mutex> lock(mutex);
            --working;
            finished.notify_all();
        });
    }
    for (size_t index = 0; index < tasks.size(); ++index) {
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [&] { return tasks[index].done || working == 0; });
        if (!tasks[index].done) continue;
        lock.unlock();
        report(index);
    }
    for (std::thread& worker : workers) worker.join();
}

// Runs the checks on one library as the arguments say, reporting each result as it comes.
LibraryReport ValidateLibrary(const std::string& path, const std::vector<const CheckEntry*>& checks,
                              const ValidateArguments& arguments, uint32_t seed, TextReport* text) {
    LibraryReport library;
    library.path = path;
    library.planned = checks.size() * static_cast<size_t>(arguments.repeat);
    if (text != nullptr) text->Library(path);
    library.load_error = LoadError(path, arguments);
    if (Interruption::Happened()) {
        library.load_error.clear();
        library.interrupted = true;
        if (text != nullptr) {
            text->Interrupted(library);
            text->LibraryEnd(library);
        }
        return library;
    }
    if (!library.load_error.empty() || arguments.load_only) {
        if (text != nullptr && !library.load_error.empty()) {
            text->Unloadable(library.load_error);
            text->LibraryEnd(library);
        }
        return library;
    }
    std::vector<CheckTask> tasks;
    for (int run = 0; run < arguments.repeat; ++run) {
        for (const CheckEntry* check : checks) tasks.push_back({check, run, {}});
    }
    if (text != nullptr) text->Progress(1, tasks.size(), tasks.front().check->id);
    RunTasks(tasks, arguments.jobs, path, arguments, seed, [&](size_t index) {
        if (text != nullptr) {
            text->Result(tasks[index].result);
            if (index + 1 < tasks.size()) {
                text->Progress(index + 2, tasks.size(), tasks[index + 1].check->id);
            }
        }
        library.results.push_back(std::move(tasks[index].result));
    });
    library.interrupted = Interruption::Happened();
    if (text != nullptr) {
        if (library.interrupted) text->Interrupted(library);
        text->LibraryEnd(library);
    }
    return library;
}

int Validate(const ValidateArguments& arguments, bool seed_given, std::ostream& out) {
    if (arguments.list) {
        PrintList(out);
        return CommandEntry::kSuccess;
    }
    if (arguments.rules) {
        PrintRules(out);
        return CommandEntry::kSuccess;
    }
    if (arguments.libraries.empty()) {
        throw UsageError("validate: name at least one library, or --list");
    }
    // A pattern far longer than any check's id is refused: the matcher would recurse through it.
    constexpr size_t kLongestFilter = 256;
    if (arguments.filter.size() > kLongestFilter) {
        throw UsageError("validate: --filter: a pattern of " +
                         std::to_string(arguments.filter.size()) + " characters; at most " +
                         std::to_string(kLongestFilter));
    }
    std::vector<const CheckEntry*> checks;
    try {
        const std::regex filter(arguments.filter);
        for (const CheckEntry& check : CheckTable::All()) {
            if (std::regex_search(check.id, filter)) checks.push_back(&check);
        }
    } catch (const std::regex_error& error) {
        throw UsageError("validate: --filter " + arguments.filter + ": " + error.what());
    }
    if (checks.empty()) {
        throw UsageError("validate: --filter " + arguments.filter + " selects no check");
    }
    if (!arguments.keep_failures.empty() && !arguments.in_process) {
        const std::string refusal = KeepFolderRefusal(arguments);
        if (!refusal.empty()) {
            throw UsageError("validate: --keep-failures " + arguments.keep_failures + ": " +
                             refusal);
        }
    }
    if (arguments.in_process) ChildCrash::Prepare();
    if (!arguments.result_channel.empty()) ChildProcess::EndWithParent();
    std::optional<OutputFile> junit;
    if (!arguments.junit.empty()) {
        for (const std::string& library : arguments.libraries) {
            OutputFile::RefuseClashes(library, {{"--junit", arguments.junit}});
        }
        junit.emplace("--junit", arguments.junit);
    }
    // After the --junit file's own handler, which this one replaces: a stopped run reports what
    // it has and fails, and the file is removed as for any failure.
    if (!arguments.in_process) Interruption::Install();

    ValidationReport report;
    report.seed = seed_given ? arguments.seed : FreshSeed();
    report.strict = arguments.strict;
    const bool plain = !arguments.json;
    const bool progress = plain && arguments.junit.empty() && !arguments.in_process &&
                          &out == &std::cout && QV_ISATTY(1);
    TextReport text(out, arguments.only_failed, progress);
    if (plain) text.Start(report.seed);
    for (const std::string& path : arguments.libraries) {
        report.libraries.push_back(
            ValidateLibrary(path, checks, arguments, report.seed, plain ? &text : nullptr));
        if (report.libraries.back().interrupted) break;
    }
    const bool run_folders = !arguments.keep_failures.empty() && !arguments.in_process;
    for (int run = 0; run_folders && arguments.repeat > 1 && run < arguments.repeat; ++run) {
        std::error_code error;
        std::filesystem::remove(FilePath(RunKeepFolder(arguments, run)), error);
    }
    if (plain) text.End(report);
    if (!arguments.result_channel.empty()) {
        std::ostringstream document;
        JsonReport::Write(document, report);
        if (!ChildProcess::WriteToParent(arguments.result_channel, document.str())) {
            return CommandEntry::kFailure;
        }
    } else if (arguments.json) {
        JsonReport::Write(out, report);
    }
    out << std::flush;
    if (report.Interrupted()) return CommandEntry::kFailure;
    if (junit) {
        junit->Write([&](const std::string& path) {
            std::ofstream file(FilePath(path), std::ios::binary);
            JUnitReport::Write(file, report);
            file.close();
            if (!file) throw OutputFile::WriteFailure(path);
        });
        junit->Commit();
    }
    if (report.AnyUnloadable()) return ValidateCommand::kUnloadable;
    return report.Success() ? CommandEntry::kSuccess : CommandEntry::kFailure;
}

}  // namespace

CommandEntry::Subcommand ValidateCommand::Add(CLI::App& app) {
    auto arguments = std::make_shared<ValidateArguments>();
    CLI::App* validate = app.add_subcommand(
        "validate", "Check that module libraries honour the host contract, each check isolated");
    validate->add_option("LIB", arguments->libraries, "Paths of the module libraries");
    validate->add_flag("--list", arguments->list, "Print every check's id and description");
    validate->add_flag("--rules", arguments->rules,
                       "Print every rule the host watches in every session, and what its "
                       "findings say");
    validate->add_option("--filter", arguments->filter, "Run only the checks whose id matches");
    CLI::Option* seed_option =
        validate->add_option("--seed", arguments->seed, "The seed of every random choice");
    validate->add_option("--timeout", arguments->timeout_seconds,
                         "Seconds each check may take (10, or 60 under a sanitizer or valgrind)")
        ->check(ArgumentChecks::FiniteRange(0.1, 3600.0));
    validate->add_flag("--in-process", arguments->in_process,
                       "Run the checks in this process, for a debugger");
    validate->add_option("--repeat", arguments->repeat, "Run the selected checks N times")
        ->check(ArgumentChecks::WholeRange(1, 1000));
    validate->add_flag("--only-failed", arguments->only_failed, "Print only results not PASSED");
    validate->add_flag("--json", arguments->json, "Print one JSON document");
    validate->add_option("--junit", arguments->junit, "Also write a JUnit XML file");
    validate->add_flag("--trace", arguments->trace,
                       "Print every call between host and module, with arguments and answers");
    validate->add_flag("--strict", arguments->strict, "Count WARNED results as failures");
    validate->add_option("--keep-failures", arguments->keep_failures,
                         "DIR: keep each failing session as a play script there, shortened, "
                         "with the qvhost play command that replays it");
    arguments->jobs = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 64u));
    validate
        ->add_option("--jobs", arguments->jobs,
                     "Run N checks at once, each in a child of its own (default: the cores)")
        ->check(ArgumentChecks::WholeRange(1, 64));
    // The validator's own children: hidden from the help.
    validate->add_flag("--load-only", arguments->load_only)->group("");
    validate->add_option(ChildProcess::kResultChannelOption, arguments->result_channel)->group("");
    // Its checks run in children of their own, which report a crash as a result.
    return {validate,
            [arguments, seed_option](std::ostream& out, std::ostream&) {
                return Validate(*arguments, seed_option->count() > 0, out);
            },
            false};
}
