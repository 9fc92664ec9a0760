#include "CsvWriter.h"

#include <cstdio>
#include <fstream>

#include "FilePath.h"
#include "HostError.h"

void CsvWriter::Write(std::ostream& out, const std::vector<OutputTrack>& outputs) {
    out << "sample";
    for (const OutputTrack& output : outputs) out << ',' << output.name;
    out << '\n';
    const size_t rows = outputs.empty() ? 0 : outputs.front().samples.size();
    char number[32];
    for (size_t row = 0; row < rows; ++row) {
        out << row;
        for (const OutputTrack& output : outputs) {
            std::snprintf(number, sizeof number, "%.9g", static_cast<double>(output.samples[row]));
            out << ',' << number;
        }
        out << '\n';
    }
}

void CsvWriter::WriteFile(const std::string& path, const std::vector<OutputTrack>& outputs) {
    std::ofstream file(FilePath(path), std::ios::binary);
    if (!file) throw HostError("cannot write " + path);
    Write(file, outputs);
    file.close();
    if (!file) throw HostError("cannot write " + path);
}
