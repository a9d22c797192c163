// The ideal H2/He gas: analytic limits, thermodynamic identities, and the
// H2 partition-function table and its interpolation.
#include <gtest/gtest.h>

#include <cmath>

#include "eos/eos.hpp"
#include "eos/h2partition.hpp"
#include "eos/idealgas.hpp"

using namespace velkaro::eos;

namespace {

EosOut ideal(double y, double p, double t) {
    EosOut o;
    entro_gp_newfast(y, p, t, o.s, o.rho, o.dtdp, o.drhodp, o.drhodt, o.dsdp, o.dsdt, o.u);
    return o;
}

// Sackur-Tetrode entropy per gram of a monatomic gas of particles of mass m
// at number density n: (k/m) (5/2 + ln[(1/n) (2 pi m k T / h^2)^(3/2)]).
double sackur_tetrode(double m, double n, double t) {
    const double h = 6.6262e-27;  // the model's Planck constant (h^2 = 4.390652644e-53)
    return ig::k / m * (2.5 + std::log(std::pow(2 * M_PI * m * ig::k * t / (h * h), 1.5) / n));
}

}  // namespace

TEST(IdealGas, AnalyticLimits) {
    // Density with mu = 1 / (X/2.006 + Y/4.008); the reduced call agrees.
    const EosOut m = ideal(0.5, 1e6, 300);
    EXPECT_NEAR(m.rho, 1.660531e-24 * 1e6 / (1.38062e-16 * 300 * (0.5 / 2.006 + 0.5 / 4.008)), 1e-12 * m.rho);
    EXPECT_DOUBLE_EQ(m.drhodp, m.rho / 1e6);
    EXPECT_DOUBLE_EQ(m.drhodt, -m.rho / 300);
    double rho, dtdp;
    entro_gp_newfast2(0.5, 1e6, 300, rho, dtdp);
    EXPECT_EQ((std::array{rho, dtdp}), (std::array{m.rho, m.dtdp}));
    // Y >= 0.9999 drops the H2 entropy term, leaving the helium
    // Sackur-Tetrode term at the helium number density.
    const double p = 1e5, t = 500, y = 0.99995;
    const EosOut a = ideal(y, p, t), b = ideal(1.0, p, t);
    EXPECT_NEAR(a.s, y * sackur_tetrode(ig::mHe, a.rho * y / ig::mHe, t), 1e-9 * a.s);
    EXPECT_NEAR(b.dsdt, 2.5 * ig::k / ig::mHe / t, 1e-12 * b.dsdt);
    EXPECT_GT(a.dsdt, 2.5 * y * ig::k / ig::mHe / t);  // the hydrogen terms of dS/dT remain
    EXPECT_NEAR(b.dtdp * p / t, 0.4, 1e-12);           // monatomic: grad_ad = 2/5
    EXPECT_TRUE(std::isfinite(b.u));                   // no NaN from the vanishing hydrogen terms
    // Around 400 K rotation is excited and vibration frozen: grad_ad = 2/7
    // of a rigid rotor; far above, vibration pushes it lower.
    EXPECT_NEAR(ideal(0.0, 1e6, 400).dtdp * 1e6 / 400, 2.0 / 7.0, 0.01);
    EXPECT_LT(ideal(0.0, 1e6, 3000).dtdp * 1e6 / 3000, 0.27);
}

TEST(IdealGas, ThermodynamicIdentitiesHold) {
    const double p = 3e4;
    for (double y : {0.0, 0.27, 0.6})
        for (double t : {150.0, 400.0, 1500.0, 4000.0}) {
            const EosOut a = ideal(y, p, t), hi = ideal(y, p, 1.001 * t), lo = ideal(y, p, 0.999 * t);
            // Maxwell: (dS/dP)_T = -(dV/dT)_P = (1/rho^2) (drho/dT)_P.
            EXPECT_NEAR(a.dsdp, a.drhodt / (a.rho * a.rho), 1e-9 * std::fabs(a.dsdp));
            // dS/dT against the entropy itself; the tabulated q' is not
            // exactly the slope of q, hence 1 %.
            const double ds = (hi.s - lo.s) / (0.002 * t);
            EXPECT_NEAR(a.dsdt, ds, 0.01 * a.dsdt) << "y " << y << " t " << t;
            // Gibbs: (dU/dT)_P = T (dS/dT)_P - P (dV/dT)_P; the reference rows
            // of the q table are not exactly consistent near 100 K, hence 0.5 %.
            const double du = (hi.u - lo.u) / (0.002 * t), dv = (1 / hi.rho - 1 / lo.rho) / (0.002 * t);
            EXPECT_NEAR(du, t * ds - p * dv, 5e-3 * std::fabs(du)) << "y " << y << " t " << t;
        }
}
