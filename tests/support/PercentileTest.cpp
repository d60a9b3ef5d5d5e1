// Nearest-rank percentiles: the figures the benchmarks report are values of the sample.
#include "support/Percentile.h"

#include <gtest/gtest.h>

#include <vector>

using orvsupport::median;
using orvsupport::percentile;

TEST(Percentile, NearestRankOfAnySampleAndShare)
{
    const std::vector<double> ten = {7, 1, 10, 3, 5, 9, 2, 8, 4, 6};
    EXPECT_EQ(percentile(ten, 0.0), 1);
    EXPECT_EQ(percentile(ten, 0.1), 1);
    EXPECT_EQ(percentile(ten, 0.11), 2);
    EXPECT_EQ(percentile(ten, 0.9), 9);
    EXPECT_EQ(percentile(ten, 0.99), 10);
    EXPECT_EQ(percentile(ten, 1.0), 10);
    EXPECT_EQ(median(ten), 5) << "the lower middle of an even sample";
    EXPECT_EQ(median({3, 1, 2}), 2);

    EXPECT_EQ(percentile({}, 0.5), 0.0);
    EXPECT_EQ(median({}), 0.0);
    EXPECT_EQ(percentile({4, 2}, -1.0), 2);
    EXPECT_EQ(percentile({4, 2}, 2.0), 4);
}
