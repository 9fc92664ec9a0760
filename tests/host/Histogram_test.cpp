#include "Histogram.h"

#include <gtest/gtest.h>

TEST(Histogram, ScalesBarsToTheMostFrequentValueAndKeepsRareValuesVisible) {
    Histogram histogram;
    for (int i = 0; i < 100; ++i) histogram.Add(3);
    histogram.Add(-2);
    const std::string chart = histogram.Render("Out1", 10);
    EXPECT_EQ(chart,
              "Out1\n"
              "         -2 | #          1\n"
              "          3 | ########## 100\n");
}
