#include "foundation/helpers/Rounding.h"

#include <gtest/gtest.h>

using Ulvo::roundToDecimals;

TEST(RoundingTest, HalvesGoAwayFromZero)
{
    EXPECT_EQ(roundToDecimals(0.5, 0), 1.0);
    EXPECT_EQ(roundToDecimals(-0.5, 0), -1.0);
    EXPECT_EQ(roundToDecimals(2.5, 0), 3.0);
    EXPECT_EQ(roundToDecimals(-2.5, 0), -3.0);
    EXPECT_DOUBLE_EQ(roundToDecimals(3.14159, 2), 3.14);
    EXPECT_DOUBLE_EQ(roundToDecimals(-3.14659, 2), -3.15);
    EXPECT_EQ(roundToDecimals(0.0, 3), 0.0);
}

TEST(RoundingTest, OutOfRangeCountsStaySound)
{
    EXPECT_EQ(roundToDecimals(2.7, -2), 3.0);                      // taken as 0 decimals
    EXPECT_DOUBLE_EQ(roundToDecimals(1.23456789, 12), 1.23456789); // beyond 32-bit factors
    EXPECT_EQ(roundToDecimals(1.5e300, 400), 1.5e300);             // cannot scale: unchanged
}
