#include "RenderCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FilePath.h"
#include "QvhostInProcess.h"
#include "SignalGenerator.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The CSV's rows, each split at its commas.
std::vector<std::vector<std::string>> ReadCsv(const std::string& path) {
    std::ifstream file(FilePath(path));
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream cells(line);
        rows.emplace_back();
        for (std::string cell; std::getline(cells, cell, ',');) rows.back().push_back(cell);
    }
    return rows;
}

}  // namespace

// The StatusLabel fixture writes Out as minus Clock, and hands Label (datatype 3) a text through
// a pointer when Say changes.
TEST(RenderCommand, WritesTheInputsBesideTheOutputsAndShowsPointerWrites) {
    const std::string csv = testing::TempDir() + "render_command_inputs.csv";
    const QvhostOutcome outcome =
        RunQvhost({"render", QV_FIXTURE_STATUS_LABEL, "--samples", "100", "--block", "64",
                   "--input", "Clock=sine:1000", "--set", "Say=7", "--csv", csv, "--inputs"});
    ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_TRUE(Contains(outcome.out, "GUI wrote Label = text \"say 7\"\n")) << outcome.out;
    EXPECT_TRUE(Contains(outcome.out, "GUI wrote Number = pointer 0x")) << outcome.out;
    EXPECT_FALSE(Contains(outcome.out, "peak")) << "a summary beside a file: " << outcome.out;
    // The fixture's count of blocks reaches the GUI object after each block, which writes Say.
    EXPECT_TRUE(Contains(outcome.out, "GUI wrote Say = 2\n")) << outcome.out;
    const std::vector<std::vector<std::string>> rows = ReadCsv(csv);
    ASSERT_EQ(rows.size(), 101u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"sample", "Out", "in:Clock", "in:In"}));
    const SignalGenerator clock("sine:1000");
    for (uint32_t n = 0; n < 100; ++n) {
        const std::vector<std::string>& row = rows[n + 1];
        ASSERT_EQ(row.size(), 4u) << n;
        const float fed = clock.Sample(n, 48000.0f);
        // Exact: the CSV prints each float so that it reads back the same, and NaN fails.
        EXPECT_EQ(std::stof(row[2]), fed) << "sample " << n;
        EXPECT_EQ(std::stof(row[1]), -fed) << "sample " << n;
        EXPECT_EQ(std::stof(row[3]), 0.0f) << "sample " << n << ": In was fed nothing";
    }
    std::filesystem::remove(FilePath(csv));
}

TEST(RenderCommand, InputColumnsNeedACsv) {
    const QvhostOutcome outcome =
        RunQvhost({"render", QV_FIXTURE_STATUS_LABEL, "--samples", "8", "--inputs"});
    EXPECT_EQ(outcome.exit_code, 2);
    EXPECT_TRUE(Contains(outcome.err, "--csv")) << outcome.err;
}
