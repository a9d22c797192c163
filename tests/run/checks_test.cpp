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
#include "run/views.hpp"

using namespace velkaro;

namespace {

struct Checks : ::testing::Test {
    RunContext ctx;
    std::ostringstream out;
    std::unique_ptr<PlanetState> s = std::make_unique<PlanetState>();
    void SetUp() override {
        ctx.console.out = &out;
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

TEST_F(Checks, StopCriteriaInOrder) {
    checkisdone(ctx, *s);
    EXPECT_FALSE(s->isdone);
    // Exactly at tmax, and an envelope of exactly menvemin: not yet.
    s->temps = s->tmax;
    s->Mtotale = s->masse(1) + ctx.common.menvemin;
    checkisdone(ctx, *s);
    EXPECT_FALSE(s->isdone);
    s->temps = 1.0001 * s->tmax;
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 1.0);
    EXPECT_EQ(s->envelopeflag, 1.0);
    // Past tmax with a boundary pressure below 0.1 bar: the later code wins, both messages.
    s->x(kP, 1) = 9e4;
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 3.0);
    EXPECT_EQ(s->envelopeflag, 0.0);
    EXPECT_NE(out.str().find("Time intervall integrated."), std::string::npos);
    EXPECT_NE(out.str().find("Pressure at core-envelope interface less than 0.1 bar"), std::string::npos);
    // An envelope lost to escape this step, whatever its mass; an optically thin one.
    s->temps = s->tmax;
    s->x(kP, 1) = 1e13;
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 2.0);
    s->envelopeflag = 1.0;
    s->Mtotale = 318 * cst::Mearth;
    s->x(kTau, 1) = 0.5;
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 4.0);
    // A NaN fails its comparison and stops nothing.
    s->x(kTau, 1) = std::nan("");
    s->envelopeflag = 1.0;
    checkisdone(ctx, *s);
    EXPECT_FALSE(s->isdone);
    // The star grew over the orbit: the planet is put on its surface.
    const double rstar = processes::starprops(host_star(ctx), s->temps, s->Mstar).rstar;
    s->aplanete = 0.5 * rstar;
    checkisdone(ctx, *s);
    EXPECT_EQ(s->stopcode, 5.0);
    EXPECT_EQ(s->aplanete, rstar);
}

TEST_F(Checks, StartChecks) {
    checkinitcond(ctx, *s);
    EXPECT_FALSE(s->isdone);
    EXPECT_EQ(s->nf, 2);  // a healthy planet's state is left alone

    // No envelope: a one-shell bare core at the equilibrium temperature.
    s->Mtotale = s->Mcore + 0.5 * ctx.common.menvemin;
    checkinitcond(ctx, *s);
    EXPECT_EQ(s->stopcode, 6.0);
    EXPECT_EQ(s->envelopeflag, 0.0);
    EXPECT_EQ(s->nf, 1);
    EXPECT_EQ(s->masse(1), s->Mcore);
    EXPECT_DOUBLE_EQ(s->x(kTau, 1), 2.0 / 3.0);
    EXPECT_GT(s->x(kT, 1), 50);  // 5.2 AU around a young Sun
    EXPECT_LT(s->x(kT, 1), 300);
    // A rock/ice core of ten Earth masses: between 1.5 and 4 Earth radii.
    EXPECT_GT(s->x(kR, 1), 1.5 * cst::Rearth);
    EXPECT_LT(s->x(kR, 1), 4.0 * cst::Rearth);

    // Inside the star: put on its surface, the run ends there.
    const auto st = processes::starprops(host_star(ctx), s->tstart, s->Mstar);
    s->Mtotale = 318 * cst::Mearth;
    s->aplanete = 0.9 * st.rstar;
    s->envelopeflag = 1.0;
    checkinitcond(ctx, *s);
    EXPECT_EQ(s->stopcode, 7.0);
    EXPECT_EQ(s->aplanete, st.rstar);
    EXPECT_EQ(s->envelopeflag, 1.0);  // the envelope is not declared lost
    // At the stellar surface the equilibrium temperature is T* / sqrt(2).
    EXPECT_NEAR(s->x(kT, 1), st.teffstar / std::sqrt(2.0), 1e-9 * st.teffstar);
}
