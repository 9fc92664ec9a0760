// The library's two exports: the host finds them by these undecorated names and calls them as
// plain cdecl functions with machine words, so it needs no class of ours. Nothing may throw
// across them.
#include "GuiModule.h"
#include "Module.h"
#include "QVExport.h"
#include "QVHostTypes.h"

#include <new>

namespace {

const int32_t kSdkVersion = 2230;
const uint32_t kModuleFlags = 0x100;
const char kModuleName[] = "Kestrel-Pavlen";
const char kAboutText[] =
    "Kestrel-Pavlen v1.1 : Kestrel-modules Copyright (c) 2026 the Kestrel-Pavlen developers"
    "\n\nDual out version\n\n-Modes: normal, differ, sum\n-Gate: to change random out values\n"
    "-low limit of the random out values,can be negative (except for sum mode)\n"
    "-High limit of the random out values,can be negative";

}  // namespace

QV_EXPORT int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props) {
    if (props == nullptr) return 0;
    props->sdk_version = kSdkVersion;
    if (index != 0) return 0;
    props->name = kModuleName;
    props->id = kModuleName;
    props->about = kAboutText;
    props->flags = kModuleFlags;
    return 1;
}

// The objects belong to the host from here on; it deletes them with the close opcode.
QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                    uint32_t host_handle) {
    if (index != 0) return nullptr;
    try {
        if (kind == QV_KIND_AUDIO) return (new Module(callback, host_handle))->HostRecord();
        if (kind == QV_KIND_GUI) return (new GuiModule(callback, host_handle))->HostRecord();
    } catch (...) {
        // A failed allocation or construction leaves nothing behind: the new-expression has
        // already released the memory.
    }
    return nullptr;
}
