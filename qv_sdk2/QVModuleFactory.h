// The bodies of a module library's two exports, for a library that holds one module type (index 0)
// made of an audio-side class and a GUI-side class. Each class is constructed from the host
// callback and the host handle and hands out its record with HostRecord(). The exports themselves
// stay in the module's own source, where their undecorated names and QV_CDECL are visible:
//
//   QV_EXPORT int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props) {
//       return QVModuleFactory::Describe(kModule, index, props);
//   }
//   QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
//                                       uint32_t host_handle) {
//       return QVModuleFactory::Make<Module, GuiModule>(index, kind, callback, host_handle);
//   }
#ifndef QV_MODULE_FACTORY_H
#define QV_MODULE_FACTORY_H

#include "QVContract.h"
#include "QVHostTypes.h"

#include <cstdint>

// What getModuleProperties tells a host of module type 0. The texts are the library's constants:
// the host keeps their addresses for as long as the library is loaded.
struct QVModuleDescription {
    const char* name;
    const char* id;
    const char* about;
    uint32_t flags;
};

class QVModuleFactory {
public:
    // The host interface version this framework serves, written whatever the index.
    static constexpr int32_t kSdkVersion = 2230;

    // Writes sdk_version, then for index 0 the description, and answers 1; any other index
    // answers 0 with nothing else written. A null record answers 0 and writes nothing. Fields
    // the description does not name, the host's own word among them, are left as they are.
    static int32_t Describe(const QVModuleDescription& module, int32_t index,
                            ModuleProperties* props) noexcept {
        if (props == nullptr) return 0;
        props->sdk_version = kSdkVersion;
        if (index != 0) return 0;
        props->name = module.name;
        props->id = module.id;
        props->about = module.about;
        props->flags = module.flags;
        return 1;
    }

    // A new object of the kind asked for, owned by the host from here on (it deletes the object
    // with the record's close opcode), or null for another index or kind. A construction that
    // fails leaves nothing behind and answers null: no exception reaches the host.
    template <class AudioSide, class GuiSide>
    static void* Make(int32_t index, int32_t kind, HostCallback callback,
                      uint32_t host_handle) noexcept {
        if (index != 0) return nullptr;
        try {
            if (kind == QV_KIND_AUDIO) return (new AudioSide(callback, host_handle))->HostRecord();
            if (kind == QV_KIND_GUI) return (new GuiSide(callback, host_handle))->HostRecord();
        } catch (...) {
            // The new-expression has already released the memory of a failed construction.
            QVReportCaughtException("makeModule");
        }
        return nullptr;
    }
};

#endif
