// How much memory the process holds of its own: Linux, the data segment from /proc/self/statm;
// Windows, the commit charge of the process memory counters.
#ifndef QVHOST_VALIDATE_PROCESS_MEMORY_H
#define QVHOST_VALIDATE_PROCESS_MEMORY_H

#include <cstdint>

class ProcessMemory {
public:
    static int64_t Bytes();
};

#endif
