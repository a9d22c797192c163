// The layered-core model behind the density table: analytic limits, and
// that it regenerates the committed table.
#include <gtest/gtest.h>

#include <cmath>

#include "core/core.hpp"
#include "core/layered_model.hpp"

using namespace velkaro::core;
namespace lm = velkaro::core::layered;

TEST(LayeredCore, AnalyticLimits) {
    // A small ice ball is barely compressed: mean density 1.46 and a
    // central pressure Pext + (2 pi / 3) G rho^2 R^2.
    const lm::ModelSettings set;
    for (double Pext : {0.0, 1e4}) {
        const auto s = lm::solve(1e19, Pext, 1.0, set);
        EXPECT_NEAR(s.rho_mean, 1.46, 1e-3 * 1.46);
        const double dP = 2.0 * M_PI / 3.0 * set.G * 1.46 * 1.46 * s.radius * s.radius;
        EXPECT_NEAR(s.Pcentre - Pext, dP, 2e-3 * dP);
    }
    // A small rock ball: an iron kernel with a third of the mass inside a
    // perovskite mantle, the volume adding up from the zero-pressure densities.
    const auto r = lm::solve(1e19, 0.0, 0.0, set);
    EXPECT_NEAR(r.rho_mean, 1e19 / (1e19 / 3.0 / 8.3 + 2e19 / 3.0 / 4.1), 1e-3 * r.rho_mean);
    // Under a crushing external pressure the core is nearly uniform at the
    // compressed density of its surface material.
    const auto p = lm::solve(0.1 * lm::kEarthMass, 1e17, 1.0);
    EXPECT_NEAR(p.rho_mean, lm::kWaterIce.density(1e17), 0.01 * p.rho_mean);
    EXPECT_GT(p.Pcentre, 1e17);
}

TEST(LayeredCore, IntegrationHasConverged) {
    // Doubling the steps changes the mean density by far less than the
    // accuracy the table is held to, also for the most compressed cores.
    lm::ModelSettings fine;
    fine.steps_per_layer *= 2;
    for (const auto& [M, P, f] : {std::tuple{1000.0, 0.1, 0.0}, {1000.0, 1e17, 0.5}, {0.1, 10.0, 0.9}}) {
        const double b = lm::solve(M * lm::kEarthMass, P, f, fine).rho_mean;
        EXPECT_NEAR(lm::solve(M * lm::kEarthMass, P, f).rho_mean, b, 1e-6 * b);
    }
}

TEST(CoreTableGenerator, RegeneratesCommittedEntries) {
    // A published entry, entries between published masses, and one at high
    // mass and pressure, computed from scratch.
    const auto t = build_core_tables();
    lm::RawTable raw;
    for (const auto& [iM, iP, iF] : {std::tuple{5, 12, 6}, {3, 8, 4}, {17, 16, 9}}) {
        const double committed = t->denscyr(lm::table_index(iM, iP, iF));
        EXPECT_NEAR(lm::calibrated(raw, iM, iP, iF), committed, 2e-9 * committed) << iM << " " << iP << " " << iF;
    }
}
