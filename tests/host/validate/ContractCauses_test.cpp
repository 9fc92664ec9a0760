#include "ContractCauses.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

// Every contract report the framework makes has its likely cause, found in a child's output as the
// runtime prints it, and the module authors' guide lists the same rows.
TEST(ContractCauses, EachReportIsFoundInOutputAndListedInTheGuide) {
    std::ifstream file(QV_GUIDE_PATH);
    const std::string guide((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(guide.empty()) << QV_GUIDE_PATH;
    for (const ContractCause& entry : ContractCauses::All()) {
        const std::string report = std::string("Assertion failed: ") + entry.expression + ", file " +
                                   entry.source + ", line " + std::to_string(entry.line);
        EXPECT_EQ(ContractCauses::LikelyCause("a module's words\n" + report + "\n"), entry.cause)
            << report;
        const std::string row = std::string("`, `") + entry.source + "`, " + std::to_string(entry.line) + " |";
        EXPECT_NE(guide.find(row), std::string::npos) << "the guide lacks " << row;
    }
    EXPECT_EQ(ContractCauses::LikelyCause("Segmentation fault"), "");
}
