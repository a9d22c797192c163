// Bicubic interpolation on one rectangular cell from the function, its two
// first derivatives and its cross derivative at the four corners (the
// bicubic Hermite scheme of Press et al., Numerical Recipes, bcucof/bcuint).
// The interpolant is continuous with continuous first derivatives across
// cells when the corner derivatives are shared by neighbouring cells.
#pragma once

#include <array>

#include "common/arrays.hpp"

namespace velkaro::eos {

/// Corner values in the order lower-left, lower-right, upper-right,
/// upper-left (first axis pointing right): corners 1..4.
using Corners = Arr1<double, 4>;

/// The 16 polynomial coefficients of one cell, c(i, j) at position
/// 4 (i - 1) + (j - 1): value = sum c(i, j) t^(i-1) u^(j-1).
using CellCoefficients = std::array<double, 16>;

/// Coefficients of the cell with corner data y, y1 (d/d first axis),
/// y2 (d/d second axis), y12 (cross derivative), cell widths d1 and d2.
CellCoefficients bcucof(const Corners& y, const Corners& y1, const Corners& y2, const Corners& y12,
                        double d1, double d2);

/// Bicubic interpolation at fractional position (t, u) in [0, 1]^2 of the
/// cell: value and its derivatives with respect to t and u (not divided by
/// the cell widths).
void intercub(const Corners& y, const Corners& y1, const Corners& y2, const Corners& y12, double d1,
              double d2, double t, double u, double& value, double& dvdt, double& dvdu);

/// The value of the cell polynomial at (t, u), evaluated by the same Horner
/// scheme as intercub, so that the result is bit for bit the value intercub
/// returns for the same corner data.
inline double bicubic_value(const CellCoefficients& c, double t, double u) {
    double v = 0;
    for (int i = 3; i >= 0; --i) {
        const double* ci = &c[static_cast<std::size_t>(4 * i)];
        v = t * v + ((ci[3] * u + ci[2]) * u + ci[1]) * u + ci[0];
    }
    return v;
}

}  // namespace velkaro::eos
