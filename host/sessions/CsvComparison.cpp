#include "CsvComparison.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "HostError.h"
#include "PrintableText.h"

namespace {

std::vector<std::string> Header(CsvRecords& file) {
    std::vector<std::string> header;
    if (!file.Next(header) || header.front() != "sample") {
        throw UsageError(file.Where() + ": not a CSV a run wrote: its first column is not sample");
    }
    return header;
}

double Number(const CsvRecords& file, const std::string& column, const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0') {
        throw UsageError(file.Where() + ": '" + PrintableText(text) + "' in column " +
                         PrintableText(column) + " is not a number");
    }
    return value;
}

// The rows' next record, checked against its header's length; false at the end.
bool Row(CsvRecords& file, size_t columns, std::vector<std::string>& fields) {
    if (!file.Next(fields)) return false;
    if (fields.size() != columns) {
        throw UsageError(file.Where() + ": " + std::to_string(fields.size()) + " fields in a row " +
                         "under a header of " + std::to_string(columns));
    }
    return true;
}

}  // namespace

CsvComparisonResult CsvComparison::Compare(CsvRecords& first, CsvRecords& second,
                                           double tolerance, double from) {
    CsvComparisonResult result;
    const std::vector<std::string> first_header = Header(first);
    const std::vector<std::string> second_header = Header(second);
    // Field positions of each compared column in both files, the sample first.
    std::vector<std::pair<size_t, size_t>> positions;
    for (size_t k = 0; k < first_header.size(); ++k) {
        const auto found = std::find(second_header.begin(), second_header.end(), first_header[k]);
        if (found == second_header.end()) {
            result.only_first.push_back(first_header[k]);
            continue;
        }
        positions.emplace_back(k, static_cast<size_t>(found - second_header.begin()));
        if (k > 0) result.columns.push_back(first_header[k]);
    }
    for (const std::string& column : second_header) {
        if (std::find(first_header.begin(), first_header.end(), column) == first_header.end()) {
            result.only_second.push_back(column);
        }
    }
    std::vector<std::string> a;
    std::vector<std::string> b;
    for (;;) {
        const bool more_first = Row(first, first_header.size(), a);
        const bool more_second = Row(second, second_header.size(), b);
        if (!more_first || !more_second) {
            result.longer = more_first ? 1 : more_second ? 2 : 0;
            return result;
        }
        ++result.rows;
        if (Number(first, first_header.front(), a.front()) < from) continue;
        bool differs = false;
        for (const auto& [in_first, in_second] : positions) {
            const std::string& column = first_header[in_first];
            // An empty field is a value no object made (it had closed): it agrees only with
            // another.
            const bool unmade = a[in_first].empty() || b[in_second].empty();
            const double x = unmade ? 0.0 : Number(first, column, a[in_first]);
            const double y = unmade ? 0.0 : Number(second, column, b[in_second]);
            const double difference = std::fabs(x - y);
            const bool agree = unmade ? a[in_first].empty() && b[in_second].empty()
                                      : x == y || (std::isnan(x) && std::isnan(y)) ||
                                            difference <= tolerance;
            if (agree) continue;
            differs = true;
            if (!unmade && !std::isnan(difference)) {
                result.largest = std::max(result.largest, difference);
            }
            if (!result.first_difference) {
                result.first_difference =
                    CsvDifference{a.front(), column, a[in_first], b[in_second]};
            }
        }
        result.rows_differing += differs ? 1 : 0;
    }
}

void CsvComparison::Print(const CsvComparisonResult& result, const std::string& first_name,
                          const std::string& second_name, double tolerance, std::ostream& out) {
    const std::string first = PrintableText(first_name);
    const std::string second = PrintableText(second_name);
    for (const std::string& column : result.only_first) {
        out << "column " << PrintableText(column) << " is in " << first << " only\n";
    }
    for (const std::string& column : result.only_second) {
        out << "column " << PrintableText(column) << " is in " << second << " only\n";
    }
    if (const auto& d = result.first_difference) {
        out << first << " and " << second << " differ first at sample " << PrintableText(d->sample)
            << ", column " << PrintableText(d->column) << ": " << PrintableText(d->first)
            << " against " << PrintableText(d->second) << "\n"
            << result.rows_differing << " of " << result.rows
            << " samples differ by more than " << tolerance << ", the most by "
            << result.largest << "\n";
    }
    if (result.longer != 0) {
        out << (result.longer == 1 ? second : first) << " ends after " << result.rows
            << " samples; " << (result.longer == 1 ? first : second) << " goes on\n";
    }
    if (result.Agree()) {
        out << first << " and " << second << " agree: " << result.rows << " samples of "
            << result.columns.size() << " columns, each within " << tolerance << "\n";
    }
}
