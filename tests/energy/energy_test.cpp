// Energy budget and luminosity bookkeeping, against the hydrostatic virial
// relation, closed forms of the core and the rules of the energy loop.
#include <gtest/gtest.h>

#include <cmath>

#include "common/constants.hpp"
#include "core/core.hpp"
#include "energy/energy.hpp"
#include "eos/eos.hpp"
#include "support/planet.hpp"
#include "run/views.hpp"

using namespace velkaro;
using velkaro::testing::StartedPlanet;

namespace {

// One started Jupiter shared by the tests of this file (the start-up takes
// a fifth of a second).
StartedPlanet& jupiter() {
    static StartedPlanet p;
    return p;
}

}  // namespace

TEST(EnergyBudget, EnvelopeGravityObeysTheVirialRelationOfAHydrostaticEnvelope) {
    // Integrating dP/dm = -G m / (4 pi r^4) by parts over the envelope:
    //   int 3 P/rho dm = int G m / r dm + 4 pi (R^3 P_R - r_c^3 P_c).
    // The budget's gravitational energy must satisfy it for the structure
    // the solver found (to the accuracy of the trapezoid rule on its shells).
    StartedPlanet& p = jupiter();
    const PlanetState& s = *p.s;
    ASSERT_GT(s.nf, 100);
    eos::EosOut o;
    double V = 0, prev = 0;
    for (int i = 1; i <= s.nf; ++i) {
        eos::eos(p.ctx.eos, 0, s.YHe, s.x(kP, i), s.x(kT, i), o);
        const double v = 3 * s.x(kP, i) / o.rho;
        if (i > 1) V += (prev + v) / 2 * (s.masse(i) - s.masse(i - 1));
        prev = v;
    }
    const double r1 = s.x(kR, 1), rn = s.x(kR, s.nf);
    const double surface = cst::fourpi * (rn * rn * rn * s.x(kP, s.nf) - r1 * r1 * r1 * s.x(kP, 1));
    EXPECT_NEAR(-s.Egravenv, V - surface, 2e-3 * std::fabs(s.Egravenv));
    // The mass and radius integrations agree, and a bound planet has kenerg > 0.
    EXPECT_NEAR(s.Etot2, s.Etot, 0.01 * std::fabs(s.Etot));
    EXPECT_LT(s.Etot, 0);
    EXPECT_GT(s.kenerg, 0);
    // Envelope and core add up.
    EXPECT_DOUBLE_EQ(s.Etot, s.Eintenv + s.EthermCore + s.Egravenv + s.EgravCore);
}

TEST(EnergyBudget, OneShellIsTheCoreAloneAndAnUnboundPlanetFallsBackOnTheCore) {
    StartedPlanet& p = jupiter();
    const PlanetState& s = *p.s;
    const energy::EnergyBudget one = energy::calc_energy(energy_model(p.ctx), s.YHe, s.x, 1, s.masse, s.fract_ice);
    const core::CoreEnergy ce = core::calcecore(s.x(kR, 1), s.masse(1), s.x(kT, 1), s.x(kP, 1), s.fract_ice);
    EXPECT_DOUBLE_EQ(one.Etot, ce.EthermCore + ce.EgravCore);
    EXPECT_EQ(one.Eintenv, 0.0);
    EXPECT_EQ(one.Egravenv, 0.0);

    // Spread the same gas over radii a thousand times larger: gravity no
    // longer binds it, the total comes out positive and is replaced.
    Mat1<double> x = s.x;
    for (int i = 1; i <= s.nf; ++i) x(kR, i) *= 1e3;
    std::ostringstream out;
    p.ctx.console.out = &out;
    const energy::EnergyBudget b = energy::calc_energy(energy_model(p.ctx), s.YHe, x, s.nf, s.masse, s.fract_ice);
    p.ctx.console.out = &p.out;
    EXPECT_TRUE(b.unbound);
    EXPECT_EQ(b.Etot, b.EgravCore);
    EXPECT_EQ(b.Etot2, b.EgravCore);
    EXPECT_NE(out.str().find("POSITIVE TOTAL ENERGY!"), std::string::npos);
}

TEST(Bookkeeping, PhotosphereAndTheShellBelowANewMass) {
    Mat1<double> x(5, 10);
    for (int i = 1; i <= 5; ++i) x(kTau, i) = 10.0 - i;  // 9 .. 5: all below the photosphere
    EXPECT_EQ(energy::photosphere_shell(x, 5), 5);
    for (int i = 1; i <= 5; ++i) x(kTau, i) = 0.1 * (6 - i);  // 0.5 .. 0.1: optically thin
    EXPECT_EQ(energy::photosphere_shell(x, 5), 1);
    x(kTau, 2) = 2.0 / 3.0;
    EXPECT_EQ(energy::photosphere_shell(x, 5), 2);

    auto s = std::make_unique<PlanetState>();
    s->nf = 4;
    for (int i = 1; i <= 4; ++i) s->masse(i) = i;
    s->Mtotale = 4;  // the total mass itself lies in the last interval
    s->nfnewM = 99;
    energy::getnfrontieresnewm(*s);
    EXPECT_EQ(s->nfnewM, 3);
    EXPECT_EQ(s->massestatic(3), 3.0);
    EXPECT_EQ(s->massestatic(4), 0.0);
}

TEST(Bookkeeping, TdSdtProfileVanishesWithoutChangeAndAboveTheOldMass) {
    StartedPlanet& p = jupiter();
    auto s = std::make_unique<PlanetState>(*p.s);
    energy::shift(*s);
    // The same structure again: nothing changed, no heat released.
    s->masse = s->masseold;
    s->x = s->xold;
    s->entro = s->entroold;
    s->nf = s->nfold;
    s->dt = 1e10;
    std::ostringstream out;
    p.ctx.console.out = &out;
    energy::lumivar(energy_model(p.ctx), *s);
    for (int i = 1; i <= s->nf; ++i) ASSERT_EQ(s->lumitds(i), 0.0) << i;
    // Lower the entropy everywhere by 1 %: heat -T dS/dt released in every
    // shell, except one added above the old total mass, which has no past.
    for (int i = 1; i <= s->nf; ++i) s->entro(i) *= 0.99;
    s->nf += 1;
    s->masse(s->nf) = s->masse(s->nf - 1) * (1 + 1e-6);
    s->x(kT, s->nf) = s->x(kT, s->nf - 1);
    s->entro(s->nf) = s->entroold(s->nf - 1);
    energy::lumivar(energy_model(p.ctx), *s);
    p.ctx.console.out = &p.out;
    EXPECT_EQ(p.ctx.energy.dldm(s->nf), 0.0);
    const int i = s->nf / 2;
    EXPECT_NEAR(p.ctx.energy.dldm(i), s->x(kT, i) * 0.01 * s->entroold(i) / s->dt,
                1e-9 * p.ctx.energy.dldm(i));
    EXPECT_GT(s->lumitds(s->nf - 1), 0.0);
    EXPECT_GT(s->lumitds(s->nf - 1), s->lumitds(i));
}
