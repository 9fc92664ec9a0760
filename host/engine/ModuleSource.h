// Where a host's objects come from: a module's makeModule, in a library loaded by path
// (ModuleLibrary) or linked into a test program (QVTestHost).
#ifndef QVHOST_MODULE_SOURCE_H
#define QVHOST_MODULE_SOURCE_H

#include "QVHostTypes.h"

#include <cstdint>

class ModuleSource {
public:
    virtual ~ModuleSource() = default;
    // makeModule for module type 0; the record address as the module returns it, unchecked.
    virtual void* MakeModule(int32_t kind, HostCallback callback, uint32_t host_handle) const = 0;
};

#endif
