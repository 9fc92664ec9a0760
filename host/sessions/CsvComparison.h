// Two runs' CSV files side by side, as `qvhost compare` reads them: the columns of one name, row
// by row, each number within a tolerance of the other's, NaN agreeing only with NaN and an empty
// field (an object closed) only with an empty one. Both files are read as they go, so runs of any
// length compare in little memory.
#ifndef QVHOST_CSV_COMPARISON_H
#define QVHOST_CSV_COMPARISON_H

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "CsvRecords.h"

struct CsvDifference {
    std::string sample;  // the row's sample, as the first file writes it
    std::string column;
    std::string first;  // the values as the files write them
    std::string second;
};

struct CsvComparisonResult {
    std::vector<std::string> columns;      // compared, in the first file's order
    std::vector<std::string> only_first;   // columns the second file lacks
    std::vector<std::string> only_second;  // columns the first file lacks
    uint64_t rows = 0;                     // rows both files hold
    int longer = 0;  // 1 or 2: the file that goes on past the other's end; 0 for neither
    std::optional<CsvDifference> first_difference;
    uint64_t rows_differing = 0;
    double largest = 0.0;  // the largest difference of two numbers

    bool Agree() const {
        return only_first.empty() && only_second.empty() && longer == 0 && !first_difference;
    }
};

class CsvComparison {
public:
    // UsageError, naming the file and line, for a file no run wrote: no "sample" column first,
    // a row of another length than the header, or a value that is no number. Rows of samples
    // before `from` are read but not compared.
    static CsvComparisonResult Compare(CsvRecords& first, CsvRecords& second, double tolerance,
                                       double from = 0.0);
    static void Print(const CsvComparisonResult& result, const std::string& first_name,
                      const std::string& second_name, double tolerance, std::ostream& out);
};

#endif
