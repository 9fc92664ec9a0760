// A module library loaded by path, through its two exports and nothing else. The host never sees
// a class of the library: it calls getModuleProperties and makeModule and keeps the records that
// makeModule hands out. The library stays loaded as long as this object lives, so every object
// made from it must be closed before it goes.
#ifndef QVHOST_MODULE_LIBRARY_H
#define QVHOST_MODULE_LIBRARY_H

#include "ModuleDescription.h"
#include "ModuleSource.h"
#include "QVHostTypes.h"

#include <cstdint>
#include <string>

class ModuleLibrary : public ModuleSource {
public:
    // Throws HostError when the file cannot be loaded or lacks one of the two exports.
    explicit ModuleLibrary(const std::string& path);
    ~ModuleLibrary() override;
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    const std::string& Path() const { return m_path; }

    // The description of module type 0. Throws HostError when the library answers false.
    ModuleDescription Describe() const;
    // getModuleProperties exactly as the library answers it, for any index.
    bool QueryProperties(int32_t index, ModuleProperties* props) const;
    // getModuleProperties exactly as the library answers it.
    int32_t PropertiesAnswer(int32_t index, ModuleProperties* props) const {
        return m_get_module_properties(index, props);
    }
    // makeModule for module type 0; the record address as the library returns it, unchecked.
    void* MakeModule(int32_t kind, HostCallback callback, uint32_t host_handle) const override;
    // The platform's handle of the loaded library (HMODULE on Windows).
    void* NativeHandle() const { return m_handle; }
    // Whether `address` lies in the library's loaded image: its code, constants or static data.
    bool HoldsAddress(const void* address) const;
    // makeModule for any module type index, exactly as the library answers it.
    void* MakeModuleAt(int32_t index, int32_t kind, HostCallback callback,
                       uint32_t host_handle) const;

private:
    void* FindExport(const char* name) const;

    std::string m_path;
    void* m_handle = nullptr;
    GetModulePropertiesFn m_get_module_properties = nullptr;
    MakeModuleFn m_make_module = nullptr;
};

#endif
