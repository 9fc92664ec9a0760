// The library's two exports, through the SDK's factory: the GUI side needs nothing of its own, so
// it is the framework's base class.
#include "QVExport.h"
#include "QVGUI_base.h"
#include "QVModuleFactory.h"
#include "Tallowhold.h"

namespace {
const QVModuleDescription kModule{
    "Tallowhold", "Tallowhold",
    "Tallowhold 1.0\n\nSample and hold: Out takes In at each chosen edge of Clock and holds it; "
    "Release lets it go after that many ms.",
    0};
}  // namespace

QV_EXPORT int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props) {
    return QVModuleFactory::Describe(kModule, index, props);
}

QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                    uint32_t host_handle) {
    return QVModuleFactory::Make<Tallowhold, QVGUI_base>(index, kind, callback, host_handle);
}
