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

TEST(Huntsm, BracketsEveryValueFromAnyGuessInAscendingAndDescendingTables) {
    // Pressures stored from the surface inward grow; from the centre out they
    // fall: descending tables use mirrored comparisons.
    const std::vector<double> up{1, 2, 4, 8, 16, 32, 64, 128}, down{1e12, 1e10, 1e8, 1e6, 1e4};
    // j with xx[j-1] <= x < xx[j] (mirrored when descending); 0 before the
    // table, n beyond it; the last entry lies in the last interval, not n;
    // an inner node in the interval it starts.
    const struct {
        const std::vector<double>& xx;
        double x;
        int j;
    } cases[] = {{up, 0.5, 0},   {up, 200.0, 8}, {up, 1.0, 1},     {up, 128.0, 7},  {up, 4.0, 3},
                 {up, 1.5, 1},   {up, 9.0, 4},   {up, 127.0, 7},   {down, 5e7, 3},  {down, 1e13, 0},
                 {down, 1e3, 5}, {down, 1e4, 4}, {down, 1e12, 1}};
    for (const auto& c : cases)
        for (int guess = -3; guess <= static_cast<int>(c.xx.size()) + 3; ++guess)
            EXPECT_EQ(hunt(c.xx, c.x, guess), c.j) << c.x << " from guess " << guess;
}

