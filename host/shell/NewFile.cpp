#include "NewFile.h"

#include <cerrno>
#include <fcntl.h>

#include "FilePath.h"

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>

#include "WindowsApi.h"
#else
#include <climits>
#include <unistd.h>
#endif

namespace NewFile {

std::FILE* Open(const std::string& path) {
#ifdef _WIN32
    const std::wstring wide = FilePath(path).wstring();
    DeleteFileW(wide.c_str());
    const int descriptor =
        _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    std::FILE* file = descriptor < 0 ? nullptr : _fdopen(descriptor, "wb");
    if (descriptor >= 0 && file == nullptr) _close(descriptor);
#else
    unlink(path.c_str());
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    std::FILE* file = descriptor < 0 ? nullptr : fdopen(descriptor, "wb");
    if (descriptor >= 0 && file == nullptr) close(descriptor);
#endif
    return file;
}

bool Write(const std::string& path, const std::string& text) {
    std::FILE* file = Open(path);
    if (file == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written) errno = error;
    return written && closed;
}

std::string RunningProgram() {
#ifdef _WIN32
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return length == 0 ? std::string() : std::filesystem::path(path).u8string();
#else
    char path[PATH_MAX + 1] = {};
    const ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
#endif
}

}  // namespace NewFile
