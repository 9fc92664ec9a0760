// Marlglide's two exports. The audio side does all the work; the GUI side is the framework's
// plain object, since every pin lives on the audio side. Nothing may throw across these.
#include <new>

#include "Marlglide.h"
#include "QVExport.h"
#include "QVGUI_base.h"
#include "QVHostTypes.h"

namespace {

const int32_t kSdkVersion = 2230;
const char kModuleName[] = "Marlglide";
const char kAboutText[] =
    "Marlglide v1.0 : an example module of the qv_sdk2 framework\n\n"
    "Out follows the sum of the In pins at a limited speed.\n"
    "-Shape: Linear (a straight line) or Smooth (a falling curve)\n"
    "-Time: milliseconds for a full-scale step of 1.0";

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

QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
                                    uint32_t host_handle) {
    if (index != 0) return nullptr;
    try {
        if (kind == QV_KIND_AUDIO) return (new Marlglide(callback, host_handle))->HostRecord();
        if (kind == QV_KIND_GUI) return (new QVGUI_base(callback, host_handle))->HostRecord();
    } catch (...) {
        // The new-expression has released the memory of a construction that failed.
    }
    return nullptr;
}
