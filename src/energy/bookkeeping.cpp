// Luminosity and entropy bookkeeping between two structures of the evolution.
#include <algorithm>
#include <cmath>
#include <utility>

#include "common/constants.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "energy/energy.hpp"
#include "eos/eos.hpp"
#include "opacity/lookup.hpp"

namespace velkaro::energy {

int photosphere_shell(const Mat1<double>& x, int nf) {
    // The optical depth grows inward: the first shell from the top with
    // tau >= 2/3 is the outermost one at or below the photosphere.
    for (int i = nf; i >= 1; --i)
        if (x(kTau, i) >= 2.0 / 3.0) return i;
    return 1;
}

void tau2to3_nfrontieres(PlanetState& s) { s.nf2to3 = photosphere_shell(s.x, s.nf); }

void calc_entro(const eos::EosContext& ec, PlanetState& s) {
    eos::EosOut o;
    for (int i = 1; i <= s.nf; ++i) {
        eos::eos(ec, 0.0, s.YHe, s.x(kP, i), s.x(kT, i), o);
        s.entro(i) = o.s;
    }
}

void shift(PlanetState& s) {
    // The current arrays become the previous step's by exchange (no copy
    // of the 10000-shell capacity); the current ones are then cleared.
    std::swap(s.masseold, s.masse);
    std::swap(s.xold, s.x);
    s.nfold = s.nf;
    s.nf2to3old = s.nf2to3;
    s.Etotold = s.Etot;
    s.Routold = s.nfold >= 1 ? s.xold(kR, s.nfold) : 0.0;
    std::swap(s.entroold, s.entro);
    std::swap(s.lumitdsold, s.lumitds);
    std::swap(s.xdeuold, s.xdeu);
    s.EthermCoreold = s.EthermCore;
    s.EgravCoreold = s.EgravCore;
    s.Eintenvold = s.Eintenv;
    s.Egravenvold = s.Egravenv;
    s.aold = s.aplanete;

    s.masse.fill(0);
    s.x.fill(0);
    s.entro.fill(0);
    s.lumitds.fill(0);
    s.xdeu.fill(0);
    s.nf = s.nf2to3 = 0;
    s.Etot = s.EthermCore = s.EgravCore = s.Eintenv = s.Egravenv = 0;
    s.aplanete = 0;
}

void lumivar(const EnergyModel& em, PlanetState& s, int n, Vec1<double>& profile) {
    auto& o = em.io.con();
    o << '\n' << "SBR LUMIVAR 1th\n";
    Vec1<double>& dldm = em.state.dldm;
    for (int i = 1; i <= n; ++i) {
        const double m = s.masse(i), T = s.x(kT, i), S = s.entro(i);
        // The gas now at mass m had entropy S_old and temperature T_old at
        // the same mass coordinate in the previous structure.
        int j = std::min(i, s.nfold);
        huntsm(s.masseold.data(), m, j, s.nfold);
        double Sold = S, Told = T;
        if (j != 0 && j != s.nfold) {
            Sold = linintpol(m, s.entroold(j), s.masseold(j), s.entroold(j + 1), s.masseold(j + 1));
            Told = linintpol(m, s.xold(kT, j), s.masseold(j), s.xold(kT, j + 1), s.masseold(j + 1));
        }
        // Heat released per unit mass and time: -T dS/dt, T at mid-step.
        dldm(i) = -((T + Told) / 2) * (S - Sold) / s.dt;
    }
    profile.fill(0);
    for (int i = 2; i <= n; ++i)
        profile(i) = profile(i - 1) + (s.masse(i) - s.masse(i - 1)) * (dldm(i - 1) + dldm(i)) / 2;
    const int top = std::max(n, 1);
    o << fmt::free("Lumi from TdS/dt(2,nf)/LJ", profile(2) / cst::Ljup, profile(top) / cst::Ljup) << '\n';
}

void lumivar(const EnergyModel& em, PlanetState& s) { lumivar(em, s, s.nf, s.lumitds); }

void lumivar_static(const EnergyModel& em, PlanetState& s) { lumivar(em, s, s.nfnewM, s.lumitdsstatic); }

void getnfrontieresnewm(PlanetState& s) {
    s.massestatic.fill(0);
    for (int i = s.nf - 1; i >= 1; --i) {
        if (s.masse(i + 1) >= s.Mtotale && s.Mtotale > s.masse(i)) {
            s.nfnewM = i;
            break;
        }
    }
    for (int i = 1; i <= s.nfnewM; ++i) s.massestatic(i) = s.masse(i);
}

Correction correction_factor(double dt, double Etotold, double Etot, double Etotesti, double cLesti,
                             Arr1<double, 4>& cLv, double cLv_min, double cLv_max, double cEratio_min,
                             double cEratio_max) {
    Correction r;
    r.Lact = -(Etot - Etotold) / dt;
    const double c0 = cLesti;
    double c = 1.0;
    if (Etotesti - Etotold != 0) {
        c = (Etot - Etotold) / (Etotesti - Etotold);
        if (c <= 0) c = cLv_min;
    }
    // At most halve or add half per step; a NaN takes the bound it fails.
    if (!(c >= 0.5 * c0)) c = 0.5 * c0;
    if (!(c <= 1.5 * c0)) c = 1.5 * c0;
    c = std::min(cLv_max, std::max(cLv_min, c));
    cLv(1) = cLv(2);
    cLv(2) = cLv(3);
    cLv(3) = cLv(4);
    cLv(4) = c;
    r.c = c;
    r.cLesti = (cLv(1) + cLv(2) + cLv(3) + cLv(4)) / 4;
    r.cEratio = std::min(cEratio_max, std::max(cEratio_min, Etot / Etotesti));
    return r;
}

void calc_corrlesti(const Console& io, PlanetState& s) {
    auto& o = io.con();
    const Correction r = correction_factor(s.dt, s.Etotold, s.Etot, s.Etotesti, s.cLesti, s.cLv, s.cLv_min,
                                           s.cLv_max, s.cEratio_min, s.cEratio_max);
    s.Lact = r.Lact;
    s.cLesti = r.cLesti;
    s.cEratio = r.cEratio;
    o << '\n' << "SBR CALC_CORRLESTI\n";
    for (int i = 1; i <= 4; ++i) o << fmt::free("cLv", i, s.cLv(i)) << '\n';
    o << fmt::free("cLesti final", s.cLesti) << '\n';
    const double Ltop = s.x(kL, s.nf);
    o << fmt::free(fmt::label("(Loutini-Lradio-Lburntot)/Lact", 51), (Ltop - s.Lradio - s.Lburntot) / s.Lact) << '\n';
    o << fmt::free(fmt::label("(Loutini-Lradio-Lburntot-Lcoolcore)/lumiTds(nf)", 51),
                   (Ltop - s.Lradio - s.Lburntot - s.Lcoolcore) / s.lumitds(s.nf))
      << '\n';
}

}  // namespace velkaro::energy
