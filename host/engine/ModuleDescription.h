// What a module library says of its module type through getModuleProperties, copied out of the
// library's own texts so that it outlives nothing it points into.
#ifndef QVHOST_MODULE_DESCRIPTION_H
#define QVHOST_MODULE_DESCRIPTION_H

#include <cstdint>
#include <string>

struct ModuleDescription {
    std::string name;
    std::string id;
    std::string about;
    uint32_t flags = 0;
    int32_t sdk_version = 0;
};

#endif
