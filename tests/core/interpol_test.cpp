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
