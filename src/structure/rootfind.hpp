// Root finding for the structure search: Brent's method with two tolerances.
//
// The structure solvers look for the outer radius R at which the mass left
// at the core radius equals the core mass. Their mismatch (in grams) is a
// function of R (in cm) that is smooth only piecewise: it changes character
// where a layer switches between radiative and convective transport. Hence
// a radius tolerance alone is not enough: the search accepts a radius only
// when the bracketing interval is small in radius AND the mass mismatch is
// small in mass.
//
// Interface: zbrent2tol(report, f, x1, x2, tolx, tolf) with f any callable
// double(double), typically a lambda that captures the solver's working
// values (boundary conditions, trajectory) by reference. It sets
// report.compteur_shooting to the number of iterations used and, when
// report.verbose is on, reports the root found on the console.
#pragma once

#include <cmath>
#include <limits>

#include "common/console.hpp"

namespace velkaro::structure {

/// Where Brent's method reports: the number of iterations of the last
/// search, and, when verbose, the root found on the console.
struct SearchLog {
    const Console& io;
    bool verbose;
    int& compteur_shooting;
};

namespace detail {
[[noreturn]] void zbrent_unbracketed(double x1, double f1, double x2, double f2);
[[noreturn]] void zbrent_maxiter(double b, double fb, double xm, double tol1, double tolf, double tolx);
void zbrent_converged(const SearchLog& report, int iterations, double b, double xm, double fb, double tolx, double tolf);
void zbrent_resolution(const SearchLog& report, double b, double fb, double fc, double tolf, double tolf_floor);
}  // namespace detail

/// Root of func in [x1, x2], whose end values must not have the same strict
/// sign (a NaN at either end counts as unbracketed). Brent's method: inverse
/// quadratic interpolation, falling back on bisection whenever the
/// interpolation would leave the interval or converge too slowly.
///
/// Converged when (half the bracket <= tolx/2, or f(b) = 0) and |f(b)| <= tolf.
/// Once the bracket is within tolx but |f| is still above tolf, the search
/// goes on by bisection and from then on always takes its full step (no
/// least step of tolx/2), so it can close in on a steep root further than
/// tolx. Unbracketed ends, or 100 iterations without convergence, stop the
/// run.
template <class F>
double zbrent2tol(const SearchLog& report, F&& func, double x1, double x2, double tolx, double tolf);

/// The bracket [b, c] has closed to rounding: no double lies strictly
/// between its ends any more, so no further evaluation can move the root.
inline bool bracket_closed(double b, double c) {
    return std::fabs(c - b) <= 2.0 * std::numeric_limits<double>::epsilon() * std::fabs(b);
}

/// The same with the function values at the ends already known (f1 at x1,
/// f2 at x2), as they are after a bracketing search: the search goes on
/// exactly as if it had evaluated them itself.
///
/// tolf_floor (0: none) is the smallest |f| the caller's function can
/// resolve. A function that is itself the result of a numerical integration
/// jumps by its own error where its step sequence changes; when such a jump
/// straddles the root, the bracket closes to rounding with |f| still above
/// tolf. The root is then accepted if |f(b)| <= tolf_floor (with a note
/// when verbose); a larger jump stops the run as before.
template <class F>
double zbrent2tol_known_ends(const SearchLog& report, F&& func, double x1, double x2, double f1, double f2, double tolx,
                             double tolf, double tolf_floor = 0.0) {
    constexpr int itmax = 100;
    double a = x1, b = x2, c = x2, d = 0.0, e = 0.0;
    double fa = f1, fb = f2;
    const bool bracketed = (fa <= 0.0 && fb >= 0.0) || (fa >= 0.0 && fb <= 0.0);
    if (!bracketed) detail::zbrent_unbracketed(x1, fa, x2, fb);
    double fc = fb;
    const double tol1 = 0.5 * tolx;
    bool full_steps = false;
    double xm = 0.0;
    for (int iter = 1; iter <= itmax; ++iter) {
        if ((fb > 0.0 && fc > 0.0) || (fb < 0.0 && fc < 0.0)) {
            // b and c on the same side: the bracket is [a, b]; restart from it.
            c = a;
            fc = fa;
            e = d = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            // Keep b the best estimate.
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        xm = 0.5 * (c - b);
        if ((std::fabs(xm) <= tol1 || fb == 0.0) && std::fabs(fb) <= tolf) {
            detail::zbrent_converged(report, iter - 1, b, xm, fb, tolx, tolf);
            return b;
        }
        if (tolf_floor > 0.0 && bracket_closed(b, c) && std::fabs(fb) <= tolf_floor) {
            detail::zbrent_resolution(report, b, fb, fc, tolf, tolf_floor);
            detail::zbrent_converged(report, iter - 1, b, xm, fb, tolx, tolf);
            return b;
        }
        if (std::fabs(xm) <= tol1) {
            // Narrow enough in x but not in f: bisect, with full steps from now on.
            d = xm;
            e = d;
            full_steps = true;
        } else if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
            // Inverse quadratic interpolation (secant when only two points differ).
            const double s = fb / fa;
            double p, q;
            if (a == c) {
                p = 2.0 * xm * s;
                q = 1.0 - s;
            } else {
                const double qq = fa / fc, r = fb / fc;
                p = s * (2.0 * xm * qq * (qq - r) - (b - a) * (r - 1.0));
                q = (qq - 1.0) * (r - 1.0) * (s - 1.0);
            }
            if (p > 0.0) q = -q;
            p = std::fabs(p);
            const double min1 = 3.0 * xm * q - std::fabs(tol1 * q);
            const double min2 = std::fabs(e * q);
            if (2.0 * p < (min1 < min2 ? min1 : min2)) {
                // Accept the interpolation.
                e = d;
                d = p / q;
            } else {
                // It would not shrink the bracket fast enough: bisect.
                d = xm;
                e = d;
            }
        } else {
            // The bounds shrink too slowly: bisect.
            d = xm;
            e = d;
        }
        a = b;
        fa = fb;
        if (full_steps || std::fabs(d) > tol1)
            b += d;
        else
            b += xm >= 0.0 ? std::fabs(tol1) : -std::fabs(tol1);
        fb = func(b);
    }
    detail::zbrent_maxiter(b, fb, xm, tol1, tolf, tolx);
}

template <class F>
double zbrent2tol(const SearchLog& report, F&& func, double x1, double x2, double tolx, double tolf) {
    const double f1 = func(x1);
    const double f2 = func(x2);
    return zbrent2tol_known_ends(report, func, x1, x2, f1, f2, tolx, tolf);
}

}  // namespace velkaro::structure
