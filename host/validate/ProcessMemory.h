// How much memory the process holds of its own: Linux, the data segment from /proc/self/statm;
// Windows, the commit charge of the process memory counters.
#ifndef QVHOST_VALIDATE_PROCESS_MEMORY_H
#define QVHOST_VALIDATE_PROCESS_MEMORY_H

#include <cstdint>

class ProcessMemory {
public:
    static int64_t Bytes();
    // Why the process's size says nothing of leaks here, or empty when it does: under valgrind
    // and AddressSanitizer freed blocks wait in a quarantine before reuse, so the process grows
    // with every cycle whatever the module does; their own leak checks are the measure there.
    static const char* QuarantineReason();
    // What this process runs under that slows all code several times, or null: a sanitizer built
    // in, or valgrind or a sanitizer preloaded.
    static const char* SlowingChecker();
};

#endif
