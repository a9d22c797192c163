// Start checks and stop criteria: which condition ends a run, with which
// code, and the bare core a run that cannot start is given.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "processes/star.hpp"
#include "run/checks.hpp"
#include "run/context.hpp"

using namespace velkaro;

namespace {

struct Checks : ::testing::Test {
    RunContext ctx;
    std::ostringstream out;
    std::unique_ptr<PlanetState> s = std::make_unique<PlanetState>();
    void SetUp() override {
        ctx.out = &out;
        ctx.path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
        s->Mstar = cst::Msun;
        s->aplanete = 5.2 * cst::AU;
        s->Mcore = 10 * cst::Mearth;
        s->Mtotale = 318 * cst::Mearth;
        s->fract_ice = 0.5;
        s->tstart = s->temps = 1e6 * cst::year;
        s->tmax = 1e10 * cst::year;
        // A healthy envelope.
        s->nf = 2;
        s->masse(1) = s->Mcore;
        s->masse(2) = s->Mtotale;
        s->x(kP, 1) = 1e13;
        s->x(kTau, 1) = 1e6;
    }
};

}  // namespace

TEST_F(Checks, HealthyPlanetGoesOn) {
    checkisdone(ctx, *s);
    EXPECT_FALSE(s->isdone);
    EXPECT_EQ(s->stopcode, 0.0);
    EXPECT_EQ(s->envelopeflag, 1.0);
    // Exactly at tmax: not yet past it.
    s->temps = s->tmax;
    checkisdone(ctx, *s);
    EXPECT_FALSE(s->isdone);
    // An envelope of exactly menvemin is still evolved.
    s->Mtotale = s->masse(1) + ctx.common.menvemin;
    checkisdone(ctx, *s);
    EXPECT_FALSE(s->isdone);
}

TEST_F(Checks, LaterCriteriaOverrideEarlierCodes) {
    s->temps = 1.0001 * s->tmax;
    checkisdone(ctx, *s);
    EXPECT_TRUE(s->isdone);
    EXPECT_EQ(s->stopcode, 1.0);
    EXPECT_EQ(s->envelopeflag, 1.0);
    // Past tmax with a boundary pressure below 0.1 bar: code 3, both messages.
    out.str("");
    s->x(kP, 1) = 9e4;
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 3.0);
    EXPECT_EQ(s->envelopeflag, 0.0);
    EXPECT_NE(out.str().find("Time intervall integrated."), std::string::npos);
    EXPECT_NE(out.str().find("Pressure at core-envelope interface less than 0.1 bar"), std::string::npos);
}

TEST_F(Checks, LostOrThinEnvelope) {
    s->envelopeflag = 0.0;  // escape removed it this step, mass notwithstanding
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 2.0);
    s->envelopeflag = 1.0;
    s->x(kTau, 1) = 0.5;
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 4.0);
    EXPECT_EQ(s->envelopeflag, 0.0);
    s->x(kTau, 1) = std::nan("");  // NaN fails the comparison: no stop from it
    s->envelopeflag = 1.0;
    checkisdone(ctx, *s);
    EXPECT_FALSE(s->isdone);
}

TEST_F(Checks, PlanetInsideItsStar) {
    const double rstar = processes::starprops(ctx, s->temps, s->Mstar).rstar;
    s->aplanete = 0.5 * rstar;
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 5.0);
    EXPECT_EQ(s->aplanete, rstar);
}

TEST_F(Checks, StartChecksPassAHealthyPlanet) {
    checkinitcond(ctx, *s);
    EXPECT_FALSE(s->isdone);
    EXPECT_EQ(s->nf, 2);  // the state is left alone
}

TEST_F(Checks, NoEnvelopeAtStartGivesABareCore) {
    s->Mtotale = s->Mcore + 0.5 * ctx.common.menvemin;
    checkinitcond(ctx, *s);
    EXPECT_TRUE(s->isdone);
    EXPECT_EQ(s->stopcode, 6.0);
    EXPECT_EQ(s->envelopeflag, 0.0);
    EXPECT_EQ(s->nf, 1);
    EXPECT_EQ(s->masse(1), s->Mcore);
    EXPECT_EQ(s->masse(2), 0.0);
    EXPECT_EQ(s->x(kL, 1), 0.0);
    EXPECT_DOUBLE_EQ(s->x(kTau, 1), 2.0 / 3.0);
    // The equilibrium temperature of a 5.2 AU orbit around a young Sun.
    EXPECT_GT(s->x(kT, 1), 50);
    EXPECT_LT(s->x(kT, 1), 300);
    // A rock/ice core of ten Earth masses: between 1.5 and 4 Earth radii.
    EXPECT_GT(s->x(kR, 1), 1.5 * cst::Rearth);
    EXPECT_LT(s->x(kR, 1), 4.0 * cst::Rearth);
}

TEST_F(Checks, StartInsideTheStar) {
    const double rstar = processes::starprops(ctx, s->tstart, s->Mstar).rstar;
    s->aplanete = 0.9 * rstar;
    checkinitcond(ctx, *s);
    EXPECT_TRUE(s->isdone);
    EXPECT_EQ(s->stopcode, 7.0);
    EXPECT_EQ(s->aplanete, rstar);
    EXPECT_EQ(s->envelopeflag, 1.0);  // the envelope is not declared lost
    EXPECT_EQ(s->nf, 1);
    // At the stellar surface the equilibrium temperature is T* / sqrt(2).
    const auto st = processes::starprops(ctx, s->tstart, s->Mstar);
    EXPECT_NEAR(s->x(kT, 1), st.teffstar / std::sqrt(2.0), 1e-9 * st.teffstar);
}
