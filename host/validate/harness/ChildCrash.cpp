#include "ChildCrash.h"

#include <cxxabi.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "CallRecorder.h"
#include "CheckProgress.h"
#include "CrashLine.h"
#include "FaultHandler.h"
#include "FaultPlace.h"
#include "HostThreads.h"
#include "OpcodeNames.h"

#ifdef _WIN32
#include "WindowsApi.h"
#endif

namespace {

// What a framework entry prints when it caught an exception on its way to the host: the module
// answered as if nothing had happened, but did not do what the host asked.
const std::string kEscapedException = "exception escaped ";

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

// The fault handler's reporter in a child: names a thread of the module's own, and where the
// crash happened. On Windows the exception's code comes first, as a line of its own.
void ReportCrash(const char*, [[maybe_unused]] long long number, const void* instruction) {
    HostThreads::NameIfForeign();
#ifdef _WIN32
    std::fprintf(stderr, "qvhost: exception code 0x%08lX in the check's process\n",
                 static_cast<unsigned long>(number));
    std::fflush(stderr);
#endif
    WriteCrashPlace(instruction);
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
#endif

}  // namespace

void ChildCrash::Prepare() {
    HostThreads::MarkCurrent();
#ifdef _WIN32
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    std::signal(SIGABRT, &NameCallOnAbort);
#endif
    FaultHandler::Install(&ReportCrash, FaultHandler::Aborts::kLeft);
}

std::string ChildCrash::EscapedException(const std::string& err) {
    const size_t at = err.find(kEscapedException);
    if (at == std::string::npos) return "";
    return err.substr(at, err.find('\n', at) - at);
}

std::string ChildCrash::Place(const std::string& err) {
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

std::string ChildCrash::ThrownByModule(const std::string& call, const std::string& what) {
    return "an exception escaped the module out of " + call + (what.empty() ? "" : ": " + what);
}

std::string ChildCrash::ThrownThroughRuntime(const std::string& err) {
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
