#include "structure/equations.hpp"

#include "atmosphere/classify.hpp"
#include "common/format.hpp"
#include "eos/eos.hpp"
#include "opacity/lookup.hpp"

namespace velkaro::structure {
namespace {

constexpr double G = 6.67e-8;
constexpr double kFourPi = 12.56637061;
constexpr double kRadGrad = -262.9872877030028;  // -3/(64 pi sigma)

// Out of line: the envelope equations pass through calcdtdr at every
// evaluation, and the report would keep it from being inlined.
[[gnu::noinline, gnu::cold]] void note_negative_tau(const Console& io, double tau, double P, double T, double m,
                                                    double Y, double Z) {
    io.note() << fmt::free("PROBLEME: Tau negative") << '\n';
    io.note() << fmt::free("tau,press,temp,mass,Y,Zloc", tau, P, T, m, Y, Z) << '\n';
}

}  // namespace

double calcdtdr(const Console& io, double rho, double rinv2, double kappa, double L, double dPdr, double dTdP_ad,
                double tau, double P, double T, double m, double Y, double Z, double dtaudr) {
    (void)dtaudr;  // carried for the grey atmosphere variants; the gradient does not use it
    if (tau < 0) [[unlikely]] note_negative_tau(io, tau, P, T, m, Y, Z);
    // The shell's density, adiabatic gradient and opacity are those the
    // caller already has (the EOS ignores Z; the opacity is opacites', the
    // grain/gas maximum times opacityscale, as in convrad): no second
    // evaluation is needed for the Schwarzschild test.
    // The factor of kappa first: it is known before the opacity is.
    const double radiative = kRadGrad * rinv2 * L * rho / (T * T * T);
    if (atmosphere::schwarzschild(kappa, dTdP_ad, P, T, L, m) == 'C') return dTdP_ad * dPdr;
    return radiative * kappa;
}

void derivee_enveloppe_new(const EnvelopeEquations& eq, double r, State& y, State& dydx) {
    const LuminosityProfile& prof = eq.prof;
    const double Y = eq.Y;
    ++eq.state.nderiv;  // every component of dydx is written below
    double P = y(1), T = y(2);
    const double m = y(3), tau = y(5);
    auto lumi = [&](int i) { return prof.lumi[i - 1]; };
    auto mass = [&](int i) { return prof.mass[i - 1]; };
    const int n = prof.n;

    // Luminosity: follows the enclosed mass when a non-flat profile is given.
    double L = lumi(n);
    int& itmp = eq.state.itmp;
    if (lumi(n) != lumi(1) && mass(1) != mass(n) && !eq.lconst) {
        huntsm(prof.mass, m, itmp, n);
        if (itmp == 0)
            L = lumi(1);
        else if (itmp == n)
            L = lumi(n);
        else
            L = linintpol(m, lumi(itmp), mass(itmp), lumi(itmp + 1), mass(itmp + 1));
    }

    if (T <= 0 || P <= 0) {
        auto& o = eq.io.con();
        o << fmt::free("Negative T or P or L in derivee !") << '\n';
        o << fmt::free("itmp", itmp) << '\n';
        o << fmt::free("ray/RJ", r / 7.14e9) << '\n';
        o << fmt::free("n_frontieres", n) << '\n';
        o << fmt::free("mass/Mearth", m / 5.97424e27) << '\n';
        o << fmt::free("m(1)/me,m(n)/me", mass(1) / 5.97424e27, mass(n) / 5.97424e27) << '\n';
        o << fmt::free("Lumi/LJ", L / 3.3498660000000005e24) << '\n';
        o << fmt::free("L(1)/LJ,L(n)/LJ", lumi(1) / 3.3498660000000005e24, lumi(n) / 3.3498660000000005e24) << '\n';
        o << fmt::free("Temp", T) << '\n';
        o << fmt::free("Press", P) << '\n';
        if (T < 0) {
            T = 10.0;
            y(2) = T;
        }
        if (P < 0) {
            P = 1e-10;
            y(1) = P;
        }
        if (L < 0) L = 0;
    }

    const eos::EnvelopeGas e = eos::eosfast_envelope(eq.eos, Y, P, T);
    const double rho = e.rho;
    const double kappa = opacity::opacites_lr(eq.opacity, rho, e.lrho, T, e.lnt);

    const double rinv2 = 1.0 / (r * r);
    dydx(1) = -G * m * rho * rinv2;
    dydx(3) = kFourPi * rho / rinv2;
    dydx(4) = 0;
    dydx(5) = -rho * kappa;
    dydx(2) = calcdtdr(eq.io, rho, rinv2, kappa, L, dydx(1), e.dtdp, tau, P, T, m, Y, 0.0, dydx(5));
    y(4) = L;
}

}  // namespace velkaro::structure
