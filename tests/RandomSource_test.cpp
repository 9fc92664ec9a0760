#include "RandomSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {
std::vector<int32_t> Take(int count) {
    std::vector<int32_t> values;
    for (int i = 0; i < count; ++i) values.push_back(RandomSource::Next());
    return values;
}

int32_t AlwaysSeven() { return 7; }
}  // namespace

TEST(RandomSource, HostSeedingTheRuntimeGeneratorRepeatsTheSequence) {
    std::srand(4242);
    const std::vector<int32_t> after_host_seed = Take(20);
    RandomSource::Seed(4242);
    EXPECT_EQ(Take(20), after_host_seed);
}

TEST(RandomSource, SharesTheRuntimeGeneratorRatherThanKeepingItsOwn) {
    RandomSource::Seed(99);
    RandomSource::Next();
    const int32_t second = RandomSource::Next();
    RandomSource::Seed(99);
    static_cast<void>(std::rand());  // someone else in the process draws once
    EXPECT_EQ(RandomSource::Next(), second);
}

TEST(RandomSource, ReachesBothEndsOf0To32767AndNothingBeyond) {
    RandomSource::Seed(1);
    const std::vector<int32_t> values = Take(1000000);
    EXPECT_EQ(*std::min_element(values.begin(), values.end()), 0);
    EXPECT_EQ(*std::max_element(values.begin(), values.end()), 32767);
}

TEST(RandomSource, ReplacedDrawAnswersUntilTheRuntimeGeneratorIsRestored) {
    const RandomSource::Draw runtime = RandomSource::ReplaceDraw(&AlwaysSeven);
    EXPECT_EQ(RandomSource::Next(), 7);
    EXPECT_EQ(RandomSource::ReplaceDraw(runtime), &AlwaysSeven);
    RandomSource::Seed(4242);
    const std::vector<int32_t> restored = Take(5);
    std::srand(4242);
    std::vector<int32_t> runtime_values;
    for (int i = 0; i < 5; ++i) {
        runtime_values.push_back(static_cast<int32_t>(std::rand() / ((RAND_MAX + 1LL) / 32768)));
    }
    EXPECT_EQ(restored, runtime_values);
}
