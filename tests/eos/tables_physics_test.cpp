// The generators reproduce the committed data and their inputs check out
// against independent references; physics of the built tables:
// thermodynamic consistency, the mixture against values computed by hand
// from the published SCvH tables, entropy continuity where the evaluation
// switches to the ideal gas, and the entropy table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "common/constants.hpp"
#include "eos_test_util.hpp"
#include "h2partition.hpp"
#include "writer.hpp"

using namespace velkaro::eos;
namespace eb = velkaro::eosbuild;

namespace {

// The numeric rows of a file of the H2 partition-function sources.
std::vector<std::vector<double>> rows(const std::string& name) {
    std::ifstream f(eostest::data_dir() / "sources" / "h2partition" / name);
    std::vector<std::vector<double>> out;
    for (std::string line; std::getline(f, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream is(line);
        out.emplace_back(std::istream_iterator<double>(is), std::istream_iterator<double>());
    }
    return out;
}

// One published SCvH table: node (100 log T, 100 log P) -> the 11 columns.
using Scvh = std::map<std::pair<long, long>, std::vector<double>>;
std::pair<long, long> key(double lt, double lp) { return {std::lround(lt * 100), std::lround(lp * 100)}; }

const Scvh& published(bool hydrogen) {
    static const auto read = [](const char* name) {
        Scvh d;
        std::ifstream f(eostest::data_dir() / "sources" / "scvh" / name);
        double lt;
        for (int np; f >> lt >> np;)
            for (int i = 0; i < np; ++i) {
                std::vector<double> v(11);
                for (double& x : v) f >> x;
                d[key(lt, v[0])] = v;
            }
        return d;
    };
    static const Scvh h = read("H_TAB_I.A"), he = read("HE_TAB_I.A");
    return hydrogen ? h : he;
}

// Bilinear interpolation of column c between the published nodes.
double published(bool hydrogen, double lt, double lp, int c) {
    const double t0 = 2.10 + 0.08 * std::floor((lt - 2.10) / 0.08 + 1e-9);
    const double p0 = 4.0 + 0.2 * std::floor((lp - 4.0) / 0.2 + 1e-9);
    const double w = (lt - t0) / 0.08, u = (lp - p0) / 0.2;
    auto g = [&](int i, int j) { return published(hydrogen).at(key(t0 + 0.08 * i, p0 + 0.2 * j)).at(c); };
    return (1 - w) * ((1 - u) * g(0, 0) + u * g(0, 1)) + w * ((1 - u) * g(1, 0) + u * g(1, 1));
}

EosOut eval(double y, double lp, double lt) {
    EosOut o;
    eos(eostest::shipped().get(), 0, y, std::pow(10.0, lp), std::pow(10.0, lt), o);
    return o;
}

double quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

}  // namespace

TEST(Generators, EosAndH2PartitionTablesRebuildBitForBit) {
    eb::BuildOptions o;
    o.sources = eostest::data_dir() / "sources" / "scvh";
    const auto files = eb::build_all(o);
    ASSERT_EQ(files.size(), 5u);
    for (const auto& [name, text] : files)
        EXPECT_TRUE(eostest::read_file(eostest::data_dir() / "eos" / name) == text) << name << " differs";
    const auto h2 = std::filesystem::path(VELKARO_SOURCE_DIR) / "src" / "eos" / "h2partition_table.cpp";
    EXPECT_TRUE(eostest::read_file(h2) == eb::h2_partition_source()) << "h2partition_table.cpp differs";
}

TEST(Generators, DunhamModelMatchesTheReferenceGridAndTheMeasuredLevels) {
    // The model's bound levels (up to v = 13): their partition function equals the
    // independent reference grid to its 6 digits.
    const auto model = eb::dunham_levels();
    const auto grid = rows("H2_qint_DunhamHH79_grid.dat");
    EXPECT_EQ(grid.size(), 121u);
    for (const auto& r : grid) {
        ASSERT_EQ(r.size(), 5u);
        const auto p = eb::h2_partition(model, r[0]);
        EXPECT_NEAR(std::log10(p.q), r[1], 1e-6) << r[0];
        EXPECT_NEAR(p.dqdt, r[3], 1e-6 * std::fabs(r[3]) + 1e-12) << r[0];
        EXPECT_NEAR(p.d2qdt2, r[4], 1e-6 * std::fabs(r[4]) + 1e-14) << r[0];
    }
    // Up to 1000 K the Roueff et al. (2019) level list gives the same q to
    // 0.001 dex (the model is used up to 6000 K, following its reference
    // rows).
    std::vector<eb::H2Level> measured;
    for (const auto& r : rows("H2_levels_Roueff2019.dat")) measured.push_back({int(r.at(0)), int(r.at(1)), r.at(2)});
    for (double t : {50.0, 100.0, 300.0, 1000.0})
        EXPECT_NEAR(std::log10(eb::h2_partition(model, t).q), std::log10(eb::h2_partition(measured, t).q), 1e-3) << t;
}

TEST(BuiltTables, MaxwellRelationHoldsAsWellAsInThePublishedTables) {
    // (dS/dP)_T = (1/rho^2) (drho/dT)_P, i.e. S rho T / P dlogS/dlogP =
    // dlogrho/dlogT. Residual relative to |dlogrho/dlogT| (at least 0.05).
    auto residual = [](double lt, double lp, double lr, double ls, double rt, double sp) {
        return std::fabs(sp * std::pow(10.0, ls + lr + lt - lp) - rt) / std::max(std::fabs(rt), 0.05);
    };
    std::vector<double> pub;
    for (const auto& [k, v] : published(true)) pub.push_back(residual(k.first / 100.0, v[0], v[3], v[4], v[6], v[9]));
    // Only nodes from the published stencil ('S' in the origin map).
    std::ifstream f(eostest::data_dir() / "eos" / "eosbdp_coverage.txt");
    std::vector<std::string> map;
    for (std::string l; std::getline(f, l);)
        if (!l.empty() && l[0] != '#') map.push_back(l.substr(7));
    const auto tb = eostest::shipped();
    for (int k = 1; k <= 3; ++k) {
        std::vector<double> r;
        for (int ip = 1; ip <= tb->np; ++ip)
            for (int jt = 1; jt <= tb->nt; ++jt)
                if (map.at(static_cast<std::size_t>(ip - 1)).at(static_cast<std::size_t>(jt - 1)) == 'S')
                    r.push_back(residual(tb->logt(jt), tb->logp(ip), tb->q(1, k, ip, jt), tb->q(2, k, ip, jt),
                                         tb->q(4, k, ip, jt), tb->q(7, k, ip, jt)));
        ASSERT_GT(r.size(), 7000u);
        // Half the nodes within 1 %, nine in ten within 5 %; and no worse
        // than 1.5 times the published hydrogen table, whose own residual is
        // large near the plasma phase transition.
        EXPECT_LT(quantile(r, 0.5), 0.01);
        EXPECT_LT(quantile(r, 0.9), 0.05);
        EXPECT_LT(quantile(r, 0.9), 1.5 * quantile(pub, 0.9));
    }
}

TEST(BuiltTables, MixtureMatchesHandComputedScvhValuesInJupiter) {
    // Additive volume law and ideal mixing entropy, computed here from the
    // published tables by bilinear interpolation between their nodes.
    const double y = 0.27, x = 1 - y, amu = velkaro::cst::amu, kb = velkaro::cst::kB;
    const double spin = kb * std::log(4.0) / velkaro::cst::mH2;
    for (const auto& [lp, lt] : {std::pair{12.0, 4.0}, {10.0, 3.6}, {13.0, 4.3}, {8.0, 3.0}, {11.4, 3.9}}) {
        auto h = [&](int c) { return published(true, lt, lp, c); };
        auto he = [&](int c) { return published(false, lt, lp, c); };
        const double rho = 1.0 / (x / std::pow(10.0, h(3)) + y / std::pow(10.0, he(3)));
        // Mixing entropy of H2, H, H+, e- with He, He+, He++ (fractions of
        // all particles, electrons included, in each pure table).
        const double xh2 = h(1), xh = h(2), xhe = he(1), xhep = he(2);
        const double xhp = std::max(0.0, (1 - xh2 - xh) / 2), xhepp = std::max(0.0, (1 - xhe - 2 * xhep) / 3);
        const double nH = x / (1.00794 * amu * (2 * xh2 + xh + xhp)), nHe = y / (4.002602 * amu * (xhe + xhep + xhepp));
        const double sh[4] = {xh2 * nH, xh * nH, xhp * nH, xhp * nH};
        const double she[4] = {xhe * nHe, xhep * nHe, xhepp * nHe, (xhep + 2 * xhepp) * nHe};
        const double ntH = sh[0] + sh[1] + sh[2] + sh[3], ntHe = she[0] + she[1] + she[2] + she[3], n = ntH + ntHe;
        auto f = [](double a, double b) { return a > 0 ? a * std::log(a / b) : 0.0; };
        double smix = -f(sh[3] + she[3], n);
        for (int i = 0; i < 4; ++i) smix += f(sh[i], ntH) + f(she[i], ntHe) - (i < 3 ? f(sh[i], n) + f(she[i], n) : 0);
        const double s = x * (std::pow(10.0, h(4)) - spin) + y * std::pow(10.0, he(4)) + kb * smix;
        const EosOut o = eval(y, lp, lt);
        EXPECT_NEAR(o.rho / rho, 1.0, 0.01) << lp << " " << lt;
        EXPECT_NEAR(o.s / s, 1.0, 0.01) << lp << " " << lt;
    }
}

TEST(BuiltTables, EntropyIsContinuousWhereTheIdealGasTakesOver) {
    // Along the edges of the table domain where the gas is molecular and
    // nearly ideal (lP = 3.66 up to 1500 K; lT = 2.56 up to 10^8.5 dyn/cm2),
    // the table meets the ideal gas within the small difference of the
    // molecular masses the two use (2.006 vs 2.016 for H2): 0.6 %. Without
    // the nuclear-spin term removed the entropy would differ by 8 %.
    for (double y : {0.2, 0.27, 0.35}) {
        for (double lt = 2.56; lt <= 3.18; lt += 0.04) {
            const EosOut in = eval(y, 3.66, lt), out = eval(y, 3.66 - 1e-9, lt);
            EXPECT_NEAR(in.s / out.s, 1.0, 0.006) << "lT " << lt;
            EXPECT_NEAR(in.rho / out.rho, 1.0, 0.006) << "lT " << lt;
        }
        for (double lp = 3.7; lp <= 8.5; lp += 0.2)
            EXPECT_NEAR(eval(y, lp, 2.56).s / eval(y, lp, 2.56 - 1e-9).s, 1.0, 0.006) << "lP " << lp;
    }
}

TEST(EntropyTable, LayoutMonotonicityAndAgreementWithTheEos) {
    std::ifstream f(eostest::data_dir() / "eos" / "table_HHeH2OpartIonZ0000.dat");
    std::vector<std::array<double, 4>> rows;
    for (std::array<double, 4> r{}; f >> r[0] >> r[1] >> r[2] >> r[3];) rows.push_back(r);
    ASSERT_EQ(rows.size(), 221u * 201u);
    // S in k_B per m_H, including the nuclear-spin entropy of the protons
    // (X ln 4 per H2 mass), unlike the H/He tables and the ideal gas.
    const double spin = 0.73 * eb::hydrogen_spin_entropy(), unit = velkaro::cst::kB / eb::hydrogen_atom_mass();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& q = rows[i];
        const std::size_t k = i / 201, l = i % 201;
        ASSERT_NEAR(q[0], 1.0 + 0.025 * k, 1e-9);  // log T = 1 .. 6.5, slow
        ASSERT_NEAR(q[1], -2.0 + 0.1 * l, 1e-9);   // log P = -2 .. 18, fast
        ASSERT_TRUE(q[3] >= 0.5 && (k == 0 || q[3] > rows[i - 201][3])) << "S rising with T: " << q[0] << " " << q[1];
        // Where the H/He tables serve, S is theirs plus the spin term; the
        // coolest rows meet the ideal gas.
        if (k % 10 != 0 || l % 10 != 0 || !(in_table_domain(q[0], q[1]) || (k == 0 && l <= 60))) continue;
        EXPECT_NEAR(q[3], (eval(0.27, q[1], q[0]).s + spin) / unit, (k == 0 ? 0.01 : 2e-3) * q[3])
            << q[0] << " " << q[1];
    }
}
