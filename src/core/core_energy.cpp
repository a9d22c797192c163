// Gravitational and thermal energy of the core and the luminosities of its
// contraction and cooling.
#include <cmath>

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "core/core.hpp"

namespace velkaro::core {

namespace {

// Specific heats [erg g^-1 K^-1] of ice and rock.
constexpr double kCiceHeat = 6e7, kCrockHeat = 1e7;

// sqrt(G) and G^1.5 with G = 6.67e-8, as the model has always used them.
constexpr double kSqrtG = 0.00025826343140289914;
constexpr double kG15 = 1.722617087457337e-11;
constexpr double kSqrtHalfPi = 1.2533141373973247;  // sqrt(pi/2) with pi = 3.141592654

double floor_one(double v) { return (v >= 1.0) ? v : 1.0; }

// Below this q the closed form of the thermal energy is replaced by its
// series. The two terms of the closed form are each about R^3 / (2q) while
// their difference is R^3 / 3, and the rounded pi in sqrt(pi/2) does not
// quite cancel the exact one inside erf: the relative error grows as
// 1e-10 / q (1e-7 here, 100 % near q = 1e-10).
constexpr double kSmallQ = 1e-3;

// Volume average of exp(q (1 - r^2/R^2)) over a sphere, from its series
// sum_k q^k / k! <(1 - s^2)^k>, where <(1 - s^2)^k> = 3 int_0^1 s^2 (1 - s^2)^k ds
// obeys a_k = a_(k-1) k / (k + 3/2), a_0 = 1.
double mean_exp_profile(double q) {
    double term = 1.0, sum = 1.0;
    for (int k = 1; k <= 30 && term > 1e-18 * sum; ++k) {
        term *= q / k * (k / (k + 1.5));
        sum += term;
    }
    return sum;
}

}  // namespace

CoreEnergy calcecore(double Rc, double Mc, double T, double P, double f) {
    if (!(Rc > 0.0) || !(Mc > 0.0))
        fatal({fmt::free("SBR calcecore: ERROR: core radius or mass not positive", Rc, Mc),
               "PROBLEME : calcecore"});
    constexpr double G = cst::G;
    const double rhomean = 3.0 * Mc / (cst::fourpi * Rc * Rc * Rc);
    const double Tb = floor_one(T);
    const double Pb = floor_one(P);
    const double c = f * kCiceHeat + (1.0 - f) * kCrockHeat;
    const double alpha = f * alpha_ice(Pb) + (1.0 - f) * alpha_rock(Pb);

    CoreEnergy e;
    // A uniform sphere: E = -3/5 G M^2 / R and a central pressure raised by
    // 3 G M^2 / (8 pi R^4) above the surface value.
    e.EgravCore = -0.6 * G * Mc * Mc / Rc;
    e.Pcentral = 2.001e-7 * Mc * Mc / (25.132741232 * Rc * Rc * Rc * Rc) + Pb;
    // Adiabatic temperature rise towards the centre: d ln T / dr =
    // -alpha g / c with g = G M r / Rc^3 in a uniform sphere gives
    // T(r) = Tb exp(q (1 - r^2/Rc^2)), q = G Mc alpha / (2 c Rc).
    const double q = G * Mc * alpha / (2.0 * c * Rc);
    const double sqrtq = kSqrtG * std::sqrt(Mc * alpha / (2.0 * c * Rc));
    e.Tcentral = Tb * std::exp(q);
    // Integral of rhomean c T(r) 4 pi r^2 dr from 0 to Rc, in closed form:
    // 4 pi c Tb rhomean (sqrt(pi/2) e^q erf(sqrt q) A - B) with
    // A = (c Rc^3 / (G Mc alpha))^1.5 and B = c Rc^4 / (G Mc alpha).
    if (q >= kSmallQ) {
        const double A = std::pow(c * Rc * Rc * Rc / (Mc * alpha), 1.5) / kG15;
        const double B = c * Rc * Rc * Rc * Rc / (G * Mc * alpha);
        e.EthermCore = 4.0 * cst::pi * c * Tb * rhomean * (kSqrtHalfPi * std::exp(q) * std::erf(sqrtq) * A - B);
    } else {
        e.EthermCore = 4.0 * cst::pi / 3.0 * c * Tb * rhomean * Rc * Rc * Rc * mean_exp_profile(q);
    }
    e.Ecore = e.EthermCore + e.EgravCore;
    return e;
}

CoreLuminosities lcorecool(double EgravCoreold, double EthermCoreold, double EgravCore, double EthermCore,
                           double dt, double Eintenvold, double Eintenv, double Egravenvold, double Egravenv) {
    if (!(dt > 0.0)) fatal({fmt::free("SBR lcorecool: ERROR: time step not positive", dt), "PROBLEME : lcorecool"});
    CoreLuminosities l;
    l.LgravCore = -(EgravCore - EgravCoreold) / dt;
    l.LthermCore = -(EthermCore - EthermCoreold) / dt;
    l.Lcoolcore = l.LgravCore + l.LthermCore;
    l.Lintenv = -(Eintenv - Eintenvold) / dt;
    l.Lgravenv = -(Egravenv - Egravenvold) / dt;
    return l;
}

void lcorecool(PlanetState& s) {
    const CoreLuminosities l = lcorecool(s.EgravCoreold, s.EthermCoreold, s.EgravCore, s.EthermCore, s.dt,
                                         s.Eintenvold, s.Eintenv, s.Egravenvold, s.Egravenv);
    s.LgravCore = l.LgravCore;
    s.LthermCore = l.LthermCore;
    s.Lcoolcore = l.Lcoolcore;
    s.Lintenv = l.Lintenv;
    s.Lgravenv = l.Lgravenv;
}

}  // namespace velkaro::core
