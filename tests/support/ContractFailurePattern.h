// The pattern a death test matches against a contract failure's report: the expression text,
// the source name and the line, exactly. Escapes what both of GoogleTest's regex dialects (POSIX
// on Linux, its own on Windows) would otherwise read as operators.
#ifndef CONTRACT_FAILURE_PATTERN_H
#define CONTRACT_FAILURE_PATTERN_H

#include <string>

inline std::string ContractFailurePattern(const std::string& text, const std::string& source,
                                          unsigned line) {
    std::string report =
        "Assertion failed: " + text + ", file " + source + ", line " + std::to_string(line);
    std::string pattern;
    for (char c : report) {
        if (std::string(".[]{}()\\*+?^$|").find(c) != std::string::npos) pattern += '\\';
        pattern += c;
    }
    return pattern;
}

#endif
