// A text as the host prints it, whoever wrote it (a module, a script, a path): every control
// character (an escape sequence's ESC, a carriage return, a backspace), DEL and each byte that is
// not UTF-8 shown as \xNN, and the characters that steer a terminal or reorder a line (the C1
// controls, the bidirectional marks, the line and paragraph separators) as \u{XXXX}, so that no
// text reaches a terminal as a command or shows other than it is. Line breaks stay where a text
// is meant to span lines.
#ifndef QVHOST_PRINTABLE_TEXT_H
#define QVHOST_PRINTABLE_TEXT_H

#include <cstdint>
#include <cstdio>
#include <string>

enum class LineBreaks { kEscaped, kKept };

namespace printable_text {

// The length of the UTF-8 sequence at `at` and its code point, or 0 when it is not one.
inline size_t Utf8Sequence(const std::string& text, size_t at, uint32_t* code_point) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                          : lead >= 0xE0                 ? 3
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                                                         : 0;
    if (length == 0 || at + length > text.size()) return 0;
    uint32_t value = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < least[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    *code_point = value;
    return length;
}

inline bool SteersTheTerminal(uint32_t code_point) {
    return (code_point >= 0x80 && code_point <= 0x9F) || code_point == 0x200E ||
           code_point == 0x200F || (code_point >= 0x2028 && code_point <= 0x202E) ||
           (code_point >= 0x2066 && code_point <= 0x2069);
}

}  // namespace printable_text

inline std::string PrintableText(const std::string& text,
                                 LineBreaks breaks = LineBreaks::kEscaped) {
    std::string shown;
    shown.reserve(text.size());
    char escaped[12];
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 0x20 && byte < 0x7F) || (c == '\n' && breaks == LineBreaks::kKept)) {
            shown += c;
            ++at;
            continue;
        }
        uint32_t code_point = 0;
        const size_t length =
            byte < 0x80 ? 0 : printable_text::Utf8Sequence(text, at, &code_point);
        if (length == 0) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
            ++at;
        } else if (printable_text::SteersTheTerminal(code_point)) {
            std::snprintf(escaped, sizeof escaped, "\\u{%04X}", static_cast<unsigned>(code_point));
            shown += escaped;
            at += length;
        } else {
            shown.append(text, at, length);
            at += length;
        }
    }
    return shown;
}

#endif
