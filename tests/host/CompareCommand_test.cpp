#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CsvRecords.h"
#include "QvhostInProcess.h"

// Two CSV files as runs write them, compared: what agrees, where they first differ, and files no
// run wrote refused with the file and line named.
TEST(CompareCommand, NamesTheFirstSampleAndColumnWhereTwoRunsDiffer) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qvhost-compare";
    std::filesystem::create_directories(folder);
    const std::string a = (folder / "a.csv").string();
    const std::string b = (folder / "b.csv").string();
    const std::string header = "sample,Out,\"L,R \"\"x\"\"\nz\"\n";
    struct Case {
        std::string first;
        std::string second;
        std::vector<std::string> more;
        int exit_code;
        std::string output;
    };
    const Case cases[] = {
        {header + "0,1,2\n1,0.5,nan\n", header + "0,1,2\n1,0.5,nan\n", {}, 0,
         a + " and " + b + " agree: 2 samples of 2 columns, each within 0\n"},
        {header + "0,1,inf\n", header + "0,1.25,inf\n", {"--tolerance", "0.25"}, 0, "within 0.25"},
        {"sample,Out\r\n0,1\r\n", "sample,Out\n0,1\n", {}, 0, "agree: 1 samples of 1 columns"},
        {header + "0,1,2\n1,0.5,3\n2,0,0\n", header + "0,1,2\n1,0.25,3\n2,0,nan\n", {}, 1,
         a + " and " + b + " differ first at sample 1, column Out: 0.5 against 0.25\n" +
             "2 of 3 samples differ by more than 0, the most by 0.25\n"},
        {header + "0,1,2\n1,0,0\n", header + "0,1,2\n", {}, 1,
         b + " ends after 1 samples; " + a + " goes on\n"},
        {"sample,Out\n0,1\n", "sample,In,Out\n0,7,1\n", {}, 1, "column In is in " + b + " only\n"},
        {"Out\n1\n", "sample,Out\n0,1\n", {}, 2, a + ":1: not a CSV a run wrote"},
        {"sample,Out\n0,1\n1\n", "sample,Out\n0,1\n1,1\n", {}, 2,
         a + ":3: 1 fields in a row under a header of 2"},
        {"sample,Out\n0,1\n", "sample,Out\n0,x\x1b\n", {}, 2, "'x\\x1B' in column Out is not"},
        {"sample,\"Out\n0,1\n", "sample,Out\n0,1\n", {}, 2, a + ":1: a quoted field that never"},
        {"sample,Out\n0," + std::string(CsvRecords::kLongestRecord, '1') + "\n", "sample,Out\n", {},
         2, a + ":2: a record past 1048576 bytes"},
        {"sample,Out\n", "sample,Out\n", {"--tolerance", "-1"}, 2, "--tolerance"},
        // From a sample on: rows before it are read, not compared.
        {"sample,Out\n0,1\n1,2\n", "sample,Out\n0,5\n1,2\n", {"--from", "1"}, 0,
         "agree: 2 samples"},
        {"sample,Out\n0,1\n1,2\n2,3\n", "sample,Out\n0,5\n1,2\n2,4\n", {"--from", "1"}, 1,
         "differ first at sample 2, column Out: 3 against 4\n1 of 3 samples differ"},
        {"sample,Out\n", "sample,Out\n", {"--from", "-1"}, 2, "--from"},
        // An empty field (an object had closed) agrees with an empty one only.
        {"sample,Out\n0,1\n1,\n", "sample,Out\n0,1\n1,\n", {}, 0, "agree: 2 samples"},
        {"sample,Out\n0,\n", "sample,Out\n0,0\n", {"--tolerance", "1"}, 1,
         "differ first at sample 0, column Out:  against 0\n1 of 1 samples differ by more than 1, "
         "the most by 0\n"},
    };
    for (const Case& c : cases) {
        std::ofstream(a, std::ios::binary) << c.first;
        std::ofstream(b, std::ios::binary) << c.second;
        std::vector<std::string> arguments{"compare", a, b};
        arguments.insert(arguments.end(), c.more.begin(), c.more.end());
        const QvhostOutcome outcome = RunQvhost(arguments);
        EXPECT_EQ(outcome.exit_code, c.exit_code) << c.output << outcome.err;
        const std::string& shown = c.exit_code == 2 ? outcome.err : outcome.out;
        EXPECT_NE(shown.find(c.output), std::string::npos) << shown;
    }
    std::filesystem::remove_all(folder);
}
