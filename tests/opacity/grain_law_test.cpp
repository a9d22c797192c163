// The analytic grain-and-gas opacity law, checked against its power laws
// written in physical units (T in K, rho in g cm^-3) deep in each regime, for
// continuity where the regimes meet and for the grain reduction factor; and
// the envelope opacity that takes the larger of it and the gas tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "opacity/opacity.hpp"

namespace {

using namespace velkaro;
using namespace velkaro::opacity;

// The absorbers as power laws of T [K] and rho [g cm^-3], opacity in cm^2 g^-1.
double ice(double T) { return 2e-4 * T * T; }
double metal(double T) { return 0.1 * std::sqrt(T); }
double metalevap(double rho, double T) { return 2e81 * rho * std::pow(T, -24.0); }
// Molecules, damped towards the grain regime.
double molecules(double rho, double T) {
    const double r23 = std::pow(rho, 2.0 / 3.0);
    return 1e-8 * r23 * std::pow(T, 3.0) / (1.0 + 6.561e29 * r23 * std::pow(T, -8.0));
}
double hminus(double rho, double T) { return 1e-36 * std::cbrt(rho) * std::pow(T, 10.0); }
double boundfree(double rho, double T) { return 1.5e20 * rho * std::pow(T, -2.5); }
constexpr double electron = 0.348;

// Regime boundaries of the law [K].
double Ta(double rho) { return 1460.0 * std::pow(rho, 0.028369); }
double Tb(double rho) { return 4510.0 * std::pow(rho, 0.011464); }
double Tion(double rho) { return std::max(2.37e6 * std::pow(rho, 0.22667), 1e4); }

double rel(double a, double b) { return std::abs(a / b - 1.0); }

// Deep inside a regime one absorber dominates and the joined law reduces to it.
TEST(GrainLaw, EachRegimeReducesToItsPowerLaw) {
    struct Case {
        const char* regime;
        double rho, T, expected, tol;
    };
    const Case cases[] = {
        {"ice grains", 1e-9, 30.0, ice(30.0), 1e-9},
        {"metal grains", 1e-6, 700.0, metal(700.0), 1e-6},
        {"metal-grain evaporation", 1e-6, 1500.0, metalevap(1e-6, 1500.0), 1e-5},
        {"molecules", 1e-6, 3500.0, molecules(1e-6, 3500.0), 1e-6},
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
    // Where ice sublimates the opacity falls steeply with temperature.
    EXPECT_GT(opb91(1e-8, 175.0), 1.8 * opb91(1e-8, 200.0));
}

// No step where the regimes meet. The molecular and H- laws agree on Tb only
// for 1e-7 <= rho <= 1e-4; further out the fit of Tb leaves a step (a factor 2
// at 0.1 g cm^-3), a property of the law itself. Below 1e-10 g cm^-3 electron
// scattering sets in abruptly at 1e4 K, far from any planetary envelope.
TEST(GrainLaw, ContinuousWhereTheRegimesMeet) {
    auto step = [](double (*join)(double), double lr) {
        const double rho = std::pow(10.0, lr), t = join(rho);
        return rel(opb91(rho, t * (1 + 1e-9)), opb91(rho, t * (1 - 1e-9)));
    };
    for (double lr = -14.0; lr <= 0.0; lr += 0.25) EXPECT_LT(step(Ta, lr), 5e-3) << "metal grains go, log rho " << lr;
    for (double lr = -7.0; lr <= -4.0; lr += 0.25) EXPECT_LT(step(Tb, lr), 0.05) << "molecules go, log rho " << lr;
    for (double lr = -10.0; lr <= 0.0; lr += 0.25) EXPECT_LT(step(Tion, lr), 0.01) << "gas ionises, log rho " << lr;
}

TEST(EnvelopeOpacity, LargerOfGrainLawAndGasTable) {
    OpacityContext oc;
    // Cold gas: with the grains reduced to nothing the gas table decides;
    // with full grains the ice grains, far more opaque, do.
    for (double T : {50.0, 150.0}) {
        EXPECT_EQ(opacites_v1(oc, 0.0, 1e-8, T, 1e-20, true), opafreedman2013(oc, 0.0, 1e-8, T));
        EXPECT_EQ(opacites_v1(oc, 0.0, 1e-8, T, 1.0, false), opb91(1e-8, T));
        EXPECT_GT(opb91(1e-8, T), 1e3 * opafreedman2013(oc, 0.0, 1e-8, T));
    }
    // Below 1 K both laws see 10 K (the gas table then falls as T^2 from 75 K).
    EXPECT_EQ(opb91_scale(1e-8, -20.0, 1e-3), opb91_scale(1e-8, 10.0, 1e-3));
    EXPECT_EQ(opacites_v1(oc, 0.0, 1e-8, 0.3, 1e-20, true), opafreedman2013(oc, 0.0, 1e-8, 10.0));
    // A grain law that is not a number leaves the gas value: at zero density
    // the grain terms are 0/0, the table gives 0. Input that is not a number
    // stays not a number.
    ASSERT_TRUE(std::isnan(opb91(0.0, 300.0)));
    EXPECT_EQ(opacites_v1(oc, 0.0, 0.0, 300.0, 1.0, false), 0.0);
    EXPECT_TRUE(std::isnan(opacites_v1(oc, 0.0, -1e-8, 300.0, 1.0, false)));
    EXPECT_TRUE(std::isnan(opacites_v1(oc, 0.0, std::numeric_limits<double>::quiet_NaN(), 300.0, 1.0, false)));
    // A run reads its metallicity, grain setting and opacity scale.
    OpacityModule settings;
    settings.metallicity = 1.0;
    settings.opacityscale = 3.0;
    CommonModule common;  // grains reduced to 1e-20, as every run starts
    OpacityContext gas;
    const OpacityLaw law{settings, common, gas};
    EXPECT_EQ(opacites(law, 1e-8, 100.0), 3.0 * opafreedman2013(oc, 1.0, 1e-8, 100.0));
    common.redopagrains = false;
    EXPECT_EQ(opacites(law, 1e-8, 100.0), 3.0 * opb91(1e-8, 100.0));
    // The structure equations hand over log10 rho and ln T, which the
    // opacity would otherwise take itself: the same numbers to rounding in
    // every regime, with and without grain reduction, and below 1 K (seen as
    // 10 K).
    for (bool reduced : {false, true}) {
        common.redopagrains = reduced;
        for (double lr = -14; lr <= 1; lr += 0.37)
            for (double T : {0.5, 30.0, 200.0, 1200.0, 2500.0, 4000.0, 6000.0, 1.5e4, 1e5, 3e6}) {
                const double rho = std::pow(10.0, lr);
                const double k = opacites(law, rho, T);
                EXPECT_NEAR(opacites_lr(law, rho, std::log10(rho), T, std::log(T)), k, 1e-12 * k) << rho << ' ' << T;
            }
    }
}

}  // namespace
