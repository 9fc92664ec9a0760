// Finds the host instance that serves a call. A host callback is a plain function that learns
// nothing but the calling record; the record carries the host handle that makeModule was given,
// and the handle is this table's key. Handles start at 1 and are reused once released.
#ifndef QVHOST_HOST_REGISTRY_H
#define QVHOST_HOST_REGISTRY_H

#include <cstdint>

class ReferenceHost;

class HostRegistry {
public:
    static uint32_t Register(ReferenceHost* host);
    static void Release(uint32_t handle);
    // Null for a handle no live host holds.
    static ReferenceHost* Find(uint32_t handle);
};

#endif
