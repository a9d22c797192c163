// Black-body photometry: Planck's law, the planet's spectrum, Simpson's rule
// over a filter curve and the magnitudes and flux densities in 16 filters.
#include "output/photometry.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/fatal.hpp"
#include "common/format.hpp"

namespace velkaro::output {

double planck(double lambda, double t) {
    const double l2 = lambda * lambda;
    return planck_at(l2 * l2 * lambda, lambda * kBoltzmann, t);
}

double fluxbb(double lambda, const BodyLight& b) {
    // pi B is the flux leaving a black surface; the planet adds the share
    // kReflected of the starlight it intercepts at distance a.
    const double dilution = (b.rstar / b.a) * (b.rstar / b.a);
    return kPi * planck(lambda, b.tp) + dilution * kReflected * kPi * planck(lambda, b.teffstar);
}

namespace {

double integrand(const FilterCurves& fc, int& jlolm, int k, double lambda, const BodyLight& b) {
    double t, lmin, lmax;
    filtertransmission(fc, jlolm, lambda, k, t, lmin, lmax);
    return fluxbb(lambda, b) * t;
}

}  // namespace

void trapzdbb(const FilterCurves& fc, int& jlolm, int k, double lo, double hi, const BodyLight& b, double& s,
              int n) {
    if (n == 1) {
        s = 0.5 * (hi - lo) * (integrand(fc, jlolm, k, lo, b) + integrand(fc, jlolm, k, hi, b));
        return;
    }
    // Stage n adds the 2^(n-2) midpoints of the previous stage's intervals.
    const long it = 1L << (n - 2);
    const double tnm = static_cast<double>(it);
    const double del = (hi - lo) / tnm;
    double x = lo + 0.5 * del, sum = 0.0;
    for (long j = 0; j < it; ++j, x += del) sum += integrand(fc, jlolm, k, x, b);
    s = 0.5 * (s + (hi - lo) * sum / tnm);
}

namespace {

// Simpson's rule from successive trapezoid stages: stage(st, j) turns the
// stage j-1 sum st into the stage j sum.
// With quiet set, a rule that has not converged after max_stages returns
// stages = 0 instead of stopping the run.
// Convergence is accepted from stage min_stages on.
template <class Stage>
SimpsonResult simpson(Stage&& stage, double lo, double hi, const BodyLight& b, int max_stages = 20,
                      bool quiet = false, int min_stages = 1) {
    constexpr double kEps = 1e-6;
    double ost = -1e30, os = -1e30, st = 0.0;
    for (int j = 1; j <= max_stages; ++j) {
        stage(st, j);
        // Simpson's estimate from two successive trapezoid sums.
        const double s = (4.0 * st - ost) / 3.0;
        if (j >= min_stages && std::abs(s - os) < kEps * std::abs(os)) return {s, j};
        // An integrand that is zero everywhere sampled (a filter far on the
        // Wien side of a cold body) gives exactly 0.
        if (s == 0.0 && os == 0.0 && j > 6) return {0.0, j};
        os = s;
        ost = st;
    }
    if (quiet) return {0.0, 0};
    fatal({fmt::free("ERROR: too many steps in qsimpBB", lo, hi, b.tp, b.r, b.a, b.rstar, b.teffstar)});
}

// Store the points of trapezoid stage n over the curve of filter k,
// placed exactly as trapzdbb places them (those of stage 1 all, the others
// where the transmission is not 0).
void add_stage(const FilterCurves& fc, int& jlolm, int k, FilterNodes& nodes, int n) {
    const FilterCurve& c = fc.curve(k);
    const double lo = c.lmin, hi = c.lmax;
    if (static_cast<int>(nodes.points.size()) < n) nodes.points.resize(static_cast<std::size_t>(n));
    std::vector<FilterNode>& p = nodes.points[static_cast<std::size_t>(n - 1)];
    p.clear();
    auto add = [&](double x, bool keep_zero) {
        double t, lmin, lmax;
        filtertransmission(fc, jlolm, x, k, t, lmin, lmax);
        if (t != 0.0 || keep_zero) p.push_back({x, t});
    };
    if (n == 1) {
        add(lo, true);
        add(hi, true);
    } else {
        const long it = 1L << (n - 2);
        p.reserve(static_cast<std::size_t>(it));
        const double del = (hi - lo) / static_cast<double>(it);
        double x = lo + 0.5 * del;
        for (long j = 0; j < it; ++j, x += del) add(x, false);
    }
    nodes.stages = n;
}

}  // namespace

namespace {

constexpr std::size_t kBatch = 32;

// The integrand (pi B(lambda, tp) + c B(lambda, ts)) trans at n <= kBatch
// stored points (trans != 0; c = 0: a lone black body, whose star term is
// not evaluated), each to the bit as planck_at and the scalar integrand
// give it. The divisions of a batch, then its exponentials, then its
// products: loops without a dependence from one point to the next, which
// the processor overlaps (one point at a time, each waited on the last).
void band_terms(const FilterNode* q, std::size_t n, double tp, double c, double ts, double* out) {
    double ep[kBatch], es[kBatch];
    for (std::size_t j = 0; j < n; ++j) {
        const double lk = q[j].lambda * kBoltzmann;
        ep[j] = kHc / (lk * tp);
        if (c != 0.0) es[j] = kHc / (lk * ts);
    }
    for (std::size_t j = 0; j < n; ++j) ep[j] = std::exp(ep[j]);
    if (c != 0.0)
        for (std::size_t j = 0; j < n; ++j) es[j] = std::exp(es[j]);
    for (std::size_t j = 0; j < n; ++j) {
        const double x = q[j].lambda, t = q[j].trans;
        const double l2 = x * x, l5 = l2 * l2 * x;
        const double bp = kTwoHc2 / (l5 * (ep[j] - 1.0));
        out[j] = c == 0.0 ? kPi * bp * t : (kPi * bp + c * (kTwoHc2 / (l5 * (es[j] - 1.0)))) * t;
    }
}

}  // namespace

SimpsonResult qsimpbb(const FilterCurves& fc, int& jlolm, int k, double lo, double hi, const BodyLight& b) {
    return simpson([&](double& st, int j) { trapzdbb(fc, jlolm, k, lo, hi, b, st, j); }, lo, hi, b);
}

SimpsonResult qsimpbb_nodes(const FilterCurves& fc, int& jlolm, int k, FilterNodes& nodes, const BodyLight& b,
                            int max_stages, int min_stages) {
    const FilterCurve& c = fc.curve(k);
    const double lo = c.lmin, hi = c.lmax;
    const double dilution = (b.rstar / b.a) * (b.rstar / b.a);
    // fluxbb times the transmission at a stored point (0 where the curve is 0).
    // A lone black body (no star: the band-flux table) skips the star's
    // Planck function, whose term is exactly 0 (0 times a finite number),
    // and with it half the exponentials.
    const bool lone = dilution == 0.0;
    auto f = [&](const FilterNode& p) {
        const double t = p.trans;
        if (t == 0.0) return 0.0;
        const double x = p.lambda, l2 = x * x;
        const double l5 = l2 * l2 * x, lk = x * kBoltzmann;
        if (lone) return kPi * planck_at(l5, lk, b.tp) * t;
        return (kPi * planck_at(l5, lk, b.tp) + dilution * kReflected * kPi * planck_at(l5, lk, b.teffstar)) * t;
    };
    auto stage = [&](double& st, int n) {
        if (n > nodes.stages) add_stage(fc, jlolm, k, nodes, n);
        const std::vector<FilterNode>& p = nodes.points[static_cast<std::size_t>(n - 1)];
        if (n == 1) {
            st = 0.5 * (hi - lo) * (f(p[0]) + f(p[1]));
            return;
        }
        const std::size_t it = std::size_t{1} << (n - 2);
        // The stored points only: the points where the curve is 0 add
        // exactly 0 to a sum that starts at +0 (beyond stage 1 none is
        // stored). The terms are those of f, added in the same order.
        double sum = 0.0;
        for (std::size_t i = 0; i < p.size(); i += kBatch) {
            const std::size_t nb = std::min(kBatch, p.size() - i);
            double terms[kBatch];
            band_terms(p.data() + i, nb, b.tp, lone ? 0.0 : dilution * kReflected * kPi, b.teffstar, terms);
            for (std::size_t j = 0; j < nb; ++j) sum += terms[j];
        }
        st = 0.5 * (st + (hi - lo) * sum / static_cast<double>(it));
    };
    return max_stages > 0 ? simpson(stage, lo, hi, b, max_stages, true, min_stages) : simpson(stage, lo, hi, b);
}

namespace {
// The table's first entry (T = 1 K, below the temperatures it serves)
// holds instead the warmest grid temperature at which Simpson's rule could
// not resolve the lone black body (0: none yet).
constexpr std::size_t kColdLimit = 0;
}  // namespace

bool band_flux(const FilterCurves& fc, int& jlolm, int k, FilterNodes& nodes, double T, double& I) {
    if (!(T >= 3.0 && T <= 3e5)) return false;
    const double u = std::log(T) / kBandStep;
    const int i = static_cast<int>(u);  // T_i <= T < T_(i+1)
    if (i < 1 || i + 3 >= kBandPoints) return false;
    if (nodes.band.empty()) {
        nodes.band.assign(kBandPoints, std::numeric_limits<double>::quiet_NaN());
        nodes.band[kColdLimit] = 0.0;
    }
    // ln I at the grid points i-1 .. i+3: the cubic through the first four,
    // the fifth for its error.
    double v[5];
    for (int j = 0; j < 5; ++j) {
        double& slot = nodes.band[static_cast<std::size_t>(i - 1 + j)];
        // Colder than a point the rule could not resolve: the integrand is
        // only narrower there, so do not spend the stages again.
        if (std::isnan(slot) && std::exp((i - 1 + j) * kBandStep) <= nodes.band[kColdLimit]) slot = -1.0;
        if (std::isnan(slot)) {
            // A lone black body: no reflected light (rstar = 0). Far on the
            // Wien side of a filter its integrand is one narrow peak at the
            // red edge, which Simpson's rule may not resolve within the
            // stages a whole spectrum needs: such a point (marked -1) is not
            // tabulated, and lines there integrate the spectrum directly.
            const double Ti = std::exp((i - 1 + j) * kBandStep);
            const SimpsonResult r =
                qsimpbb_nodes(fc, jlolm, k, nodes, BodyLight{Ti, 1.0, 1.0, 0.0, Ti}, kBandStages, kBandMinStages);
            slot = r.stages > 0 ? r.s : -1.0;
            if (r.stages == 0) nodes.band[kColdLimit] = std::max(nodes.band[kColdLimit], Ti);
        }
        if (!(slot > 0) || !std::isfinite(slot)) return false;
        v[j] = std::log(slot);
    }
    // Lagrange weights of the nodes -1, 0, 1, 2 at t in [0, 1).
    const double t = u - i;
    const double w0 = -t * (t - 1) * (t - 2) / 6, w1 = (t + 1) * (t - 1) * (t - 2) / 2,
                 w2 = -(t + 1) * t * (t - 2) / 2, w3 = (t + 1) * t * (t - 1) / 6;
    // The cubic's error is (t+1) t (t-1) (t-2) / 24 times the fourth
    // difference of ln I. On the Wien side of a filter ln I bends ever more
    // sharply as T falls (by 2e-5 in filter 13 at 97 K); where the error may
    // exceed the Simpson rule's own tolerance (1e-6 relative) the line
    // integrates the spectrum directly instead.
    const double d4 = v[0] - 4 * v[1] + 6 * v[2] - 4 * v[3] + v[4];
    if (std::abs((t + 1) * t * (t - 1) * (t - 2) / 24 * d4) > kBandInterpolationTolerance) return false;
    I = std::exp(w0 * v[0] + w1 * v[1] + w2 * v[2] + w3 * v[3]);
    return true;
}

namespace {

// An upper bound of the band flux of a black body at T when T is below the
// temperatures the table resolves: the band flux at the coldest resolved
// grid temperature above T (the Planck function rises with T at every
// wavelength). False when there is none, or an unknown point lies between.
bool band_flux_bound(const FilterNodes& nodes, double T, double& bound) {
    if (nodes.band.empty() || !(T >= 3.0 && T < nodes.band[kColdLimit])) return false;
    for (std::size_t i = static_cast<std::size_t>(std::log(T) / kBandStep) + 1; i < nodes.band.size(); ++i) {
        const double v = nodes.band[i];
        if (std::isnan(v)) return false;
        if (v > 0) {
            bound = v;
            return true;
        }
    }
    return false;
}

}  // namespace

double magnitudesabs(double m, double r) { return m - 2.5 * std::log10(r * r / kTenParsec2); }

void blackbodymags(const FilterCurves& fc, int& jlolm, std::array<FilterNodes, kFilters>& nodes, const BodyLight& b,
                   std::array<double, 16>& mags, std::array<double, 16>& fluxes) {
    const double dist = (b.r / kTenParsec) * (b.r / kTenParsec);
    for (int k = 1; k <= kFilters; ++k) {
        const FilterSpec& s = filter_spec(k);
        const double leff = s.lambda_eff_um * 1e-4;  // cm
        double t, lmin, lmax;
        filtertransmission(fc, jlolm, leff, k, t, lmin, lmax);
        const std::size_t i = static_cast<std::size_t>(k - 1);
        // The spectrum is the planet's black body plus a fixed share of the
        // star's, so its band integral is the sum of two band fluxes, each
        // from the table; the direct integral where the table does not serve.
        FilterNodes& nk = nodes[i];
        const double reflected = (b.rstar / b.a) * (b.rstar / b.a) * kReflected;
        double ip = 0, is = 0;
        const bool tabulated =
            band_flux(fc, jlolm, k, nk, b.tp, ip) && (reflected == 0 || band_flux(fc, jlolm, k, nk, b.teffstar, is));
        double integral;
        double bound = 0;
        if (tabulated) {
            integral = ip + reflected * is;
        } else if (reflected > 0 && b.tp < b.teffstar && band_flux(fc, jlolm, k, nk, b.teffstar, is) && is > 0 &&
                   band_flux_bound(nk, b.tp, bound) && bound <= 1e-13 * reflected * is) {
            // A planet too cold for the table in this filter, whose own light
            // there is below 1e-13 of the reflected starlight: the band
            // integral is the reflected light to far more digits than are
            // written (10).
            integral = reflected * is;
        } else {
            integral = qsimpbb_nodes(fc, jlolm, k, nk, b).s;
        }
        // Surface magnitude, moved to 10 pc, in the filter's system.
        mags[i] = magnitudesabs(-2.5 * std::log10(integral), b.r) - s.zero_point;
        // F_nu at 10 pc [Jy] at the effective wavelength.
        fluxes[i] = dist * fluxbb(leff, b) * leff * leff * kToJansky;
    }
}

}  // namespace velkaro::output
