// A file a command reads, opened only when it is a regular file: a pipe or a device is refused
// before it is opened, since opening a pipe waits for a writer. UsageError naming the option and
// saying why.
#ifndef QVHOST_INPUT_FILE_H
#define QVHOST_INPUT_FILE_H

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "FilePath.h"
#include "HostError.h"

inline std::ifstream OpenInputFile(const std::string& option, const std::string& path) {
    const auto refuse = [&](const std::string& why) {
        throw UsageError(option + " " + path + ": " + why);
    };
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(FilePath(path), error);
    if (status.type() == std::filesystem::file_type::not_found) refuse("no such file");
    if (error) refuse("cannot be read (" + error.message() + ")");
    if (!std::filesystem::is_regular_file(status)) refuse("not a regular file");
    std::ifstream file(FilePath(path), std::ios::binary);
    if (!file.is_open()) refuse(std::string("cannot be read (") + std::strerror(errno) + ")");
    return file;
}

#endif
