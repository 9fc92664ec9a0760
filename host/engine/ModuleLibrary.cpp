#include "ModuleLibrary.h"

#include "CallObserver.h"
#include "HostError.h"
#include "FilePath.h"
#include "LibraryFile.h"
#include "PrintableText.h"

#include <cstring>

#ifdef _WIN32
#include "WindowsApi.h"
#else
#include <dlfcn.h>
#endif

namespace {

#ifdef _WIN32
std::string LastLoadError() {
    const DWORD code = GetLastError();
    const std::string message = SystemMessage(code);
    return "error " + std::to_string(code) + (message.empty() ? "" : " (" + message + ")");
}

void* LoadByPath(const std::string& path) { return LoadLibraryW(FilePath(path).c_str()); }

void Unload(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

bool InImage(void* handle, const void*, const void* address) {
    HMODULE holder = nullptr;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<const char*>(address), &holder) != 0 &&
           holder == static_cast<HMODULE>(handle);
}

void* Lookup(void* handle, const char* name) {
    const FARPROC entry = GetProcAddress(static_cast<HMODULE>(handle), name);
    void* address = nullptr;
    static_assert(sizeof entry == sizeof address, "an export's address fits a data pointer");
    std::memcpy(&address, &entry, sizeof address);
    return address;
}
#else
std::string LastLoadError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown reason";
}

void* LoadByPath(const std::string& path) {
    // A bare file name would make dlopen search the library path: the host loads by path only.
    const std::string explicit_path = path.find('/') == std::string::npos ? "./" + path : path;
    return dlopen(explicit_path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void Unload(void* handle) { dlclose(handle); }

// `export_address` is one of the library's own, to tell its image from any other.
bool InImage(void*, const void* export_address, const void* address) {
    Dl_info library{};
    Dl_info holder{};
    return dladdr(export_address, &library) != 0 && dladdr(address, &holder) != 0 &&
           holder.dli_fbase == library.dli_fbase;
}

void* Lookup(void* handle, const char* name) { return dlsym(handle, name); }
#endif

// Loading and unloading run the library's initialisers and finalisers: its own code, seen by the
// call observer as a call into the module.
void* LoadAsCall(const std::string& path) {
    ObservedCall load({CallEntry::kLibraryLoad, 1, 0, 0, nullptr, 0.0f});
    return LoadByPath(path);
}

void UnloadAsCall(void* handle) {
    ObservedCall unload({CallEntry::kLibraryLoad, 0, 0, 0, nullptr, 0.0f});
    Unload(handle);
}

// Export addresses come back as data pointers; copying the bits is the portable way to turn one
// into the function pointer it is.
template <typename Function>
Function AsFunction(void* address) {
    Function function = nullptr;
    static_assert(sizeof function == sizeof address, "function and data pointers differ in size");
    std::memcpy(&function, &address, sizeof function);
    return function;
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::string& path) : m_path(path) {
    const std::string refusal = LibraryFile::Refusal(path);
    if (!refusal.empty()) throw HostError(path + ": cannot be loaded: " + refusal);
    m_handle = LoadAsCall(path);
    if (m_handle == nullptr) throw HostError(path + ": cannot be loaded: " + LastLoadError());
    try {
        m_get_module_properties =
            AsFunction<GetModulePropertiesFn>(FindExport(QV_EXPORT_GET_MODULE_PROPERTIES));
        m_make_module = AsFunction<MakeModuleFn>(FindExport(QV_EXPORT_MAKE_MODULE));
    } catch (...) {
        UnloadAsCall(m_handle);
        throw;
    }
}

ModuleLibrary::~ModuleLibrary() { UnloadAsCall(m_handle); }

void* ModuleLibrary::FindExport(const char* name) const {
    void* address = Lookup(m_handle, name);
    if (address == nullptr) throw HostError(m_path + ": lacks export " + name);
    return address;
}

bool ModuleLibrary::QueryProperties(int32_t index, ModuleProperties* props) const {
    return PropertiesAnswer(index, props) != 0;
}

ModuleDescription ModuleLibrary::Describe() const {
    ModuleProperties props{};
    if (!QueryProperties(0, &props)) {
        throw HostError(m_path + ": getModuleProperties(0) answered false: no module type 0");
    }
    ModuleDescription description;
    description.name = PrintableText(props.name != nullptr ? props.name : "");
    description.id = PrintableText(props.id != nullptr ? props.id : "");
    description.about = PrintableText(props.about != nullptr ? props.about : "", LineBreaks::kKept);
    description.flags = props.flags;
    description.sdk_version = props.sdk_version;
    return description;
}

bool ModuleLibrary::HoldsAddress(const void* address) const {
    void* export_address = nullptr;
    std::memcpy(&export_address, &m_get_module_properties, sizeof export_address);
    return address != nullptr && InImage(m_handle, export_address, address);
}

void* ModuleLibrary::MakeModule(int32_t kind, HostCallback callback, uint32_t host_handle) const {
    return MakeModuleAt(0, kind, callback, host_handle);
}

void* ModuleLibrary::MakeModuleAt(int32_t index, int32_t kind, HostCallback callback,
                                  uint32_t host_handle) const {
    return m_make_module(index, kind, callback, host_handle);
}
