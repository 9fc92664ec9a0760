// The problems and warnings a host side keeps, each ending with the id of the rule it breaks. Past
// a limit they are counted in one last line
// instead of kept: a module that breaks a rule in every call would otherwise grow the host's
// memory with it, and the host's growth would be taken for the module's.
#ifndef QVHOST_HOST_NOTES_H
#define QVHOST_HOST_NOTES_H

#include <cstddef>
#include <string>
#include <vector>

constexpr size_t kMostNotesKept = 1000;

// A finding before it is kept: the id of the rule it breaks (HostRuleIds.h) and what happened.
struct HostNote {
    const char* rule;
    std::string text;
};

// A finding's text, ending with the id of the rule it breaks (HostRuleIds.h) in brackets.
inline std::string RuleNote(const char* rule, const std::string& text) {
    return text + " [" + rule + "]";
}

// Keeps `side` and the finding, its rule's id at its end.
inline void KeepNote(std::vector<std::string>& notes, const std::string& side, const char* rule,
                     const std::string& text) {
    if (notes.size() < kMostNotesKept) {
        notes.push_back(side + RuleNote(rule, text));
    } else if (notes.size() == kMostNotesKept) {
        notes.push_back(side + "more after these, not kept");
    }
}

#endif
