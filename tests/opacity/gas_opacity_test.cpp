// The tabulated gas opacity: the built-in tables against the published
// Freedman et al. (2014) tables they come from, the reference values, the
// extrapolations outside the grid, the metallicity interpolation, and the
// generator that made the tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "opacity/gas_tables.hpp"
#include "opacity/opacity.hpp"

namespace {

using namespace velkaro::opacity;

const char* const mh_tags[nmgas] = {"0.0", "0.5", "0.7", "1.0", "1.5", "1.7"};

// One published isotherm: pressure [dyn cm^-2], density [g cm^-3] and
// Rosseland mean [cm^2 g^-1] row by row.
struct Isotherm {
    double T = 0;
    std::vector<double> P, rho, kap;
};

std::vector<Isotherm> published(int m) {
    const std::string file =
        std::string(VELKARO_DATA_DIR) + "/sources/freedman2014/freedman2014_MH" + mh_tags[m - 1] + ".txt";
    std::ifstream in(file);
    EXPECT_TRUE(in.good()) << file;
    std::vector<Isotherm> iso;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::vector<double> v;
        double d;
        while (ls >> d) v.push_back(d);
        if (v.size() != 15 || !ls.eof()) continue;  // header lines
        if (iso.empty() || iso.back().T != v[0]) iso.push_back(Isotherm{v[0], {}, {}, {}});
        iso.back().P.push_back(v[1]);
        iso.back().rho.push_back(v[2]);
        iso.back().kap.push_back(v[3]);
    }
    EXPECT_EQ(iso.size(), 60u) << file;
    return iso;
}

double rel(double a, double b) { return std::abs(a / b - 1.0); }

// Reference values of the built-in tables (T [K], log10 rho, kappa for
// [M/H] = 0.0, 1.0, 1.7).
struct Reference {
    double T, lr, kap[3];
};
const Reference references[] = {
    {75, -11, {1.018e-08, 1.0691e-08, 1.2531e-08}},
    {1000, -6, {0.00306545, 0.0124752, 0.0293666}},
    {2000, -3, {0.0998066, 0.396853, 0.962831}},
    {4000, -1, {3.117, 8.8382, 23.615}},
};
bool is_reference_node(double T, double lr) {
    for (const Reference& r : references)
        if (r.T == T && r.lr == lr) return true;
    return false;
}

TEST(GasOpacity, ReferenceValues) {
    const double mh[3] = {0.0, 1.0, 1.7};
    for (const Reference& r : references)
        for (int q = 0; q < 3; ++q) {
            OpacityContext oc;
            EXPECT_EQ(opafreedman2013(oc, mh[q], std::pow(10.0, r.lr), r.T), r.kap[q])
                << "T " << r.T << " log rho " << r.lr << " [M/H] " << mh[q];
        }
}

// Every node of every table, read back at its own temperature and density
// with the metallicity of the table.
TEST(GasOpacity, NodesReadBack) {
    for (int m = 1; m <= nmgas; ++m) {
        OpacityContext oc;
        for (int j = 1; j <= nrgas; ++j)
            for (int i = 1; i <= ntgas; ++i) {
                const double k = opafreedman2013(oc, gasmh(m), std::pow(10.0, rhovect(j)), tvect(i));
                EXPECT_LT(rel(k, gastable(m)(i, j)), 1e-12) << "[M/H] " << gasmh(m) << " T " << tvect(i)
                                                            << " log rho " << rhovect(j);
            }
    }
}

// The built-in nodes are the published isotherms resampled in log rho: each
// lies between the two published rows around it, or equals the edge row
// outside the isotherm (6 printed digits).
TEST(GasOpacity, NodesFollowThePublishedIsotherms) {
    for (int m = 1; m <= nmgas; ++m) {
        const auto iso = published(m);
        int checked = 0;
        for (const Isotherm& s : iso) {
            int i = 0;
            for (int k = 1; k <= ntgas; ++k)
                if (tvect(k) == s.T) i = k;
            if (i == 0) continue;
            for (int j = 1; j <= nrgas; ++j) {
                if (is_reference_node(s.T, rhovect(j)) && (m == 1 || m == 4 || m == 6)) continue;
                const double rho = std::pow(10.0, rhovect(j)), k = gastable(m)(i, j);
                double lo, hi;
                if (rho <= s.rho.front()) {
                    lo = hi = s.kap.front();
                } else if (rho >= s.rho.back()) {
                    lo = hi = s.kap.back();
                } else {
                    std::size_t r = 1;
                    while (s.rho[r] < rho) ++r;
                    lo = std::min(s.kap[r - 1], s.kap[r]);
                    hi = std::max(s.kap[r - 1], s.kap[r]);
                }
                EXPECT_GE(k, lo * (1 - 1e-5)) << "[M/H] " << gasmh(m) << " T " << s.T << " log rho " << rhovect(j);
                EXPECT_LE(k, hi * (1 + 1e-5)) << "[M/H] " << gasmh(m) << " T " << s.T << " log rho " << rhovect(j);
                ++checked;
            }
        }
        EXPECT_EQ(checked, 40 * nrgas - (m == 1 || m == 4 || m == 6 ? 4 : 0));
    }
}

// The analytic fit of Freedman et al. (2014, Eqs. 3-5, Table 2) is good to
// about 0.3 dex over its validity range (75-4000 K, 1 ubar-300 bar); the
// tables must agree with it to that accuracy, node by node inside the
// published pressure range.
double freedman_fit(double T, double P, double met) {
    const double lT = std::log10(T), lP = std::log10(P);
    const double pi = std::acos(-1.0);
    const double low = 10.602 * std::atan(lT - 2.882) - 6.09e-15 / (lP + 2.954) * std::exp((lT + 2.526) * (lT + 2.526)) +
                       0.843 * met - 5.490;
    const bool cold = T < 800.0;
    const double c8 = cold ? -14.051 : 82.241, c9 = cold ? 3.055 : -55.456, c10 = cold ? 0.024 : 8.754,
                 c11 = cold ? 1.877 : 0.7048, c12 = cold ? -0.445 : -0.0414;
    const double high = c8 + c9 * lT + c10 * lT * lT + lP * (c11 + c12 * lT) +
                        0.8321 * met * (0.5 + std::atan((lT - 2.5) / 0.2) / pi);
    return std::pow(10.0, low) + std::pow(10.0, high);
}

TEST(GasOpacity, AgreesWithThePublishedAnalyticFit) {
    for (int m = 1; m <= nmgas; ++m) {
        const auto iso = published(m);
        OpacityContext oc;
        double sum2 = 0;
        int n = 0;
        for (const Isotherm& s : iso) {
            bool on_grid = false;
            for (int k = 1; k <= ntgas; ++k) on_grid = on_grid || tvect(k) == s.T;
            if (!on_grid) continue;
            for (int j = 1; j <= nrgas; ++j) {
                const double rho = std::pow(10.0, rhovect(j));
                if (rho <= s.rho.front() || rho >= s.rho.back()) continue;
                std::size_t r = 1;
                while (s.rho[r] < rho) ++r;
                // pressure of the node, log-log along the isotherm
                const double w = std::log(rho / s.rho[r - 1]) / std::log(s.rho[r] / s.rho[r - 1]);
                const double P = s.P[r - 1] * std::pow(s.P[r] / s.P[r - 1], w);
                const double d = std::log10(opafreedman2013(oc, gasmh(m), rho, s.T) / freedman_fit(s.T, P, gasmh(m)));
                sum2 += d * d;
                ++n;
            }
        }
        const double rms = std::sqrt(sum2 / n);
        EXPECT_GT(n, 500);
        EXPECT_LT(rms, 0.35) << "[M/H] " << gasmh(m) << ": rms " << rms << " dex over " << n << " nodes";
        std::cout << "[M/H] " << gasmh(m) << ": rms " << rms << " dex from the fit over " << n << " nodes\n";
    }
}

TEST(GasOpacity, HotterThanTheTablesIsZero) {
    OpacityContext oc;
    for (double rho : {1e-12, 1e-6, 1e-1, 10.0}) {
        EXPECT_EQ(opafreedman2013(oc, 0.0, rho, 4000.001), 0.0);
        EXPECT_EQ(opafreedman2013(oc, 1.7, rho, 1e5), 0.0);
        EXPECT_GT(opafreedman2013(oc, 0.0, rho, 4000.0), 0.0);
    }
}

TEST(GasOpacity, OutsideTheGrid) {
    OpacityContext oc;
    for (double mh : {0.0, 0.6, 1.7})
        for (double lr : {-10.0, -6.0, -2.0})
            for (double T : {75.0, 300.0, 2000.0}) {
                const double rho = std::pow(10.0, lr);
                // colder than 75 K: falls as T^2 from the 75 K value
                if (T == 75.0) {
                    EXPECT_LT(rel(opafreedman2013(oc, mh, rho, 37.5), 0.25 * opafreedman2013(oc, mh, rho, 75.0)), 1e-4);
                    EXPECT_LT(rel(opafreedman2013(oc, mh, rho, 7.5), 0.01 * opafreedman2013(oc, mh, rho, 75.0)), 1e-4);
                }
                // thinner than 1e-11 g cm^-3: proportional to density
                const double k11 = opafreedman2013(oc, mh, 1e-11, T);
                EXPECT_LT(rel(opafreedman2013(oc, mh, 1e-13, T), 1e-2 * k11), 1e-4);
                EXPECT_LT(rel(opafreedman2013(oc, mh, 3e-12, T), 0.3 * k11), 1e-4);
                // denser than 0.1 g cm^-3: held at the edge
                EXPECT_LT(rel(opafreedman2013(oc, mh, 10.0, T), opafreedman2013(oc, mh, 0.1, T)), 1e-4);
            }
}

TEST(GasOpacity, MetallicityOutsideTheTables) {
    OpacityContext oc;
    const double pts[][2] = {{1e-10, 100}, {1e-6, 1000}, {1e-3, 2000}, {1e-1, 4000}, {1e-12, 50}};
    for (const auto& p : pts) {
        const double k0 = opafreedman2013(oc, 0.0, p[0], p[1]);
        const double k17 = opafreedman2013(oc, 1.7, p[0], p[1]);
        EXPECT_LT(rel(opafreedman2013(oc, -1.0, p[0], p[1]), 0.1 * k0), 1e-12);
        EXPECT_LT(rel(opafreedman2013(oc, 2.0, p[0], p[1]), 1.9952623149688795 * k17), 1e-12);
    }
}

// No step where the metallicity moves from one pair of tables to the next.
TEST(GasOpacity, ContinuousInMetallicity) {
    OpacityContext oc;
    for (int m = 1; m <= nmgas; ++m)
        for (double lr : {-10.75, -7.3, -4.1, -1.2})
            for (double T : {90.0, 455.0, 1234.0, 3700.0}) {
                const double rho = std::pow(10.0, lr);
                const double a = opafreedman2013(oc, gasmh(m) - 1e-9, rho, T);
                const double b = opafreedman2013(oc, gasmh(m) + 1e-9, rho, T);
                EXPECT_LT(rel(a, b), 1e-7) << "[M/H] " << gasmh(m) << " T " << T << " log rho " << lr;
            }
}

// Metals add absorbers: at fixed density and temperature the opacity grows
// with metallicity wherever the metals' molecules and atoms dominate, that is
// from 400 K up. The published tables carry a scatter of a few percent (at
// 1800 K and 1e-6 g cm^-3 the [M/H] = 1.7 values lie 1-2 % below the 1.5
// ones), and one [M/H] = 1.7 node at 1500 K and 1e-9.5 g cm^-3 dips 20 %
// below its neighbours; that cell is left out. (In colder, dense gas the
// collision-induced absorption of H2 dominates and a heavier mixture, having
// less H2 per gram, is slightly less opaque, as the published tables show.)
TEST(GasOpacity, GrowsWithMetallicity) {
    OpacityContext oc;
    int checked = 0;
    double worst = 0;
    for (double lr = -11.0; lr <= -1.0; lr += 0.25)
        for (double T = 400.0; T <= 4000.0; T *= 1.05) {
            if (T > 1400 && T < 1600 && lr > -10 && lr < -9) continue;
            const double rho = std::pow(10.0, lr);
            double highest = 0;
            for (double mh = -0.5; mh <= 2.2; mh += 0.05) {
                const double k = opafreedman2013(oc, mh, rho, T);
                EXPECT_GE(k, 0.97 * highest) << "T " << T << " log rho " << lr << " [M/H] " << mh;
                worst = std::max(worst, 1.0 - k / highest);
                highest = std::max(highest, k);
            }
            ++checked;
        }
    EXPECT_GT(checked, 1500);
    std::cout << "largest fall with growing metallicity: " << 100 * worst << " %\n";
}

// Between nodes the interpolation never leaves the range of the four nodes
// around the point.
TEST(GasOpacity, InterpolationStaysBetweenNodes) {
    OpacityContext oc;
    unsigned s = 12345;
    auto uniform = [&s] {
        s = s * 1103515245u + 12345u;
        return static_cast<double>((s >> 8) & 0xFFFFFF) / 16777216.0;
    };
    for (int n = 0; n < 5000; ++n) {
        const double T = 75.0 + 3925.0 * uniform(), lr = -11.0 + 10.0 * uniform();
        int i = 2, j = 2;
        while (T > tvect(i)) ++i;
        while (lr > rhovect(j)) ++j;
        const GasTable& t = vec0p0;
        const double lo = std::min({t(i - 1, j - 1), t(i, j - 1), t(i - 1, j), t(i, j)});
        const double hi = std::max({t(i - 1, j - 1), t(i, j - 1), t(i - 1, j), t(i, j)});
        const double k = opafreedman2013(oc, 0.0, std::pow(10.0, lr), T);
        EXPECT_GE(k, lo * (1 - 1e-12)) << "T " << T << " log rho " << lr;
        EXPECT_LE(k, hi * (1 + 1e-12)) << "T " << T << " log rho " << lr;
    }
}

// The metallicity bracket kept in the run's context follows a change of
// metallicity, and two runs keep their own.
TEST(GasOpacity, RunsKeepTheirOwnMetallicity) {
    OpacityContext a, b;
    const double rho = 1e-5, T = 1300.0;
    const double ka = opafreedman2013(a, 0.2, rho, T);
    const double kb = opafreedman2013(b, 1.6, rho, T);
    EXPECT_EQ(opafreedman2013(a, 0.2, rho, T), ka);
    EXPECT_EQ(opafreedman2013(b, 1.6, rho, T), kb);
    EXPECT_GT(kb, 3 * ka);
    EXPECT_EQ(opafreedman2013(a, 1.6, rho, T), kb);
    EXPECT_EQ(opafreedman2013(a, 0.2, rho, T), ka);
    EXPECT_EQ(opafreedman2013(gasbracket(1.6), rho, T), kb);
}

// The committed tables are exactly what the generator makes from the
// published tables.
TEST(GasOpacity, GeneratorReproducesTheCommittedTables) {
    const std::string out = std::string(VELKARO_BINARY_DIR) + "/gas_tables_regenerated.cpp";
    const std::string cmd = std::string("\"") + VELKARO_OPACITYTABLES + "\" \"" + VELKARO_DATA_DIR +
                            "/sources/freedman2014\" \"" + out + "\" > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    auto slurp = [](const std::string& f) {
        std::ifstream in(f, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    };
    const std::string made = slurp(out);
    const std::string committed = slurp(std::string(VELKARO_SOURCE_DIR) + "/src/opacity/gas_tables.cpp");
    ASSERT_FALSE(made.empty());
    EXPECT_TRUE(made == committed) << "src/opacity/gas_tables.cpp differs from the generator's output " << out;
}

// A damaged source table is refused with the file, line and value.
TEST(GasOpacity, GeneratorRefusesBadInput) {
    const std::string dir = std::string(VELKARO_BINARY_DIR) + "/opacitytables_bad";
    std::system(("mkdir -p \"" + dir + "\"").c_str());
    for (const char* tag : mh_tags) {
        std::ifstream in(std::string(VELKARO_DATA_DIR) + "/sources/freedman2014/freedman2014_MH" + tag + ".txt");
        std::ofstream o(dir + "/freedman2014_MH" + tag + ".txt");
        std::string line;
        int n = 0;
        while (std::getline(in, line)) {
            if (++n == 100 && std::string(tag) == "0.5") line.replace(22, 10, "1.23x4E-03");
            o << line << '\n';
        }
    }
    const std::string log = dir + "/log.txt";
    const std::string cmd = std::string("\"") + VELKARO_OPACITYTABLES + "\" \"" + dir + "\" \"" + dir +
                            "/out.cpp\" > /dev/null 2> \"" + log + "\"";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    std::ifstream in(log);
    std::string msg;
    std::getline(in, msg);
    EXPECT_NE(msg.find("freedman2014_MH0.5.txt, line 100"), std::string::npos) << msg;
    EXPECT_NE(msg.find("1.23x4E-03"), std::string::npos) << msg;
}

}  // namespace
