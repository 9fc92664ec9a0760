// The library's two exports: the host finds them by these undecorated names and calls them as
// plain cdecl functions with machine words, so it needs no class of ours. Nothing may throw
// across them.
#include "GuiModule.h"
#include "Module.h"
#include "QVExport.h"
#include "QVHostTypes.h"
#include "QVModuleFactory.h"

namespace {

const QVModuleDescription kModule{
    "Kestrel-Pavlen", "Kestrel-Pavlen",
    "Kestrel-Pavlen v1.1 : Kestrel-modules Copyright (c) 2026 the Kestrel-Pavlen developers"
    "\n\nDual out version\n\n-Modes: normal, differ, sum\n-Gate: to change random out values\n"
    "-low limit of the random out values,can be negative (except for sum mode)\n"
    "-High limit of the random out values,can be negative",
    0x100};

}  // namespace

QV_EXPORT int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props) {
    return QVModuleFactory::Describe(kModule, index, props);
}

QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                    uint32_t host_handle) {
    return QVModuleFactory::Make<Module, GuiModule>(index, kind, callback, host_handle);
}
