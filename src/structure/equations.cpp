#include "structure/equations.hpp"

#include "common/format.hpp"
#include "eos/eos.hpp"
#include "opacity/lookup.hpp"
#include "opacity/opacity.hpp"
#include "run/context.hpp"

namespace velkaro::structure {
namespace {

constexpr double G = 6.67e-8;
constexpr double kFourPi = 12.56637061;
constexpr double kRadGrad = -262.9872877030028;        // -3/(64 pi sigma)
constexpr double kSchwarzschild = 3942837896.5967436;  // 3/(64 pi sigma G)

}  // namespace

char schwarzschild(double kappa, double dTdP_ad, double P, double T, double L, double m) {
    const double nabla_rad = kappa * kSchwarzschild * L * (P / T) / (T * T * T * m);
    const double nabla_ad = (P / T) * dTdP_ad;
    return nabla_ad >= nabla_rad ? 'R' : 'C';  // a NaN gives 'C'
}

char convrad(RunContext& ctx, double P, double T, double L, double m, double Y, double Z) {
    eos::EosOut e;
    eos::eosfast(ctx.eos, Z, Y, P, T, e);
    const double kappa = opacity::opacites_v1(ctx, e.rho, T, ctx.common.f_opacite, ctx.common.redopagrains) *
                         ctx.opacity.opacityscale;
    return schwarzschild(kappa, e.dtdp, P, T, L, m);
}

double calcdtdr(RunContext& ctx, double rho, double rinv2, double kappa, double L, double dPdr, double dTdP_ad,
                double tau, double P, double T, double m, double Y, double Z, double dtaudr) {
    (void)dtaudr;  // carried for the grey atmosphere variants; the gradient does not use it
    if (tau < 0) {
        ctx.note() << fmt::free("PROBLEME: Tau negative") << '\n';
        ctx.note() << fmt::free("tau,press,temp,mass,Y,Zloc", tau, P, T, m, Y, Z) << '\n';
    }
    // The shell's density, adiabatic gradient and opacity are those the
    // caller already has (the EOS ignores Z; the opacity is opacites', the
    // grain/gas maximum times opacityscale, as in convrad): no second
    // evaluation is needed for the Schwarzschild test.
    if (schwarzschild(kappa, dTdP_ad, P, T, L, m) == 'C') return dTdP_ad * dPdr;
    return kRadGrad * kappa * rinv2 * L * rho / (T * T * T);
}

void derivee_enveloppe_new(RunContext& ctx, double r, State& y, State& dydx, double Y, const LuminosityProfile& prof) {
    ++ctx.structure.nderiv;
    for (int i = 1; i <= nvar; ++i) dydx(i) = 0;
    double P = y(1), T = y(2);
    const double m = y(3), tau = y(5);
    auto lumi = [&](int i) { return prof.lumi[i - 1]; };
    auto mass = [&](int i) { return prof.mass[i - 1]; };
    const int n = prof.n;

    // Luminosity: follows the enclosed mass when a non-flat profile is given.
    double L = lumi(n);
    int& itmp = ctx.structure.itmp;
    if (lumi(n) != lumi(1) && mass(1) != mass(n) && !ctx.common.lconst) {
        huntsm(prof.mass, m, itmp, n);
        if (itmp == 0)
            L = lumi(1);
        else if (itmp == n)
            L = lumi(n);
        else
            L = linintpol(m, lumi(itmp), mass(itmp), lumi(itmp + 1), mass(itmp + 1));
    }

    if (T <= 0 || P <= 0) {
        auto& o = ctx.con();
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

    eos::EosOut e;
    double lrho;
    eos::eosfast_lrho(ctx.eos.tables.get(), Y, P, T, e, lrho);
    const double rho = e.rho;
    ctx.opacity.opacity_p = false;
    const double kappa = opacity::opacites_lr(ctx, rho, lrho, T);

    const double rinv2 = 1.0 / (r * r);
    dydx(1) = -G * m * rho * rinv2;
    dydx(3) = kFourPi * rho / rinv2;
    dydx(4) = 0;
    dydx(5) = -rho * kappa;
    dydx(2) = calcdtdr(ctx, rho, rinv2, kappa, L, dydx(1), e.dtdp, tau, P, T, m, Y, 0.0, dydx(5));
    y(4) = L;
}

}  // namespace velkaro::structure
