#include "eos/bicubic.hpp"

namespace velkaro::eos {

namespace {

// Inverse of the map from the 16 coefficients of a bicubic polynomial on
// the unit square to its values, t-derivatives, u-derivatives and cross
// derivatives at the corners (0,0), (1,0), (1,1), (0,1).
constexpr int wt[16][16] = {
    {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0},
    {-3, 0, 0, 3, 0, 0, 0, 0, -2, 0, 0, -1, 0, 0, 0, 0},
    {2, 0, 0, -2, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0},
    {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0},
    {0, 0, 0, 0, -3, 0, 0, 3, 0, 0, 0, 0, -2, 0, 0, -1},
    {0, 0, 0, 0, 2, 0, 0, -2, 0, 0, 0, 0, 1, 0, 0, 1},
    {-3, 3, 0, 0, -2, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, -3, 3, 0, 0, -2, -1, 0, 0},
    {9, -9, 9, -9, 6, 3, -3, -6, 6, -6, -3, 3, 4, 2, 1, 2},
    {-6, 6, -6, 6, -4, -2, 2, 4, -3, 3, 3, -3, -2, -1, -1, -2},
    {2, -2, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 2, -2, 0, 0, 1, 1, 0, 0},
    {-6, 6, -6, 6, -3, -3, 3, 3, -4, 4, 2, -2, -2, -2, -1, -1},
    {4, -4, 4, -4, 2, 2, -2, -2, 2, -2, -2, 2, 1, 1, 1, 1},
};

}  // namespace

CellCoefficients bcucof(const Corners& y, const Corners& y1, const Corners& y2, const Corners& y12,
                        double d1, double d2) {
    const double d1d2 = d1 * d2;
    double x[16];
    for (int l = 1; l <= 4; ++l) {
        x[l - 1] = y(l);
        x[l + 3] = y1(l) * d1;
        x[l + 7] = y2(l) * d2;
        x[l + 11] = y12(l) * d1d2;
    }
    CellCoefficients c{};
    for (int i = 0; i < 16; ++i) {
        double xx = 0;
        for (int k = 0; k < 16; ++k) xx += wt[i][k] * x[k];
        c[static_cast<std::size_t>(i)] = xx;
    }
    return c;
}

void intercub(const Corners& y, const Corners& y1, const Corners& y2, const Corners& y12, double d1,
              double d2, double t, double u, double& value, double& dvdt, double& dvdu) {
    const CellCoefficients c = bcucof(y, y1, y2, y12, d1, d2);
    auto cc = [&c](int i, int j) { return c[static_cast<std::size_t>(4 * (i - 1) + (j - 1))]; };
    double v = 0, vt = 0, vu = 0;
    for (int i = 4; i >= 1; --i) {
        v = t * v + ((cc(i, 4) * u + cc(i, 3)) * u + cc(i, 2)) * u + cc(i, 1);
        vu = t * vu + (3.0 * cc(i, 4) * u + 2.0 * cc(i, 3)) * u + cc(i, 2);
        vt = u * vt + (3.0 * cc(4, i) * t + 2.0 * cc(3, i)) * t + cc(2, i);
    }
    value = v;
    dvdt = vt;
    dvdu = vu;
}

}  // namespace velkaro::eos
