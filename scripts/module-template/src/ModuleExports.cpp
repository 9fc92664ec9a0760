// The library's two exports. The host finds them by these undecorated names and calls them as
// plain cdecl functions; no exception may leave them.
#include "GuiModule.h"
#include "Module.h"
#include "QVExport.h"
#include "QVHostTypes.h"

namespace {
const int32_t kSdkVersion = 2230;  // the host interface this framework serves
const char kModuleName[] = "ModuleTemplate";
const char kAboutText[] = "ModuleTemplate 1.0\n\nOut is twice In.";
}  // namespace

QV_EXPORT int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props) {
    if (props == nullptr) return 0;
    props->sdk_version = kSdkVersion;
    if (index != 0) return 0;
    props->name = kModuleName;
    props->id = kModuleName;
    props->about = kAboutText;
    props->flags = 0;
    return 1;
}

// The host owns the object from here on and deletes it with the record's close opcode.
QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                    uint32_t host_handle) {
    if (index != 0) return nullptr;
    try {
        if (kind == QV_KIND_AUDIO) return (new Module(callback, host_handle))->HostRecord();
        if (kind == QV_KIND_GUI) return (new GuiModule(callback, host_handle))->HostRecord();
    } catch (...) {
        // Out of memory: the host gets no object.
    }
    return nullptr;
}
