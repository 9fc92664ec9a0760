#include "PinWriteText.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "PrintableText.h"

#ifdef _WIN32
#include "WindowsApi.h"
#else
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace {

// Copies `bytes` from `from`, all within one page, when the page can be read; false, having read
// nothing, when it cannot.
bool CopyReadable(void* to, const void* from, size_t bytes) {
#ifdef _WIN32
    // Asked of the page itself: ReadProcessMemory under wine reads a PAGE_NOACCESS page.
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(from, &region, sizeof region) == 0 || region.State != MEM_COMMIT) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if ((region.Protect & readable) == 0 || (region.Protect & PAGE_GUARD) != 0) return false;
    std::memcpy(to, from, bytes);
    return true;
#else
    iovec local{to, bytes};
    iovec remote{const_cast<void*>(from), bytes};
    return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(bytes);
#endif
}

size_t PageSize() {
#ifdef _WIN32
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return system.dwPageSize;
#else
    return static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
}

}  // namespace

bool PinWriteText::CarriesText(int32_t datatype) {
    return datatype != DT_ENUM && datatype != DT_BOOL && datatype != DT_FSAMPLE &&
           datatype != DT_FLOAT && datatype != DT_INT;
}

std::optional<std::string> PinWriteText::Read(const void* pointer) {
    static const size_t page = PageSize();
    std::string text;
    char chunk[kMaxBytes];
    auto address = reinterpret_cast<uintptr_t>(pointer);
    // Up to each page's end at a time: a text that ends just before an unreadable page reads.
    while (text.size() < kMaxBytes) {
        const size_t bytes = std::min(page - address % page, kMaxBytes - text.size());
        if (!CopyReadable(chunk, reinterpret_cast<const void*>(address), bytes)) {
            return std::nullopt;
        }
        const auto* end = static_cast<const char*>(std::memchr(chunk, '\0', bytes));
        if (end != nullptr) return text.append(chunk, static_cast<size_t>(end - chunk));
        text.append(chunk, bytes);
        address += bytes;
    }
    return std::nullopt;
}

std::string PinWriteText::Describe(const PinWrite& write, const PinDescription& pin) {
    std::string value;
    if (write.by_pointer && write.by_pointer->text) {
        value = "text \"" + PrintableText(*write.by_pointer->text) + "\"";
    } else if (write.by_pointer) {
        char address[32];
        std::snprintf(address, sizeof address, "pointer 0x%" PRIxPTR,
                      reinterpret_cast<uintptr_t>(write.by_pointer->pointer));
        value = address;
    } else {
        value = pin.datatype == DT_FLOAT ? std::to_string(write.opt) : std::to_string(write.value);
    }
    return "GUI wrote " + pin.name + " = " + value;
}
