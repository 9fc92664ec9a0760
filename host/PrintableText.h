// A module's text as the host prints it: every control character (an escape sequence's ESC, a
// carriage return, a backspace) and DEL shown as \xNN, so that no text of a module reaches a
// terminal as a command. Line breaks stay where a text is meant to span lines.
#ifndef QVHOST_PRINTABLE_TEXT_H
#define QVHOST_PRINTABLE_TEXT_H

#include <cstdio>
#include <string>

enum class LineBreaks { kEscaped, kKept };

inline std::string PrintableText(const std::string& text,
                                 LineBreaks breaks = LineBreaks::kEscaped) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 0x20 && byte != 0x7F) || (c == '\n' && breaks == LineBreaks::kKept)) {
            shown += c;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += escaped;
    }
    return shown;
}

#endif
