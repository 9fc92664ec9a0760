#include "AllocationWatch.h"

#include "AllocationCount.h"

#ifdef _WIN32
#include <cstring>

#include "WindowsApi.h"

namespace {

using MallocFn = void*(__cdecl*)(size_t);
using CallocFn = void*(__cdecl*)(size_t, size_t);
using ReallocFn = void*(__cdecl*)(void*, size_t);
using FreeFn = void(__cdecl*)(void*);

// The C runtime's own functions, as the library imported them.
MallocFn g_malloc = nullptr;
CallocFn g_calloc = nullptr;
ReallocFn g_realloc = nullptr;
FreeFn g_free = nullptr;

void* __cdecl CountedMalloc(size_t size) {
    AllocationCount::OnAllocation();
    return g_malloc(size);
}
void* __cdecl CountedCalloc(size_t count, size_t size) {
    AllocationCount::OnAllocation();
    return g_calloc(count, size);
}
void* __cdecl CountedRealloc(void* block, size_t size) {
    AllocationCount::OnResize(block, size);
    return g_realloc(block, size);
}
void __cdecl CountedFree(void* block) {
    if (block != nullptr) AllocationCount::OnRelease();
    g_free(block);
}

struct Replacement {
    const char* name;
    void* counting;
    void** original;
};

const Replacement kReplacements[] = {
    {"malloc", reinterpret_cast<void*>(&CountedMalloc), reinterpret_cast<void**>(&g_malloc)},
    {"calloc", reinterpret_cast<void*>(&CountedCalloc), reinterpret_cast<void**>(&g_calloc)},
    {"realloc", reinterpret_cast<void*>(&CountedRealloc), reinterpret_cast<void**>(&g_realloc)},
    {"free", reinterpret_cast<void*>(&CountedFree), reinterpret_cast<void**>(&g_free)},
};

void WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

}  // namespace

AllocationWatch::AllocationWatch(const ModuleLibrary& library) {
    bool already_counted = false;
    auto* base = static_cast<unsigned char*>(library.NativeHandle());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress != 0) {
        for (auto* entry =
                 reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             entry->Name != 0; ++entry) {
            if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), "msvcrt.dll") != 0) {
                continue;
            }
            const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
                base + (entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk
                                                       : entry->FirstThunk));
            auto** slots = reinterpret_cast<void**>(base + entry->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* by_name =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                for (const Replacement& replacement : kReplacements) {
                    if (std::strcmp(reinterpret_cast<const char*>(by_name->Name),
                                    replacement.name) != 0) {
                        continue;
                    }
                    // A watch of the same image already counts through this slot.
                    if (*slots == replacement.counting) {
                        already_counted = true;
                        continue;
                    }
                    *replacement.original = *slots;
                    m_redirected.push_back({slots, *slots});
                    WriteSlot(slots, replacement.counting);
                }
            }
        }
    }
    if (m_redirected.empty() && !already_counted) {
        m_unavailable = "the library imports no allocation function from msvcrt.dll";
    }
}

AllocationWatch::~AllocationWatch() {
    for (const RedirectedSlot& redirected : m_redirected) {
        WriteSlot(redirected.slot, redirected.original);
    }
}

#else

AllocationWatch::AllocationWatch(const ModuleLibrary&) {
    if (!AllocationCount::Replaced()) {
        m_unavailable = "this program does not replace the allocation functions";
    }
}

AllocationWatch::~AllocationWatch() = default;

#endif
