#include "ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "HeadAndTail.h"
#include "Interruption.h"
#include "NewFile.h"

#ifdef _WIN32
#include "WindowsApi.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char** environ;
#endif

namespace {

constexpr std::chrono::milliseconds kPollInterval(5);
// What is kept of the child's standard output and standard error: the module's first words or
// a contract report are in the head, how it ended in the tail.
constexpr size_t kKeptHead = 1500;
constexpr size_t kKeptTail = 2500;
constexpr size_t kReadPiece = 64 * 1024;
#ifndef _WIN32
// Where the child finds its result channel: the first descriptor after the standard three.
constexpr int kChildResultDescriptor = 3;
#endif

#ifdef _WIN32

using File = HANDLE;

// Quoted so that the runtime's command-line parser gives the child the argument back unchanged.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(2 * backslashes, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

HANDLE InheritableTempFile() {
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"qvv", 0, path);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(
        path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

void Rewind(File file) { SetFilePointer(file, 0, nullptr, FILE_BEGIN); }

size_t ReadPiece(File file, char* buffer, size_t size) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
    return got;
}

// A job that ends every process in it once its last handle is closed: the validator's, when the
// child is done or the validator itself ends.
HANDLE JobEndedOnClose() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

#else

using File = int;

int UnlinkedTempFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr ? folder : "/tmp") + "/qvvalidateXXXXXX";
    // Closed in the other children started meanwhile: each holds its own files alone.
    const int fd = mkostemp(&pattern[0], O_CLOEXEC);
    if (fd >= 0) unlink(pattern.c_str());
    return fd;
}

void Rewind(File fd) { lseek(fd, 0, SEEK_SET); }

size_t ReadPiece(File fd, char* buffer, size_t size) {
    const ssize_t got = read(fd, buffer, size);
    return got > 0 ? static_cast<size_t>(got) : 0;
}

// Whether the child has ended, without reaping it: until it is reaped its pid, and so its group's
// id, cannot be taken by another process.
bool Ended(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

#endif

// The head and tail of what the child wrote to `file`, read from the start in pieces.
std::string ReadKept(File file) {
    Rewind(file);
    HeadAndTail kept(kKeptHead, kKeptTail);
    std::vector<char> piece(kReadPiece);
    while (const size_t got = ReadPiece(file, piece.data(), piece.size())) {
        kept.Append(piece.data(), got);
    }
    return kept.Text();
}

void ReadResult(File file, size_t most, ChildOutcome* outcome) {
    Rewind(file);
    std::vector<char> piece(kReadPiece);
    while (const size_t got = ReadPiece(file, piece.data(), piece.size())) {
        if (outcome->result.size() + got > most) {
            outcome->result_too_long = true;
            return;
        }
        outcome->result.append(piece.data(), got);
    }
}

void ReadWritten(File out, File err, File result, size_t most_result, ChildOutcome* outcome) {
    outcome->out = ReadKept(out);
    outcome->err = ReadKept(err);
    ReadResult(result, most_result, outcome);
}

}  // namespace

#ifdef _WIN32

ChildOutcome ChildProcess::RunSelf(const std::vector<std::string>& arguments,
                                   double timeout_seconds, size_t most_result) {
    ChildOutcome outcome;
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    HANDLE out = InheritableTempFile();
    HANDLE err = InheritableTempFile();
    HANDLE result = InheritableTempFile();
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE ||
        result == INVALID_HANDLE_VALUE) {
        outcome.crash = "no temporary file for the child's output";
        for (HANDLE file : {out, err, result}) {
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
        return outcome;
    }
    std::wstring command_line = Quoted(self);
    for (const std::string& argument : arguments) command_line += L" " + Quoted(WideText(argument));
    // An inherited handle keeps its value in the child.
    command_line += L" " + WideText(kResultChannelOption) + L" " +
                    std::to_wstring(reinterpret_cast<uintptr_t>(result));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION child{};
    HANDLE job = JobEndedOnClose();
    // Started suspended, so that it is in its job before the module can start anything; in a new
    // process group, so that a console's Ctrl-C reaches the validator alone, which ends the job.
    if (Interruption::Happened()) {
        outcome.crash = "the run was stopped";
    } else if (!CreateProcessW(self, &command_line[0], nullptr, nullptr, TRUE,
                               CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                               &startup, &child)) {
        outcome.crash = "CreateProcessW failed with error " + std::to_string(GetLastError());
    } else {
        // Without a job (one Windows refuses to nest) a timeout still ends the child itself.
        if (job != nullptr && !AssignProcessToJobObject(job, child.hProcess)) {
            CloseHandle(job);
            job = nullptr;
        }
        const int watched =
            job != nullptr ? Interruption::Watch(reinterpret_cast<intptr_t>(job)) : -1;
        ResumeThread(child.hThread);
        const DWORD limit = static_cast<DWORD>(timeout_seconds * 1000.0);
        if (WaitForSingleObject(child.hProcess, limit) == WAIT_TIMEOUT) {
            if (job != nullptr) TerminateJobObject(job, 1);
            TerminateProcess(child.hProcess, 1);
            WaitForSingleObject(child.hProcess, INFINITE);
            outcome.ending = ChildOutcome::kTimedOut;
        } else {
            DWORD code = 0;
            GetExitCodeProcess(child.hProcess, &code);
            outcome.code = code;
            if (code >= 0xC0000000u) {
                char text[32];
                std::snprintf(text, sizeof text, "exception code 0x%08lX",
                              static_cast<unsigned long>(code));
                outcome.ending = ChildOutcome::kCrashed;
                outcome.crash = text;
            } else {
                outcome.ending = ChildOutcome::kExited;
            }
        }
        Interruption::Unwatch(watched);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    // Closing the job ends whatever the child left running in it.
    if (job != nullptr) CloseHandle(job);
    if (Interruption::Happened()) outcome.NoteStop();
    ReadWritten(out, err, result, most_result, &outcome);
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(result);
    return outcome;
}

void ChildProcess::EndWithParent() {}

bool ChildProcess::WriteToParent(const std::string& channel, const std::string& text) {
    HANDLE file = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(channel.c_str(), nullptr, 10)));
    size_t written = 0;
    while (written < text.size()) {
        DWORD wrote = 0;
        if (!WriteFile(file, text.data() + written, static_cast<DWORD>(text.size() - written),
                       &wrote, nullptr) ||
            wrote == 0) {
            return false;
        }
        written += wrote;
    }
    return true;
}

#else

ChildOutcome ChildProcess::RunSelf(const std::vector<std::string>& arguments,
                                   double timeout_seconds, size_t most_result) {
    ChildOutcome outcome;
    const std::string self = NewFile::RunningProgram();
    const int out = UnlinkedTempFile();
    const int err = UnlinkedTempFile();
    const int result = UnlinkedTempFile();
    if (self.empty() || out < 0 || err < 0 || result < 0) {
        outcome.crash = "cannot prepare the child: " + std::string(std::strerror(errno));
        for (int fd : {out, err, result}) {
            if (fd >= 0) close(fd);
        }
        return outcome;
    }
    std::vector<std::string> all = arguments;
    all.push_back(kResultChannelOption);
    all.push_back(std::to_string(kChildResultDescriptor));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(self.c_str()));
    for (const std::string& argument : all) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    posix_spawn_file_actions_adddup2(&actions, result, kChildResultDescriptor);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int spawned = Interruption::Happened()
                            ? ECANCELED
                            : posix_spawn(&pid, self.c_str(), &actions, &attributes, argv.data(),
                                          environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        outcome.crash = "posix_spawn failed: " + std::string(std::strerror(spawned));
    } else {
        const int watched = Interruption::Watch(pid);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_seconds);
        bool ended = false;
        while (!(ended = Ended(pid)) && !Interruption::Happened() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kPollInterval);
        }
        // The whole group, whether the child ended or hangs: a process the module started in it
        // ends with its check.
        kill(-pid, SIGKILL);
        Interruption::Unwatch(watched);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!ended) {
            outcome.ending = ChildOutcome::kTimedOut;
        } else if (WIFSIGNALED(status)) {
            outcome.ending = ChildOutcome::kCrashed;
            outcome.code = static_cast<unsigned long>(WTERMSIG(status));
            outcome.crash = "signal " + std::to_string(WTERMSIG(status)) + " (" +
                            strsignal(WTERMSIG(status)) + ")";
        } else {
            outcome.ending = ChildOutcome::kExited;
            outcome.code = static_cast<unsigned long>(WEXITSTATUS(status));
        }
    }
    if (Interruption::Happened()) outcome.NoteStop();
    ReadWritten(out, err, result, most_result, &outcome);
    close(out);
    close(err);
    close(result);
    return outcome;
}

bool ChildProcess::WriteToParent(const std::string& channel, const std::string& text) {
    const int fd = std::atoi(channel.c_str());
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t wrote = write(fd, text.data() + written, text.size() - written);
        if (wrote <= 0) return false;
        written += static_cast<size_t>(wrote);
    }
    return true;
}

#ifdef __linux__
// The child leads its process group: ending the group ends whatever the module started in it,
// which would otherwise outlive the validator.
void EndOwnGroup(int) { kill(0, SIGKILL); }
#endif

void ChildProcess::EndWithParent() {
#ifdef __linux__
    struct sigaction action {};
    action.sa_handler = &EndOwnGroup;
    sigemptyset(&action.sa_mask);
    sigaction(SIGHUP, &action, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGHUP);
    // The validator may have died before the signal was asked for.
    if (getppid() == 1) EndOwnGroup(SIGHUP);
#endif
}

#endif
