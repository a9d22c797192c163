#include "opacity/lookup.hpp"

namespace velkaro {

void huntsm(const double* xx, double x, int& jlo, int n) {
    auto X = [xx](int j) { return xx[j - 1]; };  // one-based view
    const bool ascnd = X(n) >= X(1);
    int jhi = 0;
    if (jlo <= 0 || jlo > n) {
        // Useless guess: bisect over the whole table.
        jlo = 0;
        jhi = n + 1;
    } else {
        int inc = 1;
        if ((x >= X(jlo)) == ascnd) {
            // Hunt upward.
            for (;;) {
                jhi = jlo + inc;
                if (jhi > n) {
                    jhi = n + 1;
                    break;
                }
                if ((x >= X(jhi)) == ascnd) {
                    jlo = jhi;
                    inc += inc;
                } else {
                    break;
                }
            }
        } else {
            // Hunt downward.
            jhi = jlo;
            for (;;) {
                jlo = jhi - inc;
                if (jlo < 1) {
                    jlo = 0;
                    break;
                }
                if ((x < X(jlo)) == ascnd) {
                    jhi = jlo;
                    inc += inc;
                } else {
                    break;
                }
            }
        }
    }
    while (jhi - jlo > 1) {
        const int jm = (jhi + jlo) / 2;
        if ((x >= X(jm)) == ascnd)
            jlo = jm;
        else
            jhi = jm;
    }
    if (x == X(n)) jlo = n - 1;
    if (x == X(1)) jlo = 1;
}

void linintpol(int n, double x, const double* ya, double xa, const double* yb, double xb, double* yout) {
    const double wa = (x - xb) / (xa - xb);
    const double wb = (x - xa) / (xb - xa);
    for (int i = 0; i < n; ++i) yout[i] = ya[i] * wa + yb[i] * wb;
}

}  // namespace velkaro
