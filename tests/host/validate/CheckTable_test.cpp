#include "CheckTable.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

TEST(CheckTable, IdsAreUniqueKebabCaseAndGrouped) {
    const std::regex kebab_case("[a-z]+(-[a-z0-9]+)+");
    const std::regex grouped(
        "(library|properties|factory|audio|pins|process|events|gui|lifecycle|objects|invariant|play)-.*");
    std::set<std::string> seen;
    for (const CheckEntry& check : CheckTable::All()) {
        EXPECT_TRUE(std::regex_match(check.id, kebab_case)) << check.id;
        EXPECT_TRUE(std::regex_match(check.id, grouped)) << check.id;
        EXPECT_TRUE(seen.insert(check.id).second) << "twice: " << check.id;
        EXPECT_NE(std::string(check.description), "") << check.id;
    }
}
