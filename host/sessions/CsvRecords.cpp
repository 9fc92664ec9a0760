#include "CsvRecords.h"

#include "HostError.h"

bool CsvRecords::Next(std::vector<std::string>& fields) {
    fields.clear();
    int c = m_in.get();
    if (c == std::char_traits<char>::eof()) return false;
    m_first_line = ++m_line;
    std::string field;
    bool quoted = false;
    size_t length = 0;
    for (;; c = m_in.get()) {
        if (c == std::char_traits<char>::eof()) {
            if (quoted) throw UsageError(Where() + ": a quoted field that never ends");
            break;
        }
        if (++length > kLongestRecord) {
            throw UsageError(Where() + ": a record past " + std::to_string(kLongestRecord) +
                             " bytes, which no run writes");
        }
        if (quoted) {
            if (c == '"' && m_in.peek() == '"') {
                m_in.get();
                field += '"';
            } else if (c == '"') {
                quoted = false;
            } else {
                m_line += c == '\n' ? 1 : 0;
                field += static_cast<char>(c);
            }
        } else if (c == '\n') {
            break;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else if (c != '\r' || m_in.peek() != '\n') {
            field += static_cast<char>(c);
        }
    }
    fields.push_back(std::move(field));
    return true;
}
