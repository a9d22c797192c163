// Envelope opacity: analytic grain-and-gas law and tabulated gas opacity.
//
// The analytic law is a chain of power laws kappa_i = a_i rho^b_i T^c_i, one
// per dominant absorber, joined by fourth-power (and, for the transitions
// that switch an absorber off, harmonic-square) sums so that the result
// follows the largest term within a regime and crosses smoothly between
// regimes. Integer powers are formed by multiplication and half-integer ones
// with a square root; only the fractional density exponents need pow.
#include "opacity/opacity.hpp"

#include <cmath>
#include <limits>

#include "opacity/gas_tables.hpp"

namespace velkaro::opacity {

namespace {

// Electron scattering k8 = 0.348 cm^2 g^-1 enters only as its fourth power.
constexpr double k8_4 = 0.014666178815999997;

constexpr double kLn10 = 2.302585092994046;  // ln 10

// Fourth root, y^(1/4).
inline double root4(double y) { return std::sqrt(std::sqrt(y)); }

// root4(a4 + s * s) for a4 >= 0 and a square s * s, without a square root
// where a4 cannot change the sum: a4 <= 2^-54 (s * s) is below half an ulp
// of s * s, so the rounded sum is s * s itself, and sqrt(s * s) is |s|
// exactly in binary floating point (barring overflow and underflow, kept
// out by the range test), leaving one square root instead of two. Within a
// regime one of the two terms often dominates by far (the molecules below
// the H- regime, the H- and free-free absorption above it), so about half
// of the calls in a giant planet's envelope take the short way. Equal, bit
// for bit, to root4(a4 + s * s); a NaN takes the general way.
inline double root4_sum(double a4, double s) {
    const double s2 = s * s;
    if (s2 >= 0x1p-960 && s2 <= std::numeric_limits<double>::max() && a4 <= s2 * 0x1p-54)
        return std::sqrt(std::fabs(s));
    return root4(a4 + s2);
}

// Straight line through (xa, ya) and (xb, yb): the weights of ya and yb at x,
// formed as the lookup utility linintpol forms them, so that applying them
// gives the same numbers as linintpol.
struct Weights {
    double wa, wb;
    Weights(double x, double xa, double xb) : wa((x - xb) / (xa - xb)), wb((x - xa) / (xb - xa)) {}
    double operator()(double ya, double yb) const { return ya * wa + yb * wb; }
};

}  // namespace

const GasTable& gastable(int m) {
    switch (m) {
        case 1: return vec0p0;
        case 2: return vec0p5;
        case 3: return vec0p7;
        case 4: return vec1p0;
        case 5: return vec1p5;
        default: return vec1p7;
    }
}

const std::array<double, ntgas>& gas_log10_temperatures() {
    static const std::array<double, ntgas> lines = [] {
        std::array<double, ntgas> l{};
        for (int i = 1; i <= ntgas; ++i) l[static_cast<std::size_t>(i - 1)] = std::log10(tvect(i));
        return l;
    }();
    return lines;
}

// ---------------------------------------------------------------------------

double opb91_scale(double rho, double T, double f) { return opb91_scale_ln(rho, std::log(rho), T, f); }

double opb91_scale_ln(double rho, double lnrho, double T, double f) {
    if (T < 1) T = 10;
    return opb91_scale_ln(rho, lnrho, T, std::log(T), f);
}

double opb91_scale_ln(double rho, double lnrho, double T, double lnT, double f) {
    if (T < 1) {
        T = 10;
        lnT = std::log(T);
    }
    const double x = T / 1e4;

    // Regime boundaries [K]: metal grains evaporate near Ta, the molecular
    // regime gives way to H- near Tb, and H- to bound-free/free-free near Tc.
    // The regime boundaries and density factors are powers of rho: one
    // logarithm serves them all (exp(a ln rho) instead of a pow each, which
    // dominated the cost of the law in the envelope integration).
    // The boundaries are compared in logarithms (T <= 1460 rho^0.028369 as
    // ln T <= ln 1460 + 0.028369 ln rho): one logarithm of T instead of an
    // exponential per boundary.
    auto rho_pow = [lnrho](double a) { return std::exp(a * lnrho); };
    constexpr double kLnTa = 7.286191714702382;   // ln 1460
    constexpr double kLnTb = 8.414052432496725;   // ln 4510
    constexpr double kLnTc = 14.678400513111313;  // ln 2.37e6

    if (lnT <= kLnTa + 0.028369 * lnrho) {  // T <= Ta
        // Grains: ice (k1) up to its sublimation (k2), then metal grains
        // (k3, cut off at low T by the factor 1 / (1 + 1e22 T^-10)).
        const double t2 = T * T;
        const double t5 = t2 * t2 * T;
        const double t7 = t5 * t2;
        const double k1 = f * (2e-4 * t2);
        const double k2 = f * (2e16 / t7);
        const double k3c = f * (0.1 * std::sqrt(T) / (1.0 + 1e22 / (t5 * t5)));
        const double k12sq = k1 * k1 * k2 * k2 / (k1 * k1 + k2 * k2);
        const double k3c2 = k3c * k3c;
        return root4(k3c2 * k3c2 + k12sq * k12sq);
    }

    const double rho13 = rho_pow(0.333333333);  // rho^(1/3) as the law was fitted
    const double rho23 = rho13 * rho13;
    const double x2 = x * x;
    const double k5 = 1e4 * rho23 * x2 * x;  // molecules, 1e-8 rho^(2/3) T^3

    if (lnT <= kLnTb + 0.011464 * lnrho) {  // T <= Tb
        // Metal grains (k3) evaporating (k4), plus molecules (k5, damped
        // towards low T where the grains dominate anyway).
        const double x4 = x2 * x2;
        const double x8 = x4 * x4;
        const double k3 = f * (0.1 * std::sqrt(T));
        const double k4 = 2e-15 * rho / (x8 * x8 * x8);  // 2e81 rho T^-24
        const double k5a = k5 / (1.0 + 6.561e-3 * rho23 / x8);
        const double k34 = k3 * k3 * k3 * k3;
        const double k44 = k4 * k4 * k4 * k4;
        const double k5a2 = k5a * k5a;
        return root4_sum(k34 * k44 / (k34 + k44), k5a2);
    }

    // Bound-free and free-free absorption, 1.5e20 rho T^-2.5.
    const double k7 = 1.5e10 * rho / (x2 * std::sqrt(x));
    if (lnT >= kLnTc + 0.22667 * lnrho && (rho > 1e10 || T >= 1e4)) {  // T >= Tc
        // Fully ionised: Kramers absorption plus electron scattering.
        const double k72 = k7 * k7;
        return root4(k72 * k72 + k8_4);
    }

    // Molecules fading out (k5b), H- (k6) up to where bound-free and
    // free-free absorption (k7) take over.
    const double q = x / (1.1 * rho_pow(0.04762));
    const double q2 = q * q;
    const double q4 = q2 * q2;
    const double k5b = k5 / (1.0 + q4 * q4 * q2);
    const double x5 = x2 * x2 * x;
    const double k6 = 1e4 * rho13 * (x5 * x5);  // 1e-36 rho^(1/3) T^10
    const double k6k7 = k6 * k6 * k7 * k7 / (k6 * k6 + k7 * k7);
    const double k5b2 = k5b * k5b;
    return root4_sum(k5b2 * k5b2, k6k7);
}

double opb91(double rho, double T) { return opb91_scale(rho, T, 1.0); }

// ---------------------------------------------------------------------------

GasBracket gasbracket(double metallicity) {
    const double Zf = std::pow(10.0, metallicity);
    GasBracket b;
    b.z = Zf;
    if (Zf < gaszf(1)) {
        // Below solar: the solar table scaled down with the metal content.
        b.lo = 1;
        b.hi = 2;
        b.z = gaszf(1);
        b.factor = Zf;
    } else if (Zf <= gaszf(2)) {
        b.lo = 1;
        b.hi = 2;
    } else if (Zf <= gaszf(3)) {
        b.lo = 2;
        b.hi = 3;
    } else if (Zf <= gaszf(4)) {
        b.lo = 3;
        b.hi = 4;
    } else if (Zf <= gaszf(5)) {
        b.lo = 4;
        b.hi = 5;
    } else if (Zf <= gaszf(6)) {
        b.lo = 5;
        b.hi = 6;
    } else {
        // Above [M/H] = 1.7 (or not a number): the last table scaled up.
        b.lo = 5;
        b.hi = 6;
        b.z = gaszf(6);
        b.factor = Zf / gaszf(6);
    }
    b.zlo = gaszf(b.lo);
    b.zhi = gaszf(b.hi);
    return b;
}

double opafreedman2013(const GasBracket& b, double rho, double T) {
    return opafreedman2013_lr(b, rho, std::log10(rho), T);
}

double opafreedman2013_lr(const GasBracket& b, double rho, double lr, double T) {
    if (std::isnan(rho) || std::isnan(T)) return std::numeric_limits<double>::quiet_NaN();
    // Above the last tabulated temperature the gas tables say nothing; the
    // grain law (which holds the atomic and ionised opacities) decides.
    if (T > tvect(ntgas)) return 0.0;

    double fT = 1.0, frho = 1.0;
    if (T < tvect(1)) {
        // Colder than the table: the opacity falls as T^2 from its 75 K value.
        fT = (T / tvect(1)) * (T / tvect(1));
        T = 1.00001 * tvect(1);
    }
    if (lr > rhovect(nrgas)) lr = -1.00001;  // denser than the table: hold the edge value
    if (lr < rhovect(1)) {
        // Thinner than the table: opacity proportional to density.
        frho = rho / 1e-11;
        lr = 0.999999 * rhovect(1);
    }

    // Bracketing temperatures: ih is the first index from 2 up with
    // T <= tvect(ih) (binary search; T now lies in [75, 4000] K).
    int ih = 2;
    if (T > tvect(2)) {
        int a = 2;
        ih = ntgas;
        while (ih - a > 1) {
            const int m = (a + ih) / 2;
            if (T <= tvect(m))
                ih = m;
            else
                a = m;
        }
    }
    const int il = ih - 1;

    // Bracketing densities on the uniform grid: the same rule, from a direct
    // estimate corrected to be exact against the grid values.
    int jh = static_cast<int>(std::ceil((lr - rhovect(1)) * 2.0)) + 1;
    if (jh < 2) jh = 2;
    if (jh > nrgas) jh = nrgas;
    while (jh > 2 && lr <= rhovect(jh - 1)) --jh;
    while (jh < nrgas && lr > rhovect(jh)) ++jh;
    const int jl = jh - 1;

    const Weights wt(T, tvect(il), tvect(ih));
    const Weights wr(lr, rhovect(jl), rhovect(jh));
    const Weights wz(b.z, b.zlo, b.zhi);

    // In each table: along T at the two densities, then along log rho.
    const GasTable& A = gastable(b.lo);
    const GasTable& B = gastable(b.hi);
    const double ka = wr(wt(A(il, jl), A(ih, jl)), wt(A(il, jh), A(ih, jh)));
    const double kb = wr(wt(B(il, jl), B(ih, jl)), wt(B(il, jh), B(ih, jh)));
    // Between the two tables, linear in the metal factor 10^[M/H].
    return wz(ka, kb) * b.factor * fT * frho;
}

double opafreedman2013(OpacityContext& oc, double metallicity, double rho, double T) {
    if (!(metallicity == oc.gasmetallicity)) {
        oc.gas = gasbracket(metallicity);
        oc.gasmetallicity = metallicity;
    }
    return opafreedman2013(oc.gas, rho, T);
}

// ---------------------------------------------------------------------------

double opacites_lr(const OpacityLaw& law, double rho, double lr, double T, double lnT) {
    if (T < 1) {
        T = 10;
        lnT = std::log(T);
    }
    OpacityContext& oc = law.gas;
    const double metallicity = law.settings.metallicity;
    const double kgrain =
        opb91_scale_ln(rho, lr * kLn10, T, lnT, law.common.redopagrains ? law.common.f_opacite : 1.0);
    if (!(metallicity == oc.gasmetallicity)) {
        oc.gas = gasbracket(metallicity);
        oc.gasmetallicity = metallicity;
    }
    const double kgas = opafreedman2013_lr(oc.gas, rho, lr, T);
    return ((std::isnan(kgrain) || kgas > kgrain) ? kgas : kgrain) * law.settings.opacityscale;
}

double opacites_v1(OpacityContext& oc, double metallicity, double rho, double T, double f, bool redgrains) {
    // Both laws see the same temperature, a value below 1 K read as 10 K;
    // the caller's T is a value and stays as it was.
    if (T < 1) T = 10;
    const double kgrain = redgrains ? opb91_scale(rho, T, f) : opb91(rho, T);
    const double kgas = opafreedman2013(oc, metallicity, rho, T);
    return (std::isnan(kgrain) || kgas > kgrain) ? kgas : kgrain;
}

double opacites(const OpacityLaw& law, double rho, double T) {
    return opacites_v1(law.gas, law.settings.metallicity, rho, T, law.common.f_opacite, law.common.redopagrains) *
           law.settings.opacityscale;
}

}  // namespace velkaro::opacity
