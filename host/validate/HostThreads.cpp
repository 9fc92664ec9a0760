#include "HostThreads.h"

#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <io.h>

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

void WriteError(const char* text, size_t length) {
#ifdef _WIN32
    _write(2, text, static_cast<unsigned>(length));
#else
    const ssize_t written = write(2, text, length);
    static_cast<void>(written);
#endif
}

}  // namespace

namespace HostThreads {

void MarkCurrent() { t_hosts = true; }

bool CurrentIsHosts() { return t_hosts; }

void NameIfForeign() {
    if (t_hosts) return;
    char line[200] = "qvhost: the crash came on thread ";
    size_t length = std::strlen(line);
    char digits[24];
    size_t count = 0;
    for (uint64_t id = CurrentThreadId(); count == 0 || id != 0; id /= 10) {
        digits[count++] = static_cast<char>('0' + id % 10);
    }
    while (count > 0) line[length++] = digits[--count];
    const char rest[] =
        ", which the host did not start: a thread of the module's own, still "
        "running after its object or its library was gone\n";
    std::memcpy(line + length, rest, sizeof rest - 1);
    WriteError(line, length + sizeof rest - 1);
}

}  // namespace HostThreads
