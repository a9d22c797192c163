// Interpolation of a function of several variables tabulated on a
// rectangular grid stored as a flat table.
//
// Along each axis IBASE neighbouring grid points are taken (2: linear,
// 4: cubic), and the axes are reduced one at a time, from the last to the
// first, with Neville polynomial interpolation or Bulirsch-Stoer diagonal
// rational interpolation (Press et al., Numerical Recipes, sections 3.1 and
// 3.2). Points outside the grid are clamped onto it: there is no
// extrapolation. Any number of axes and dependent variables is handled.
//
// All failures stop the run through nrerrorrad: the messages go to standard
// error, followed by "OOPS: Program terminated by sbr nrerror".
#pragma once

#include <string>
#include <vector>

#include "common/arrays.hpp"

namespace velkaro::core {

/// A one-based view of n consecutive values: a(1) .. a(n). Indices are
/// checked in the bounds-checking build.
template <typename T>
struct Span1 {
    T* p = nullptr;
    int n = 0;
    T& operator()(int i) const {
        VELKARO_INDEX_CHECK(i, 1, n);
        return p[i - 1];
    }
    int size() const { return n; }
    /// A read-only view of the same values.
    operator Span1<const T>() const { return Span1<const T>{p, n}; }
};

template <typename T>
Span1<T> span1(T* p, int n) {
    return Span1<T>{p, n};
}

/// Polynomial (Neville) and rational (Bulirsch-Stoer) interpolation.
inline constexpr int kPolynomial = 1, kRational = 2;

/// Stop the run: "ERROR:" and the message on standard error, then
/// "OOPS: Program terminated by sbr nrerror". `before` holds lines written
/// ahead of those (diagnostics of the failing routine).
[[noreturn]] void nrerrorrad(const std::string& message, std::vector<std::string> before = {});

/// Interpolate the ndep dependent variables of a table at the point x.
///
/// - NoXi(d): number of grid points on axis d (d = 1..dim).
/// - table(row, col), row = 1..maxn, col = 1..width: columns 1..dim hold the
///   coordinates of the row's grid point, columns dim+1..dim+ndep the
///   dependent values. The grid point with indices (i1, .., idim) is row
///   1 + sum_d sblk(d) (id - 1).
/// - grid(i, d): the i-th grid value of axis d, increasing or decreasing in i.
/// - x (in/out): the point; each coordinate is clamped into its axis' range.
/// - y (out): the ndep interpolated values.
/// - IBASE points per axis (at most NoXi(d)); IKIND kPolynomial or kRational.
/// - yerr (optional out): per dependent variable, the largest magnitude of
///   the one-dimensional error estimates met on the way.
///
/// Work arrays live on the stack when IBASE^dim * ndep <= 256.
void interpolrad(int maxn, int width, int dim, int ndep, Span1<const int> NoXi, const Mat1<double>& table,
                 const Mat1<double>& grid, Span1<double> x, Span1<const int> sblk, Span1<double> y, int IBASE,
                 int IKIND, Span1<double> yerr = {});

/// First grid index lowind(d) of the IBASE points used on each axis, given
/// the interval index gesind(d) that holds x(d): the block is centred on the
/// interval (even IBASE) or on the nearer grid point (odd IBASE) and pushed
/// inside the grid.
void pointstouserad(int dim, const Mat1<double>& grid, Span1<const int> NoXi, Span1<const double> x,
                    Span1<const int> gesind, int IBASE, Span1<int> lowind);

/// Neville's algorithm through the n points (xa, ya) at x: value y and the
/// last correction dy as error estimate.
void polintrad(int n, Span1<const double> xa, Span1<const double> ya, double x, double& y, double& dy);

/// Diagonal rational function through the n points (xa, ya) at x (Bulirsch
/// and Stoer): value y and the last correction dy as error estimate.
void ratintrad(int n, Span1<const double> xa, Span1<const double> ya, double x, double& y, double& dy);

}  // namespace velkaro::core
