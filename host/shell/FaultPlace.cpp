#include "FaultPlace.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include "WindowsApi.h"
#else
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <ucontext.h>
#include <unistd.h>
#endif

namespace {

void Hex(CrashLine& line, uintptr_t value) {
    char digits[2 * sizeof value + 1];
    size_t count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value % 16];
        value /= 16;
    } while (value != 0);
    char text[sizeof digits + 2] = "0x";
    size_t at = 2;
    while (count > 0) text[at++] = digits[--count];
    text[at] = '\0';
    line.Text(text);
}

// The file name without its folders.
const char* BaseName(const char* path) {
    const char* name = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '/' || *c == '\\') name = c + 1;
    }
    return name;
}

#ifdef _WIN32
// The nearest function at or below `rva` among the COFF symbols of the library's file (a build that
// keeps its symbols), read with plain reads: its name into `name`, its RVA into `start`.
bool SymbolInFile(const char* path, const unsigned char* image, uintptr_t rva, char* name,
                  size_t room, uintptr_t* start) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    const IMAGE_FILE_HEADER& header = nt->FileHeader;
    if (header.PointerToSymbolTable == 0 || header.NumberOfSymbols == 0) return false;
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // The bytes read at `offset`, up to `bytes`.
    const auto read_at = [&](DWORD offset, void* into, DWORD bytes) {
        OVERLAPPED at{};
        at.Offset = offset;
        DWORD got = 0;
        return ReadFile(file, into, bytes, &got, &at) ? got : DWORD{0};
    };
    bool found = false;
    IMAGE_SYMBOL best{};
    IMAGE_SYMBOL batch[64];
    for (DWORD index = 0; index < header.NumberOfSymbols;) {
        const DWORD count = std::min<DWORD>(64, header.NumberOfSymbols - index);
        if (read_at(header.PointerToSymbolTable + index * IMAGE_SIZEOF_SYMBOL, batch,
                    count * IMAGE_SIZEOF_SYMBOL) != count * IMAGE_SIZEOF_SYMBOL) {
            break;
        }
        // A symbol's auxiliary records follow it: the next symbol may begin in the next batch.
        DWORD n = 0;
        for (; n < count; n += 1 + batch[n].NumberOfAuxSymbols) {
            const IMAGE_SYMBOL& symbol = batch[n];
            if (!ISFCN(symbol.Type) || symbol.SectionNumber <= 0 ||
                symbol.SectionNumber > header.NumberOfSections) {
                continue;
            }
            const uintptr_t at = sections[symbol.SectionNumber - 1].VirtualAddress + symbol.Value;
            if (at <= rva && (!found || at > *start)) {
                found = true;
                best = symbol;
                *start = at;
            }
        }
        index += n;
    }
    if (found) {
        if (best.N.Name.Short != 0) {
            const size_t length = std::min<size_t>(8, room - 1);
            std::memcpy(name, best.N.ShortName, length);
            name[length] = '\0';
        } else {
            const DWORD strings = header.PointerToSymbolTable +
                                  header.NumberOfSymbols * IMAGE_SIZEOF_SYMBOL;
            std::memset(name, 0, room);
            found = read_at(strings + best.N.Name.Long, name, static_cast<DWORD>(room - 1)) > 0;
        }
    }
    CloseHandle(file);
    return found;
}
#else
// The function of the library's own symbol table (a build that keeps its symbols) holding
// `offset`, read from the file with plain reads: its name into `name`, its start into `start`.
bool SymbolInFile(const char* path, uintptr_t offset, char* name, size_t room, uintptr_t* start) {
    using Header = ElfW(Ehdr);
    using Section = ElfW(Shdr);
    using Symbol = ElfW(Sym);
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) return false;
    bool found = false;
    Header header{};
    Section symbols{};
    Section names{};
    if (pread(file, &header, sizeof header, 0) == sizeof header &&
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_shentsize == sizeof symbols) {
        for (unsigned k = 0; k < header.e_shnum; ++k) {
            Section section{};
            if (pread(file, &section, sizeof section, header.e_shoff + k * sizeof section) !=
                sizeof section) {
                break;
            }
            if (section.sh_type != SHT_SYMTAB) continue;
            symbols = section;
            if (pread(file, &names, sizeof names, header.e_shoff + section.sh_link * sizeof names) !=
                sizeof names) {
                symbols.sh_size = 0;
            }
            break;
        }
        Symbol batch[64];
        uintptr_t best_name = 0;
        for (size_t at = 0; at < symbols.sh_size; at += sizeof batch) {
            const ssize_t read = pread(file, batch, sizeof batch, symbols.sh_offset + at);
            if (read <= 0) break;
            for (size_t n = 0; n < static_cast<size_t>(read) / sizeof(Symbol); ++n) {
                const Symbol& symbol = batch[n];
                if (ELF64_ST_TYPE(symbol.st_info) != STT_FUNC || symbol.st_value > offset ||
                    offset >= symbol.st_value + symbol.st_size) {
                    continue;
                }
                found = true;
                best_name = symbol.st_name;
                *start = symbol.st_value;
            }
        }
        if (found) {
            const ssize_t read = pread(file, name, room - 1, names.sh_offset + best_name);
            name[read > 0 ? read : 0] = '\0';
            found = read > 0;
        }
    }
    close(file);
    return found;
}
#endif

}  // namespace

void FaultPlace::Describe(const void* instruction, CrashLine& line) {
    if (instruction == nullptr) return;
    const auto address = reinterpret_cast<uintptr_t>(instruction);
#ifdef _WIN32
    HMODULE module = nullptr;
    char path[MAX_PATH];
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(instruction), &module) ||
        GetModuleFileNameA(module, path, sizeof path) == 0) {
        line.Text(" at ");
        Hex(line, address);
        return;
    }
    const auto base = reinterpret_cast<uintptr_t>(module);
    line.Text(" at ").Text(BaseName(path)).Text("+");
    Hex(line, address - base);
    char name[128];
    uintptr_t start = 0;
    if (SymbolInFile(path, reinterpret_cast<const unsigned char*>(module), address - base, name,
                     sizeof name, &start)) {
        line.Text(" (").Text(name).Text("+");
        Hex(line, address - base - start);
        line.Text(")");
    }
#else
    Dl_info info{};
    if (dladdr(instruction, &info) == 0 || info.dli_fname == nullptr) {
        line.Text(" at ");
        Hex(line, address);
        return;
    }
    const uintptr_t offset = address - reinterpret_cast<uintptr_t>(info.dli_fbase);
    line.Text(" at ").Text(BaseName(info.dli_fname)).Text("+");
    Hex(line, offset);
    char name[128];
    uintptr_t start = 0;
    if (SymbolInFile(info.dli_fname, offset, name, sizeof name, &start)) {
        line.Text(" (").Text(name).Text("+");
        Hex(line, offset - start);
        line.Text(")");
    } else if (info.dli_sname != nullptr && info.dli_saddr != nullptr) {
        line.Text(" (").Text(info.dli_sname).Text("+");
        Hex(line, address - reinterpret_cast<uintptr_t>(info.dli_saddr));
        line.Text(")");
    }
#endif
}

void FaultPlace::Address(const void* instruction, CrashLine& line) {
    if (instruction == nullptr) return;
    line.Text(" at ");
    Hex(line, reinterpret_cast<uintptr_t>(instruction));
}

const void* FaultPlace::Instruction(const void* signal_context) {
#if defined(__linux__) && defined(__x86_64__)
    const auto* context = static_cast<const ucontext_t*>(signal_context);
    return reinterpret_cast<const void*>(context->uc_mcontext.gregs[REG_RIP]);
#elif defined(__linux__) && defined(__i386__)
    const auto* context = static_cast<const ucontext_t*>(signal_context);
    return reinterpret_cast<const void*>(context->uc_mcontext.gregs[REG_EIP]);
#else
    static_cast<void>(signal_context);
    return nullptr;
#endif
}
