#include "CrashReport.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "CommandEntry.h"
#include "CrashLine.h"
#include "FaultHandler.h"
#include "FaultPlace.h"
#include "OpcodeNames.h"
#include "OutputFile.h"

namespace {

// One call into the module or out of it, as the crash line names it.
struct OpenCall {
    const char* name;  // null: "opcode" and the number
    int32_t opcode;
    bool to_host;
};

constexpr int kMostOpen = 64;
OpenCall g_open[kMostOpen];
volatile int g_depth = 0;
// When the outermost call into the module began, in the steady clock's nanoseconds; 0 between
// calls.
std::atomic<long long> g_outer_since{0};

long long Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Appends the innermost call into the module in progress; a call in the host's answer to the
// module says so.
void NameOpenCall(CrashLine& line) {
    const int depth = g_depth < kMostOpen ? g_depth : kMostOpen;
    for (int k = depth - 1; k >= 0; --k) {
        if (g_open[k].to_host) continue;
        line.Text(k == depth - 1 ? " in " : " in the host's answer to the module, inside ");
        if (g_open[k].name != nullptr) {
            line.Text(g_open[k].name);
        } else {
            line.Text("opcode ").Number(g_open[k].opcode);
        }
        break;
    }
}

// "qvhost: the module crashed (WHAT) at LIB+0xOFFSET (SYMBOL+0xN) in CALL", the innermost call
// into the module; a crash in the host's answer to the module's call says so.
void WriteCrashLine(const char* what, long long number, const void* instruction) {
    CrashLine line;
    line.Text("qvhost: the module crashed (").Text(what).Number(number).Text(")");
    FaultPlace::Describe(instruction, line);
    NameOpenCall(line);
    line.Write();
}

OpenCall Named(const CrossingCall& call) {
    switch (call.entry) {
    case CallEntry::kFactory:
        return {"makeModule", call.opcode, false};
    case CallEntry::kProcess:
        return {"the process function", call.opcode, false};
    case CallEntry::kEventHandler:
        return {"the event entry", call.opcode, false};
    case CallEntry::kAudioDispatcher:
        return {OpcodeNames::Find("audio", call.opcode), call.opcode, false};
    case CallEntry::kGuiDispatcher:
        return {OpcodeNames::Find("GUI", call.opcode), call.opcode, false};
    case CallEntry::kLibraryLoad:
        return {call.opcode != 0 ? "the library's load" : "the library's unload", call.opcode,
                false};
    default:
        return {nullptr, call.opcode, true};
    }
}

// Whether a CrashReport lives: the exit handler, once installed, stays for the process.
std::atomic<bool> g_reporting{false};

// A module that ends the process (exit()) inside a call ends the command as a failure, named,
// where it would otherwise end it as whatever the module chose, success included.
void ReportExitInsideModule() {
    if (!g_reporting || g_depth == 0) return;
    CrashLine line;
    line.Text("qvhost: the module ended the process");
    NameOpenCall(line);
    line.Text("; the command failed");
    line.Write();
    OutputFile::EndProcessNow(CommandEntry::kFailure);
}

}  // namespace

CrashReport::CrashReport(double call_limit_seconds) {
    CallObserver::Install(this);
    FaultHandler::Install(&WriteCrashLine, FaultHandler::Aborts::kReported);
    static const bool watching_exits = std::atexit(&ReportExitInsideModule) == 0;
    g_reporting = watching_exits;
    m_watch = std::thread(&CrashReport::WatchCalls, this, call_limit_seconds);
}

CrashReport::~CrashReport() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_ended = true;
    }
    m_ending.notify_all();
    m_watch.join();
    FaultHandler::Remove();
    g_reporting = false;
    CallObserver::Install(nullptr);
}

void CrashReport::Enter(const CrossingCall& call) {
    if (call.entry == CallEntry::kHostAction) return;
    if (g_depth < kMostOpen) g_open[g_depth] = Named(call);
    if (g_depth == 0) g_outer_since = Now();
    g_depth = g_depth + 1;
}

void CrashReport::Leave(const CrossingCall& call, QVWord) {
    if (call.entry == CallEntry::kHostAction) return;
    g_depth = g_depth - 1;
    if (g_depth == 0) g_outer_since = 0;
}

void CrashReport::WatchCalls(double call_limit_seconds) {
    const auto limit = static_cast<long long>(call_limit_seconds * 1e9);
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_ending.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_ended; })) {
        const long long since = g_outer_since;
        if (since == 0 || Now() - since <= limit) continue;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", call_limit_seconds);
        CrashLine line;
        line.Text("qvhost: the module gave no answer within ").Text(seconds).Text(" s");
        NameOpenCall(line);
        line.Text("; the command was ended");
        line.Write();
        OutputFile::EndProcessNow(CommandEntry::kFailure);
    }
}
