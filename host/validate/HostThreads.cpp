#include "HostThreads.h"

#include <cstdint>

#include "CrashLine.h"

#ifdef _WIN32
#include "WindowsApi.h"
#else
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

thread_local bool t_hosts = false;

uint64_t CurrentThreadId() {
#ifdef _WIN32
    return GetCurrentThreadId();
#else
    return static_cast<uint64_t>(syscall(SYS_gettid));
#endif
}

}  // namespace

namespace HostThreads {

void MarkCurrent() { t_hosts = true; }

bool CurrentIsHosts() { return t_hosts; }

void NameIfForeign() {
    if (t_hosts) return;
    CrashLine()
        .Text("qvhost: the crash came on thread ")
        .Number(static_cast<long long>(CurrentThreadId()))
        .Text(
            ", which the host did not start: a thread of the module's own, still running after "
            "its object or its library was gone")
        .Write();
}

}  // namespace HostThreads
