// Multidimensional table interpolation: exactness on polynomials and
// rational functions, clamping, choice of grid points and failure reports.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "common/fatal.hpp"
#include "core/interpol.hpp"

using namespace velkaro;
using namespace velkaro::core;

namespace {

using Fn = std::function<double(const std::vector<double>&, int)>;

const std::vector<double> kAxes[3] = {{-1.0, -0.4, 0.0, 0.3, 1.1, 1.5, 2.4},
                                      {0.0, 0.5, 0.6, 1.7, 2.0, 3.1},
                                      {-2.0, -1.0, 0.5, 1.0, 1.25}};

// A function tabulated on the grid kAxes in the interpolator's layout: last
// axis fastest, coordinates in the first three columns, values after them.
struct Table {
    const int NoXi[3] = {7, 6, 5}, sblk[3] = {30, 5, 1}, maxn = 210;
    int ndep;
    Mat1<double> grid{7, 3}, tab;

    Table(int nd, const Fn& f) : ndep(nd), tab(maxn, 3 + nd) {
        for (int d = 0; d < 3; ++d)
            for (int i = 0; i < NoXi[d]; ++i) grid(i + 1, d + 1) = kAxes[d][i];
        for (int row = 1; row <= maxn; ++row) {
            const int i = (row - 1) / 30, j = (row - 1) / 5 % 6, k = (row - 1) % 5;
            const std::vector<double> p{kAxes[0][i], kAxes[1][j], kAxes[2][k]};
            for (int d = 0; d < 3; ++d) tab(row, d + 1) = p[d];
            for (int n = 1; n <= nd; ++n) tab(row, 3 + n) = f(p, n);
        }
    }

    std::vector<double> at(std::vector<double> x, int IBASE, int IKIND) const {
        std::vector<double> y(ndep);
        interpolrad(maxn, 3 + ndep, 3, ndep, Span1<const int>{NoXi, 3}, tab, grid, span1(x.data(), 3),
                    Span1<const int>{sblk, 3}, span1(y.data(), ndep), IBASE, IKIND);
        return y;
    }
};

// A function of three variables that is cubic in each of them, with mixed
// terms; j numbers the dependent variables.
double cubic(const std::vector<double>& p, int j) {
    const double a = p[0], b = p[1], c = p[2];
    return 0.3 * j + a * a * (a - 0.7) + b * b * (1.5 * b - 1.7) + c * c * (2 * c - 2.7) + 0.2 * j * (a + b - c) +
           2.0 * (1 + 0.1 * a - 0.05 * a * a * a) * (1 - 0.05 * b * b * b) * (1 + 0.1 * c * c);
}

// A failure ends with the interpolator's stop message on standard error,
// preceded by the "ERROR:" line; returns all lines.
std::vector<std::string> expect_nrerror(const std::function<void()>& call, const std::string& message) {
    try {
        call();
    } catch (const FatalError& e) {
        const auto& l = e.lines();
        EXPECT_TRUE(e.stream() == FatalError::Stream::Err && l.size() >= 2 &&
                    l.back() == "OOPS: Program terminated by sbr nrerror" && l[l.size() - 2] == " ERROR:" + message)
            << message << " expected, got " << testing::PrintToString(l);
        return l;
    }
    ADD_FAILURE() << "no error raised for " << message;
    return {};
}

}  // namespace

TEST(Interpolrad, ReproducesACubicInThreeVariables) {
    // Four points per axis reproduce a cubic in three variables, at nodes too
    // (the last value of an axis uses the last interval).
    const Table t(2, cubic);
    for (double a : {-0.93, 0.77, 2.4})
        for (double b : {0.05, 1.2, 2.9})
            for (double c : {-2.0, -0.2, 1.2}) {
                const auto y = t.at({a, b, c}, 4, kPolynomial);
                for (int j = 1; j <= 2; ++j) EXPECT_NEAR(y[j - 1], cubic({a, b, c}, j), 1e-11) << a << " " << b << " " << c;
            }
}

TEST(Interpolrad, PointOutsideIsClampedOntoTheGridFace) {
    const Table t(1, cubic);
    EXPECT_NEAR(t.at({-5.0, 1.0, 9.0}, 4, kPolynomial)[0], cubic({-1.0, 1.0, 1.25}, 1), 1e-11);
    // Infinite coordinates are clamped too; a NaN is refused.
    EXPECT_NEAR(t.at({INFINITY, -INFINITY, 0.0}, 4, kPolynomial)[0], cubic({2.4, 0.0, 0.0}, 1), 1e-11);
    expect_nrerror([&] { t.at({0.0, NAN, 0.0}, 4, kPolynomial); }, "Sbr Interpol: interpolation point is not a number");
    expect_nrerror([&] { t.at({0.0, 1.0, 0.0}, 4, 3); }, "Sbr Interpol: Unknown value of IKIND");
    expect_nrerror([&] { t.at({0.0, 1.0, 0.0}, 6, kPolynomial); },
                   "Sbr Interpol: IBASE exceeds the number of grid points on an axis");
}

TEST(Pointstouserad, BlocksAtTheEdgesAndAroundThePoint) {
    const Table t(1, cubic);
    auto low = [&](double x, int g, int IBASE) {
        int lowind = 0;
        pointstouserad(1, t.grid, span1(t.NoXi, 1), span1(&x, 1), span1(&g, 1), IBASE, span1(&lowind, 1));
        return lowind;
    };
    // Even IBASE: centred on the interval, pushed inside at the ends; odd
    // IBASE: centred on the nearer grid point. The first axis is kAxes[0].
    EXPECT_EQ(low(-0.9, 1, 4), 1);
    EXPECT_EQ(low(2.3, 6, 4), 4);
    EXPECT_EQ(low(0.25, 3, 4), 2);
    EXPECT_EQ(low(0.05, 3, 3), 2);  // nearer 0.0 (index 3): points 2..4
    EXPECT_EQ(low(0.25, 3, 3), 3);  // nearer 0.3 (index 4): points 3..5
}

TEST(Ratintrad, DiagonalRationalFunctionsAndFailures) {
    // Four points determine a rational function with numerator and
    // denominator degrees (1, 2); on a node it gives the node, with no error.
    auto r4 = [](double x) { return (1.0 + 2.0 * x) / (1.0 + x * x); };
    const double xa[4] = {-1.0, 0.0, 0.7, 2.0};
    double ya4[4], y, dy;
    for (int i = 0; i < 4; ++i) ya4[i] = r4(xa[i]);
    for (double x : {-0.8, 0.3, 1.1, 2.5, 0.7}) {
        ratintrad(4, span1(xa, 4), span1(ya4, 4), x, y, dy);
        EXPECT_NEAR(y, r4(x), 1e-12) << x;
    }
    EXPECT_EQ(y, ya4[2]);
    EXPECT_EQ(dy, 0.0);
    // The rational kind through the whole interpolator.
    auto r3 = [](double x) { return (2.0 + x) / (3.0 - x); };  // degrees (1, 1): three points
    const Fn f = [&](const std::vector<double>& p, int) { return r3(0.3 * p[0]) * (1 + p[1]) * (2 - p[2]); };
    EXPECT_NEAR(Table(1, f).at({0.9, 1.3, 0.2}, 3, kRational)[0], r3(0.27) * 2.3 * 1.8, 1e-12);
    // Through (0, 1) and (1, -1) the interpolant is 1 / (1 - 2x): a pole at
    // 1/2, reported after the point.
    const double xp[2] = {0.0, 1.0}, yp[2] = {1.0, -1.0};
    const auto lines = expect_nrerror([&] { ratintrad(2, span1(xp, 2), span1(yp, 2), 0.5, y, dy); },
                                      "sbr ratint: Pole at requested x");
    EXPECT_TRUE(!lines.empty() && lines[0].rfind(" x", 0) == 0);
    // Neville's algorithm stops on repeated abscissae or a short table.
    const double same[3] = {0.0, 1.0, 1.0};
    expect_nrerror([&] { polintrad(3, span1(same, 3), span1(ya4, 3), 0.5, y, dy); }, "polint: calculation failure");
    expect_nrerror([&] { polintrad(4, span1(xa, 4), span1(ya4, 3), 0.5, y, dy); }, "Sbr polint: Nin=/n");
}
