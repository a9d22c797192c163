// The ideal H2/He gas: analytic limits, thermodynamic identities, and the
// H2 partition-function table and its interpolation.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "eos/h2partition.hpp"
#include "eos/idealgas.hpp"

using namespace velkaro::eos;

namespace {

struct State {
    double s, rho, dtdp, drhodp, drhodt, dsdp, dsdt, u;
};
State ideal(double y, double p, double t) {
    State o{};
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

TEST(IdealGas, DensityFollowsTheMeanMolecularWeight) {
    // mu = 1 / (X/2.006 + Y/4.008); at Y = 0.5 about 2.674.
    const double mu = 1.0 / (0.5 / 2.006 + 0.5 / 4.008);
    EXPECT_NEAR(mu, 2.674, 5e-4);
    const State a = ideal(0.5, 1e6, 300);
    EXPECT_NEAR(a.rho, mu * 1.660531e-24 * 1e6 / (1.38062e-16 * 300), 1e-12 * a.rho);
    double rho, dtdp;
    entro_gp_newfast2(0.5, 1e6, 300, rho, dtdp);
    EXPECT_EQ(rho, a.rho);
    EXPECT_EQ(dtdp, a.dtdp);
    EXPECT_DOUBLE_EQ(a.drhodp, a.rho / 1e6);
    EXPECT_DOUBLE_EQ(a.drhodt, -a.rho / 300);
}

TEST(IdealGas, PureHeliumIsASackurTetrodeGas) {
    // Y >= 0.9999 drops the H2 entropy term: what is left is the helium
    // term, at the helium number density.
    const double p = 1e5, t = 500, y = 0.99995;
    const State a = ideal(y, p, t);
    const double nhe = a.rho * y / ig::mHe;
    EXPECT_NEAR(a.s, y * sackur_tetrode(ig::mHe, nhe, t), 1e-9 * a.s);
    // The hydrogen terms of dS/dT remain (tiny X but present).
    const State b = ideal(1.0, p, t);
    EXPECT_NEAR(b.dsdt, 2.5 * ig::k / ig::mHe / t, 1e-12 * b.dsdt);
    EXPECT_GT(a.dsdt, 2.5 * y * ig::k / ig::mHe / t);
    // Monatomic gas: adiabatic gradient 2/5.
    EXPECT_NEAR(b.dtdp * p / t, 0.4, 1e-12);
    // Just below the threshold the H2 entropy term is back: a jump of the
    // size of that term.
    const State c = ideal(0.99989, p, t);
    const double nh2 = c.rho * (1 - 0.99989) / ig::mH2;
    EXPECT_NEAR(c.s - 0.99989 * sackur_tetrode(ig::mHe, c.rho * 0.99989 / ig::mHe, t),
                (1 - 0.99989) * sackur_tetrode(ig::mH2, nh2, t), 0.1 * (c.s - a.s));
    EXPECT_GT(c.s - a.s, 1e-5 * a.s);
}

TEST(IdealGas, PureHydrogenEntropyIsTranslationPlusRotationVibration) {
    // Y = 0: S = (k/m_H2)(5/2 + ln(q xH2) + T q'/q); at 1000 K check with
    // the table's q directly.
    const double p = 1e6, t = 1000;
    const State a = ideal(0.0, p, t);
    double o1, o2, o3;
    const double q = sqh2sc(t, o1, o2, o3);
    const double n = a.rho / ig::mH2;
    const double expect = sackur_tetrode(ig::mH2, n, t) + ig::k / ig::mH2 * (std::log(q) + o1 / q);
    EXPECT_NEAR(a.s, expect, 1e-9 * a.s);
    EXPECT_TRUE(std::isfinite(a.u));
    // Y = 1 exactly: the hydrogen terms of U vanish instead of giving NaN.
    EXPECT_TRUE(std::isfinite(ideal(1.0, p, t).u));
}

TEST(IdealGas, ThermodynamicIdentitiesHold) {
    for (double y : {0.0, 0.27, 0.6}) {
        for (double t : {150.0, 400.0, 1500.0, 4000.0}) {
            const double p = 3e4;
            const State a = ideal(y, p, t);
            // Maxwell: (dS/dP)_T = -(dV/dT)_P = (1/rho^2) (drho/dT)_P.
            EXPECT_NEAR(a.dsdp, a.drhodt / (a.rho * a.rho), 1e-9 * std::fabs(a.dsdp));
            // Adiabat: dT/dP = -(dS/dP)/(dS/dT).
            EXPECT_DOUBLE_EQ(a.dtdp, -a.dsdp / a.dsdt);
            // dS/dT against the entropy itself (finite differences); the
            // tabulated q' is not exactly the slope of q, hence 1 %.
            const double h = 1e-3 * t;
            const double num = (ideal(y, p, t + h).s - ideal(y, p, t - h).s) / (2 * h);
            EXPECT_NEAR(a.dsdt, num, 0.01 * a.dsdt) << "y " << y << " t " << t;
            // Gibbs: (dU/dT)_P = T (dS/dT)_P - P (dV/dT)_P; the reference rows
            // of the q table are not exactly consistent with each other
            // near 100 K, hence 0.5 %.
            const double du = (ideal(y, p, t + h).u - ideal(y, p, t - h).u) / (2 * h);
            const double dv = (1 / ideal(y, p, t + h).rho - 1 / ideal(y, p, t - h).rho) / (2 * h);
            EXPECT_NEAR(du, t * num - p * dv, 5e-3 * std::fabs(du)) << "y " << y << " t " << t;
        }
    }
}

TEST(IdealGas, AdiabaticGradientOfCoolHydrogenIsThatOfARigidRotor) {
    // Around 300-500 K rotation is excited and vibration frozen:
    // c_p = 7/2 k per molecule, grad_ad = 2/7.
    const double t = 400, p = 1e6;
    const State a = ideal(0.0, p, t);
    EXPECT_NEAR(a.dtdp * p / t, 2.0 / 7.0, 0.01);
    // Far above, vibration adds heat capacity: the gradient falls below 2/7.
    EXPECT_LT(ideal(0.0, p, 3000).dtdp * p / 3000, 0.27);
}

TEST(H2Partition, TableHoldsTheReferenceRowsAndItsNormalisation) {
    using namespace h2pf;
    ASSERT_EQ(kRows, 121);
    EXPECT_EQ(tdat[0], 10.0);
    EXPECT_EQ(tdat[1], 50.0);
    EXPECT_EQ(tdat[120], 6000.0);
    struct Row {
        int i;
        double t, q, d, dd;
    };
    const Row ref[] = {{0, 10, -0.600498, -0.000375706, 0.000135157}, {1, 50, -0.4882, 0.00407755, 8.75062e-05},
                       {2, 100, -0.175237, 0.00696379, 2.6636e-05},   {6, 300, 0.288693, 0.00594528, -8.67487e-07},
                       {20, 1000, 0.789935, 0.00621489, 8.62316e-07}, {60, 3000, 1.34819, 0.0106528, 3.19232e-06},
                       {120, 6000, 1.85361, 0.0227306, 5.50936e-06}};
    for (const Row& r : ref) {
        EXPECT_EQ(tdat[static_cast<std::size_t>(r.i)], r.t);
        EXPECT_EQ(qdat[static_cast<std::size_t>(r.i)], r.q);
        EXPECT_EQ(dqdt[static_cast<std::size_t>(r.i)], r.d);
        EXPECT_EQ(ddqdt[static_cast<std::size_t>(r.i)], r.dd);
    }
    // Nuclear spin divided out: q -> 1/4 at low T (log q = -0.602 at 150 K
    // would be 0 with the spin weights), and q rises monotonically.
    for (int i = 2; i < kRows; ++i) EXPECT_GT(qdat[static_cast<std::size_t>(i)], qdat[static_cast<std::size_t>(i - 1)]);
    // The slope column is the slope of q itself: compare with differences
    // of the log q column away from the reference rows.
    for (int i = 8; i < 118; i += 11) {
        const auto k = static_cast<std::size_t>(i);
        const double q = std::pow(10.0, qdat[k]);
        const double num = (std::pow(10.0, qdat[k + 1]) - std::pow(10.0, qdat[k - 1])) / (tdat[k + 1] - tdat[k - 1]);
        EXPECT_NEAR(dqdt[k], num, 2e-3 * q / 50) << tdat[k];
    }
}

TEST(H2Partition, Sqh2scClampsAndExtrapolates) {
    double o1, o2, o3, p1, p2, p3;
    // At a row: the row itself.
    EXPECT_DOUBLE_EQ(sqh2sc(1000, o1, o2, o3), std::pow(10.0, 0.789935));
    EXPECT_DOUBLE_EQ(o1, 1000 * 0.00621489);
    EXPECT_DOUBLE_EQ(o2, 1000.0 * 1000.0 * 8.62316e-07);
    EXPECT_EQ(o3, 4.4781);
    // Above 6000 K: the values of 6000 K, with Tc = 6000 in out1, out2.
    const double q6 = sqh2sc(6000, p1, p2, p3);
    EXPECT_EQ(sqh2sc(2e4, o1, o2, o3), q6);
    EXPECT_EQ(o1, p1);
    EXPECT_EQ(o2, p2);
    // Below 0.1 K: the result of 0.1 K.
    const double q01 = sqh2sc(0.1, p1, p2, p3);
    EXPECT_EQ(sqh2sc(1e-3, o1, o2, o3), q01);
    EXPECT_EQ(o1, p1);
    // Below 10 K: linear in 5040/T through the first two rows.
    const double t = 5.0, th = 5040 / t, th1 = 504.0, th2 = 100.8;
    const double logq = -0.4882 + (-0.600498 + 0.4882) * (th - th2) / (th1 - th2);
    EXPECT_NEAR(std::log10(sqh2sc(t, o1, o2, o3)), logq, 1e-12);
}

TEST(H2Partition, FipolAndSearch) {
    const double x[] = {1, 2, 4, 8, 16};
    const double y[] = {0, 1, 2, 3, 4};  // log2 x: monotonic
    int lo, hi;
    search(lo, 5.0, hi, x, 5);
    EXPECT_EQ(lo, 3);
    search(lo, 4.0, hi, x, 5);  // x(lo) < x <= x(lo+1)
    EXPECT_EQ(lo, 2);
    search(lo, 0.5, hi, x, 5);
    EXPECT_EQ(lo, 1);
    search(lo, 99.0, hi, x, 5);
    EXPECT_EQ(lo, 4);
    const double xd[] = {16, 8, 4, 2, 1};
    search(lo, 5.0, hi, xd, 5);
    EXPECT_EQ(lo, 2);
    std::ostringstream con;
    search(lo, 5.0, hi, x, 1, &con);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(con.str(), "  n=1 in search\n");
    // Tabulated points come back exactly; monotonic data stay monotonic.
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(fipol(x[i], x, y, 5), y[i], 1e-12);
    double prev = -1;
    for (double v = 1.0; v <= 16.0; v += 0.25) {
        const double f = fipol(v, x, y, 5);
        EXPECT_GE(f, prev);
        EXPECT_NEAR(f, std::log2(v), 0.1);
        prev = f;
    }
    // Across a turning point of the data the parabola through three rows
    // is used: (x-2)^2 is reproduced exactly there.
    const double xp[] = {1, 2, 3, 4, 5};
    const double ypar[] = {1, 0, 1, 4, 9};
    EXPECT_NEAR(fipol(1.5, xp, ypar, 5), 0.25, 1e-12);
    // Beyond the ends: the straight line through the end rows.
    EXPECT_NEAR(fipol(6.0, xp, ypar, 5), 14.0, 1e-12);
}
