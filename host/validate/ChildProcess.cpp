#include "ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

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
#include <cstdlib>
#include <cstring>

extern char** environ;
#endif

namespace {

constexpr std::chrono::milliseconds kPollInterval(5);
#ifndef _WIN32
// Where the child finds its result channel: the first descriptor after the standard three.
constexpr int kChildResultDescriptor = 3;
#endif

#ifdef _WIN32

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

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

std::string ReadAll(HANDLE file) {
    std::string text;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

#else

int UnlinkedTempFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder != nullptr ? folder : "/tmp") + "/qvvalidateXXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd >= 0) unlink(pattern.c_str());
    return fd;
}

std::string ReadAll(int fd) {
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(got));
    }
    return text;
}

std::string SelfPath() {
    char path[PATH_MAX + 1] = {};
    const ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

#endif

}  // namespace

#ifdef _WIN32

ChildOutcome ChildProcess::RunSelf(const std::vector<std::string>& arguments,
                                   double timeout_seconds) {
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
    for (const std::string& argument : arguments) command_line += L" " + Quoted(Wide(argument));
    // An inherited handle keeps its value in the child.
    command_line += L" " + Wide(kResultChannelOption) + L" " +
                    std::to_wstring(reinterpret_cast<uintptr_t>(result));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(self, &command_line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &child)) {
        outcome.crash = "CreateProcessW failed with error " + std::to_string(GetLastError());
    } else {
        const DWORD limit = static_cast<DWORD>(timeout_seconds * 1000.0);
        if (WaitForSingleObject(child.hProcess, limit) == WAIT_TIMEOUT) {
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
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    outcome.out = ReadAll(out);
    outcome.err = ReadAll(err);
    outcome.result = ReadAll(result);
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(result);
    return outcome;
}

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
                                   double timeout_seconds) {
    ChildOutcome outcome;
    const std::string self = SelfPath();
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
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        outcome.crash = "posix_spawn failed: " + std::string(std::strerror(spawned));
    } else {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_seconds);
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kPollInterval);
        }
        if (done == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
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
    outcome.out = ReadAll(out);
    outcome.err = ReadAll(err);
    outcome.result = ReadAll(result);
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

#endif
