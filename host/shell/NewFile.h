// Files the host makes for itself (a part file, a trial script, a journal, a probe): whatever is
// at the path first (a leftover of an earlier run, or a link planted there) is removed, never
// followed, and the file is created only where nothing is, so that no write meant for it lands in
// another file.
#ifndef QVHOST_NEW_FILE_H
#define QVHOST_NEW_FILE_H

#include <cstdio>
#include <string>

namespace NewFile {

// `path` opened for writing as a new file, or null with errno set.
std::FILE* Open(const std::string& path);
// Writes `text` to `path` as a new file; false with errno set when it cannot.
bool Write(const std::string& path, const std::string& text);
// The path of the program this process runs, in UTF-8; empty when it cannot be found.
std::string RunningProgram();

}  // namespace NewFile

#endif
