#include "OutputFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "FilePath.h"
#include "HostError.h"
#include "NewFile.h"

#ifdef _WIN32
#include <process.h>

#include "WindowsApi.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The files not yet committed, where a signal handler can reach them without a lock or an
// allocation: a slot's path is written before the slot is marked taken.
constexpr int kSlots = 16;
constexpr size_t kPathRoom = 4096;
char g_pending[kSlots][kPathRoom];
std::atomic<bool> g_taken[kSlots];
std::atomic<unsigned> g_made{0};
// Set by a command that handles a stop itself and goes on: its files end as for any failure.
std::atomic<bool> g_stops_left_to_command{false};

}  // namespace

void OutputFile::RemovePending() {
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!g_taken[slot]) continue;
#ifdef _WIN32
        wchar_t wide[kPathRoom];
        if (WideText(g_pending[slot], wide, kPathRoom)) DeleteFileW(wide);
#else
        unlink(g_pending[slot]);
#endif
    }
}

void OutputFile::EndProcessNow(unsigned code) {
#ifdef _WIN32
    _fcloseall();
#endif
    RemovePending();
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), code);
#endif
    std::_Exit(static_cast<int>(code));
}

namespace {

#ifdef _WIN32
// Answering FALSE hands the event on to the command's own handler. Otherwise the process ends here,
// as a stop ends it, the files not yet committed removed.
BOOL WINAPI RemoveOnStop(DWORD) {
    if (g_stops_left_to_command) return FALSE;
    OutputFile::EndProcessNow(STATUS_CONTROL_C_EXIT);
}

void InstallRemoval() { SetConsoleCtrlHandler(&RemoveOnStop, TRUE); }

// Why the last rename failed, in the system's words.
std::string RenameError() {
    const DWORD code = GetLastError();
    const std::string message = SystemMessage(code);
    return message.empty() ? "error " + std::to_string(code) : message;
}

bool RenameOver(const std::string& from, const std::string& to) {
    return MoveFileExW(FilePath(from).c_str(), FilePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) !=
           0;
}

unsigned ProcessId() { return static_cast<unsigned>(_getpid()); }
#else
// A hangup (the terminal closed) and a broken pipe (`qvhost play ... | head`) end a command as a
// stop does.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
constexpr size_t kStopSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];
// The handlers there were, the command's own among them.
struct sigaction g_before_removal[kStopSignalCount];

void RemoveOnStop(int signal) {
    size_t k = 0;
    while (kStopSignals[k] != signal) ++k;
    const auto before = g_before_removal[k].sa_handler;
    if (g_stops_left_to_command && before != SIG_DFL && before != SIG_IGN) {
        before(signal);
        return;
    }
    OutputFile::RemovePending();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void InstallRemoval() {
    for (size_t k = 0; k < kStopSignalCount; ++k) {
        struct sigaction action {};
        action.sa_handler = &RemoveOnStop;
        sigemptyset(&action.sa_mask);
        sigaction(kStopSignals[k], &action, &g_before_removal[k]);
    }
}

// A replaced file keeps who may read it (a private file stays private) and, where the host may
// give it, its owner; never a set-user or set-group bit, which was for the content it had.
bool RenameOver(const std::string& from, const std::string& to) {
    struct stat replaced {};
    if (stat(to.c_str(), &replaced) == 0) {
        // Only a privileged host can give a file away; elsewhere it stays the user's own.
        chown(from.c_str(), replaced.st_uid, replaced.st_gid);
        chmod(from.c_str(), replaced.st_mode & 0777);
    }
    return std::rename(from.c_str(), to.c_str()) == 0;
}

// A pipe no program reads would hold the command at its first write, where a stop would not end
// it. The pipe is held open while the output lives, so that its reader sees no end meanwhile.
int HoldPipeOpen(const std::string& option, const std::string& target) {
    struct stat status {};
    if (stat(target.c_str(), &status) != 0 || !S_ISFIFO(status.st_mode)) return -1;
    const int held = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (held < 0) throw UsageError(option + " " + target + ": a pipe that no program reads");
    return held;
}

unsigned ProcessId() { return static_cast<unsigned>(getpid()); }

std::string RenameError() { return std::strerror(errno); }
#endif

int TakeSlot(const std::string& path) {
    static std::once_flag installed;
    std::call_once(installed, &InstallRemoval);
    if (path.size() >= kPathRoom) return -1;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (g_taken[slot]) continue;
        std::memcpy(g_pending[slot], path.c_str(), path.size() + 1);
        g_taken[slot] = true;
        return slot;
    }
    return -1;
}

// The file a target names once its links are followed: a link is written through, never replaced
// by a file of its own. A link to nothing names where its last link points; links that go round
// are a usage error.
std::string ThroughLinks(const std::string& option, const std::string& target) {
    constexpr int kMostLinks = 40;
    fs::path path = FilePath(target);
    std::error_code error;
    for (int followed = 0; fs::is_symlink(fs::symlink_status(path, error)); ++followed) {
        if (followed == kMostLinks) {
            throw UsageError(option + " " + target + ": links that go round");
        }
        const fs::path next = fs::read_symlink(path, error);
        if (error) break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path.u8string();
}

// A device, a pipe or a socket: there is nothing to rename over.
bool WrittenInPlace(const std::string& target) {
    std::error_code error;
    const fs::file_status status = fs::status(FilePath(target), error);
    return !error && fs::exists(status) && !fs::is_regular_file(status) &&
           !fs::is_directory(status);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (fs::exists(FilePath(a), error) && fs::exists(FilePath(b), error)) {
        const bool same = fs::equivalent(FilePath(a), FilePath(b), error);
        return !error && same;
    }
    const fs::path left = fs::weakly_canonical(fs::absolute(FilePath(a), error), error);
    const fs::path right = fs::weakly_canonical(fs::absolute(FilePath(b), error), error);
    return !error && left == right;
}

}  // namespace

OutputFile::OutputFile(std::string option, std::string target)
    : m_option(std::move(option)),
      m_target(std::move(target)),
      m_written(ThroughLinks(m_option, m_target)) {
    if (WrittenInPlace(m_written)) {
#ifndef _WIN32
        m_held_pipe = HoldPipeOpen(m_option, m_written);
#endif
        m_path = m_written;
        return;
    }
    m_path = m_written + ".part-" + std::to_string(ProcessId()) + "-" + std::to_string(g_made++);
    std::FILE* made = NewFile::Open(m_path);
    if (made == nullptr) {
        throw UsageError(m_option + " " + m_target + ": no file can be written there (" +
                         std::strerror(errno) + ")");
    }
    std::fclose(made);
    m_slot = TakeSlot(m_path);
}

OutputFile::~OutputFile() {
#ifndef _WIN32
    if (m_held_pipe >= 0) close(m_held_pipe);
#endif
    if (m_committed || m_path == m_written) return;
    std::error_code error;
    fs::remove(FilePath(m_path), error);
    if (m_slot >= 0) g_taken[m_slot] = false;
}

void OutputFile::Write(const std::function<void(const std::string& path)>& writer) {
    errno = 0;  // so that WriteFailure says only what this writing met
    try {
        writer(m_path);
    } catch (const HostError& error) {
        throw HostError(m_option + " " + m_target + ": cannot be written: " + error.what());
    }
}

HostError OutputFile::WriteFailure(const std::string& path) {
    const int error = errno;
    return HostError("cannot write " + path +
                     (error != 0 ? std::string(" (") + std::strerror(error) + ")" : ""));
}

void OutputFile::LeaveStopsToCommand() { g_stops_left_to_command = true; }

void OutputFile::Commit() {
    if (m_path == m_written) return;
    if (!RenameOver(m_path, m_written)) {
        throw HostError(m_option + " " + m_target + ": cannot be replaced (" + RenameError() + ")");
    }
    m_committed = true;
    if (m_slot >= 0) g_taken[m_slot] = false;
}

void OutputFile::RefuseClashes(const std::string& library,
                               const std::vector<std::pair<std::string, std::string>>& outputs,
                               const std::vector<std::pair<std::string, std::string>>& inputs) {
    for (size_t k = 0; k < outputs.size(); ++k) {
        const auto& [option, path] = outputs[k];
        if (path.empty()) continue;
        std::error_code error;
        if (fs::is_directory(FilePath(path), error)) {
            throw UsageError(option + " " + path + ": is a folder");
        }
        if (SameFile(path, library)) {
            throw UsageError(option + " " + path + ": is the module library itself");
        }
        const std::string program = NewFile::RunningProgram();
        if (!program.empty() && SameFile(path, program)) {
            throw UsageError(option + " " + path + ": is the qvhost program itself");
        }
        for (const auto& [input_option, input] : inputs) {
            if (!input.empty() && SameFile(path, input)) {
                throw UsageError(option + " " + path + ": is the file of " + input_option);
            }
        }
        for (size_t other = 0; other < k; ++other) {
            if (!outputs[other].second.empty() && SameFile(path, outputs[other].second)) {
                throw UsageError(outputs[other].first + " and " + option +
                                 " name one file: " + path);
            }
        }
    }
}
