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

// A table on a rectangular grid in the interpolator's layout: last axis
// fastest, coordinates in the first dim columns, values after them.
struct Table {
    int dim = 0, ndep = 0, maxn = 0;
    std::vector<int> NoXi, sblk;
    Mat1<double> grid, tab;

    Table(const std::vector<std::vector<double>>& axes, int nd,
          const std::function<double(const std::vector<double>&, int)>& f)
        : dim(static_cast<int>(axes.size())), ndep(nd) {
        int rows = 0;
        for (const auto& a : axes) rows = std::max(rows, static_cast<int>(a.size()));
        grid = Mat1<double>(rows, dim);
        NoXi.resize(axes.size());
        sblk.resize(axes.size());
        maxn = 1;
        for (int d = dim; d >= 1; --d) {
            const auto& a = axes[static_cast<std::size_t>(d - 1)];
            NoXi[static_cast<std::size_t>(d - 1)] = static_cast<int>(a.size());
            sblk[static_cast<std::size_t>(d - 1)] = maxn;
            maxn *= static_cast<int>(a.size());
            for (std::size_t i = 0; i < a.size(); ++i) grid(static_cast<int>(i) + 1, d) = a[i];
        }
        tab = Mat1<double>(maxn, dim + ndep);
        std::vector<int> idx(axes.size(), 0);
        for (int row = 1; row <= maxn; ++row) {
            int rem = row - 1;
            std::vector<double> p(axes.size());
            for (int d = 1; d <= dim; ++d) {
                const auto k = static_cast<std::size_t>(d - 1);
                idx[k] = rem / sblk[k];
                rem %= sblk[k];
                p[k] = axes[k][static_cast<std::size_t>(idx[k])];
                tab(row, d) = p[k];
            }
            for (int j = 1; j <= ndep; ++j) tab(row, dim + j) = f(p, j);
        }
    }

    std::vector<double> at(std::vector<double>& x, int IBASE, int IKIND) const {
        std::vector<double> y(static_cast<std::size_t>(ndep));
        interpolrad(maxn, dim + ndep, dim, ndep, Span1<const int>{NoXi.data(), dim}, tab, grid,
                    span1(x.data(), dim), Span1<const int>{sblk.data(), dim}, span1(y.data(), ndep), IBASE, IKIND);
        return y;
    }
};

// A function of up to five variables that is cubic in each of them (with
// mixed terms), and one that is linear in each.
double cubic(const std::vector<double>& p, int j) {
    double v = 0.3 * j;
    double prod = 1.0;
    for (std::size_t k = 0; k < p.size(); ++k) {
        const double t = p[k];
        v += (1.0 + 0.5 * k) * t * t * t - (0.7 + k) * t * t + 0.2 * j * t;
        prod *= (1.0 + 0.1 * t - 0.05 * t * t * t);
    }
    return v + 2.0 * prod;
}

double multilinear(const std::vector<double>& p, int) {
    double v = 1.0;
    for (std::size_t k = 0; k < p.size(); ++k) v *= (1.0 + (k + 1) * p[k]);
    return v + 3.0 * p[0];
}

const std::vector<double> kAxisA{-1.0, -0.4, 0.0, 0.3, 1.1, 1.5, 2.4};
const std::vector<double> kAxisB{0.0, 0.5, 0.6, 1.7, 2.0, 3.1};
const std::vector<double> kAxisC{-2.0, -1.0, 0.5, 1.0, 1.25};

// The last line of a failure is the interpolator's stop message, on
// standard error, preceded by the "ERROR:" line.
void expect_nrerror(const std::function<void()>& call, const std::string& message) {
    try {
        call();
        FAIL() << "no error raised for " << message;
    } catch (const FatalError& e) {
        ASSERT_GE(e.lines().size(), 2u);
        EXPECT_EQ(e.stream(), FatalError::Stream::Err);
        EXPECT_EQ(e.lines().back(), "OOPS: Program terminated by sbr nrerror");
        EXPECT_EQ(e.lines()[e.lines().size() - 2], " ERROR:" + message);
    }
}

}  // namespace

TEST(Interpolrad, CubicInEachOfThreeVariablesIsReproduced) {
    const Table t({kAxisA, kAxisB, kAxisC}, 2, cubic);
    double worst = 0;
    for (double a : {-0.93, -0.1, 0.77, 1.49, 2.3})
        for (double b : {0.05, 0.55, 1.2, 2.9})
            for (double c : {-1.9, -0.2, 0.9, 1.2}) {
                std::vector<double> x{a, b, c};
                const auto y = t.at(x, 4, kPolynomial);
                for (int j = 1; j <= 2; ++j) worst = std::max(worst, std::abs(y[j - 1] - cubic({a, b, c}, j)));
            }
    EXPECT_LT(worst, 1e-11);
}

TEST(Interpolrad, AnyNumberOfAxesAndLargeBlocks) {
    // Five axes with four points each per block: 4^5 = 1024 values, beyond
    // the stack work arrays; one axis alone is plain Neville interpolation.
    const std::vector<double> ax{0.0, 0.4, 1.0, 1.3, 2.0};
    const Table t5({ax, ax, ax, ax, ax}, 1, cubic);
    std::vector<double> x{0.2, 1.1, 1.7, 0.5, 0.9};
    const std::vector<double> p = x;
    EXPECT_NEAR(t5.at(x, 4, kPolynomial)[0], cubic(p, 1), 1e-10);

    const Table t1({kAxisA}, 1, cubic);
    std::vector<double> x1{0.123};
    EXPECT_NEAR(t1.at(x1, 4, kPolynomial)[0], cubic({0.123}, 1), 1e-12);
}

TEST(Interpolrad, LinearBlocksReproduceMultilinearFunctions) {
    const Table t({kAxisA, kAxisB, kAxisC}, 1, multilinear);
    for (double a : {-0.7, 0.1, 2.0})
        for (double b : {0.3, 1.0, 3.0}) {
            std::vector<double> x{a, b, 0.7};
            EXPECT_NEAR(t.at(x, 2, kPolynomial)[0], multilinear({a, b, 0.7}, 1), 1e-12);
        }
}

TEST(Interpolrad, PointOutsideIsClampedOntoTheGridFace) {
    const Table t({kAxisA, kAxisB, kAxisC}, 1, cubic);
    std::vector<double> x{-5.0, 1.0, 9.0};
    const double y = t.at(x, 4, kPolynomial)[0];
    EXPECT_EQ(x[0], kAxisA.front());  // the caller's point is moved
    EXPECT_EQ(x[1], 1.0);
    EXPECT_EQ(x[2], kAxisC.back());
    EXPECT_NEAR(y, cubic({kAxisA.front(), 1.0, kAxisC.back()}, 1), 1e-11);
    // Infinite coordinates are clamped too; a NaN is refused.
    std::vector<double> xi{INFINITY, -INFINITY, 0.0};
    EXPECT_NEAR(t.at(xi, 4, kPolynomial)[0], cubic({kAxisA.back(), kAxisB.front(), 0.0}, 1), 1e-11);
    std::vector<double> xn{0.0, NAN, 0.0};
    expect_nrerror([&] { t.at(xn, 4, kPolynomial); }, "Sbr Interpol: interpolation point is not a number");
}

TEST(Interpolrad, GridNodesAndTheLastGridValue) {
    // At nodes the table value comes back; on the last value of an axis the
    // last interval is used (linear blocks would stop otherwise).
    const Table t({kAxisA, kAxisB, kAxisC}, 1, cubic);
    for (int IBASE : {2, 3, 4}) {
        std::vector<double> x{kAxisA.back(), kAxisB[2], kAxisC.front()};
        EXPECT_NEAR(t.at(x, IBASE, kPolynomial)[0], cubic({kAxisA.back(), kAxisB[2], kAxisC.front()}, 1), 1e-12)
            << IBASE;
    }
}

TEST(Pointstouserad, BlocksAtTheEdgesAndAroundThePoint) {
    Mat1<double> grid(7, 1);
    for (int i = 1; i <= 7; ++i) grid(i, 1) = kAxisA[static_cast<std::size_t>(i - 1)];
    const int n = 7;
    auto low = [&](double x, int g, int IBASE) {
        int lowind = 0;
        pointstouserad(1, grid, span1(&n, 1), span1(&x, 1), span1(&g, 1), IBASE, span1(&lowind, 1));
        return lowind;
    };
    // IBASE = 4: first interval -> first four points, last -> last four,
    // inside -> centred on the interval.
    EXPECT_EQ(low(-0.9, 1, 4), 1);
    EXPECT_EQ(low(2.3, 6, 4), 4);
    EXPECT_EQ(low(0.1, 3, 4), 2);
    EXPECT_EQ(low(0.25, 3, 4), 2);
    // Odd IBASE: centred on the nearer grid point.
    EXPECT_EQ(low(0.05, 3, 3), 2);  // nearer 0.0 (index 3): points 2..4
    EXPECT_EQ(low(0.25, 3, 3), 3);  // nearer 0.3 (index 4): points 3..5
    EXPECT_EQ(low(-1.0, 1, 3), 1);
    // Linear: the interval itself; IBASE = NoXi: the whole axis.
    for (int g = 1; g <= 6; ++g) EXPECT_EQ(low(grid(g, 1) + 0.01, g, 2), g);
    EXPECT_EQ(low(1.2, 5, 7), 1);
}

TEST(Polintrad, NevilleIsExactForPolynomialsOfDegreeNMinusOne) {
    const double xa[5] = {-1.0, 0.2, 0.5, 1.4, 3.0};
    double ya[5];
    auto p = [](double x) { return 2.0 - x + 0.5 * x * x - 0.3 * x * x * x + 0.07 * x * x * x * x; };
    for (int i = 0; i < 5; ++i) ya[i] = p(xa[i]);
    for (double x : {-1.0, -0.3, 0.9, 2.2, 3.0, 4.5}) {
        double y, dy;
        polintrad(5, span1(xa, 5), span1(ya, 5), x, y, dy);
        EXPECT_NEAR(y, p(x), 1e-12 * (1 + std::abs(p(x))));
    }
    // The error estimate is the last correction: for a quartic through four
    // points it is nonzero, and the value is off by about that much.
    double y4, dy4;
    polintrad(4, span1(xa, 4), span1(ya, 4), 0.8, y4, dy4);
    EXPECT_GT(std::abs(dy4), 0.0);
    EXPECT_LT(std::abs(y4 - p(0.8)), 10 * std::abs(dy4));
    const double same[3] = {0.0, 1.0, 1.0};
    expect_nrerror([&] { polintrad(3, span1(same, 3), span1(ya, 3), 0.5, y4, dy4); }, "polint: calculation failure");
    expect_nrerror([&] { polintrad(4, span1(xa, 4), span1(ya, 3), 0.5, y4, dy4); }, "Sbr polint: Nin=/n");
}

TEST(Ratintrad, DiagonalRationalFunctionsAreReproduced) {
    // n points determine a rational function with numerator and denominator
    // degrees (1, 1) for n = 3 and (1, 2) for n = 4.
    auto r3 = [](double x) { return (2.0 + x) / (3.0 - x); };
    auto r4 = [](double x) { return (1.0 + 2.0 * x) / (1.0 + x * x); };
    const double xa[4] = {-1.0, 0.0, 0.7, 2.0};
    double ya3[3], ya4[4];
    for (int i = 0; i < 3; ++i) ya3[i] = r3(xa[i]);
    for (int i = 0; i < 4; ++i) ya4[i] = r4(xa[i]);
    for (double x : {-0.8, 0.3, 1.1, 1.9, 2.5}) {
        double y, dy;
        ratintrad(3, span1(xa, 3), span1(ya3, 3), x, y, dy);
        EXPECT_NEAR(y, r3(x), 1e-12);
        ratintrad(4, span1(xa, 4), span1(ya4, 4), x, y, dy);
        EXPECT_NEAR(y, r4(x), 1e-12);
    }
    double y, dy = 1.0;
    ratintrad(4, span1(xa, 4), span1(ya4, 4), 0.7, y, dy);
    EXPECT_EQ(y, ya4[2]);
    EXPECT_EQ(dy, 0.0);
    // Through (0, 1) and (1, -1) the interpolant is 1 / (1 - 2x): a pole at 1/2.
    const double xp[2] = {0.0, 1.0}, yp[2] = {1.0, -1.0};
    try {
        ratintrad(2, span1(xp, 2), span1(yp, 2), 0.5, y, dy);
        FAIL() << "pole not detected";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.lines().back(), "OOPS: Program terminated by sbr nrerror");
        EXPECT_EQ(e.lines()[e.lines().size() - 2], " ERROR:sbr ratint: Pole at requested x");
        EXPECT_EQ(e.lines()[0].rfind(" x", 0), 0u);
    }
    // The rational kind through the whole interpolator.
    const Table t({kAxisA, kAxisB}, 1, [&](const std::vector<double>& p, int) { return r3(0.3 * p[0]) * (1 + p[1]); });
    std::vector<double> x{0.9, 1.3};
    EXPECT_NEAR(t.at(x, 3, kRational)[0], r3(0.27) * 2.3, 1e-12);
}

TEST(Interpolrad, BadArgumentsStopWithAMessage) {
    const Table t({kAxisA, kAxisB, kAxisC}, 1, cubic);
    std::vector<double> x{0.0, 1.0, 0.0};
    expect_nrerror([&] { t.at(x, 4, 3); }, "Sbr Interpol: Unknown value of IKIND");
    expect_nrerror([&] { t.at(x, 6, kPolynomial); },
                   "Sbr Interpol: IBASE exceeds the number of grid points on an axis");
}
