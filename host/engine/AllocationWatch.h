// Makes a module library's heap traffic countable for as long as it lives. Natively the qvhost
// program's replaced allocation functions see the whole process already. On Windows a module
// library links its own C++ runtime, which takes memory through the library's imports of malloc,
// calloc, realloc and free from the C runtime DLL: those import slots are pointed at counting
// functions, and put back afterwards. Watches nest: one made while another watches the same
// library counts through the slots the first pointed.
#ifndef QVHOST_ALLOCATION_WATCH_H
#define QVHOST_ALLOCATION_WATCH_H

#include <string>
#include <vector>

#include "ModuleLibrary.h"

class AllocationWatch {
public:
    explicit AllocationWatch(const ModuleLibrary& library);
    ~AllocationWatch();
    AllocationWatch(const AllocationWatch&) = delete;
    AllocationWatch& operator=(const AllocationWatch&) = delete;

    // Empty when the library's allocations are counted, else why they cannot be.
    const std::string& Unavailable() const { return m_unavailable; }

private:
    struct RedirectedSlot {
        void** slot;
        void* original;
    };

    std::string m_unavailable;
    std::vector<RedirectedSlot> m_redirected;
};

#endif
