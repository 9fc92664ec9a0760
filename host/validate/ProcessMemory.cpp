#include "ProcessMemory.h"

#ifdef _WIN32
#define PSAPI_VERSION 2
// psapi.h needs the types of windows.h.
#include "WindowsApi.h"
#include <psapi.h>
#else
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#endif

int64_t ProcessMemory::Bytes() {
#ifdef _WIN32
    // The commit charge; wine keeps it here and leaves PrivateUsage at 0.
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<int64_t>(counters.PagefileUsage);
#else
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0, resident = 0, shared = 0, text = 0, library = 0, data = 0;
    statm >> size >> resident >> shared >> text >> library >> data;
    return data * static_cast<int64_t>(sysconf(_SC_PAGESIZE));
#endif
}

#if defined(__SANITIZE_ADDRESS__)
#define QV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_ADDRESS_SANITIZER 1
#endif
#endif

#if !defined(_WIN32)
namespace {

// Whether the dynamic loader was told to preload a library whose path holds `name`: valgrind's
// tools and the sanitizers' runtimes, preloaded for a module built with them, come this way.
// (A qvhost built with AddressSanitizer knows without asking.)
[[maybe_unused]] bool Preloads(const char* name) {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, name) != nullptr;
}

}  // namespace
#endif

const char* ProcessMemory::QuarantineReason() {
#if defined(QV_ADDRESS_SANITIZER)
    return "AddressSanitizer holds freed memory back from reuse; its leak check measures this "
           "instead";
#elif defined(_WIN32)
    return "";
#else
    if (Preloads("vgpreload")) {
        return "valgrind holds freed memory back from reuse; its leak check measures this instead";
    }
    if (Preloads("libasan")) {
        return "AddressSanitizer, preloaded for a sanitized module, holds freed memory back from "
               "reuse";
    }
    return "";
#endif
}

const char* ProcessMemory::SlowingChecker() {
#if defined(QV_ADDRESS_SANITIZER) || defined(__SANITIZE_THREAD__)
    return "a sanitizer";
#elif defined(_WIN32)
    return nullptr;
#else
    if (Preloads("vgpreload")) return "valgrind";
    if (Preloads("libasan") || Preloads("libtsan")) return "a sanitizer";
    return nullptr;
#endif
}
