#include "SessionJournal.h"

#include <cstdio>
#include <filesystem>

#include "FilePath.h"
#include "NewFile.h"

namespace {

// A check runs one session at a time on the thread that writes its journal.
std::string g_path;
std::FILE* g_file = nullptr;
const void* g_owner = nullptr;

void Discard() {
    if (g_file != nullptr) std::fclose(g_file);
    g_file = nullptr;
    g_owner = nullptr;
    std::error_code error;
    if (!g_path.empty()) std::filesystem::remove(FilePath(g_path), error);
}

}  // namespace

void SessionJournal::Open(const std::string& path) {
    Discard();
    g_path = path;
}

void SessionJournal::Close() {
    Discard();
    g_path.clear();
}

bool SessionJournal::IsOpen() { return !g_path.empty(); }

void SessionJournal::Claim(const void* owner, const std::string& head) {
    if (g_path.empty()) return;
    Discard();
    g_file = NewFile::Open(g_path);
    if (g_file == nullptr) return;
    // Every line reaches the file before the module is called again.
    std::setvbuf(g_file, nullptr, _IONBF, 0);
    g_owner = owner;
    std::fputs(head.c_str(), g_file);
}

void SessionJournal::Write(const void* owner, const std::string& line) {
    if (owner != g_owner || g_file == nullptr) return;
    std::fputs((line + "\n").c_str(), g_file);
}

void SessionJournal::Release(const void* owner) {
    if (owner == g_owner) Discard();
}
