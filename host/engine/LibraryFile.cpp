#include "LibraryFile.h"

#include "FilePath.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The headers are read from the file's head only: no image worth loading needs more for them.
constexpr size_t kHeadBytes = 64 * 1024;

// Little-endian fields, as both formats store them on the targets the host loads.
uint64_t Field(const std::vector<unsigned char>& head, size_t at, size_t width) {
    uint64_t value = 0;
    for (size_t byte = 0; byte < width; ++byte) {
        value |= static_cast<uint64_t>(head[at + byte]) << (8 * byte);
    }
    return value;
}

std::string ElfRefusal(const std::vector<unsigned char>& head, uint64_t size) {
    const bool wide = head.size() > 4 && head[4] == 2;
    const size_t header = wide ? 64 : 52;
    if (head.size() < header) return "shorter than its ELF header";
    const uint64_t table = Field(head, wide ? 32 : 28, wide ? 8 : 4);
    const uint64_t entry = Field(head, wide ? 54 : 42, 2);
    const uint64_t count = Field(head, wide ? 56 : 44, 2);
    if (table + entry * count > head.size() || entry < (wide ? 56u : 32u)) {
        return "its ELF program headers lie past its end";
    }
    for (uint64_t k = 0; k < count; ++k) {
        const size_t at = static_cast<size_t>(table + k * entry);
        constexpr uint64_t kLoadable = 1;
        if (Field(head, at, 4) != kLoadable) continue;
        const uint64_t offset = Field(head, at + (wide ? 8 : 4), wide ? 8 : 4);
        const uint64_t length = Field(head, at + (wide ? 32 : 16), wide ? 8 : 4);
        if (offset + length > size) return "cut short: a part it loads lies past its end";
    }
    return "";
}

std::string PeRefusal(const std::vector<unsigned char>& head, uint64_t size) {
    if (head.size() < 64) return "shorter than its DOS header";
    const uint64_t pe = Field(head, 0x3C, 4);
    if (pe + 24 > head.size() || std::memcmp(&head[pe], "PE\0\0", 4) != 0) {
        return "its PE header lies past its end";
    }
    const uint64_t sections = Field(head, pe + 6, 2);
    const uint64_t table = pe + 24 + Field(head, pe + 20, 2);
    if (table + sections * 40 > head.size()) return "its PE section table lies past its end";
    for (uint64_t k = 0; k < sections; ++k) {
        const size_t at = static_cast<size_t>(table + k * 40);
        if (Field(head, at + 20, 4) + Field(head, at + 16, 4) > size) {
            return "cut short: a section it loads lies past its end";
        }
    }
    return "";
}

}  // namespace

std::string LibraryFile::Refusal(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(FilePath(path), error);
    if (error || !fs::exists(status)) return "";  // the loader says what is missing
    if (!fs::is_regular_file(status)) return "not a regular file";
    const uint64_t size = fs::file_size(FilePath(path), error);
    if (error) return "";
    if (size == 0) return "an empty file";
    std::ifstream file(FilePath(path), std::ios::binary);
    std::vector<unsigned char> head(static_cast<size_t>(std::min<uint64_t>(size, kHeadBytes)));
    file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(file.gcount()));
    if (head.size() >= 4 && std::memcmp(head.data(),
                                        "\x7f"
                                        "ELF",
                                        4) == 0) {
        return ElfRefusal(head, size);
    }
    if (head.size() >= 2 && head[0] == 'M' && head[1] == 'Z') return PeRefusal(head, size);
    return "";
}
