// The library's two exports. The host finds them by these undecorated names and calls them as
// plain cdecl functions; no exception may leave them.
#include "GuiModule.h"
#include "Module.h"
#include "QVExport.h"
#include "QVHostTypes.h"
#include "QVModuleFactory.h"

namespace {
const QVModuleDescription kModule{"ModuleTemplate", "ModuleTemplate",
                                  "ModuleTemplate 1.0\n\nOut is twice In.", 0};
}  // namespace

QV_EXPORT int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props) {
    return QVModuleFactory::Describe(kModule, index, props);
}

// The host owns the object from here on and deletes it with the record's close opcode.
QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                    uint32_t host_handle) {
    return QVModuleFactory::Make<Module, GuiModule>(index, kind, callback, host_handle);
}
