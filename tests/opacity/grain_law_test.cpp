// The analytic grain-and-gas opacity law, checked against its eight power
// laws written in physical units (T in K, rho in g cm^-3) at points deep in
// each regime, for continuity where the regimes meet, and for the grain
// reduction factor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "opacity/opacity.hpp"
#include "run/context.hpp"

namespace {

using namespace velkaro;
using namespace velkaro::opacity;

// The absorbers as power laws of T [K] and rho [g cm^-3], opacity in cm^2 g^-1.
double ice(double T) { return 2e-4 * T * T; }
double icesub(double T) { return 2e16 * std::pow(T, -7.0); }
double metal(double T) { return 0.1 * std::sqrt(T); }
double metalevap(double rho, double T) { return 2e81 * rho * std::pow(T, -24.0); }
double molecules(double rho, double T) { return 1e-8 * std::pow(rho, 2.0 / 3.0) * std::pow(T, 3.0); }
double hminus(double rho, double T) { return 1e-36 * std::cbrt(rho) * std::pow(T, 10.0); }
double boundfree(double rho, double T) { return 1.5e20 * rho * std::pow(T, -2.5); }
constexpr double electron = 0.348;

// Regime boundaries of the law [K].
double Ta(double rho) { return 1460.0 * std::pow(rho, 0.028369); }
double Tb(double rho) { return 4510.0 * std::pow(rho, 0.011464); }
double Tc(double rho) { return 2.37e6 * std::pow(rho, 0.22667); }

double rel(double a, double b) { return std::abs(a / b - 1.0); }

// Deep inside a regime one absorber dominates and the joined law must
// reduce to it.
TEST(GrainLaw, EachRegimeReducesToItsPowerLaw) {
    struct Case {
        const char* regime;
        double rho, T, expected, tol;
    };
    const Case cases[] = {
        {"ice grains", 1e-9, 30.0, ice(30.0), 1e-9},
        {"metal grains", 1e-6, 700.0, metal(700.0), 1e-6},
        {"metal-grain evaporation", 1e-6, 1500.0, metalevap(1e-6, 1500.0), 1e-5},
        // molecules, with the damping towards the grain regime written as
        // 1 / (1 + 6.561e29 rho^(2/3) T^-8)
        {"molecules", 1e-6, 3500.0,
         molecules(1e-6, 3500.0) / (1.0 + 6.561e29 * std::pow(1e-6, 2.0 / 3.0) * std::pow(3500.0, -8.0)), 1e-6},
        {"H-", 1e-4, 8000.0, hminus(1e-4, 8000.0), 1e-4},
        {"bound-free/free-free", 1e-4, 5e4, boundfree(1e-4, 5e4), 1e-6},
        {"electron scattering", 1e-8, 1e6, electron, 1e-6},
        {"Kramers plus scattering", 1e-8, 5e4,
         std::pow(std::pow(boundfree(1e-8, 5e4), 4) + std::pow(electron, 4), 0.25), 1e-9},
    };
    for (const Case& c : cases) {
        const double k = opb91(c.rho, c.T);
        EXPECT_LT(rel(k, c.expected), c.tol) << c.regime << ": kappa " << k << " expected " << c.expected;
    }
    // Where ice sublimates no single term dominates: the ice terms join as
    // a harmonic square sum, the metal grains (cut off by 1 + 1e22 T^-10)
    // as a fourth-power sum.
    const double T = 180.0;
    const double k12 = ice(T) * ice(T) * icesub(T) * icesub(T) / (ice(T) * ice(T) + icesub(T) * icesub(T));
    const double k3c = metal(T) / (1.0 + 1e22 * std::pow(T, -10.0));
    EXPECT_LT(rel(opb91(1e-8, T), std::pow(std::pow(k3c, 4) + k12 * k12, 0.25)), 1e-12);
    // ... and the opacity falls with temperature across the sublimation.
    EXPECT_GT(opb91(1e-8, 175.0), 1.8 * opb91(1e-8, 200.0));
}

TEST(GrainLaw, ContinuousWhereMetalGrainsEvaporate) {
    for (double lr = -14.0; lr <= 0.0; lr += 0.25) {
        const double rho = std::pow(10.0, lr), t = Ta(rho);
        EXPECT_LT(rel(opb91(rho, t * (1 + 1e-9)), opb91(rho, t * (1 - 1e-9))), 5e-3) << "rho " << rho;
    }
}

// The molecular and H- laws are joined at Tb, which follows the curve on
// which they agree only for 1e-7 <= rho <= 1e-4; further out the fit of Tb
// leaves a step (a factor 2 at 0.1 g cm^-3), a property of the law itself.
TEST(GrainLaw, ContinuousWhereMoleculesGiveWayToHminus) {
    for (double lr = -7.0; lr <= -4.0; lr += 0.25) {
        const double rho = std::pow(10.0, lr), t = Tb(rho);
        EXPECT_LT(rel(opb91(rho, t * (1 + 1e-9)), opb91(rho, t * (1 - 1e-9))), 0.05) << "rho " << rho;
    }
}

// Ionised gas: the bound-free/free-free law, then with electron scattering
// above Tc (and above 1e4 K). Below 1e-10 g cm^-3, where Tc < 1e4 K, electron
// scattering sets in abruptly at 1e4 K, far from any planetary envelope.
TEST(GrainLaw, ContinuousWhereTheGasIonises) {
    for (double lr = -10.0; lr <= 0.0; lr += 0.25) {
        const double rho = std::pow(10.0, lr), t = std::max(Tc(rho), 1e4);
        if (t < Tb(rho)) continue;
        EXPECT_LT(rel(opb91(rho, t * (1 + 1e-9)), opb91(rho, t * (1 - 1e-9))), 0.01) << "rho " << rho;
    }
}

TEST(GrainLaw, ColderThanOneKelvinIsTenKelvin) {
    for (double rho : {1e-12, 1e-6, 1e-2}) {
        EXPECT_EQ(opb91(rho, 0.5), opb91(rho, 10.0));
        EXPECT_EQ(opb91(rho, -20.0), opb91(rho, 10.0));
        EXPECT_EQ(opb91_scale(rho, 0.0, 1e-3), opb91_scale(rho, 10.0, 1e-3));
    }
}

TEST(GrainLaw, ReducedGrains) {
    const double pts[][2] = {{1e-9, 30}, {1e-6, 700}, {1e-3, 1100}, {1e-6, 1500}, {1e-6, 3500},
                             {1e-4, 8000}, {1e-8, 1e6}, {1e-2, 300}, {1e-11, 2e4}};
    for (const auto& p : pts) EXPECT_EQ(opb91_scale(p[0], p[1], 1.0), opb91(p[0], p[1]));

    // Below Ta all absorbers are grains: the opacity scales with the factor.
    for (double f : {0.5, 1e-3, 1e-20})
        for (double T : {20.0, 150.0, 180.0, 600.0}) {
            const double rho = 1e-7;
            ASSERT_LT(T, Ta(rho));
            EXPECT_LT(rel(opb91_scale(rho, T, f), f * opb91(rho, T)), 1e-12) << "f " << f << " T " << T;
        }

    // Between Ta and Tb only the metal grains go: the molecules remain.
    const double rho = 1e-6, T = 1200.0;
    const double k5a = molecules(rho, T) / (1.0 + 6.561e29 * std::pow(rho, 2.0 / 3.0) * std::pow(T, -8.0));
    EXPECT_LT(rel(opb91_scale(rho, T, 1e-20), k5a), 1e-6);
    EXPECT_GT(opb91(rho, T), 100.0 * k5a);

    // Above Tb there are no grains and the factor changes nothing.
    for (const auto& p : {std::pair{1e-4, 8000.0}, {1e-8, 1e6}, {1e-10, 4000.0}, {1e-2, 2e4}}) {
        ASSERT_GT(p.second, Tb(p.first));
        EXPECT_EQ(opb91_scale(p.first, p.second, 1e-20), opb91(p.first, p.second));
    }
}

// The envelope opacity: the larger of the grain law and the gas table.
TEST(EnvelopeOpacity, LargerOfGrainLawAndGasTable) {
    OpacityContext oc;
    // Hotter than the gas tables: the grain law alone, reduced or not.
    for (double rho : {1e-10, 1e-6, 1e-3, 1e-1})
        for (double T : {4000.5, 5000.0, 1e4, 1e5}) {
            EXPECT_EQ(opacites_v1(oc, 0.0, rho, T, 1.0, false), opb91(rho, T));
            EXPECT_EQ(opacites_v1(oc, 1.0, rho, T, 1e-20, true), opb91_scale(rho, T, 1e-20));
        }
    // Cold gas: with the grains reduced to nothing the gas table decides;
    // with full grains the ice grains, far more opaque, do.
    for (double T : {50.0, 100.0, 150.0}) {
        EXPECT_EQ(opacites_v1(oc, 0.0, 1e-8, T, 1e-20, true), opafreedman2013(oc, 0.0, 1e-8, T));
        EXPECT_EQ(opacites_v1(oc, 0.0, 1e-8, T, 1.0, false), opb91(1e-8, T));
        EXPECT_GT(opb91(1e-8, T), 1e3 * opafreedman2013(oc, 0.0, 1e-8, T));
    }
    // Below 1 K both laws see 10 K; the gas table then falls as T^2 from 75 K.
    EXPECT_EQ(opacites_v1(oc, 0.0, 1e-8, 0.3, 1e-20, true), opafreedman2013(oc, 0.0, 1e-8, 10.0));
    EXPECT_EQ(opacites_v1(oc, 0.0, 1e-8, 0.3, 1.0, false), opb91(1e-8, 10.0));
    // A grain law that is not a number leaves the gas value: at zero density
    // the grain terms are 0/0, the table gives 0.
    ASSERT_TRUE(std::isnan(opb91(0.0, 300.0)));
    EXPECT_EQ(opacites_v1(oc, 0.0, 0.0, 300.0, 1.0, false), 0.0);
    // Input that is not a number stays not a number.
    EXPECT_TRUE(std::isnan(opacites_v1(oc, 0.0, -1e-8, 300.0, 1.0, false)));
    EXPECT_TRUE(std::isnan(opacites_v1(oc, 0.0, std::numeric_limits<double>::quiet_NaN(), 300.0, 1.0, false)));
}

TEST(EnvelopeOpacity, ReadsTheRunSettings) {
    RunContext ctx;  // grains reduced to 1e-20, as every run starts
    ctx.opacity.metallicity = 1.0;
    ctx.opacity.opacityscale = 3.0;
    OpacityContext fresh;
    const double pts[][2] = {{1e-8, 100}, {1e-6, 1000}, {1e-3, 2000}, {1e-2, 6000}};
    for (const auto& p : pts) {
        const double k = opacites(ctx, p[0], p[1]);
        EXPECT_EQ(k, 3.0 * opacites_v1(fresh, 1.0, p[0], p[1], 1e-20, true));
        EXPECT_EQ(opacites_v1(ctx, p[0], p[1], 1e-20, true) * 3.0, k);
        EXPECT_EQ(opacites(ctx.opacity, ctx.common, ctx.opa, p[0], p[1]), k);
    }
    ctx.common.redopagrains = false;
    EXPECT_EQ(opacites(ctx, 1e-8, 100.0), 3.0 * opb91(1e-8, 100.0));
}

}  // namespace
