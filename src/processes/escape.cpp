// Escape of envelope gas over one time step (see escape.hpp for the physics).
#include "processes/escape.hpp"

#include <cmath>

#include "common/constants.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "eos/eos.hpp"
#include "opacity/lookup.hpp"
#include "structure/roche.hpp"

namespace velkaro::processes {

namespace {

using cst::G;

// Isothermal sound speed of the 10^4 K ionised wind [cm/s] and its square.
constexpr double kCs = 1289521.4902013561;
constexpr double kCs2 = 1662865673691.1262;
constexpr double kTwoCs2 = 3325731347382.2524;
constexpr double kThreeG = 2.001e-7;
// pi and 4 pi as the rates were calibrated with.
constexpr double kPi = 3.141592654;
constexpr double kFourPi = 12.566370616;
constexpr double kTauPhotosphere = 2.0 / 3.0;
constexpr double kOneBar = 1e6;  // [dyn cm^-2]

// Shell index of the photosphere: the top shell when it is optically thick,
// else the first shell below it with tau >= 2/3 (shell 1 without one). No
// interpolation between shells.
int photosphere(const Mat1<double>& x, int n) {
    if (x(kTau, n) > kTauPhotosphere) return n;
    for (int j = n - 1; j >= 1; --j)
        if (x(kTau, j) >= kTauPhotosphere) return j;
    return 1;
}

// The 1-bar level, found the same way in pressure.
int one_bar_level(const Mat1<double>& x, int n) {
    if (x(kP, n) > kOneBar) return n;
    for (int j = n - 1; j >= 1; --j)
        if (x(kP, j) >= kOneBar) return j;
    return 1;
}

// Radius where the XUV radiation is absorbed: the pressure PX at which the
// column above reaches the absorption depth of the photons, P = m g / sigma.
// Above the model top the atmosphere is extended isothermally at the top
// temperature with the scale height of H2.
double absorption_radius(const Mat1<double>& x, int n, double R1, double M1, double P1) {
    const double g = G * M1 / (R1 * R1);
    const double PX = 731806.3471063168 / (1.38062e-12 / (cst::amu * g));
    if (PX <= x(kP, n)) return R1 - std::log(PX / P1) * cst::kB * x(kT, n) / (3.321062e-24 * g);
    // Inside the model: the pressure falls outward; find P(j) >= PX > P(j+1).
    for (int j = n - 1; j >= 1; --j)
        if (x(kP, j) >= PX) return linintpol(PX, x(kR, j), x(kP, j), x(kR, j + 1), x(kP, j + 1));
    // A level deeper than the core boundary cannot be: the gas there is all
    // envelope, take the base.
    return x(kR, 1);
}

}  // namespace

StellarXuv stellar_xuv(double t, double mstar_sun) {
    StellarXuv f;
    f.fxuv = t >= 0.1 ? 29.7 * std::pow(t, -1.23) : 504.378364781138;
    const double invt = t < 0.1 ? 10.0 : 1.0 / t;
    double c = 2.9;
    if (mstar_sun >= 1.2)
        c = 14.7;
    else if (mstar_sun >= 0.8)
        c = 4.56;
    else if (mstar_sun >= 0.5)
        c = 14.7;
    f.feuv1 = c * invt;
    f.feuv2 = t > 0.1 ? 6.13 * 0.85 * std::pow(t, -1.19) + 3.17 * 1.42 * std::pow(t, -0.75) : 106.01432234055318;
    return f;
}

double stellar_lx(double t) {
    return t > 0.06918309709189363 ? 2.4 * std::pow(t, -1.92) * kPi * 4 * 2.25e26 * 4 : 4.579980355524658e30;
}

double roche_factor(double xi) { return 1.0 - 3.0 / (2.0 * xi) + 1.0 / (2.0 * xi * xi * xi); }

double rr_limited_rate(double F, double M, double RX, bool& special) {
    const double mu = cst::amu;
    const double simple = 4e12 * std::sqrt(F / 500000.0);
    // Base density of the ionised flow from photo-ionisation balanced by
    // recombination over a pressure scale height.
    const double rhoX =
        mu * std::sqrt((G * M / (RX * RX)) * mu / 5.209333294079998e-30 * F * 1.8865919999999993e-18 /
                       8.651961864000001e-24);
    // Sonic point of the isothermal Parker wind.
    const double Rs = G * M / kTwoCs2;
    double rho = rhoX, R = RX;
    if (RX < Rs) {
        rho = rhoX * std::exp((G * M / (RX * kCs2)) * (RX / Rs - 1.0));
        R = Rs;
    }
    const double detailed = kFourPi * rho * kCs * R * R;
    const double q = detailed / simple;
    special = q < 0.1 || q > 10;
    return special ? (simple + detailed) / 2 : detailed;
}

SpiralIn spiral_in(double t0, double a_orig, double mstar, double rstar, double qstar, double mc) {
    SpiralIn r;
    // d(a^6.5)/dt = 6.5 a^5.5 da/dt = -(117/4) sqrt(G/M*) R*^5 Mc / Q*.
    r.k = (117.0 / 4.0) * std::sqrt(G / mstar) * std::pow(rstar, 5) * mc / qstar;
    r.tspiral = t0 + 2.0 * (std::pow(a_orig, 6.5) - std::pow(rstar, 6.5)) /
                         ((9.0 * std::pow(rstar, 5) * mc / (2.0 * qstar)) * std::sqrt(G / mstar) * 13.0);
    return r;
}

EscapeResult evapV1(const EscapeModel& em, const EscapeInput& in, const Vec1<double>& masse, const Mat1<double>& x,
                    int n) {
    auto& o = em.io.con();
    const bool aff = em.common.aff;
    using cst::Mearth, cst::Rearth, cst::AU;
    if (aff) o << '\n' << fmt::free("SBR EVAP") << '\n';

    EscapeResult res;
    const double t = (in.temps / cst::year) / 1e9;  // age [Gyr]
    const double Menv = masse(n) - masse(1);
    const double M = masse(n);

    const int jph = photosphere(x, n);
    res.Rph = x(kR, jph);
    res.Mph = masse(jph);
    const int j1 = one_bar_level(x, n);
    res.RX = absorption_radius(x, n, x(kR, j1), masse(j1), x(kP, j1));
    const double RX = res.RX, Rph = res.Rph, Mph = res.Mph;

    const StellarXuv fl = stellar_xuv(t, in.mstar / cst::Msun);
    const double aau2 = (in.a / AU) * (in.a / AU);
    res.F = fl.feuv1 / aau2;
    const double F = res.F;

    res.RL = structure::roche(Mph, in.mstar, in.a);
    const double K = roche_factor(res.RL / RX);

    bool special = false;
    const double mdot_rr = rr_limited_rate(F, M, RX, special);
    if (special && aff) o << fmt::free("In special case: using (Mdotevap2+Mdotevap2simple)/2D0") << '\n';

    double Mdot = mdot_rr;
    res.regime = 2;
    if (F < 10000) {
        // Energy limited with an efficiency of 0.32 (times pi).
        res.regime = 1;
        Mdot = 1.00530964928 * F * RX * RX * RX / (G * Mph);
    }
    const int model = em.gasloss.evapmodel;
    if (model == 20) {
        // Energy limited, efficiency 0.1, with the Roche-lobe reduction.
        Mdot = 0.31415926540000005 * (fl.fxuv / aau2) * RX * RX * RX / (G * Mph * K);
    } else if (model == 30) {
        Mdot = 81 * (fl.feuv2 / aau2) * kFourPi * Rph * Rph * Rph / (kThreeG * Mph);
    } else {
        // X-ray driven when the X-ray heating outweighs the EUV ionisation
        // front (Owen & Jackson 2012).
        const double mdotx = 0.1 * stellar_lx(t) * Rph * Rph * Rph / (in.a * in.a * kThreeG * Mph * K);
        const double lhs = (in.a / 1.5e12) * (in.a / 1.5e12) * 1e40 * (mdotx / 1e12) * (mdotx / 1e12) *
                           std::pow(Rph / 6.371e9, -3);
        const double rhs = (fl.feuv1 * kPi * 4 * 2.25e26 * 1e-7) / 3.2043531299999996e-18;
        if (lhs > rhs) {
            Mdot = mdotx;
            res.regime = 3;
        }
    }

    double dM = Mdot * in.dt;

    // Gas beyond the Roche radius is unbound: a fifth of it leaves per step.
    if (res.RL < x(kR, n)) {
        if (aff) o << fmt::free("Planet overflows Hill sphere", x(kR, n) / Rearth, res.RL / Rearth) << '\n';
        for (int j = 1; j + 1 <= n; ++j) {
            if (x(kR, j) < res.RL && res.RL <= x(kR, j + 1)) {
                const double mL =
                    masse(j) + (masse(j + 1) - masse(j)) * (res.RL - x(kR, j)) / (x(kR, j + 1) - x(kR, j));
                const double Mover = masse(n) - mL;
                res.overflow = true;
                dM += 0.2 * Mover;
                Mdot = dM / in.dt;
                res.Mdotover = -0.2 * Mover / in.dt;
                break;
            }
        }
    }

    // Less than the smallest evolved envelope would remain: all of it goes.
    if (Menv - dM <= em.common.menvemin) {
        o << '\n';
        o << fmt::free("Envelope lost completely, t=", in.temps / cst::year) << '\n';
        o << fmt::free("Calculated mass lost        ", dM) << '\n';
        o << fmt::free("Envelope mass               ", Menv) << '\n';
        o << fmt::free("Remaining Menve,Menvemin    ", Menv - dM, em.common.menvemin) << '\n';
        dM = Menv;
        o << fmt::free("New mass lost,Mearth        ", dM / Mearth) << '\n';
        o << fmt::free("Menve/earth  new            ", (Menv - dM) / Mearth) << '\n';
        o << fmt::free("Mtot/earth   new            ", (M - dM) / Mearth) << '\n';
        res.lost = true;
        Mdot = dM / in.dt;
    }
    res.dM = dM;
    res.Mdot = -dM / in.dt;

    if (aff) {
        const double peryear = cst::year / Mearth;
        o << fmt::free("Flux             ", F) << '\n';
        o << fmt::free("regime           ", res.regime) << '\n';
        o << fmt::free("Mdot evap+over   ", res.Mdot * peryear) << '\n';
        o << fmt::free("overflstatusout  ", res.overflow ? 1 : 0) << '\n';
        o << fmt::free("Mdotover         ", res.Mdotover * peryear) << '\n';
        o << fmt::free("Menve/earth  orig", Menv / Mearth) << '\n';
        o << fmt::free("Mlost/earth      ", dM / Mearth) << '\n';
        o << fmt::free("Menve/earth  new ", (Menv - dM) / Mearth) << '\n';
    }
    if (res.lost) return res;

    // The new top of the planet at mass Mnew: the shell there or the pair
    // that brackets it, from the top down.
    const double Mnew = M - dM;
    int j = 1;
    bool exact = true;
    for (int i = n; i >= 1; --i) {
        if (masse(i) == Mnew) {
            j = i;
            break;
        }
        if (masse(i) < Mnew) {
            j = i;
            exact = false;
            break;
        }
    }
    double rn = x(kR, j), Ln = x(kL, j), Pn = x(kP, j), Tn = x(kT, j);
    if (!exact) {
        const double m0 = masse(j), m1 = masse(j + 1);
        rn = linintpol(Mnew, x(kR, j), m0, x(kR, j + 1), m1);
        Ln = linintpol(Mnew, x(kL, j), m0, x(kL, j + 1), m1);
        Pn = linintpol(Mnew, x(kP, j), m0, x(kP, j + 1), m1);
        Tn = linintpol(Mnew, x(kT, j), m0, x(kT, j + 1), m1);
    }
    res.Lnew = Ln;

    // Internal plus gravitational energy of the removed layers, trapezoidal
    // in mass from Mnew to M: the new top point, then the shells above it.
    double elost = 0;
    if (j < n) {
        eos::EosOut e;
        eos::eos(em.eos, 0.0, in.Y, Pn, Tn, e);
        double m_prev = Mnew, u_prev = e.u, phi_prev = G * Mnew / rn;
        double eint = 0, egrav = 0;
        for (int i = j + 1; i <= n; ++i) {
            eos::eos(em.eos, 0.0, in.Y, x(kP, i), x(kT, i), e);
            const double phi = G * masse(i) / x(kR, i);
            const double dm = masse(i) - m_prev;
            eint += 0.5 * (u_prev + e.u) * dm;
            egrav += 0.5 * (phi_prev + phi) * dm;
            m_prev = masse(i);
            u_prev = e.u;
            phi_prev = phi;
        }
        elost = eint - egrav;
    }
    res.elost1 = elost;
    return res;
}

void evap(const EscapeModel& em, PlanetState& s) {
    EscapeInput in;
    in.Y = s.YHe;
    in.a = s.aplanete;
    in.temps = s.temps;
    in.dt = s.dt;
    in.mstar = s.Mstar;
    const EscapeResult r = evapV1(em, in, s.masse, s.x, s.nf);
    s.Mlost = r.dM;
    s.Mdotevap = r.Mdot;
    s.Mdotroche = r.Mdotover;
    if (r.lost) {
        s.envelopeflag = 0.0;
    } else {
        s.Lstatic = r.Lnew;
        em.gasloss.elost1 = r.elost1;
    }
}

}  // namespace velkaro::processes
