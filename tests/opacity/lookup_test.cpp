// Bracketing search and straight-line interpolation: the results every
// table lookup of the program relies on.
#include <gtest/gtest.h>

#include <vector>

#include "opacity/lookup.hpp"

using velkaro::huntsm;
using velkaro::linintpol;

namespace {
int hunt(const std::vector<double>& xx, double x, int guess) {
    int j = guess;
    huntsm(xx.data(), x, j, static_cast<int>(xx.size()));
    return j;
}
}  // namespace

TEST(Huntsm, AscendingTableBracketsEveryValueFromAnyGuess) {
    const std::vector<double> xx{1, 2, 4, 8, 16, 32, 64, 128};
    const int n = static_cast<int>(xx.size());
    for (int guess = -3; guess <= n + 3; ++guess) {
        SCOPED_TRACE(guess);
        EXPECT_EQ(hunt(xx, 0.5, guess), 0);     // below the table
        EXPECT_EQ(hunt(xx, 200.0, guess), n);   // above the table
        EXPECT_EQ(hunt(xx, 1.0, guess), 1);     // first entry: first interval
        EXPECT_EQ(hunt(xx, 128.0, guess), n - 1);  // last entry: last interval, not n
        EXPECT_EQ(hunt(xx, 4.0, guess), 3);     // on an inner node: the interval it starts
        for (double x : {1.5, 9.0, 127.0}) {
            const int j = hunt(xx, x, guess);
            ASSERT_TRUE(j >= 1 && j < n);
            EXPECT_TRUE(xx[j - 1] <= x && x < xx[j]) << x;
        }
    }
}

TEST(Huntsm, DescendingTableUsesMirroredComparisons) {
    // Pressures stored from the surface inward grow; from the centre out they fall.
    const std::vector<double> p{1e12, 1e10, 1e8, 1e6, 1e4};
    const int n = static_cast<int>(p.size());
    for (int guess : {0, 1, 3, 5, 9}) {
        EXPECT_EQ(hunt(p, 5e7, guess), 3);  // between 1e8 and 1e6
        EXPECT_EQ(hunt(p, 1e13, guess), 0);
        EXPECT_EQ(hunt(p, 1e3, guess), n);
        EXPECT_EQ(hunt(p, 1e4, guess), n - 1);
        EXPECT_EQ(hunt(p, 1e12, guess), 1);
    }
}

TEST(Linintpol, EndPointsAreExactAndBeyondIsTheSameLine) {
    EXPECT_EQ(linintpol(2.0, 10.0, 2.0, 20.0, 4.0), 10.0);
    EXPECT_EQ(linintpol(4.0, 10.0, 2.0, 20.0, 4.0), 20.0);
    EXPECT_DOUBLE_EQ(linintpol(3.0, 10.0, 2.0, 20.0, 4.0), 15.0);
    EXPECT_DOUBLE_EQ(linintpol(6.0, 10.0, 2.0, 20.0, 4.0), 30.0);  // extrapolated
    // Vector form: every quantity on its own line.
    const double ya[2] = {0, -1}, yb[2] = {10, 1};
    double out[2] = {7, 7};
    linintpol(2, 0.25, ya, 0.0, yb, 1.0, out);
    EXPECT_DOUBLE_EQ(out[0], 2.5);
    EXPECT_DOUBLE_EQ(out[1], -0.5);
}
