// The evolution step from a converged structure: mass conservation, the
// energy radiated against the energy lost, and the closing of the energy loop.
#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.hpp"
#include "run/timestep.hpp"
#include "support/planet.hpp"

using namespace velkaro;
using velkaro::testing::StartedPlanet;

TEST(EvolutionStep, ConservesMassRadiatesTheEnergyLostAndClosesTheEnergyLoop) {
    StartedPlanet p;
    PlanetState& s = *p.s;
    const double Mtot = s.Mtotale, Mcore = s.Mcore;
    double worst_ratio_late = 0, worst_energy_late = 0;
    for (int step = 1; step <= 40; ++step) {
        s.istep = step;
        advance_structure(p.ctx, s);
        // The shells hold exactly the planet: the core at shell 1, the
        // total mass at the top.
        ASSERT_EQ(s.masse(1), Mcore);
        ASSERT_EQ(s.masse(s.nf), Mtot);
        // Energy lost over the step against the luminosity radiated at the
        // top (contraction, radiogenic and burning sources).
        const double lost = s.Etotold - s.Etot;
        const double radiated = s.x(kL, s.nf) * s.dt;
        ASSERT_GT(lost, 0) << step;
        if (step > 20) {
            worst_ratio_late = std::max(worst_ratio_late, std::fabs(s.cEratio - 1));
            worst_energy_late = std::max(worst_energy_late, std::fabs(lost - radiated) / radiated);
        }
        timestep(p.ctx, s);
    }
    // Once the correction factor has settled, the energy lost is what the
    // top radiates, to a few tenths of a percent.
    EXPECT_LT(worst_energy_late, 0.01);
    EXPECT_LT(worst_ratio_late, 0.01);
}
