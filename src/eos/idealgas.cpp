#include "eos/idealgas.hpp"

#include <cmath>
#include <ostream>

#include "eos/h2partition.hpp"

namespace velkaro::eos {

void search(int& lo, double x, int& hi, const double* xtab, int n, std::ostream* con) {
    auto xt = [xtab](int i) { return xtab[i - 1]; };
    if (n == 1) {
        lo = 1;
        if (con) *con << "  n=1 in search\n";
        return;
    }
    lo = 1;
    hi = n;
    const bool ascending = xt(1) < xt(2);
    while (hi - lo > 1) {
        const int mid = (hi + lo) / 2;
        if ((ascending && xt(mid) >= x) || (!ascending && xt(mid) <= x))
            hi = mid;
        else
            lo = mid;
    }
}

namespace {

// fipol with the bracket i that search found for x.
double fipol_at(int i, double x, const double* xtab, const double* ytab, int n) {
    auto xt = [xtab](int j) { return xtab[j - 1]; };
    auto yt = [ytab](int j) { return ytab[j - 1]; };
    if (x == xt(i) || std::fabs(x - xt(i)) <= 1e-10 * (std::fabs(xt(i)) + std::fabs(x))) return yt(i);
    auto linear = [&](int a, int b) { return yt(a) + (x - xt(a)) * (yt(b) - yt(a)) / (xt(b) - xt(a)); };
    if (n == 2 || x < xt(1) || x > xt(n)) return linear(i, i + 1);
    if (i + 1 < n && (yt(i) == yt(i + 1) ||
                      std::fabs(yt(i) - yt(i + 1)) <= 1e-10 * (std::fabs(yt(i)) + std::fabs(yt(i + 1)))))
        return linear(i, i + 1);
    const int a = (i == n - 1) ? n - 2 : i;
    const int b = a + 1, c = a + 2;
    const double da = x - xt(a), db = x - xt(b);
    if (xt(a) == xt(b) || xt(b) == xt(c)) return linear(a, b);
    const double s1 = (yt(a) - yt(b)) / (xt(a) - xt(b));
    const double s2 = (yt(b) - yt(c)) / (xt(b) - xt(c));
    if (s1 == 0 && s2 == 0) return yt(a);
    if (std::signbit(s1) == std::signbit(s2))
        // Rational form: a monotonic run of data stays monotonic.
        return yt(a) + da * s1 / (1.0 - (s1 - s2) * db / (yt(a) - yt(c)));
    return yt(a) + da * (s1 + (s1 - s2) * db / (xt(a) - xt(c)));
}

// The H2 partition table at t: tc (t clamped to the table's range), log10 q
// and dq/dT, and d2q/dT2 when ddq is given. The three columns share the
// temperatures, so one search serves them all.
void h2_partition(double t, double& tc, double& logq, double& dq, double* ddq) {
    using namespace h2pf;
    tc = t;
    if (tc > tdat[kRows - 1]) tc = tdat[kRows - 1];
    if (tc < 0.1) tc = 0.1;
    if (tc >= tdat[0]) {
        int i = 1, hi = kRows;
        search(i, tc, hi, tdat.data(), kRows);
        logq = fipol_at(i, tc, tdat.data(), qdat.data(), kRows);
        dq = fipol_at(i, tc, tdat.data(), dqdt.data(), kRows);
        if (ddq) *ddq = fipol_at(i, tc, tdat.data(), ddqdt.data(), kRows);
    } else {
        // Below 10 K: straight line in theta = 5040/T through the first two rows.
        const double th = 5040.0 / tc, th1 = 5040.0 / tdat[0], th2 = 5040.0 / tdat[1];
        const double w = (th - th2) / (th1 - th2);
        logq = qdat[1] + (qdat[0] - qdat[1]) * w;
        dq = dqdt[1] + (dqdt[0] - dqdt[1]) * w;
        if (ddq) *ddq = ddqdt[1] + (ddqdt[0] - ddqdt[1]) * w;
    }
}

}  // namespace

double fipol(double x, const double* xtab, const double* ytab, int n) {
    int i = 1, hi = n;
    search(i, x, hi, xtab, n);
    return fipol_at(i, x, xtab, ytab, n);
}

double sqh2sc(double t, double& out1, double& out2, double& out3) {
    double tc, logq, dq, ddq;
    h2_partition(t, tc, logq, dq, &ddq);
    out1 = tc * dq;
    out2 = tc * tc * ddq;
    out3 = 4.4781;
    return std::pow(10.0, logq);
}

namespace {

// Partition function of H2 and its logarithmic slope g = (dq/dT)/q at t.
struct QG {
    double q, g;
};
QG qg(double t) {
    // sqh2sc's q and out1 (the second derivative is not needed here).
    double tc, logq, dq;
    h2_partition(t, tc, logq, dq, nullptr);
    const double q = std::pow(10.0, logq), o1 = tc * dq;
    return {q, o1 / q / t};
}

// The parts shared by the full and the reduced evaluation.
struct Common {
    double rho, dsdp, dsdt, q0, g0;
};
Common common_part(double y, double p, double t) {
    using namespace ig;
    const double x = 1.0 - y;
    const double mu = 1.0 / (x / muH2 + y / muHe);
    Common c{};
    c.rho = mu * mu_amu * p / (k * t);
    const QG m = qg(t), hi = qg(1.01 * t), lo = qg(0.99 * t);
    c.q0 = m.q;
    c.g0 = m.g;
    const double tp = 1.01 * t, tm = 0.99 * t;
    c.dsdp = -(x * k / mH2 + y * k / mHe) / p;
    c.dsdt = (y * k / mHe) * 2.5 / t +
             (x * k / mH2) * ((hi.q - lo.q) / ((tp - tm) * m.q) + 2.5 / t + t * (hi.g - lo.g) / (tp - tm) + m.g);
    return c;
}

}  // namespace

void entro_gp_newfast(double y, double p, double t, double& s, double& rho, double& dtdp, double& drhodp,
                      double& drhodt, double& dsdp, double& dsdt, double& u) {
    using namespace ig;
    const double x = 1.0 - y;
    const Common c = common_part(y, p, t);
    rho = c.rho;
    drhodp = rho / p;
    drhodt = -rho / t;
    // Translational factors: volume per particle over the cube of the
    // thermal wavelength, for each species at its own number density.
    // A species that is absent contributes nothing (x ln x -> 0).
    double sh2 = 0, she = 0, uh2 = 0, uhe = 0;
    if (y > 0) {
        const double xhe = mHe / (rho * y) * std::pow(twopi_mHe_k * t / h2, 1.5);
        she = (y * k / mHe) * (2.5 + std::log(xhe));
        uhe = (y * k * t / mHe) * (1.0 + std::log(xhe));
    }
    if (x > 0) {
        const double xh2 = mH2 / (rho * x) * std::pow(twopi_mH2_k * t / h2, 1.5);
        if (y < 0.9999) sh2 = (x * k / mH2) * (2.5 + std::log(c.q0 * xh2) + t * c.g0);
        uh2 = (x * k * t / mH2) * (std::log(c.q0) + std::log(xh2) + 1.0);
    }
    s = she + sh2;
    dsdp = c.dsdp;
    dsdt = c.dsdt;
    dtdp = -dsdp / dsdt;
    u = t * s - uh2 - uhe;
}

void entro_gp_newfast2(double y, double p, double t, double& rho, double& dtdp) {
    const Common c = common_part(y, p, t);
    rho = c.rho;
    dtdp = -c.dsdp / c.dsdt;
}

}  // namespace velkaro::eos
