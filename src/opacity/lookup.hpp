// One-dimensional table lookup: bracketing search from a remembered index
// and straight-line interpolation. Both are stateless; the caller keeps the
// index between calls so that slowly moving arguments cost a few compares.
#pragma once

namespace velkaro {

/// Hunt search (Numerical Recipes): xx(1..n) strictly monotonic, ascending
/// or descending (detected on each call). On entry jlo is a guess, on exit
/// the interval j with x between xx(j) and xx(j+1); 0 or n when x lies off
/// the table. x equal to xx(n) gives n-1, x equal to xx(1) gives 1.
/// xx points to the first element of the table (element 1).
void huntsm(const double* xx, double x, int& jlo, int n);

/// yout(i) = straight line through (xa, ya(i)) and (xb, yb(i)) at x, for
/// i = 1..n. No clamping: outside [xa, xb] the line is extrapolated.
void linintpol(int n, double x, const double* ya, double xa, const double* yb, double xb, double* yout);

/// The single-quantity form every caller uses.
inline double linintpol(double x, double ya, double xa, double yb, double xb) {
    double y = 0;
    linintpol(1, x, &ya, xa, &yb, xb, &y);
    return y;
}

}  // namespace velkaro
