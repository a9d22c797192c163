// Core energy: the uniform-sphere limits, the thermal energy against a
// direct quadrature, and the luminosities of a step.
#include <gtest/gtest.h>

#include <cmath>

#include "common/fatal.hpp"
#include "common/model_state.hpp"
#include "core/core.hpp"

using namespace velkaro;
using namespace velkaro::core;

namespace {
constexpr double kG = 6.67e-8;
constexpr double kMearth = 5.97424e27;

// Integral of rho_mean c T(r) over the sphere, T(r) = Tb exp(q (1 - r^2/R^2)),
// by composite Simpson's rule.
double thermal_quadrature(double R, double M, double Tb, double c, double q) {
    const int n = 4000;
    const double rho = M / (4.0 / 3.0 * M_PI * R * R * R);
    auto f = [&](double r) { return 4.0 * M_PI * r * r * rho * c * Tb * std::exp(q * (1.0 - r * r / (R * R))); };
    double s = f(0.0) + f(R);
    for (int i = 1; i < n; ++i) s += (i % 2 ? 4.0 : 2.0) * f(R * i / n);
    return s * (R / n) / 3.0;
}
}  // namespace

// The core is a uniform sphere: gravitational energy -(3/5) G M^2 / R and,
// in hydrostatic equilibrium, Pc - Psurf = (2 pi / 3) G rho^2 R^2. The
// expansion coefficients reach their caps below about 7.8e9 dyn/cm2 (ice) and
// 1.8e11 (rock); the thermal energy integrates the adiabatic profile they
// set, on either side of the switch from the closed form to its series at
// q = 1e-3 and in the weak-gravity limit c M T (1 + 2q/5).
TEST(CoreEnergy, UniformSphereAndThermalEnergyIsTheIntegralOverTheProfile) {
    EXPECT_EQ(alpha_ice(7.7e9), 1e-4);
    EXPECT_LT(alpha_ice(7.9e9), 1e-4);
    EXPECT_EQ(alpha_rock(1.7e11), 1.5e-5);
    EXPECT_LT(alpha_rock(1.8e11), 1.5e-5);
    struct Case {
        double R, M, T, P, f;
    };
    const auto Rq = [](double q) { return kG * 10 * kMearth * 2e-6 / (2 * 1e7 * q); };  // pure rock at 1e13
    const Case cases[] = {{6.371e8, kMearth, 3000.0, 1e11, 0.0},    {1.2e9, 10 * kMearth, 6000.0, 1e13, 0.5},
                          {2.0e9, 50 * kMearth, 20000.0, 1.0, 1.0}, {3.0e8, 0.1 * kMearth, 500.0, 1e15, 0.2},
                          {Rq(0.999e-3), 10 * kMearth, 800.0, 1e13, 0.0}, {Rq(1.001e-3), 10 * kMearth, 800.0, 1e13, 0.0}};
    for (const auto& k : cases) {
        const CoreEnergy e = calcecore(k.R, k.M, k.T, k.P, k.f);
        const double c = k.f * 6e7 + (1 - k.f) * 1e7;
        const double q = kG * k.M * (k.f * alpha_ice(k.P) + (1 - k.f) * alpha_rock(k.P)) / (2 * c * k.R);
        // The closed form carries a rounded pi in sqrt(pi/2): relative error
        // about 1.3e-10 / q from the cancellation of its two terms.
        EXPECT_NEAR(e.EthermCore, thermal_quadrature(k.R, k.M, k.T, c, q), std::max(1e-9, 2e-10 / q) * e.EthermCore)
            << k.M << " " << q;
        const double rho = k.M / (4.0 / 3.0 * M_PI * std::pow(k.R, 3)), dP = 2.0 * M_PI / 3.0 * kG * rho * rho * k.R * k.R;
        EXPECT_NEAR(e.Pcentral - std::max(k.P, 1.0), dP, 1e-8 * dP + 1e-15 * k.P) << k.M;
        EXPECT_NEAR(e.EgravCore, -0.6 * kG * k.M * k.M / k.R, 1e-12 * -e.EgravCore);
    }
    EXPECT_NEAR(calcecore(6.371e8, kMearth, 3000.0, 1e11, 0.0).EgravCore, -2.24e39, 0.005e39);  // the Earth's
    const double M = 1e22, R = 1.5e7, q = kG * M * 2e-6 / (2 * 1e7 * R);
    EXPECT_NEAR(calcecore(R, M, 800.0, 1e13, 0.0).EthermCore / (1e7 * M * 800.0), 1.0 + 0.4 * q, 1e-10);
    // Surface values below one (or not a number) count as one; no radius stops.
    const CoreEnergy ref = calcecore(8e8, 2 * kMearth, 1.0, 1.0, 0.3);
    for (const auto& [T, P] : {std::pair{0.5, 1.0}, {1.0, -3.0}, {NAN, NAN}}) {
        const CoreEnergy e = calcecore(8e8, 2 * kMearth, T, P, 0.3);
        EXPECT_EQ(e.EthermCore, ref.EthermCore);
        EXPECT_EQ(e.Pcentral, ref.Pcentral);
    }
    EXPECT_THROW(calcecore(0.0, kMearth, 1000.0, 1e10, 0.0), FatalError);
}

// The core cools and contracts over a step: both release energy, and L dt is
// the energy lost. Nothing changed, nothing is radiated.
TEST(CoreCooling, LuminositiesOfAStep) {
    const CoreEnergy e = calcecore(7e8, 3 * kMearth, 4000.0, 1e12, 0.4);
    const CoreEnergy later = calcecore(6.99e8, 3 * kMearth, 3900.0, 1e12, 0.4);
    PlanetState s;
    s.EgravCoreold = e.EgravCore;
    s.EthermCoreold = e.EthermCore;
    s.EgravCore = later.EgravCore;
    s.EthermCore = later.EthermCore;
    s.Eintenv = -1e39;  // from 0
    s.dt = 3.15576e13;
    lcorecool(s);
    EXPECT_GT(s.LgravCore, 0.0);
    EXPECT_GT(s.LthermCore, 0.0);
    EXPECT_NEAR(s.Lcoolcore * s.dt, e.Ecore - later.Ecore, 1e-12 * std::abs(e.Ecore));
    EXPECT_DOUBLE_EQ(s.Lintenv * s.dt, 1e39);
    EXPECT_EQ(lcorecool(e.EgravCore, e.EthermCore, e.EgravCore, e.EthermCore, 1.0, 4e40, 4e40, 0, 0).Lcoolcore, 0.0);
    EXPECT_THROW(lcorecool(e.EgravCore, e.EthermCore, e.EgravCore, e.EthermCore, 0.0, 4e40, 4e40, 0, 0), FatalError);
}
