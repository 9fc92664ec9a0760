// A file a command reads, opened only when it is a regular file: a pipe or a device is refused
// before it is opened, since opening a pipe waits for a writer. UsageError naming the option.
#ifndef QVHOST_INPUT_FILE_H
#define QVHOST_INPUT_FILE_H

#include <filesystem>
#include <fstream>
#include <string>

#include "FilePath.h"
#include "HostError.h"

inline std::ifstream OpenInputFile(const std::string& option, const std::string& path) {
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(FilePath(path), error)) {
        file.open(FilePath(path), std::ios::binary);
    }
    if (!file.is_open()) throw UsageError(option + " " + path + ": not a file that can be read");
    return file;
}

#endif
