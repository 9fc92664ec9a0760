// The problems and warnings a host side keeps. Past a limit they are counted in one last line
// instead of kept: a module that breaks a rule in every call would otherwise grow the host's
// memory with it, and the host's growth would be taken for the module's.
#ifndef QVHOST_HOST_NOTES_H
#define QVHOST_HOST_NOTES_H

#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kMostNotesKept = 1000;

inline void KeepNote(std::vector<std::string>& notes, const std::string& side,
                     const std::string& text) {
    if (notes.size() < kMostNotesKept) {
        notes.push_back(side + text);
    } else if (notes.size() == kMostNotesKept) {
        notes.push_back(side + "more after these, not kept");
    }
}

#endif
