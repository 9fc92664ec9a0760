// The version resource of the built DLL, read back the way Windows reads it for the file's
// properties. Each text is held against where it comes from: the project's version, the module's
// own properties, its about text and LICENSE, so none of them can drift from the others.
#include "QVHostTypes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Wide literals from CMake: the clone may sit under any path.
const wchar_t kLibrary[] = QV_MODULE_LIBRARY;
const wchar_t kLicense[] = QV_LICENSE_PATH;

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::vector<char> VersionInfo() {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kLibrary, &ignored);
    std::vector<char> data(size);
    if (size == 0 || !GetFileVersionInfoW(kLibrary, 0, size, data.data())) data.clear();
    return data;
}

// The value under a path of the resource, or nothing when the path is not there.
std::vector<char> Query(std::vector<char>& info, const std::wstring& path, bool text) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || value == nullptr) return {};
    // A text's length counts UTF-16 units, its terminator among them.
    const size_t bytes = text ? length * sizeof(wchar_t) : length;
    const char* first = static_cast<const char*>(value);
    return std::vector<char>(first, first + bytes);
}

std::wstring Text(std::vector<char>& info, const std::wstring& block, const std::wstring& key) {
    const std::vector<char> bytes = Query(info, L"\\StringFileInfo\\" + block + L"\\" + key, true);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

// "1.1" as the four numbers of FILEVERSION: 1, 1, 0, 0.
std::array<DWORD, 4> VersionNumbers(const std::string& version) {
    std::array<DWORD, 4> numbers{};
    std::istringstream fields(version);
    std::string field;
    for (DWORD& number : numbers) {
        if (std::getline(fields, field, '.')) number = std::stoul(field);
    }
    return numbers;
}

// What the module tells a host: its properties at index 0, read through its export.
struct Properties {
    std::string name, id, about;
};

Properties ModuleProperties0() {
    Properties read;
    HMODULE library = LoadLibraryW(kLibrary);
    if (library == nullptr) return read;
    FARPROC address = GetProcAddress(library, QV_EXPORT_GET_MODULE_PROPERTIES);
    GetModulePropertiesFn get = nullptr;
    static_assert(sizeof get == sizeof address);
    std::memcpy(&get, &address, sizeof get);
    ModuleProperties props{};
    if (get != nullptr && get(0, &props) == 1) read = {props.name, props.id, props.about};
    FreeLibrary(library);
    return read;
}

std::string FileText(const wchar_t* path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(VersionResource, TextsAreInTheOneLanguageTranslationNames) {
    std::vector<char> info = VersionInfo();
    ASSERT_FALSE(info.empty()) << "no version resource in the library";
    const std::vector<char> translation = Query(info, L"\\VarFileInfo\\Translation", false);
    ASSERT_EQ(translation.size(), 2 * sizeof(WORD));
    WORD pair[2];
    std::memcpy(pair, translation.data(), sizeof pair);
    EXPECT_EQ(pair[0], 0x0409) << "US English";
    EXPECT_EQ(pair[1], 1200) << "UTF-16";
    // Readers look the texts up under the pair Translation names; under any other they see none.
    EXPECT_EQ(Text(info, L"040904B0", L"ProductName"), L"Kestrel-Pavlen");
}

TEST(VersionResource, EachTextAgreesWithWhereItComesFrom) {
    std::vector<char> info = VersionInfo();
    ASSERT_FALSE(info.empty()) << "no version resource in the library";
    const Properties props = ModuleProperties0();
    ASSERT_FALSE(props.about.empty()) << "the library gave no properties for index 0";

    // The about text's first line: "NAME vVERSION : ... Copyright (c) YEAR HOLDER".
    const std::string first_line = props.about.substr(0, props.about.find('\n'));
    const size_t notice_at = first_line.find("Copyright (c) ");
    ASSERT_NE(notice_at, std::string::npos) << first_line;
    const std::string notice = first_line.substr(notice_at);
    const std::string holder = notice.substr(notice.find(' ', notice.find(") ") + 2) + 1);
    const std::string file_name = std::filesystem::path(kLibrary).filename().string();

    struct Row {
        const wchar_t* key;
        std::string expected;
        const char* source;
    };
    const Row rows[] = {
        {L"ProductName", props.name, "the module's name"},
        {L"InternalName", props.id, "the module's id"},
        {L"OriginalFilename", file_name, "the library's file name"},
        {L"FileVersion", QV_VERSION, "the project's version"},
        {L"ProductVersion", QV_VERSION, "the project's version"},
        {L"LegalCopyright", notice, "the about text's notice"},
        {L"CompanyName", holder, "the holder the about text names"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Text(info, L"040904B0", row.key), Widen(row.expected))
            << "from " << row.source;
    }
    EXPECT_NE(Text(info, L"040904B0", L"FileDescription"), L"");
    EXPECT_EQ(first_line.rfind(props.name + " v" + QV_VERSION + " ", 0), 0u)
        << "the about text names another version: " << first_line;
    EXPECT_NE(FileText(kLicense).find("\n" + notice + "\n"), std::string::npos)
        << "LICENSE lacks the line " << notice;
}

TEST(VersionResource, FixedNumbersAreTheProjectVersion) {
    std::vector<char> info = VersionInfo();
    const std::vector<char> bytes = Query(info, L"\\", false);
    ASSERT_EQ(bytes.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, bytes.data(), sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);

    const std::array<DWORD, 4> n = VersionNumbers(QV_VERSION);
    const DWORD most = n[0] << 16 | n[1];
    const DWORD least = n[2] << 16 | n[3];
    EXPECT_EQ(fixed.dwFileVersionMS, most);
    EXPECT_EQ(fixed.dwFileVersionLS, least);
    EXPECT_EQ(fixed.dwProductVersionMS, most);
    EXPECT_EQ(fixed.dwProductVersionLS, least);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_DLL));
    // Neither a debug nor a prerelease build.
    EXPECT_EQ(fixed.dwFileFlags & fixed.dwFileFlagsMask, 0u);
}
