#include "ModuleLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "HostError.h"
#include "LibraryFile.h"

#ifdef _WIN32
#include "FilePath.h"
#include "WindowsApi.h"
#else
#include <dlfcn.h>
#include <sys/stat.h>
#endif

namespace {
std::string LoadFailure(const std::string& path) {
    try {
        ModuleLibrary library(path);
    } catch (const HostError& error) {
        return error.what();
    }
    return "loaded";
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}
}  // namespace

TEST(ModuleLibrary, ReportsWhyALibraryIsRefusedInsteadOfCrashing) {
    struct Case {
        std::string path;
        std::string message_start;
    };
    const std::string missing = std::string(QV_FIXTURE_ECHO) + ".missing";
    const Case cases[] = {{missing, missing + ": cannot be loaded: "},
                          {__FILE__, std::string(__FILE__) + ": cannot be loaded: "},
                          {QV_FIXTURE_NO_EXPORTS, std::string(QV_FIXTURE_NO_EXPORTS) +
                                                      ": lacks export getModuleProperties"},
                          {QV_FIXTURE_PROPERTIES_ONLY,
                           std::string(QV_FIXTURE_PROPERTIES_ONLY) + ": lacks export makeModule"},
                          {QV_FIXTURE_ECHO, "loaded"}};
    for (const Case& c : cases) {
        const std::string failure = LoadFailure(c.path);
        EXPECT_TRUE(StartsWith(failure, c.message_start)) << failure;
    }
}

TEST(ModuleLibrary, RefusesWhatWouldBlockOrCrashTheLoaderBeforeLoadingIt) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "qvhost-library-files";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ifstream library(QV_FIXTURE_ECHO, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(library),
                            std::istreambuf_iterator<char>()};
    const std::pair<std::string, std::string> files[] = {
        {"empty", ""},
        {"headers only", bytes.substr(0, 4096)},
        {"cut in its headers", bytes.substr(0, 100)},
        {"whole", bytes}};
    for (const auto& [name, content] : files)
        std::ofstream(folder / name, std::ios::binary) << content;
    const struct {
        fs::path path;
        std::string message;
    } cases[] = {
        {folder / "empty", "cannot be loaded: an empty file"},
        {folder / "headers only", "cannot be loaded: cut short"},
        {folder / "cut in its headers", "cannot be loaded: its "},
        {folder, "cannot be loaded: not a regular file"},
        {folder / "whole", "loaded"},
#ifndef _WIN32
        {folder / "pipe", "cannot be loaded: not a regular file"},
#endif
    };
#ifndef _WIN32
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
#endif
    for (const auto& c : cases) {
        const std::string failure = LoadFailure(c.path.string());
        EXPECT_NE(failure.find(c.message), std::string::npos) << c.path << ": " << failure;
    }
    fs::remove_all(folder);
}

// A Windows library's headers, one section of 0x100 bytes from 0x200, in a file of `size` bytes
// with the section table at `table`: each part must lie within the file.
TEST(ModuleLibrary, RefusesAWindowsLibraryWhoseHeadersOrSectionsLiePastItsEnd) {
    namespace fs = std::filesystem;
    const fs::path path = fs::temp_directory_path() / "qvhost-library-pe.dll";
    struct Row {
        size_t size;
        uint32_t header;  // where the PE header starts
        const char* refusal;
    };
    const Row rows[] = {
        {0x300, 0x40, ""},
        {0x2FF, 0x40, "cut short: a section it loads lies past its end"},
        {0x60, 0x40, "its PE section table lies past its end"},
        {0x300, 0xF0, ""},
        {0x300, 0xFF, ""},
        {0x300, 0x2C0, ""},  // the section table ends where the file does
        {0x50, 0x40, "its PE header lies past its end"},
        {0x30, 0x40, "shorter than its DOS header"},
    };
    for (const Row& row : rows) {
        std::string bytes(row.size, '\0');
        const auto put = [&bytes](size_t at, uint32_t value, size_t width) {
            for (size_t k = 0; k < width && at + k < bytes.size(); ++k) {
                bytes[at + k] = static_cast<char>(value >> (8 * k));
            }
        };
        put(0, 'M' | 'Z' << 8, 2);
        put(0x3C, row.header, 4);
        put(row.header, 'P' | 'E' << 8, 4);
        put(row.header + 6u, 1, 2);            // one section
        put(row.header + 24u + 16, 0x100, 4);  // its size in the file
        put(row.header + 24u + 20, 0x200, 4);  // and where it starts
        put(row.header + 24u + 24, 0x7F, 4);   // the next field, not part of either
        std::ofstream(path, std::ios::binary) << bytes;
        EXPECT_EQ(LibraryFile::Refusal(path.string()), row.refusal)
            << std::hex << row.size << " " << row.header;
    }
    fs::remove(path);
}

TEST(ModuleLibrary, CopiesTheModulesDescription) {
    const ModuleLibrary library(QV_FIXTURE_ECHO);
    const ModuleDescription module = library.Describe();
    EXPECT_EQ(module.name, "Echo");
    EXPECT_EQ(module.id, "Echo fixture");
    EXPECT_EQ(module.about, "Echo fixture\nfor host tests");
    EXPECT_EQ(module.flags, 0x100u);
    EXPECT_EQ(module.sdk_version, 2230);
    ModuleProperties props{};
    EXPECT_FALSE(library.QueryProperties(1, &props));
    EXPECT_EQ(props.sdk_version, 2230);
    EXPECT_EQ(props.name, nullptr);
}

// The library leaves the process with its holder, its finalisers run; one refused for a missing
// export leaves at once.
TEST(ModuleLibrary, UnloadsTheLibraryWhenItGoes) {
    const auto loaded = [](const char* path) {
#ifdef _WIN32
        return GetModuleHandleW(FilePath(path).c_str()) != nullptr;
#else
        void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) dlclose(handle);
        return handle != nullptr;
#endif
    };
    {
        const ModuleLibrary library(QV_FIXTURE_ECHO);
        EXPECT_TRUE(loaded(QV_FIXTURE_ECHO));
    }
    EXPECT_FALSE(loaded(QV_FIXTURE_ECHO));
    EXPECT_EQ(LoadFailure(QV_FIXTURE_PROPERTIES_ONLY).find("lacks export makeModule"),
              std::string(QV_FIXTURE_PROPERTIES_ONLY).size() + 2);
    EXPECT_FALSE(loaded(QV_FIXTURE_PROPERTIES_ONLY));
}

// A bare file name is a file in the current folder: the library search path holds libraries that
// were never meant as modules.
TEST(ModuleLibrary, LoadsABareFileNameFromTheCurrentFolderOnly) {
    const std::filesystem::path fixture(QV_FIXTURE_ECHO);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(fixture.parent_path());
    EXPECT_EQ(LoadFailure(fixture.filename().string()), "loaded");
#ifndef _WIN32
    EXPECT_TRUE(StartsWith(LoadFailure("libc.so.6"), "libc.so.6: cannot be loaded: "));
#endif
    std::filesystem::current_path(before);
}
