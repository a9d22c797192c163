// Deuterium burning and the electron-degeneracy conversion: the built-in
// Fermi-Dirac tables are what the generator makes and agree with the
// analytic limits of the integrals; the burning rate, its supply limit,
// deuterium conservation and the mixing diagnostics on real structures.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "processes/irradiation.hpp"
#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "fermidirac.hpp"
#include "processes/context.hpp"
#include "processes/deuterium.hpp"
#include "processes/fermi_dirac_tables.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/initialize.hpp"
#include "run/input.hpp"
#include "support/files.hpp"
#include "run/views.hpp"

using velkaro::testing::read_file;

using namespace velkaro;
using processes::calctheta;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Alternating series of the Fermi-Dirac integral without 1/Gamma(j+1),
// F_j(psi) = Gamma(j+1) sum_k (-1)^(k+1) e^(k psi) / k^(j+1), for psi < 0.
double fd_series(double j, double psi) {
    double s = 0;
    for (int k = 1; k < 400; ++k) s += ((k % 2) ? 1.0 : -1.0) * std::exp(k * psi) / std::pow(k, j + 1);
    return std::tgamma(j + 1) * s;
}

// Sommerfeld expansion for psi >> 1 (terms up to psi^-6, exponentially
// small ones dropped): psi^(j+1)/(j+1) [1 + c1 (j+1) j / psi^2
// + c2 (j+1) j (j-1) (j-2) / psi^4 + c3 (j+1) j ... (j-4) / psi^6] with
// c_n = 2 (1 - 2^(1-2n)) zeta(2n): pi^2/6, 7 pi^4/360, 31 pi^6/15120.
double fd_sommerfeld(double j, double psi) {
    const double a1 = (j + 1) * j, a2 = a1 * (j - 1) * (j - 2), a3 = a2 * (j - 3) * (j - 4);
    return std::pow(psi, j + 1) / (j + 1) *
           (1 + a1 * kPi * kPi / 6 / std::pow(psi, 2) + a2 * 7 * std::pow(kPi, 4) / 360 / std::pow(psi, 4) +
            a3 * 31 * std::pow(kPi, 6) / 15120 / std::pow(psi, 6));
}

}  // namespace

TEST(FermiDiracTables, GeneratorReproducesBuiltInTables) {
    const auto file = std::filesystem::path(VELKARO_SOURCE_DIR) / "src" / "processes" / "fermi_dirac_tables.cpp";
    EXPECT_TRUE(read_file(file) == fdbuild::fermi_dirac_source()) << file << " differs from the generator's output";
}

TEST(FermiDiracTables, TableEndsAndAnalyticLimits) {
    const auto& f = processes::fdtab::fhalf;
    const auto& g = processes::fdtab::fmhalf;
    const auto& p = processes::fdtab::psi;
    constexpr int n = processes::fdtab::kPoints;
    EXPECT_DOUBLE_EQ(p[0], -6.0);
    EXPECT_DOUBLE_EQ(p[n - 1], 80.0);
    for (int k = 1; k < n; ++k) EXPECT_NEAR(p[k] - p[k - 1], 0.344, 1e-12) << k;

    // Non-degenerate end: the full alternating series for every psi < 0.
    for (int k = 0; p[k] < 0; ++k) {
        EXPECT_NEAR(f[k] / fd_series(0.5, p[k]), 1, 2e-12) << p[k];
        EXPECT_NEAR(g[k] / fd_series(-0.5, p[k]), 1, 2e-12) << p[k];
    }
    // psi = 0: F_j(0) = Gamma(j+1) (1 - 2^-j) zeta(j+1), zeta(3/2), zeta(1/2).
    EXPECT_NEAR(fdbuild::fermi_dirac(1, 0.0), std::sqrt(kPi) / 2 * (1 - std::sqrt(0.5)) * 2.612375348685488, 1e-13);
    EXPECT_NEAR(fdbuild::fermi_dirac(-1, 0.0), std::sqrt(kPi) * (1 - std::sqrt(2.0)) * -1.460354508809587, 1e-13);
    // Degenerate end: (2/3) psi^1.5 and 2 psi^0.5 with their Sommerfeld terms.
    for (int k = n - 30; k < n; ++k) {
        EXPECT_NEAR(f[k] / fd_sommerfeld(0.5, p[k]), 1, 1e-12) << p[k];
        EXPECT_NEAR(g[k] / fd_sommerfeld(-0.5, p[k]), 1, 1e-11) << p[k];
    }
}

TEST(Calctheta, LimitsNodesAndInversion) {
    const auto& f = processes::fdtab::fhalf;
    const auto& g = processes::fdtab::fmhalf;
    const auto& p = processes::fdtab::psi;
    constexpr int n = processes::fdtab::kPoints;
    double th = -1, psi = 0;
    // Outside the table: non-degenerate and fully degenerate markers.
    calctheta(0.5 * f[0], th, psi);
    EXPECT_EQ(th, 1.0);
    EXPECT_EQ(psi, -1e90);
    calctheta(2 * f[n - 1], th, psi);
    EXPECT_EQ(th, 0.0);
    EXPECT_EQ(psi, 1e90);
    // At the nodes, ends included: psi and F_-1/2 / (2 F_1/2) of the node.
    for (int k : {0, 125, n - 1}) {
        calctheta(f[k], th, psi);
        EXPECT_NEAR(psi, p[k], 1e-12) << k;
        EXPECT_NEAR(th, g[k] / (2 * f[k]), 1e-14) << k;
    }
    // Degenerate limit: thetae -> 3/(2 psi).
    calctheta(fd_sommerfeld(0.5, 70.0), th, psi);
    EXPECT_NEAR(psi, 70.0, 1e-3);
    EXPECT_NEAR(th / (1.5 / 70.0), 1, 1e-3);
    // Between nodes the inversion is accurate to the linear interpolation.
    for (double q : {-3.1, 0.5, 7.77, 33.3}) {
        calctheta(fdbuild::fermi_dirac(1, q), th, psi);
        EXPECT_NEAR(psi, q, 2e-2) << q;
        EXPECT_NEAR(th, fdbuild::fermi_dirac(-1, q) / (2 * fdbuild::fermi_dirac(1, q)), 2e-3) << q;
    }
}

// ---------------------------------------------------------------------------
// Burning on real structures.

namespace {

// Energy per reaction (5.494 MeV) and mass unit of the burning model.
constexpr double kQ = 8.801388e-6;
constexpr double kMu = 1.661e-24;

// The brown-dwarf example (20 Jupiter masses, hot start at 1 Myr): its
// initial structure, set up once, copied into the previous-step arrays as
// the driver's shift leaves them.
class DeuteriumBurning : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ctx_ = std::make_unique<RunContext>();
        base_ = std::make_unique<PlanetState>();
        RunContext& ctx = *ctx_;
        PlanetState& s = *base_;
        ctx.console.out = &sink_;
        ctx.path.rundir = std::filesystem::path(VELKARO_SOURCE_DIR) / "examples" / "brown-dwarf";
        initcond(ctx, s);
        processes::cal_tirr(host_star(ctx), s.tstart, s.Mstar, s.aplanete, ctx.dbdtemp.tirr, ctx.dbdtemp.teq);
        init2bd(ctx);
        initialize(ctx, s);
        find_initial_structure(ctx, s);
        s.xold = s.x;
        s.masseold = s.masse;
        s.nfold = s.nf;
        s.xdeuold = s.xdeu;
        // The T dS/dt luminosity of a contracting object: the structure's own.
        for (int i = 1; i <= s.nf; ++i) s.lumitdsold(i) = s.x(kL, i);
        s.dtold = 1e4 * cst::year;
    }
    // One run context for the suite (the burning keeps only work arrays in
    // it); a fresh copy of the planet for each test.
    void SetUp() override {
        ctx_->console.out = &out_;
        ctx_->common.aff = true;
        s_ = std::make_unique<PlanetState>(*base_);
    }
    RunContext& ctx() { return *ctx_; }
    PlanetState& s() { return *s_; }
    const processes::DeutShell& shell(int i) { return ctx_->processes.deut.shell(i); }
    double menv() { return s_->masseold(s_->nfold) - s_->masseold(1); }

    static inline std::ostringstream sink_;
    static inline std::unique_ptr<RunContext> ctx_;
    static inline std::unique_ptr<PlanetState> base_;
    std::ostringstream out_;
    std::unique_ptr<PlanetState> s_;
};

}  // namespace

TEST_F(DeuteriumBurning, PlanetsUpTo2000EarthMassesBurnNothing) {
    // The hot brown-dwarf interior, its masses scaled down: the mass alone
    // decides. Just above the limit the same interior burns.
    const double limit = 2000 * cst::Mearth;
    const double mtot = base_->masseold(base_->nfold);
    const double above = std::nextafter(limit, 2 * limit);
    for (auto [mass, burns] : {std::pair{limit, false}, {1000 * cst::Mearth, false}, {above, true}}) {
        s_ = std::make_unique<PlanetState>(*base_);
        PlanetState& p = s();
        for (int i = 1; i <= p.nfold; ++i) p.masseold(i) *= mass / mtot;
        p.masseold(p.nfold) = mass;
        p.lburnold.fill(1.0);  // cleared by the call
        processes::dburnnuvo(deuterium_model(ctx()), p);
        if (burns) {
            EXPECT_GT(p.Lburntot, 0) << mass;
            EXPECT_GT(p.tburn, 0) << mass;
            continue;
        }
        int nonzero = 0;
        for (int i = 1; i <= p.nfold; ++i) nonzero += shell(i).eps != 0;
        for (int i = 1; i <= kMaxShells; ++i) nonzero += (p.lburnold(i) != 0) + (p.xdeu(i) != p.xdeuold(i));
        EXPECT_EQ(nonzero, 0) << mass;
        EXPECT_EQ(p.Lburntot, 0.0);
        EXPECT_EQ(p.tburn, 0.0);
    }
}

TEST_F(DeuteriumBurning, SupplyLimitedBurningNeverExceedsTheSupply) {
    // A step of 1e12 years: the hot shells would burn their deuterium many
    // times over. The energy released over the step cannot exceed that of
    // all the deuterium (one reaction per deuteron of 2 mass units), and no
    // abundance goes below zero.
    PlanetState& p = s();
    p.dtold = 1e12 * cst::year;
    processes::dburnnuvo(deuterium_model(ctx()), p);
    const double supply = menv() * p.xdeuold(1) / (2 * kMu) * kQ;
    EXPECT_GT(p.Lburntot * p.dtold, 0.01 * supply);
    EXPECT_LE(p.Lburntot * p.dtold, supply * (1 + 1e-12));
    for (int i : {1, p.nfold, kMaxShells}) {
        EXPECT_GE(p.xdeu(i), 0.0);
        EXPECT_LT(p.xdeu(i), p.xdeuold(i));
    }
}

TEST_F(DeuteriumBurning, DeuteriumMassAndEnergyAreConserved) {
    PlanetState& p = s();
    processes::dburnnuvo(deuterium_model(ctx()), p);
    ASSERT_GT(p.Lburntot, 0);
    EXPECT_EQ(p.Lburntot, p.lburnold(p.nfold));
    for (int i = 2; i <= p.nfold; ++i) ASSERT_GE(p.lburnold(i), p.lburnold(i - 1)) << i;
    // One reaction per Q of energy, one deuteron (2 mass units) each, spread
    // over the fully mixed envelope: the same drop in every entry.
    const double burnt = 2 * kMu * p.dtold * p.Lburntot / kQ;
    for (int i : {1, p.nfold / 2, p.nfold, kMaxShells})
        EXPECT_NEAR(menv() * (p.xdeuold(i) - p.xdeu(i)), burnt, 1e-9 * burnt) << i;
    // The hot start burns fast: well under a million years.
    EXPECT_LT(p.tburn, 1e6 * cst::year);
}

// ---------------------------------------------------------------------------
// The laws of the burning against independent physics (CODATA constants).

namespace {
constexpr double kE = 4.80320471e-10;       // elementary charge [esu]
constexpr double kKb = 1.380649e-16;        // Boltzmann [erg/K]
constexpr double kU = 1.66053906660e-24;    // atomic mass unit [g]
constexpr double kHplanck = 6.62607015e-27; // [erg s]
constexpr double kMe = 9.1093837015e-28;    // electron mass [g]
}  // namespace

TEST(DeuteriumLaws, RateIsTheNonResonantGamowIntegral) {
    // <sigma v> = sqrt(8 / (pi mu)) (kT)^-3/2 S int exp(-E/kT - sqrt(E_G/E)) dE
    // with E_G = 2 mu c^2 (pi alpha)^2, S = 0.2 eV barn, the model's reduced
    // mass (2/3) u; the integral by the midpoint rule around the Gamow peak.
    const double mu = 2.0 / 3.0 * kU, c = 2.99792458e10, alpha = 1 / 137.035999084;
    const double eg = 2 * mu * c * c * std::pow(kPi * alpha, 2);
    const double S = 0.2 * 1.602176634e-12 * 1e-24;
    for (double T : {3e5, 1e6, 3e6}) {
        const double kt = kKb * T, e0 = std::pow(std::sqrt(eg) * kt / 2, 2.0 / 3.0);
        const double a = 0.05 * e0, b = 6 * e0;
        const int n = 20000;
        double sum = 0;
        for (int i = 0; i < n; ++i) {
            const double e = a + (i + 0.5) * (b - a) / n;
            sum += std::exp(-e / kt - std::sqrt(eg / e));
        }
        const double sigv = std::sqrt(8 / (kPi * mu)) * std::pow(kt, -1.5) * S * sum * (b - a) / n;
        EXPECT_NEAR(processes::sigmav_pd(T) / sigv, 1, 0.015) << T;
    }
}

TEST(DeuteriumLaws, ElectronsAndWeakScreening) {
    // Non-degenerate electrons: F_1/2 = (sqrt(pi)/2) e^psi with
    // e^psi = n_e lambda^3 / 2, lambda = h / sqrt(2 pi m_e k T).
    const double Y = 0.27, X = 1 - Y;
    for (double rho : {1e-4, 1e-2}) {
        const double T = 1e5, ne = rho * (X + Y / 2) / kU;
        const double lam = kHplanck / std::sqrt(2 * kPi * kMe * kKb * T);
        EXPECT_NEAR(processes::electron_fhalf(rho, T, Y) / (std::sqrt(kPi) / 2 * ne * lam * lam * lam / 2), 1, 2e-3);
    }
    // Weak screening of p + d (charges 1, 1): H = e^2 / (kT R_D), with the
    // Debye length of ions and (non-degenerate) electrons,
    // R_D^-2 = 4 pi e^2 (sum n_i Z_i^2 + n_e) / kT.
    const double rho = 1e-3, T = 1e6;
    const double nh = X * rho / kU, nhe = Y / 4 * rho / kU;
    const double rd = std::sqrt(kKb * T / (4 * kPi * kE * kE * (nh + 4 * nhe + nh + 2 * nhe)));
    const processes::Screening sc = processes::screening(rho, T, Y, 1.0);
    ASSERT_LT(sc.lambda0 * sc.zeta, 0.1);
    EXPECT_NEAR(processes::screening_exponent(sc, X, Y) / (kE * kE / (kKb * T * rd)), 1, 2e-3);
}

TEST(DeuteriumLaws, MixingLengthCubic) {
    // The gradients solve (xi - U)^3 + (8U/9)(xi^2 - U^2 - D) = 0 with
    // grad = xi^2 + grad_ad - U^2; efficient convection (U -> 0) is
    // adiabatic, inefficient convection (U -> inf) carries nothing: grad_rad.
    const double gad = 0.3;
    for (double U : {1e-6, 1e-3, 0.1, 1.0, 30.0})
        for (double D : {1e-4, 0.1, 10.0, 1e6}) {
            const auto m = processes::mlt_gradients(U, D, gad);
            const double scale = std::pow(m.xi, 3) + std::pow(U, 3) + U * (m.xi * m.xi + D);
            EXPECT_NEAR(std::pow(m.xi - U, 3) + 8 * U / 9 * (m.xi * m.xi - U * U - D), 0, 1e-12 * scale) << U << " " << D;
            EXPECT_GT(m.grad, gad);
            EXPECT_LE(m.grad, gad + D * (1 + 1e-9));
            EXPECT_GE(m.grad, m.grad_e);
        }
    EXPECT_NEAR(processes::mlt_gradients(1e-6, 1.0, gad).grad, gad, 1e-3);
    EXPECT_NEAR(processes::mlt_gradients(1e4, 1.0, gad).grad, gad + 1.0, 1e-3);
}
