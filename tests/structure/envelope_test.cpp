// The structure equations and the initial structure search, checked against
// the physical laws they solve: the stored structure must satisfy hydrostatic
// equilibrium and mass continuity when integrated independently of the
// solver, follow the adiabat where convective, and conserve mass.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <thread>

#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "eos/eos.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/views.hpp"
#include "atmosphere/classify.hpp"
#include "structure/equations.hpp"

using namespace velkaro;
using namespace velkaro::structure;

namespace {

void point_at_data(RunContext& ctx) {
    ctx.path.path_tableseos = std::string(VELKARO_DATA_DIR) + "/eos/";
    ctx.path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
    eos::loadeos(ctx.eos, ctx.path);
}

// The Jupiter example's planet (hot start, 1e5 Jupiter luminosities), found once.
struct JupiterStart {
    RunContext ctx;
    std::ostringstream out;
    std::unique_ptr<PlanetState> s = std::make_unique<PlanetState>();
    explicit JupiterStart(double Linit_LJ = 1e5) {
        ctx.console.out = &out;
        point_at_data(ctx);
        s->Mcore = 10 * cst::Mearth;
        s->Mtotale = 317.8285 * cst::Mearth;
        s->Mstar = cst::Msun;
        s->aplanete = 5.2 * cst::AU;
        s->YHe = 0.27;
        s->fract_ice = 0.5;
        s->Linit = Linit_LJ * cst::Ljup;
        ctx.dbdboundary.tauoutorig = 2.0 / 3.0;
        find_initial_structure(ctx, *s);
    }
};

// Computed once for the whole suite: the hot start and today's luminosity.
const JupiterStart& jupiter() {
    static const JupiterStart j;
    return j;
}
const JupiterStart& jupiter_now() {
    static const JupiterStart j(1.0);
    return j;
}

// The effective temperature (L / (4 pi R^2 sigma))^(1/4) at the top of a structure [K].
double teff(const PlanetState& s) {
    const double R = s.x(kR, s.nf);
    return std::pow(s.x(kL, s.nf) / (12.566370616 * R * R * 5.6735730625000006e-05), 0.25);
}

// The EOS at shell i of a structure.
eos::EosOut eos_at(const RunContext& ctx, const PlanetState& s, int i) {
    eos::EosOut e;
    eos::eos(ctx.eos, 0.0, s.YHe, s.x(kP, i), s.x(kT, i), e);
    return e;
}

}  // namespace

TEST(InitialStructure, ShellsRunFromTheCoreWithExactCoreMass) {
    const auto& j = jupiter();
    const PlanetState& s = *j.s;
    ASSERT_GT(s.nf, 50);
    EXPECT_EQ(s.masse(1), s.Mcore);
    EXPECT_NEAR(s.masse(s.nf), s.Mtotale, 1e-12 * s.Mtotale);
    for (int i = 2; i <= s.nf; ++i) {
        ASSERT_GT(s.x(kR, i), s.x(kR, i - 1)) << i;
        EXPECT_LE(s.x(kTau, i), s.x(kTau, i - 1)) << i;
        EXPECT_EQ(s.x(kL, i), s.x(kL, 1));  // constant luminosity
    }
    // The inner radius is the core radius of the last pass's density.
    EXPECT_NEAR(s.x(kR, 1), std::cbrt(s.Mcore / (cst::fourpi_3 * s.rhocore)), 1e-3 * s.x(kR, 1));
    EXPECT_EQ(s.x(kP, s.nf), 1e8);  // the boundary at 100 bar
}

TEST(InitialStructure, SatisfiesHydrostaticEquilibriumAndMassContinuity) {
    // Integrate dP/dr = -G m rho / r^2 and dm/dr = 4 pi r^2 rho by the
    // trapezoidal rule over the stored shells, with densities from the EOS,
    // and compare with the stored pressures and masses.
    const auto& j = jupiter();
    const PlanetState& s = *j.s;
    const RunContext& ctx = j.ctx;
    double worst_p = 0, worst_m = 0;
    double rho_hi = eos_at(ctx, s, s.nf).rho;
    for (int i = s.nf - 1; i >= 1; --i) {
        const double rho_lo = eos_at(ctx, s, i).rho;
        const double r1 = s.x(kR, i), r2 = s.x(kR, i + 1), dr = r2 - r1;
        const double g1 = 6.67e-8 * s.masse(i) * rho_lo / (r1 * r1), g2 = 6.67e-8 * s.masse(i + 1) * rho_hi / (r2 * r2);
        const double dp = 0.5 * (g1 + g2) * dr;
        const double dm = 0.5 * 12.56637061 * (r1 * r1 * rho_lo + r2 * r2 * rho_hi) * dr;
        worst_p = std::max(worst_p, std::fabs((s.x(kP, i) - s.x(kP, i + 1)) / dp - 1));
        if (dm > 1e-6 * s.Mtotale) worst_m = std::max(worst_m, std::fabs((s.masse(i + 1) - s.masse(i)) / dm - 1));
        rho_hi = rho_lo;
    }
    // The trapezoidal rule on the recorded points is good to a few 1e-4.
    EXPECT_LT(worst_p, 3e-3);
    EXPECT_LT(worst_m, 3e-3);
}

TEST(InitialStructure, JupiterRegression) {
    // Stored from the first version of the structure search, so that any
    // change that moves the initial Jupiter is seen (and then explained).
    const PlanetState& s = *jupiter().s;
    EXPECT_NEAR(s.x(kR, s.nf) / cst::Rjup, 1.68597, 2e-4);
    EXPECT_NEAR(s.x(kP, 1) / 1.0396e13, 1.0, 2e-3);    // pressure at the core [dyn cm^-2]
    EXPECT_NEAR(s.x(kT, 1) / 58774.3, 1.0, 2e-3);      // temperature at the core [K]
    EXPECT_NEAR(s.x(kT, s.nf) / 4131.63, 1.0, 1e-3);   // boundary temperature at 100 bar
    // One shell per integration step: 477 with the plain step control, 463
    // since steps are cut at the EOS cell seams instead of being rejected there.
    EXPECT_NEAR(s.nf, 463, 10);
}

TEST(InitialStructure, PresentJupiterLuminosityGivesJupitersRadius) {
    // At Jupiter's own luminosity the structure should be Jupiter-sized and
    // its effective temperature near the observed intrinsic ~100 K.
    const PlanetState& s = *jupiter_now().s;
    EXPECT_NEAR(s.x(kR, s.nf) / cst::Rjup, 1.0, 0.05);
    EXPECT_NEAR(teff(s), 100.0, 5.0);
}

TEST(InitialStructure, TwoPlanetsInTwoThreadsMatchSeparateRuns) {
    // Every run keeps its own context: two searches at once give bit for bit
    // what each gives alone.
    std::unique_ptr<JupiterStart> a, b;
    std::thread ta([&] { a = std::make_unique<JupiterStart>(1e5); });
    std::thread tb([&] { b = std::make_unique<JupiterStart>(1.0); });
    ta.join();
    tb.join();
    for (const auto& [run, alone] : {std::pair{a.get(), &jupiter()}, std::pair{b.get(), &jupiter_now()}}) {
        ASSERT_EQ(run->s->nf, alone->s->nf);
        for (int i = 1; i <= alone->s->nf; ++i)
            for (int k = 1; k <= 5; ++k) ASSERT_EQ(run->s->x(k, i), alone->s->x(k, i)) << k << " " << i;
        EXPECT_EQ(run->out.str(), alone->out.str());
    }
}

TEST(StructureEquations, LuminosityProfileSignsAndRepairs) {
    RunContext ctx;
    point_at_data(ctx);
    std::ostringstream out;
    ctx.console.out = &out;
    const double lumi[3] = {1e24, 2e24, 4e24}, mass[3] = {1e30, 1.5e30, 2e30};
    EnvelopeEquations eq{ctx.eos, opacity_law(ctx), ctx.structure, false, ctx.console, 0.27, {lumi, mass, 3}};
    State y, dydx;
    auto at_mass = [&](double m) {
        y = State{{1e10, 2000, m, -1, 10}};
        eq(7e9, y, dydx);
        return y(4);
    };
    EXPECT_DOUBLE_EQ(at_mass(1.25e30), 1.5e24);
    EXPECT_EQ(at_mass(0.5e30), 1e24);  // below the profile
    EXPECT_EQ(at_mass(3e30), 4e24);    // above it
    eq.lconst = true;  // constant luminosity: the outer value
    EXPECT_EQ(at_mass(1.25e30), 4e24);
    // The equations' signs: P and T rise inward, mass grows outward, tau inward.
    EXPECT_TRUE(dydx(1) < 0 && dydx(2) < 0 && dydx(3) > 0 && dydx(5) < 0)
        << dydx(1) << " " << dydx(2) << " " << dydx(3) << " " << dydx(5);
    EXPECT_TRUE(out.str().empty());
    // A non-positive temperature is reported and repaired; so is a negative depth.
    y(2) = -5;
    y(5) = -1;
    eq(7e9, y, dydx);
    EXPECT_EQ(y(2), 10.0);
    EXPECT_NE(out.str().find("Negative T or P or L in derivee !"), std::string::npos);
    EXPECT_NE(out.str().find("PROBLEME: Tau negative"), std::string::npos);
    EXPECT_TRUE(std::isfinite(dydx(1)) && std::isfinite(dydx(2)));
}
