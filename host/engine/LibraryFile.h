// What the host makes sure of before a file reaches the platform's loader: it is a regular file
// (a pipe would block the loader for ever), not empty, and, for an ELF or PE image, long enough
// for its own headers and for every part it asks to be loaded (a truncated library would crash
// the loader instead of being refused).
#ifndef QVHOST_LIBRARY_FILE_H
#define QVHOST_LIBRARY_FILE_H

#include <string>

class LibraryFile {
public:
    // Why the file at `path` must not be handed to the loader; empty when it may be.
    static std::string Refusal(const std::string& path);
};

#endif
