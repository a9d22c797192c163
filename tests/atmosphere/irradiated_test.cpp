// The irradiated atmosphere: the Guillot (2010) profile against its closed
// forms, and the column integrated with the envelope's EOS and opacity
// against the grey Eddington atmospheres the entropy grid is made of.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "atmosphere/boundary.hpp"
#include "atmosphere/entropy_grid.hpp"
#include "atmosphere/grey_atmosphere.hpp"
#include "atmosphere/irradiated.hpp"
#include "atmosphere/opacity_ratios.hpp"
#include "common/fatal.hpp"
#include "eos/eos.hpp"
#include "eos/eos_test_util.hpp"

using namespace velkaro;
using namespace velkaro::atmosphere;

TEST(GuillotProfile, ClosedFormLimits) {
    const double sqrt3 = std::sqrt(3.0);
    // No star: the grey Eddington profile of the entropy grid.
    for (double tint : {50.0, 300.0, 1500.0})
        for (double tau : {0.0, 0.1, 2.0 / 3.0, 10.0, 1e4})
            for (double gamma : {0.005, 0.4, 3.0})
                EXPECT_NEAR(guillot_temperature(tau, tint, 0.0, gamma) / eddington_temperature(tint, tau), 1.0, 1e-14);
    for (double teq : {100.0, 1300.0, 2000.0})
        for (double gamma : {0.01, 0.4, 1.0, 3.0}) {
            const double tint = 150, ti4 = std::pow(tint, 4), te4 = std::pow(teq, 4);
            // Deep (gamma tau >> 1): diffusion of the intrinsic flux alone, on
            // top of the constant 3/4 Teq^4 (2/3 + 1/(gamma sqrt3)).
            const double deep = 200 / gamma;
            EXPECT_NEAR(guillot_dt4_dtau(deep, tint, teq, gamma) / (0.75 * ti4), 1.0, 1e-12);
            EXPECT_NEAR((guillot_t4(deep, tint, teq, gamma) - 0.75 * ti4 * (deep + 2.0 / 3.0)) /
                            (0.75 * te4 * (2.0 / 3.0 + 1.0 / (gamma * sqrt3))),
                        1.0, 1e-9);
            // The derivative is the profile's: a centred difference.
            for (double tau : {0.05, 1.0, 30.0}) {
                const double d = 1e-4 * tau;
                const double fd = (guillot_t4(tau + d, tint, teq, gamma) - guillot_t4(tau - d, tint, teq, gamma)) / (2 * d);
                EXPECT_NEAR(fd / guillot_dt4_dtau(tau, tint, teq, gamma), 1.0, 1e-6);
            }
        }
    // gamma < 1 (starlight absorbed deep) warms the deep layers; gamma > 1
    // heats the top: a thermal inversion, T falling with depth near tau = 0.
    EXPECT_GT(guillot_temperature(100, 100, 1500, 0.1), guillot_temperature(100, 100, 1500, 3.0));
    EXPECT_LT(guillot_dt4_dtau(0, 100, 1500, 3.0), 0);
    EXPECT_GT(guillot_dt4_dtau(0, 100, 1500, 0.3), 0);
}

namespace {

class IrradiatedColumnTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tables_ = eostest::shipped();
    }
    void SetUp() override { ec.tables = tables_; }
    static std::shared_ptr<const eos::EosTables> tables_;
    eos::EosContext ec;
    OpacityModule opacity;
    CommonModule common;
    opacity::OpacityContext gas;
    const opacity::OpacityLaw opa{opacity, common, gas};
    // The outer boundary as the structure searches get it, irradiated.
    AtmosphereContext atm;
    PathModule path;
    DbdboundaryModule boundary;
    DbdtempModule temps;
    DualbandModule dualband{.irradiated = true};
    Console io;
    const BoundaryModel bm{atm, path, boundary, temps, dualband, ec, opa, io};
};
std::shared_ptr<const eos::EosTables> IrradiatedColumnTest::tables_;

}  // namespace

TEST_F(IrradiatedColumnTest, WithoutStarItIsTheGreyAtmosphereOfTheGrid) {
    // The grey atmospheres of the entropy grid with the same opacity law:
    // the temperature at 100 bar, the radiative-convective boundary of the
    // deep convective layer; the boundary at the deepest pressure asked for.
    GreySettings at100, deep;
    at100.p_bottom = 1e8;
    deep.p_bottom = 1e11;
    GreyAtmosphere grey100(tables_, at100), greydeep(tables_, deep);
    for (auto [g, tint] : {std::pair{2500.0, 100.0}, {2500.0, 400.0}, {1000.0, 60.0}, {30000.0, 1000.0}}) {
        const IrradiatedColumn c = irradiated_column(ec, opa, g, tint, 0.0, 0.1, 0.27, 1e8, 1e11);
        const GreyResult r = grey100.solve(g, tint), d = greydeep.solve(g, tint);
        EXPECT_NEAR(c.hundred_bar.T / r.t, 1.0, 2e-3) << "g " << g << " Tint " << tint;
        EXPECT_EQ(c.convective, d.convective);
        if (d.convective) {
            EXPECT_NEAR(std::log(c.p_rcb / d.p_rcb), 0.0, 0.15);
        }
        EXPECT_EQ(c.boundary.P, 1e11);
        EXPECT_TRUE(c.photosphere.found);
        EXPECT_NEAR(c.photosphere.T / tint, 1.0, 1e-3);  // Eddington: T(2/3) = Teff
        EXPECT_NEAR(c.one_bar.P, 1e6, 1e-6);
    }
}

TEST_F(IrradiatedColumnTest, StarlightHeatsTheBoundaryAndLiftsThePhotosphere) {
    const double g = 2500, tint = 100, M = 1.9e30, R = 7.3e9;
    const IrradiatedColumn cold = irradiated_column(ec, opa, g, tint, 0.0, 0.2, 0.27, 1e8, 1e11);
    const IrradiatedColumn hot = irradiated_column(ec, opa, g, tint, 1400.0, 0.2, 0.27, 1e8, 1e11);
    EXPECT_GT(hot.hundred_bar.T, 1.5 * cold.hundred_bar.T);
    // The starlight keeps the gas radiative deeper; the boundary, deeper
    // still, is on the adiabat.
    EXPECT_GT(hot.p_rcb, cold.p_rcb);
    EXPECT_GT(hot.boundary.P, hot.p_rcb);
    // A hot atmosphere is thicker: the photosphere and the 1-bar level lie higher.
    EXPECT_GT(level_radius(hot, hot.photosphere, R, M) - R, 1.5 * (level_radius(cold, cold.photosphere, R, M) - R));
    EXPECT_GT(level_radius(hot, hot.one_bar, R, M), level_radius(cold, cold.one_bar, R, M));
    // The photosphere radiates the intrinsic and the absorbed flux.
    EXPECT_NEAR(hot.photosphere.T / std::pow(std::pow(tint, 4) + std::pow(1400.0, 4), 0.25), 1.0, 0.15);
    // The boundary is the reference level of the radii.
    EXPECT_EQ(level_radius(hot, hot.boundary, R, M), R);
}

TEST_F(IrradiatedColumnTest, BoundaryAtTheMassCapOnTheProfileOrTheAdiabat) {
    // The boundary is at p_max wherever the gas is radiative or convective
    // there, and its temperature moves continuously with p_max through the
    // radiative-convective boundary.
    const double g = 2500, tint = 100, teq = 1400, gamma = 0.2;
    const IrradiatedColumn free = irradiated_column(ec, opa, g, tint, teq, gamma, 0.27, 1e8, 1e11);
    ASSERT_GT(free.p_rcb, 2e8);
    ASSERT_TRUE(free.convective);
    for (double pmax : {0.5 * free.p_rcb, 2.0 * free.p_rcb}) {
        const IrradiatedColumn capped = irradiated_column(ec, opa, g, tint, teq, gamma, 0.27, 1e8, pmax);
        EXPECT_EQ(capped.boundary.P, pmax);
        EXPECT_EQ(capped.p_rcb, free.p_rcb);  // the RCB is reported all the same
        EXPECT_EQ(capped.hundred_bar.T, free.hundred_bar.T);
    }
    const IrradiatedColumn above = irradiated_column(ec, opa, g, tint, teq, gamma, 0.27, 1e8, free.p_rcb * (1 - 1e-9));
    const IrradiatedColumn below = irradiated_column(ec, opa, g, tint, teq, gamma, 0.27, 1e8, free.p_rcb * (1 + 1e-9));
    EXPECT_NEAR(below.boundary.T / above.boundary.T, 1.0, 1e-6);
    // A cap above 100 bar is no cap: the boundary is never above 100 bar.
    EXPECT_EQ(irradiated_column(ec, opa, g, tint, teq, gamma, 0.27, 1e8, 1e6).boundary.P, 1e8);
}

TEST_F(IrradiatedColumnTest, BoundaryOfTheSearchesIsContinuousInTheTrialRadius) {
    // A Jupiter at 100 AU at ~0.1 Gyr (Teff 292 K, Teq 25 K): there the
    // column's fixed steps cross a seam of the tables and its temperature
    // at the boundary pressure jumps by ~0.4 K as R changes by a hair, which
    // stopped the evolution search. The boundary the searches get
    // (condextmaxstatic, the routine of all three) moves smoothly.
    dualband.kv2kth = 0.005;
    temps.teq = 25.39;
    const double M = 1.898e30, L = 3.17e26, Rcore = 7e8;
    constexpr int n = 150;
    std::vector<double> raw, searched;
    for (int i = 0; i <= n; ++i) {
        const double R = 7.85e9 + 1.5e7 * i / n, g = 6.67e-8 * M / (R * R);
        const OuterBoundary out = condextmaxstatic(bm, R, M, Rcore, 0.27, L);
        EXPECT_NEAR(out.P, 1e-3 * M * g / (4 * M_PI * R * R), 1e-9 * out.P);  // 1e-3 of the mass above
        EXPECT_EQ(boundary.peddingtion, out.P);
        searched.push_back(out.T);
        raw.push_back(irradiated_column(ec, opa, g, temps.tint, temps.teq, dualband.kv2kth, 0.27, 1e8, out.P).boundary.T);
        EXPECT_NEAR(out.T / raw.back(), 1.0, 1e-3);  // the lattice is close to the column
    }
    // Largest step over the median step of T along the sweep.
    const auto jumpiness = [](const std::vector<double>& t) {
        std::vector<double> d;
        for (std::size_t i = 1; i < t.size(); ++i) d.push_back(std::fabs(t[i] - t[i - 1]));
        std::sort(d.begin(), d.end());
        return d.back() / d[d.size() / 2];
    };
    ASSERT_GT(jumpiness(raw), 3.0) << "the sweep no longer crosses a seam of the column";
    EXPECT_LT(jumpiness(searched), 1.5);
}

TEST_F(IrradiatedColumnTest, BoundaryOfTheSearchesFollowsTheStarsTeqSmoothly) {
    // A hot Jupiter whose star brightens: Teq sweeps across several planes
    // of the lattice's Teq axis, the opacity ratio following Teq. The
    // boundary the searches get stays within 1e-3 of the column at the exact
    // Teq and ratio and moves without jumps.
    temps.tint = 150;
    const double M = 1.898e30, L = 3.17e26, Rcore = 7e8, R = 8.5e9, g = 6.67e-8 * M / (R * R);
    std::vector<double> searched;
    for (int i = 0; i <= 60; ++i) {
        temps.teq = 1300 + 0.5 * i;
        dualband.kv2kth = kv2kth_of_teq(temps.teq);
        const OuterBoundary out = condextmaxstatic(bm, R, M, Rcore, 0.27, L);
        const double raw =
            irradiated_column(ec, opa, g, temps.tint, temps.teq, dualband.kv2kth, 0.27, 1e8, out.P).boundary.T;
        EXPECT_NEAR(out.T / raw, 1.0, 1e-3) << temps.teq;
        searched.push_back(out.T);
    }
    std::vector<double> d;
    for (std::size_t i = 1; i < searched.size(); ++i) d.push_back(std::fabs(searched[i] - searched[i - 1]));
    std::sort(d.begin(), d.end());
    EXPECT_LT(d.back(), 3 * d[d.size() / 2]);
}

TEST_F(IrradiatedColumnTest, BadArgumentsStopWithTheValues) {
    EXPECT_THROW(irradiated_column(ec, opa, 2500, 100, 1000, 0.0, 0.27, 1e8, 1e11), FatalError);
    EXPECT_THROW(irradiated_column(ec, opa, -1, 100, 1000, 0.1, 0.27, 1e8, 1e11), FatalError);
    EXPECT_THROW(irradiated_column(ec, opa, 2500, 100, std::nan(""), 0.1, 0.27, 1e8, 1e11), FatalError);
}
