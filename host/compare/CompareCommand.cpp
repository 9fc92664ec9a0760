#include "CompareCommand.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "ArgumentChecks.h"
#include "CsvComparison.h"
#include "HostError.h"
#include "InputFile.h"

namespace {

struct CompareArguments {
    std::string first;
    std::string second;
    double tolerance = 0.0;
    uint32_t from = 0;
};

}  // namespace

CommandEntry::Subcommand CompareCommand::Add(CLI::App& app) {
    auto arguments = std::make_shared<CompareArguments>();
    CLI::App* compare =
        app.add_subcommand("compare", "Compare two CSV files that render or play wrote");
    compare->add_option("A", arguments->first, "The first run's CSV")->required();
    compare->add_option("B", arguments->second, "The second run's CSV")->required();
    compare
        ->add_option("--tolerance", arguments->tolerance,
                     "How far two values may differ and still agree (0: exactly the same)")
        ->check(ArgumentChecks::FiniteRange(0.0, 1.0e30));
    compare
        ->add_option("--from", arguments->from,
                     "SAMPLE: compare from this sample on (a validator's check names where)")
        ->check(ArgumentChecks::WholeRange(0, 4294967295LL));
    return {compare,
            [arguments](std::ostream& out, std::ostream&) {
                std::ifstream first = OpenInputFile("A", arguments->first);
                std::ifstream second = OpenInputFile("B", arguments->second);
                CsvRecords first_records(first, arguments->first);
                CsvRecords second_records(second, arguments->second);
                const CsvComparisonResult result = CsvComparison::Compare(
                    first_records, second_records, arguments->tolerance, arguments->from);
                if (first.bad() || second.bad()) throw HostError("a CSV file could not be read");
                CsvComparison::Print(result, arguments->first, arguments->second,
                                     arguments->tolerance, out);
                return result.Agree() ? CommandEntry::kSuccess : CommandEntry::kFailure;
            },
            false};
}
