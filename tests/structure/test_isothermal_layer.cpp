// An isothermal ideal-gas layer integrated inward through the structure
// integrator with the settings the structure solvers use. In a layer thin
// compared with the radius, gravity g is constant and hydrostatic equilibrium
// dP/dr = -rho g with rho = P mu m_u / (k T) gives the barometric law
//     P(r) = P0 exp((r0 - r) / H),  H = k T / (mu m_u g),
// and the enclosed mass and optical depth follow in closed form:
//     m(r)   = m0 - 4 pi rho0 H [e^((r0-r)/H) (r^2 + 2Hr + 2H^2) - (r0^2 + 2H r0 + 2H^2)],
//     tau(r) = tau0 + kappa rho0 H (e^((r0-r)/H) - 1).
#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.hpp"
#include "structure/odeint.hpp"
#include "structure/search.hpp"

namespace velkaro::structure {
namespace {

// 1000 K solar H2/He gas (mu = 2.3) under Jupiter's surface gravity, grey
// opacity 1e-2 cm^2/g, from 1 bar and tau = 2/3 at Jupiter's radius.
struct IsothermalLayer {
    double T = 1000.0, mu = 2.3, g = 2500.0, kappa = 1e-2;
    double r0 = cst::Rjup, P0 = 1e6, tau0 = 2.0 / 3.0, L0 = 1e-6 * cst::Ljup;
    double H = cst::kB * T / (mu * cst::amu * g);
    double rho0 = P0 * mu * cst::amu / (cst::kB * T);

    void operator()(double r, State& y, State& d) const {
        const double rho = y(1) / P0 * rho0;
        d = State{{-rho * g, 0.0, cst::fourpi * r * r * rho, 0.0, -rho * kappa}};
    }
    double P(double r) const { return P0 * std::exp((r0 - r) / H); }
    double dm(double r) const {  // mass between r and r0
        return cst::fourpi * rho0 * H *
               (std::exp((r0 - r) / H) * (r * r + 2 * H * r + 2 * H * H) - (r0 * r0 + 2 * H * r0 + 2 * H * H));
    }
    double tau(double r) const { return tau0 + kappa * rho0 * H * (std::exp((r0 - r) / H) - 1.0); }
    State top(double m0) const { return State{{P0, T, m0, L0, tau0}}; }
};

OdeintSettings solver_settings(double rcore, double mcore, double mtot) {
    return {.dxsav = 1e-5 * rcore, .mstop = mcore, .dmtol = 1e-9 * (mtot - mcore)};
}

TEST(IsothermalLayer, IntegratorReproducesTheBarometricProfile) {
    const IsothermalLayer L;
    ASSERT_NEAR(L.H, 1.446e7, 0.01e7);  // about 145 km
    const double m0 = cst::Mjup, rin = L.r0 - 12.0 * L.H;  // pressure grows by e^12 to 160 kbar
    State y = L.top(m0);
    Trajectory t;
    ASSERT_EQ(odeint_planete2(y, L.r0, rin, solver_settings(rin, 0.5 * m0, m0), t, L), OdeEnd::reached_x2);
    EXPECT_GT(t.kount, 50);
    double worst_p = 0, worst_tau = 0, worst_m = 0;
    for (int k = 1; k <= t.kount; ++k) {
        const double r = t.xp(k);
        worst_p = std::max(worst_p, std::fabs(t.yp(1, k) / L.P(r) - 1.0));
        worst_tau = std::max(worst_tau, std::fabs(t.yp(5, k) / L.tau(r) - 1.0));
        worst_m = std::max(worst_m, std::fabs((m0 - t.yp(3, k)) - L.dm(r)) / m0);
    }
    EXPECT_LT(worst_p, 1e-8);
    EXPECT_LT(worst_tau, 1e-8);
    // Mass to a small fraction of the structure solvers' tolerance (1e-8 M).
    EXPECT_LT(worst_m, 1e-11);
    EXPECT_NEAR(y(1) / L.P(rin), 1.0, 1e-8);
}

TEST(IsothermalLayer, RunningOutOfMassStopsAtTheAnalyticDepth) {
    // A total mass only 1.5 times what lies above r0 - 8H, and a "core" of
    // that same mass: the integration must stop at the first point where the
    // enclosed mass falls below half the core mass, between r0 - 9H and
    // r0 - 7H, and leave the starting state as it was.
    const IsothermalLayer L;
    const double mtot = 1.5 * L.dm(L.r0 - 8.0 * L.H), rin = L.r0 - 20 * L.H;
    const OdeintSettings s = solver_settings(rin, mtot, 2 * mtot);
    State y = L.top(mtot);
    Trajectory t;
    ASSERT_EQ(odeint_planete2(y, L.r0, rin, s, t, L), OdeEnd::mass_exhausted);
    EXPECT_EQ(y, L.top(mtot));
    const double threshold = 0.5 * mtot - s.dmtol;
    const double rlast = t.xp(t.kount), mlast = t.yp(3, t.kount);
    EXPECT_LT(mlast, threshold);
    EXPECT_GE(t.yp(3, t.kount - 1), threshold);
    EXPECT_NEAR((mtot - mlast) / mtot, L.dm(rlast) / mtot, 1e-9);
    EXPECT_GT(rlast, L.r0 - 9.0 * L.H);
    EXPECT_LT(rlast, L.r0 - 7.0 * L.H);
}

TEST(IsothermalLayer, ATrialThatRunsOutOfMassStillSteersByItsDistanceFromTheRoot) {
    // The layer's top moved outward by d over a fixed "core" radius: the
    // deeper the layer reaches, the more mass it holds, so the exact mismatch
    // at the core radius falls with d. Past the point where the mass runs out
    // above the core the integration stops at about -Mcore/2 whatever d; the
    // mismatch the search steers by must go on falling, lie between the
    // exact one and the value where the integration stopped, and be the
    // plain mismatch wherever the core is reached.
    const IsothermalLayer L;
    const double rcore = L.r0 - 6.0 * L.H, mcore = 1e26;
    const double mtot = mcore + L.dm(rcore);  // the root: d = 0
    double prev = 0;
    int exhausted = 0;
    for (int i = 0; i <= 16; ++i) {
        const double d = 0.25 * i * L.H;
        IsothermalLayer top = L;
        top.r0 = L.r0 + d;
        State y = top.top(mtot);
        Trajectory t;
        const OdeEnd end = odeint_planete2(y, top.r0, rcore, solver_settings(rcore, mcore, mtot), t, top);
        const double plain = t.yp(3, t.kount) - mcore;
        const double steer = mismatch_to_core(t, plain);
        const double exact = mtot - top.dm(rcore) - mcore;
        SCOPED_TRACE(i);
        if (end == OdeEnd::reached_x2) {
            EXPECT_EQ(steer, plain);
            EXPECT_NEAR(plain, exact, 1e-9 * mtot);
        } else {
            ASSERT_EQ(end, OdeEnd::mass_exhausted);
            ++exhausted;
            EXPECT_LT(steer, plain);
            EXPECT_GT(steer, exact);
        }
        if (i > 0) {
            EXPECT_LT(steer, prev);
        }
        prev = steer;
    }
    EXPECT_GE(exhausted, 8);
}

}  // namespace
}  // namespace velkaro::structure
