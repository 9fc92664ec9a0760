#include "bench/SampleStatistics.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SampleStatistics, MedianAndMinimumOverAllRounds) {
    SampleStatistics statistics(0.02);
    statistics.AddRound({9.0, 3.0, 5.0});
    EXPECT_EQ(statistics.Median(), 5.0);
    statistics.AddRound({1.0});
    EXPECT_EQ(statistics.Median(), 4.0);  // even count: the mean of the middle two
    EXPECT_EQ(statistics.Minimum(), 1.0);
    EXPECT_EQ(statistics.Count(), 4);
}

struct SettleCase {
    std::vector<double> second_round;
    bool settled;
};

TEST(SampleStatistics, SettlesOnlyWhenARoundMovesTheMedianNoMoreThanTheShare) {
    const SettleCase cases[] = {
        {{100.0, 100.0}, true},   // the median stays at 100
        {{103.0, 103.0}, true},   // to 101.5: within 2%
        {{110.0, 110.0}, false},  // to 105: beyond it
    };
    for (const SettleCase& c : cases) {
        SampleStatistics statistics(0.02);
        EXPECT_FALSE(statistics.AddRound({100.0, 100.0})) << "one round cannot have settled";
        EXPECT_EQ(statistics.AddRound(c.second_round), c.settled) << c.second_round[0];
        EXPECT_EQ(statistics.Settled(), c.settled);
    }
}
