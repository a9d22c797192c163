// Multidimensional table interpolation; see interpol.hpp.
#include "core/interpol.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>
#include <vector>

#include "common/fatal.hpp"
#include "common/format.hpp"

namespace velkaro::core {

namespace {

// A work array of n values on the stack when n <= N, on the heap otherwise.
template <typename T, int N>
class Work {
public:
    explicit Work(long long n) : n_(static_cast<int>(n)) {
        if (n > N) {
            try {
                if (n > std::numeric_limits<int>::max()) throw std::bad_alloc();
                heap_.resize(static_cast<std::size_t>(n));
            } catch (const std::bad_alloc&) {
                fatal({"Allocation would exceed memory limit"});
            }
            p_ = heap_.data();
        } else {
            p_ = buf_.data();
        }
    }
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;
    T* data() { return p_; }
    Span1<T> one() { return {p_, n_}; }
    T& operator()(int i) { return one()(i); }

private:
    std::array<T, N> buf_;
    std::vector<T> heap_;
    T* p_ = nullptr;
    int n_;
};

// A list of integers as a list-directed record: label, then the values.
std::string int_list(const char* label, Span1<const int> a, int n) {
    fmt::FreeRecord r;
    r << label;
    for (int i = 1; i <= n; ++i) r << a(i);
    return r.str();
}

std::string real_list(const char* label, const double* a, int n) {
    fmt::FreeRecord r;
    r << label;
    for (int i = 0; i < n; ++i) r << a[i];
    return r.str();
}

// Split the point number k (0-based) into dim base-IBASE digits, the first
// axis taking the most significant digit.
void int2base(long long k, int IBASE, int dim, long long npts, Span1<int> digit) {
    if (k < 0 || k >= npts) nrerrorrad("ABORTING.", {"ERROR in sbr int2base: too large value of k"});
    for (int d = dim; d >= 1; --d) {
        digit(d) = static_cast<int>(k % IBASE);
        k /= IBASE;
    }
}

// Interval index of x on axis d by bisection: grid(lower) <= x < grid(lower + 1)
// for an increasing grid; the ends of the axis map onto its first and last
// interval.
int locate(const Mat1<double>& grid, int d, int n, double x) {
    if (n < 0) nrerrorrad("Sbr locate: n/=anzunabvar");
    const bool ascend = grid(n, d) >= grid(1, d);
    int lower = 0, upper = n + 1;
    while (upper - lower > 1) {
        const int mid = (upper + lower) / 2;
        if ((x >= grid(mid, d)) == ascend)
            lower = mid;
        else
            upper = mid;
    }
    if (x == grid(1, d)) return 1;
    if (x == grid(n, d)) return n - 1;
    return lower;
}

}  // namespace

void nrerrorrad(const std::string& message, std::vector<std::string> before) {
    before.push_back(fmt::free("ERROR:", message));
    before.emplace_back("OOPS: Program terminated by sbr nrerror");
    throw FatalError(std::move(before), FatalError::Stream::Err);
}

void polintrad(int n, Span1<const double> xa, Span1<const double> ya, double x, double& y, double& dy) {
    if (xa.size() != n || ya.size() != n || n < 1) nrerrorrad("Sbr polint: Nin=/n");
    Work<double, 16> c(n), d(n);
    int ns = 1;
    double dif = std::abs(x - xa(1));
    for (int i = 1; i <= n; ++i) {
        const double dift = std::abs(x - xa(i));
        if (dift < dif) {
            ns = i;
            dif = dift;
        }
        c(i) = ya(i);
        d(i) = ya(i);
    }
    y = ya(ns--);
    dy = 0.0;
    // Each column of the tableau raises the degree by one; the corrections
    // C (upward) and D (downward) are chosen to keep the path centred on x.
    for (int m = 1; m <= n - 1; ++m) {
        for (int i = 1; i <= n - m; ++i) {
            const double ho = xa(i) - x, hp = xa(i + m) - x;
            const double w = c(i + 1) - d(i);
            double den = ho - hp;
            if (den == 0.0) nrerrorrad("polint: calculation failure");
            den = w / den;
            d(i) = hp * den;
            c(i) = ho * den;
        }
        dy = (2 * ns < n - m) ? c(ns + 1) : d(ns--);
        y += dy;
    }
}

void ratintrad(int n, Span1<const double> xa, Span1<const double> ya, double x, double& y, double& dy) {
    constexpr double kTiny = 1e-25;  // keeps 0/0 out of the first column
    if (xa.size() != n || ya.size() != n || n < 1) nrerrorrad("Sbr ratint: Nin=/n");
    Work<double, 16> c(n), d(n), t(n), dd(n);
    int ns = 1;
    double hh = std::abs(x - xa(1));
    for (int i = 1; i <= n; ++i) {
        const double h = std::abs(x - xa(i));
        if (h == 0.0) {
            y = ya(i);
            dy = 0.0;
            return;
        }
        if (h < hh) {
            ns = i;
            hh = h;
        }
        c(i) = ya(i);
        d(i) = ya(i) + kTiny;
    }
    y = ya(ns--);
    dy = 0.0;
    for (int m = 1; m <= n - 1; ++m) {
        bool pole = false;
        for (int i = 1; i <= n - m; ++i) {
            const double h = xa(i + m) - x;  // never zero: exact abscissae returned above
            t(i) = (xa(i) - x) * d(i) / h;
            dd(i) = t(i) - c(i + 1);
            pole = pole || dd(i) == 0.0;
        }
        if (pole) {
            // The interpolating rational function has a pole at x.
            nrerrorrad("sbr ratint: Pole at requested x",
                       {fmt::free("x", x), real_list("xa", &xa(1), n), real_list("ya", &ya(1), n), fmt::free("m,n", m, n),
                        real_list("t(1:n-m)", t.data(), n - m), real_list("c(2:n-m+1)", c.data() + 1, n - m),
                        real_list("dd(1:n-m)", dd.data(), n - m)});
        }
        for (int i = 1; i <= n - m; ++i) {
            const double w = c(i + 1) - d(i);
            const double r = w / dd(i);
            d(i) = c(i + 1) * r;
            c(i) = t(i) * r;
        }
        dy = (2 * ns < n - m) ? c(ns + 1) : d(ns--);
        y += dy;
    }
}

void pointstouserad(int dim, const Mat1<double>& grid, Span1<const int> NoXi, Span1<const double> x,
                    Span1<const int> gesind, int IBASE, Span1<int> lowind) {
    for (int d = 1; d <= dim; ++d) {
        const int g = gesind(d);
        const int lo = (std::abs(x(d) - grid(g + 1, d)) > std::abs(x(d) - grid(g, d))) ? g - (IBASE - 1) / 2
                                                                                      : g + 1 - IBASE / 2;
        lowind(d) = std::min(std::max(lo, 1) + IBASE - 1, NoXi(d)) - (IBASE - 1);
    }
    if (IBASE == 2) {
        for (int d = 1; d <= dim; ++d) {
            if (lowind(d) != gesind(d))
                nrerrorrad("ABORTING.", {"ERROR in sbr pointstouse: IBASE=2, but gesind/=lowind)!",
                                         int_list("gesind", gesind, dim),
                                         int_list("lowind", Span1<const int>{lowind.p, lowind.n}, dim)});
        }
    }
    for (int d = 1; d <= dim; ++d) {
        if (IBASE == NoXi(d) && lowind(d) != 1)
            nrerrorrad("ABORTING.", {"ERROR in sbr pointstouse: IBASE=NoXi(i),but lowind/=1!",
                                     fmt::free("dim,IBASE,NoXi(i),lowind(i)", dim, IBASE, NoXi(d), lowind(d))});
    }
}

void interpolrad(int maxn, int width, int dim, int ndep, Span1<const int> NoXi, const Mat1<double>& table,
                 const Mat1<double>& grid, Span1<double> x, Span1<const int> sblk, Span1<double> y, int IBASE,
                 int IKIND, Span1<double> yerr) {
    if (dim < 1 || ndep < 1 || width < dim + ndep || maxn < 1)
        nrerrorrad("Sbr Interpol: inconsistent table dimensions");
    if (IKIND != kPolynomial && IKIND != kRational) nrerrorrad("Sbr Interpol: Unknown value of IKIND");
    for (int d = 1; d <= dim; ++d) {
        if (NoXi(d) < 0) nrerrorrad("Sbr locate: n/=anzunabvar");
        // Fewer grid points than the block needs would read outside the grid.
        if (IBASE < 1 || NoXi(d) < 2 || IBASE > NoXi(d))
            nrerrorrad("Sbr Interpol: IBASE exceeds the number of grid points on an axis");
        // An infinite coordinate is clamped like any other; NaN has no place.
        if (std::isnan(x(d))) nrerrorrad("Sbr Interpol: interpolation point is not a number");
    }

    // 1. Clamp the point into the grid (no extrapolation).
    for (int d = 1; d <= dim; ++d) {
        const double first = grid(1, d), last = grid(NoXi(d), d);
        if (x(d) < first) x(d) = first;
        if (x(d) > last) x(d) = last;
    }

    // 2.-3. Interval holding x on each axis and the block of points used.
    Work<int, 16> gesind(dim), lowind(dim), digit(dim);
    for (int d = 1; d <= dim; ++d) gesind(d) = locate(grid, d, NoXi(d), x(d));
    const Span1<const double> xc{x.p, x.n};
    pointstouserad(dim, grid, NoXi, xc, Span1<const int>{gesind.data(), dim}, IBASE, lowind.one());

    // 4. Gather the IBASE^dim dependent values, last axis fastest.
    long long npts = 1;
    for (int d = 1; d <= dim; ++d) {
        npts *= IBASE;
        if (npts * ndep > std::numeric_limits<int>::max()) fatal({"Allocation would exceed memory limit"});
    }
    Work<double, 256> v(npts * ndep);
    for (long long k = 0; k < npts; ++k) {
        int2base(k, IBASE, dim, npts, digit.one());
        long long row = 1;
        for (int d = 1; d <= dim; ++d) row += static_cast<long long>(sblk(d)) * (lowind(d) + digit(d) - 1);
        if (row < 1 || row > maxn || row > table.rows()) nrerrorrad("Sbr Interpol: table row outside the table");
        for (int j = 1; j <= ndep; ++j)
            v.data()[(j - 1) * npts + k] = table(static_cast<int>(row), dim + j);
    }

    // 5. Reduce the last axis first: each run of IBASE consecutive values
    //    differs only in its index on that axis and collapses to one value.
    Work<double, 16> xa(IBASE);
    for (int j = 1; j <= ndep; ++j)
        if (yerr.size() >= j) yerr(j) = 0.0;
    long long cnt = npts;
    for (int d = dim; d >= 1; --d) {
        for (int i = 1; i <= IBASE; ++i) xa(i) = grid(lowind(d) + i - 1, d);
        cnt /= IBASE;
        for (int j = 1; j <= ndep; ++j) {
            double* vj = v.data() + (j - 1) * npts;
            for (long long g = 0; g < cnt; ++g) {
                const Span1<const double> ya{vj + g * IBASE, IBASE};
                double val, dy;
                if (IKIND == kPolynomial)
                    polintrad(IBASE, Span1<const double>{xa.data(), IBASE}, ya, x(d), val, dy);
                else
                    ratintrad(IBASE, Span1<const double>{xa.data(), IBASE}, ya, x(d), val, dy);
                vj[g] = val;  // g <= g * IBASE: never overwrites an unread value
                if (yerr.size() >= j) yerr(j) = std::max(yerr(j), std::abs(dy));
            }
        }
    }
    for (int j = 1; j <= ndep; ++j) y(j) = v.data()[(j - 1) * npts];
}

}  // namespace velkaro::core
