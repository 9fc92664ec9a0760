#include "CsvWriter.h"

#include <cstdio>
#include <fstream>

#include "CsvField.h"
#include "FilePath.h"
#include "HostError.h"
#include "OutputFile.h"

void CsvWriter::Write(std::ostream& out, const std::vector<SampleTrack>& outputs,
                      const std::vector<SampleTrack>& inputs) {
    std::vector<const SampleTrack*> columns;
    for (const auto* tracks : {&outputs, &inputs}) {
        for (const SampleTrack& track : *tracks) columns.push_back(&track);
    }
    out << "sample";
    for (const SampleTrack* column : columns) out << ',' << CsvField(column->name);
    out << '\n';
    const size_t rows = columns.empty() ? 0 : columns.front()->samples.size();
    char number[32];
    for (size_t row = 0; row < rows; ++row) {
        out << row;
        for (const SampleTrack* column : columns) {
            std::snprintf(number, sizeof number, "%.9g", static_cast<double>(column->samples[row]));
            out << ',' << number;
        }
        out << '\n';
    }
}

void CsvWriter::WriteFile(const std::string& path, const std::vector<SampleTrack>& outputs,
                          const std::vector<SampleTrack>& inputs) {
    // As for a WAV file: a CSV of sample numbers alone holds nothing of the module's.
    if (outputs.empty() && inputs.empty()) {
        throw HostError("the module has no sample output to write");
    }
    std::ofstream file(FilePath(path), std::ios::binary);
    if (!file) throw OutputFile::WriteFailure(path);
    Write(file, outputs, inputs);
    file.close();
    if (!file) throw OutputFile::WriteFailure(path);
}
