#include "ContractFailurePattern.h"
#include "QVContract.h"

#include <gtest/gtest.h>

namespace {
void CheckPositive(int value) { QV_REQUIRE(value > 0, SomeSource, 42); }
void CheckWithText(int value) { QV_REQUIRE_TEXT(value != 0, "value is set", Other.h, 7); }
}  // namespace

TEST(QVContractDeathTest, ReportsExpressionSourceAndLineOfTheCheck) {
    EXPECT_DEATH(CheckPositive(0), ContractFailurePattern("value > 0", "SomeSource", 42));
    EXPECT_DEATH(CheckWithText(0), ContractFailurePattern("value is set", "Other.h", 7));
}

TEST(QVContract, PassingCheckDoesNothing) {
    CheckPositive(1);
    CheckWithText(1);
    SUCCEED();
}
