// The bicubic kernel: exact for bicubic polynomials, C1 across cells.
#include <gtest/gtest.h>

#include <random>

#include "eos/bicubic.hpp"

using velkaro::eos::Corners;
using velkaro::eos::intercub;

namespace {

// p(x1, x2) = sum a(i, j) x1^i x2^j on a cell [x10, x10 + d1] x [x20, x20 + d2].
struct Poly {
    double a[4][4];
    double f(double x, double y, int dx, int dy) const {
        double s = 0;
        for (int i = dx; i < 4; ++i)
            for (int j = dy; j < 4; ++j) {
                double c = a[i][j];
                for (int k = 0; k < dx; ++k) c *= (i - k);
                for (int k = 0; k < dy; ++k) c *= (j - k);
                s += c * std::pow(x, i - dx) * std::pow(y, j - dy);
            }
        return s;
    }
};

void corners(const Poly& p, double x0, double y0, double d1, double d2, Corners& y, Corners& y1, Corners& y2,
             Corners& y12) {
    const double cx[5] = {0, x0, x0 + d1, x0 + d1, x0};
    const double cy[5] = {0, y0, y0, y0 + d2, y0 + d2};
    for (int l = 1; l <= 4; ++l) {
        y(l) = p.f(cx[l], cy[l], 0, 0);
        y1(l) = p.f(cx[l], cy[l], 1, 0);
        y2(l) = p.f(cx[l], cy[l], 0, 1);
        y12(l) = p.f(cx[l], cy[l], 1, 1);
    }
}

}  // namespace

TEST(Intercub, ReproducesBicubicPolynomialsAndTheirDerivatives) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> coef(-2, 2), pos(0, 1);
    for (int trial = 0; trial < 50; ++trial) {
        Poly p;
        for (auto& row : p.a)
            for (double& c : row) c = coef(rng);
        const double x0 = 3.5 + coef(rng), y0 = 2.5 + coef(rng);
        const double d1 = 0.15 * (1 + pos(rng)), d2 = 0.05 * (1 + pos(rng));
        Corners y, y1, y2, y12;
        corners(p, x0, y0, d1, d2, y, y1, y2, y12);
        for (int k = 0; k < 10; ++k) {
            const double t = pos(rng), u = pos(rng);
            double v, vt, vu;
            intercub(y, y1, y2, y12, d1, d2, t, u, v, vt, vu);
            const double x = x0 + t * d1, yy = y0 + u * d2;
            EXPECT_NEAR(v, p.f(x, yy, 0, 0), 1e-10);
            // Derivatives with respect to t and u, i.e. scaled by the widths.
            EXPECT_NEAR(vt, p.f(x, yy, 1, 0) * d1, 1e-10);
            EXPECT_NEAR(vu, p.f(x, yy, 0, 1) * d2, 1e-10);
        }
    }
}

TEST(Intercub, CornersReturnTheCornerData) {
    Corners y, y1, y2, y12;
    for (int l = 1; l <= 4; ++l) {
        y(l) = 10.0 * l;
        y1(l) = 0.3 * l;
        y2(l) = -0.7 * l;
        y12(l) = 0.01 * l;
    }
    const double tc[5] = {0, 0, 1, 1, 0}, uc[5] = {0, 0, 0, 1, 1};
    for (int l = 1; l <= 4; ++l) {
        double v, vt, vu;
        intercub(y, y1, y2, y12, 0.15, 0.05, tc[l], uc[l], v, vt, vu);
        EXPECT_NEAR(v, y(l), 1e-12);
        EXPECT_NEAR(vt / 0.15, y1(l), 1e-12);
        EXPECT_NEAR(vu / 0.05, y2(l), 1e-12);
    }
}

TEST(Intercub, NeighbouringCellsJoinWithContinuousSlope) {
    // Two cells sharing the edge t = 1 / t = 0 with shared corner data:
    // value and both derivatives agree along the edge.
    Corners ya, y1a, y2a, y12a, yb, y1b, y2b, y12b;
    const double f[3][2] = {{1.0, 2.0}, {1.5, 2.7}, {1.2, 3.1}};   // nodes x = 0,1,2; y = 0,1
    const double fx[3][2] = {{0.2, 0.5}, {-0.1, 0.4}, {0.3, -0.2}};
    const double fy[3][2] = {{1.0, 0.8}, {1.1, 0.9}, {0.7, 1.3}};
    const double fxy[3][2] = {{0.0, 0.1}, {-0.2, 0.05}, {0.1, 0.0}};
    const int ci[5] = {0, 0, 1, 1, 0}, cj[5] = {0, 0, 0, 1, 1};
    for (int l = 1; l <= 4; ++l) {
        ya(l) = f[ci[l]][cj[l]], y1a(l) = fx[ci[l]][cj[l]], y2a(l) = fy[ci[l]][cj[l]], y12a(l) = fxy[ci[l]][cj[l]];
        yb(l) = f[ci[l] + 1][cj[l]], y1b(l) = fx[ci[l] + 1][cj[l]], y2b(l) = fy[ci[l] + 1][cj[l]],
        y12b(l) = fxy[ci[l] + 1][cj[l]];
    }
    for (double u : {0.1, 0.37, 0.8}) {
        double va, vta, vua, vb, vtb, vub;
        intercub(ya, y1a, y2a, y12a, 1, 1, 1.0, u, va, vta, vua);
        intercub(yb, y1b, y2b, y12b, 1, 1, 0.0, u, vb, vtb, vub);
        EXPECT_NEAR(va, vb, 1e-13);
        EXPECT_NEAR(vta, vtb, 1e-13);
        EXPECT_NEAR(vua, vub, 1e-13);
    }
}
