// Marlglide's two exports. The audio side does all the work; the GUI side is the framework's
// plain object, since every pin lives on the audio side. Nothing may throw across these.
#include "Marlglide.h"
#include "QVExport.h"
#include "QVGUI_base.h"
#include "QVHostTypes.h"
#include "QVModuleFactory.h"

namespace {

const QVModuleDescription kModule{
    "Marlglide", "Marlglide",
    "Marlglide v1.0 : an example module of the qv_sdk2 framework\n\n"
    "Out follows the sum of the In pins at a limited speed.\n"
    "-Shape: Linear (a straight line) or Smooth (a falling curve)\n"
    "-Time: milliseconds for a full-scale step of 1.0",
    0};

}  // namespace

QV_EXPORT int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props) {
    return QVModuleFactory::Describe(kModule, index, props);
}

QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                    uint32_t host_handle) {
    return QVModuleFactory::Make<Marlglide, QVGUI_base>(index, kind, callback, host_handle);
}
