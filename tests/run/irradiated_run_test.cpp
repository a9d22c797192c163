// Whole runs with the irradiated atmosphere: a hot Jupiter that feels its
// star is larger than one that does not, and larger the closer it is; far
// from its star it is the planet without one. (That the switch off reads as
// a 16-line file is the input tests' business.)
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "run_dir.hpp"
#include "support/track.hpp"

using velkaro::testing::edited;
using velkaro::testing::RunDir;

namespace {

// The Jupiter example's planet (hot start) at a AU to tmax years; atm17 is
// the 17th line of the atmosphere file ("" for a 16-line file).
struct PlanetRun {
    RunDir dir;
    PlanetRun(const std::string& a_au, const std::string& tmax, const std::string& atm17) {
        dir.write("sivex.in", edited(velkaro::testing::jupiter_run_file(),
                                     {{1, a_au + "  aplanete/AU"}, {6, "1.0d5  Linit/LJ"}, {9, tmax + "  tmax/yr"}}));
        // The ratio kv2kth from the table of Teq (not manual).
        auto atm = edited(velkaro::testing::jupiter_atmosphere_file(), {{12, "F  kv2kthmanual"}});
        if (!atm17.empty()) atm.push_back(atm17);
        dir.write("sivexdualband.in", atm);
        dir.run();
    }
    // Column `name` of the last line of a track file.
    double last(const std::string& track, const std::string& name) const {
        return velkaro::testing::Track(dir.path() / track).at(name);
    }
};

}  // namespace

TEST(IrradiatedRun, HotJupiterIsLargerIrradiatedAndCloserIn) {
    // 30 Myr of evolution from the same hot start.
    const PlanetRun grey("0.045", "3.0d7", ""), near("0.045", "3.0d7", "T"), far("0.1", "3.0d7", "T");
    const double rg = grey.last("fort.1", "R_transit_RJ");
    const double rn = near.last("irradiated.track", "R_transit_irr_RJ");
    const double rf = far.last("irradiated.track", "R_transit_irr_RJ");
    EXPECT_NEAR(grey.last("fort.1", "age_yr") / near.last("fort.1", "age_yr"), 1.0, 0.03);
    EXPECT_NEAR(far.last("fort.1", "age_yr") / near.last("fort.1", "age_yr"), 1.0, 0.03);
    EXPECT_GT(rn, rf);
    EXPECT_GT(rf, rg);
    // The second track beside fort.1; none when off.
    EXPECT_FALSE(std::filesystem::exists(grey.dir.path() / "irradiated.track"));
    EXPECT_GT(rn, near.last("irradiated.track", "R_1bar_irr_RJ"));
    // The interior too: the starlight slows the cooling.
    EXPECT_GT(near.last("irradiated.track", "R_100bar_irr_RJ"),
              grey.last("fort.1", "Rout_RJ"));
    // The emitted flux is that of the intrinsic and the absorbed starlight.
    const double ti = near.last("irradiated.track", "Tint_irr_K"), te = near.last("irradiated.track", "Teq_irr_K");
    EXPECT_NEAR(near.last("irradiated.track", "Teff_irr_K"), std::pow(std::pow(ti, 4) + std::pow(te, 4), 0.25),
                1e-6 * te);
}

TEST(IrradiatedRun, FarFromTheStarItIsThePlanetOfTheEntropyGrid) {
    // A Jupiter at 100 AU (Teq 25 K): the irradiated run goes to its end (its
    // evolution search once stopped at 82 Myr, where the boundary jumped as
    // a convective layer of the column opened) and keeps the radius of the
    // run without a star, the 100-bar level against fort.1's boundary.
    const PlanetRun plain("100.0", "3.0d8", ""), irr("100.0", "3.0d8", "T  irradiated");
    EXPECT_GE(irr.last("fort.1", "age_yr"), 3e8);
    EXPECT_NEAR(plain.last("fort.1", "age_yr") / irr.last("fort.1", "age_yr"), 1.0, 0.03);
    EXPECT_NEAR(irr.last("irradiated.track", "R_100bar_irr_RJ") / plain.last("fort.1", "Rout_RJ"), 1.0, 5e-3);
    // The boundary holds 1e-3 of the planet's mass above it.
    EXPECT_NEAR(irr.last("irradiated.track", "M_above_irr_ME") / irr.last("fort.1", "Mtot_ME"), 1e-3, 1e-6);
}
