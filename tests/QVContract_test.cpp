#include "QVContract.h"

#include <gtest/gtest.h>

#include "ContractFailurePattern.h"

namespace {
void CheckPositive(int value) { QV_REQUIRE(value > 0, SomeSource, 42); }
void CheckWithText(int value) { QV_REQUIRE_TEXT(value != 0, "value is set", Other.h, 7); }
}  // namespace

TEST(QVContractDeathTest, ReportsExpressionSourceAndLineOfTheCheck) {
    EXPECT_DEATH(CheckPositive(0), ContractFailurePattern("value > 0", "SomeSource", 42));
    EXPECT_DEATH(CheckWithText(0), ContractFailurePattern("value is set", "Other.h", 7));
}

// A check that holds reports nothing, and its condition is evaluated once: never compiled out,
// never twice.
TEST(QVContract, PassingCheckDoesNothing) {
    int evaluations = 0;
    const auto counted = [&evaluations](int value) {
        ++evaluations;
        return value;
    };
    testing::internal::CaptureStderr();
    CheckPositive(1);
    CheckWithText(1);
    QV_REQUIRE(counted(1) > 0, SomeSource, 43);
    QV_REQUIRE_TEXT(counted(2) != 0, "counted", Other.h, 8);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(evaluations, 2);
}
