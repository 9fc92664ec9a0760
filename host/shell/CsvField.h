// A CSV header field as CSV readers take it: in double quotes, its quotes doubled, when it holds
// a comma, a quote or a line break; as it is otherwise. A pin's name may hold any of them.
#ifndef QVHOST_CSV_FIELD_H
#define QVHOST_CSV_FIELD_H

#include <string>

inline std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

#endif
