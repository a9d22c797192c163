// Energy budget: internal and gravitational energy of the envelope, by the
// trapezoid rule over the shells once in mass and once in radius, plus the
// thermal and gravitational energy of the core.
#include <cmath>

#include "common/constants.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "core/core.hpp"
#include "energy/energy.hpp"
#include "eos/eos.hpp"

namespace velkaro::energy {
namespace {

using cst::G;

// What the budget needs of the gas in one shell.
struct ShellGas {
    double r = 0, m = 0, P = 0, T = 0;
    double rho = 0;
    double u = 0;       // specific internal energy [erg/g]
    double gamma1 = 0;  // first adiabatic exponent
    double nfree = 0;   // degrees of freedom 2/(Gamma1 - 1)
    double uideal = 0;  // internal energy of an ideal gas with those degrees of freedom [erg/g]
};

// Mean mass per particle of molecular hydrogen and atomic helium [g].
double mean_particle_mass(double Y) { return 1.0 / ((1.0 - Y) / cst::mH2 + Y / cst::mHe); }

ShellGas shell_gas(const eos::EosContext& e, double Y, double mbar, const Mat1<double>& x, const Vec1<double>& masse,
                   int i) {
    ShellGas g;
    g.r = x(kR, i);
    g.m = masse(i);
    g.P = x(kP, i);
    g.T = x(kT, i);
    eos::EosOut o;
    eos::eos(e, 0.0, Y, g.P, g.T, o);
    g.rho = o.rho;
    g.u = o.u;
    // Gamma1 = (d ln P / d ln rho) at constant entropy, from the (P, T) derivatives.
    g.gamma1 = -(o.rho / g.P) * o.dsdt / (o.dsdp * o.drhodt - o.dsdt * o.drhodp);
    g.nfree = 2.0 / (g.gamma1 - 1.0);
    g.uideal = g.nfree * 0.5 * cst::kB * g.T / mbar;
    return g;
}

// The sums of one budget: mass integrals (suffix none) and radius integrals (suffix 2).
struct Sums {
    double Eint = 0, Eintideal = 0, Egrav = 0, V = 0;
    double Eint2 = 0, Eintideal2 = 0, Egrav2 = 0, V2 = 0;
};

void report_unbound(const Console& io, const Sums& s, const EnergyBudget& b, double Egravsimp, double Y, double mbar,
                    int nf, const ShellGas& g1, const ShellGas& gn, const PreviousBudget& prev) {
    auto& o = io.con();
    const double M = gn.m, R = gn.r;
    const double Etot = s.Eint + s.Egrav, Etot2 = s.Eint2 + s.Egrav2;
    auto line = [&](const char* label, auto... v) { o << fmt::free(fmt::label(label, 24), v...) << '\n'; };
    auto pair = [&](const char* label, double a, double c) { o << fmt::free(fmt::label(label, 17), a, c) << '\n'; };
    o << fmt::free("POSITIVE TOTAL ENERGY!") << '\n';
    line("-G*M(nf)**2/(2*R(nf))", Egravsimp);
    line("Eint2", s.Eint2);
    line("Eintideal2", s.Eintideal2);
    line("Egrav2", s.Egrav2);
    line("Egrav2/    1", s.Egrav2 / (G * M * M / (2 * R)));
    line("Etot2", Etot2);
    line("kenerg2", Etot2 / Egravsimp);
    line("xi2", s.V2 / s.Eint2);
    line("Requi2/RJ", -G * M * M / (2 * Etot2) / cst::Rjup);
    line("Esurf", cst::fourpi * R * R * R * gn.P);
    line("-G*M(nf)**2/(2*R(nf))", Egravsimp);
    line("EgravCore", b.EgravCore);
    line("Eint", s.Eint);
    line("Eintideal", s.Eintideal);
    line("Egrav", s.Egrav);
    line("Egrav/ Egravsimp", s.Egrav / Egravsimp);
    line("Etot", Etot);
    line("Ekin", 0.0);
    line("kenerg", Etot / Egravsimp);
    line("xi", s.V / s.Eint);
    line("Requi1/RJ", -G * M * M / (2 * Etot) / cst::Rjup);
    line("Egravold", prev.Egrav);
    line("Eintold", prev.Eint);
    line("Eold", prev.Egrav + prev.Eint);
    o << fmt::free(fmt::label("N_fr,Y,mass_gas", 17), nf, Y, mbar) << '\n';
    pair("Masse(1),(Nfr)/Me", g1.m / cst::Mearth, gn.m / cst::Mearth);
    pair("P(1),(Nfr)", g1.P, gn.P);
    pair("T(1),(Nfr)", g1.T, gn.T);
    pair("rho(1),(Nfr)", g1.rho, gn.rho);
    pair("u(1),(Nfr)", g1.u, gn.u);
    pair("uideal(1),(Nfr)", g1.uideal, gn.uideal);
    pair("R/RJ(1)(Nfr)", g1.r / cst::Rjup, gn.r / cst::Rjup);
    pair("gamma(1)(Nfr)", g1.gamma1, gn.gamma1);
    o << fmt::free(fmt::label("nfreedom(nfr)", 17), gn.nfree) << '\n';
}

}  // namespace

EnergyBudget calc_energy(const EnergyModel& em, double Y, const Mat1<double>& x, int nf, const Vec1<double>& masse,
                         double fice) {
    EnergyBudget b;
    const double mbar = mean_particle_mass(Y);
    const ShellGas g1 = shell_gas(em.eos, Y, mbar, x, masse, 1);
    const core::CoreEnergy ce = core::calcecore(g1.r, g1.m, g1.T, g1.P, fice);
    b.Tcentral = ce.Tcentral;
    b.Pcentral = ce.Pcentral;
    b.EgravCore = ce.EgravCore;
    b.EthermCore = ce.EthermCore;

    // Trapezoids over the shell intervals, started at the core values. One
    // pass: each shell's gas is evaluated once and carried to the next interval.
    Sums s;
    s.Eint = s.Eintideal = s.Eint2 = s.Eintideal2 = b.EthermCore;
    s.Egrav = s.Egrav2 = b.EgravCore;
    ShellGas a = g1;
    for (int i = 1; i < nf; ++i) {
        const ShellGas c = shell_gas(em.eos, Y, mbar, x, masse, i + 1);
        const double dm = c.m - a.m;
        s.Eint += (a.u + c.u) * dm / 2;
        s.Eintideal += (a.uideal + c.uideal) * dm / 2;
        s.Egrav -= (G * a.m / a.r + G * c.m / c.r) * dm / 2;
        s.V += (3 * a.P / a.rho + 3 * c.P / c.rho) * dm / 2;
        const double w = cst::fourpi * (c.r - a.r) / 2;
        s.Eint2 += (a.rho * a.u * a.r * a.r + c.rho * c.u * c.r * c.r) * w;
        s.Eintideal2 += (a.rho * a.uideal * a.r * a.r + c.rho * c.uideal * c.r * c.r) * w;
        s.Egrav2 -= G * (a.rho * a.m * a.r + c.rho * c.m * c.r) * w;
        s.V2 += (3 * a.P * a.r * a.r + 3 * c.P * c.r * c.r) * w;
        a = c;
    }
    const ShellGas& gn = a;  // shell nf

    const double Egravsimp = -G * masse(nf) * masse(nf) / (2 * x(kR, nf));
    b.Etot = s.Eint + s.Egrav;
    b.Egravenv = s.Egrav - b.EgravCore;
    b.Eintenv = s.Eint - b.EthermCore;
    b.kenerg = b.Etot / Egravsimp;
    b.Etot2 = s.Eint2 + s.Egrav2;
    b.kenerg2 = b.Etot2 / Egravsimp;

    PreviousBudget& prev = em.state.previous;
    if (b.Etot > 0) {
        // An unbound planet: report the terms, then carry on with the core's
        // binding energy so that the energy loop keeps a negative reference.
        report_unbound(em.io, s, b, Egravsimp, Y, mbar, nf, g1, gn, prev);
        b.unbound = true;
        b.Etot = b.Etot2 = b.EgravCore;
        b.kenerg = b.kenerg2 = b.EgravCore / Egravsimp;
    }
    prev = PreviousBudget{s.Eint, s.Eintideal, s.Egrav, Egravsimp};
    return b;
}

void drive_calc_energy_init(const EnergyModel& em, PlanetState& s) {
    auto& o = em.io.con();
    o << '\n' << "SBR DRIVE_CALC_ENERGY_INIT\n";
    o << fmt::free("Energy of initial structure") << '\n';
    const EnergyBudget b = calc_energy(em, s.YHe, s.x, s.nf, s.masse, s.fract_ice);
    s.Etot = b.Etot;
    s.Etot2 = b.Etot2;
    s.kenerg = b.kenerg;
    s.kenerg2 = b.kenerg2;
    s.EgravCore = b.EgravCore;
    s.EthermCore = b.EthermCore;
    s.Eintenv = b.Eintenv;
    s.Egravenv = b.Egravenv;
    s.Tcentral = b.Tcentral;
    s.Pcentral = b.Pcentral;
    o << fmt::free("Etot,Etot2", s.Etot, s.Etot2) << '\n';
    o << fmt::free("kenerg,kenerg2", s.kenerg, s.kenerg2) << '\n';
}

}  // namespace velkaro::energy
