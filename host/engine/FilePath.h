// Paths as the host holds them: UTF-8 text everywhere (on Windows the command line is read wide
// and turned into UTF-8), turned into the platform's own form only where a file or a library is
// opened. On Windows that form is wide, so that any path Windows allows works, not only those of
// the ANSI code page.
#ifndef QVHOST_FILE_PATH_H
#define QVHOST_FILE_PATH_H

#include <filesystem>
#include <string>

inline std::filesystem::path FilePath(const std::string& utf8) {
    return std::filesystem::u8path(utf8);
}

#endif
