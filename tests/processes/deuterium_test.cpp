// Deuterium burning and the electron-degeneracy conversion: the built-in
// Fermi-Dirac tables are what the generator makes and agree with the
// analytic limits of the integrals; the burning rate, its supply limit,
// deuterium conservation and the mixing diagnostics on real structures.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fermidirac.hpp"
#include "processes/deuterium.hpp"
#include "processes/fermi_dirac_tables.hpp"

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

std::string read_file(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
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
    // Published table ends.
    EXPECT_NEAR(f[0] / 0.002194814357, 1, 1e-8);
    EXPECT_NEAR(f[n - 1] / 477.1198022, 1, 1e-8);
    EXPECT_NEAR(g[0] / 0.004385788765, 1, 1e-8);
    EXPECT_NEAR(g[n - 1] / 17.88739361, 1, 1e-8);
    EXPECT_DOUBLE_EQ(p[0], -6.0);
    EXPECT_DOUBLE_EQ(p[n - 1], 80.0);
    for (int k = 1; k < n; ++k) EXPECT_NEAR(p[k] - p[k - 1], 0.344, 1e-12) << k;

    // Non-degenerate end: F_j -> Gamma(j+1) e^psi, first correction
    // -e^psi / 2^(j+1); the full series for every psi < 0 in the table.
    EXPECT_NEAR(f[0] / (std::sqrt(kPi) / 2 * std::exp(-6.0)), 1, std::exp(-6.0) / std::pow(2, 1.5) * 1.01);
    EXPECT_NEAR(g[0] / (std::sqrt(kPi) * std::exp(-6.0)), 1, std::exp(-6.0) / std::sqrt(2) * 1.01);
    for (int k = 0; p[k] < 0; ++k) {
        EXPECT_NEAR(f[k] / fd_series(0.5, p[k]), 1, 2e-12) << p[k];
        EXPECT_NEAR(g[k] / fd_series(-0.5, p[k]), 1, 2e-12) << p[k];
    }
    // psi = 0: F_j(0) = Gamma(j+1) (1 - 2^-j) zeta(j+1), zeta(3/2), zeta(1/2).
    EXPECT_NEAR(fdbuild::fermi_dirac(1, 0.0), std::sqrt(kPi) / 2 * (1 - std::sqrt(0.5)) * 2.612375348685488, 1e-13);
    EXPECT_NEAR(fdbuild::fermi_dirac(-1, 0.0), std::sqrt(kPi) * (1 - std::sqrt(2.0)) * -1.460354508809587, 1e-13);
    // Degenerate end: (2/3) psi^1.5 and 2 psi^0.5 with their Sommerfeld terms.
    for (int k = n - 30; k < n; ++k) {
        EXPECT_NEAR(f[k] / (2.0 / 3 * std::pow(p[k], 1.5)), 1, 1.1 * kPi * kPi / 8 / (p[k] * p[k]));
        EXPECT_NEAR(f[k] / fd_sommerfeld(0.5, p[k]), 1, 1e-12) << p[k];
        EXPECT_NEAR(g[k] / fd_sommerfeld(-0.5, p[k]), 1, 1e-11) << p[k];
    }
    EXPECT_NEAR(g[n - 1] / (2 * std::sqrt(80.0)), 1, 1e-4);
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
    for (int k : {0, 1, 17, 125, n - 2, n - 1}) {
        calctheta(f[k], th, psi);
        EXPECT_NEAR(psi, p[k], 1e-12) << k;
        EXPECT_NEAR(th, g[k] / (2 * f[k]), 1e-14) << k;
    }
    // Close to the non-degenerate limit thetae -> 1; degenerate 3/(2 psi).
    calctheta(f[0] * 1.0001, th, psi);
    EXPECT_NEAR(th, 1, 2e-3);
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
