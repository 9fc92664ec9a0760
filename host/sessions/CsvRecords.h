// Reads a CSV file record by record, as `render` and `play` write them: a field in double quotes
// may hold commas, doubled quotes and line breaks. A record past kLongestRecord bytes is refused,
// so that a hostile file cannot fill the memory.
#ifndef QVHOST_CSV_RECORDS_H
#define QVHOST_CSV_RECORDS_H

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

class CsvRecords {
public:
    static constexpr size_t kLongestRecord = 1 << 20;

    // `name` is how messages call the file.
    CsvRecords(std::istream& in, std::string name) : m_in(in), m_name(std::move(name)) {}

    // The next record's fields; false at the end of the file. UsageError naming the file and
    // the line for a record past the bound or a quote never closed.
    bool Next(std::vector<std::string>& fields);
    // "NAME:LINE", where the last record began.
    std::string Where() const { return m_name + ":" + std::to_string(m_first_line); }

private:
    std::istream& m_in;
    std::string m_name;
    int m_line = 0;
    int m_first_line = 0;
};

#endif
