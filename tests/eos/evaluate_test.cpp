// Evaluation of the H/He EOS: table reproduction at nodes, bracketing in
// Y, the domain dispatch, the fast path against the straightforward one.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>

#include "eos/idealgas.hpp"
#include "eos_test_util.hpp"


using namespace velkaro::eos;
using eostest::fatal_lines;

namespace {

EosOut full(double y, double lp, double lt) {
    EosOut o;
    eos(eostest::shipped().get(), 0.0, y, std::pow(10.0, lp), std::pow(10.0, lt), o);
    return o;
}
EosOut fast(double y, double lp, double lt) {
    EosOut o;
    eosfast(eostest::shipped().get(), 0.0, y, std::pow(10.0, lp), std::pow(10.0, lt), o);
    return o;
}

}  // namespace

TEST(EosTable, GridNodesReproduceTheTabulatedValues) {
    const auto tb = eostest::shipped();
    // (IP = 2 and JT = 2 are left out: at their own nodes, truncation of
    // (lP - 3.5)/0.15 may give 1, outside the tables' domain anyway.)
    for (int k = 1; k <= 3; ++k)
        for (int ip : {3, 17, 55, 80, 103})
            for (int jt : {3, 20, 45, 70, 90}) {
                const double lp = tb->logp(ip), lt = tb->logt(jt);
                const double p = std::pow(10.0, lp), t = std::pow(10.0, lt);
                // Y = Y3 uses tables 2 and 3 with all weight on table 3.
                EosOut o;
                eosscfast(*tb, tb->yval(k), p, t, o);
                EXPECT_NEAR(std::log10(o.rho), tb->q(1, k, ip, jt), 1e-12);
                EXPECT_NEAR(std::log10(o.s), tb->q(2, k, ip, jt), 1e-12);
                EXPECT_NEAR(std::log10(o.u), tb->q(3, k, ip, jt), 1e-12);
                EXPECT_NEAR(o.drhodt * t / o.rho, tb->q(4, k, ip, jt), 1e-12);
                EXPECT_NEAR(o.drhodp * p / o.rho, tb->q(5, k, ip, jt), 1e-12);
                EXPECT_NEAR(o.dsdt * t / o.s, tb->q(6, k, ip, jt), 1e-12);
                EXPECT_NEAR(o.dsdp * p / o.s, tb->q(7, k, ip, jt), 1e-12);
                EXPECT_NEAR(o.dtdp * p / t, tb->q(8, k, ip, jt), 1e-12);
            }
    // eosfast at a node: density and gradient, markers elsewhere.
    const EosOut f = fast(0.27, tb->logp(40), tb->logt(30));
    EXPECT_NEAR(std::log10(f.rho), tb->q(1, 2, 40, 30), 1e-12);
    EXPECT_EQ(f.drhodp, -9.99999e99);
    EXPECT_EQ(f.s, kMarker);
    EXPECT_EQ(f.u, kMarker);
    EXPECT_EQ(f.slot12, kMarker);
}

TEST(EosTable, HeliumFractionIsBracketedByTheTables) {
    const auto tb = eostest::shipped();
    const double p = 1e10, t = 3000;
    // Linear in Y between tables: the midpoint of two tables is the mean.
    EosOut a, b, m;
    eosscfast(*tb, 0.20, p, t, a);
    eosscfast(*tb, 0.27, p, t, b);
    eosscfast(*tb, 0.235, p, t, m);
    EXPECT_NEAR(std::log10(m.rho), 0.5 * (std::log10(a.rho) + std::log10(b.rho)), 1e-12);
    // More helium, denser gas and lower entropy per gram.
    EosOut c;
    eosscfast(*tb, 0.35, p, t, c);
    EXPECT_LT(a.rho, b.rho);
    EXPECT_LT(b.rho, c.rho);
    EXPECT_GT(a.s, c.s);
    // Outside the tables' range: stop.
    for (double y : {0.19999, 0.35000001, 0.5}) {
        const auto lines = fatal_lines([&] { eosscfast(*tb, y, p, t, c); });
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1], "PROBLEME : Y DANS EOSSC");
    }
    const auto lines = fatal_lines([&] { eosscfast(*tb, 0.36, p, t, c); });
    EXPECT_EQ(lines[0], "  0.35999999999999999       0.20000000000000001       0.27000000000000002       0.34999999999999998     ");
}

TEST(EosTable, IndexChecksOfTheTableEvaluation) {
    const auto tb = eostest::shipped();
    EosOut o;
    auto lines = fatal_lines([&] { eosscfast(*tb, 0.27, std::pow(10.0, 3.6), 1000, o); });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 37), " STOP IN EOSSC: CHECK IP=           1");
    EXPECT_EQ(lines[1], "PROBLEME : PRESS IN EOSSC");
    lines = fatal_lines([&] { eosscfast(*tb, 0.27, 1e8, std::pow(10.0, 7.0), o); });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 37), " STOP IN EOSSC: CHECK JT=          91");
    EXPECT_EQ(lines[1], "PROBLEME : TEMP IN EOSSC");
}

TEST(EosDispatch, EdgesOfTheTableDomain) {
    EXPECT_TRUE(in_table_domain(2.56, 3.66));
    EXPECT_FALSE(in_table_domain(2.5599, 5));
    EXPECT_FALSE(in_table_domain(4, 3.6599));
    EXPECT_TRUE(in_table_domain(6.95, 18.79));
    EXPECT_FALSE(in_table_domain(6.9501, 12));
    EXPECT_FALSE(in_table_domain(5, 18.7901));
    // The cold dense corner belongs to the ideal gas...
    EXPECT_FALSE(in_table_domain(3.7, 16));
    EXPECT_TRUE(in_table_domain(3.7001, 16));
    EXPECT_TRUE(in_table_domain(3.7, 15.78));
    // ...and so does everything on or above the high-T line.
    const double lp = 8, lt_line = 0.25145067698259194 * lp + 3.429690522243713;
    EXPECT_FALSE(in_table_domain(lt_line, lp));
    EXPECT_TRUE(in_table_domain(lt_line - 1e-9, lp));

    // The entry points follow the dispatch: at lT = 3.7, lP = 16 the ideal gas.
    double s, rho, dtdp, a, b, c, d, u;
    entro_gp_newfast(0.27, 1e16, std::pow(10.0, 3.7), s, rho, dtdp, a, b, c, d, u);
    const EosOut o = full(0.27, 16, 3.7);
    EXPECT_EQ(o.rho, rho);
    EXPECT_EQ(o.s, s);
    EXPECT_EQ(o.u, u);
    EXPECT_EQ(o.slot12, kMarker);
    EXPECT_EQ(o.slot13, kMarker);
    const EosOut f = fast(0.27, 16, 3.7);
    EXPECT_EQ(f.rho, rho);
    EXPECT_EQ(f.dtdp, dtdp);
    // No tables needed outside their domain.
    EosOut n;
    eos(nullptr, 0, 0.27, 1e3, 100, n);
    EXPECT_GT(n.rho, 0);
    EXPECT_EQ(fatal_lines([&] { eos(nullptr, 0, 0.27, 1e10, 3000, n); }).back(), "PROBLEME : EOS tables not loaded");
}

TEST(EosDispatch, NonPositivePressureOrTemperatureStops) {
    const auto tb = eostest::shipped();
    EosOut o;
    o.rho = 1.0;
    auto lines = fatal_lines([&] { eos(tb.get(), 0, 0.27, 0.0, -5.0, o); });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], " pression negative dans EOS   0.0000000000000000     ");
    EXPECT_EQ(lines[1], "PROBLEME : PRESSION TROP PETITE DANS EOS");
    EXPECT_EQ(o.rho, 1.0);           // nothing written
    EXPECT_EQ(o.slot12, kMarker);    // (its initial value)
    lines = fatal_lines([&] { eos(tb.get(), 0, 0.27, 1e6, -5.0, o); });
    EXPECT_EQ(lines[0], " temperature negative dans EOS  -5.0000000000000000     ");
    EXPECT_EQ(lines[1], "PROBLEME : TEMPERATURE TROP PETITE DANS EOS");
    // eosfast has written its markers before the check.
    EosOut f;
    f.s = 3.0;
    f.u = 4.0;
    lines = fatal_lines([&] { eosfast(tb.get(), 0, 0.27, -1.0, 100, f); });
    EXPECT_EQ(lines[1], "PROBLEME : PRESSION TROP PETITE DANS EOS");
    EXPECT_EQ(f.s, kMarker);
    EXPECT_EQ(f.u, kMarker);
    // A NaN is refused like a non-positive value.
    lines = fatal_lines([&] { eosfast(tb.get(), 0, 0.27, std::nan(""), 100, f); });
    EXPECT_EQ(lines[1], "PROBLEME : PRESSION TROP PETITE DANS EOS");
}

TEST(EosTable, FastPathEqualsTheStraightforwardEvaluation) {
    const auto tb = eostest::shipped();
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> ulp(3.66, 18.79), ult(2.56, 6.95), uy(0.2, 0.35);
    int n = 0;
    while (n < 3000) {
        const double lp = ulp(rng), lt = ult(rng), y = uy(rng);
        if (!in_table_domain(lt, lp)) continue;
        ++n;
        const double p = std::pow(10.0, lp), t = std::pow(10.0, lt);
        EosOut a, b;
        eosscfast(*tb, y, p, t, a);
        eosscfast_direct(*tb, y, p, t, b);
        EXPECT_EQ(a.rho, b.rho);
        EXPECT_EQ(a.s, b.s);
        EXPECT_EQ(a.u, b.u);
        EXPECT_EQ(a.drhodp, b.drhodp);
        EXPECT_EQ(a.drhodt, b.drhodt);
        EXPECT_EQ(a.dsdp, b.dsdp);
        EXPECT_EQ(a.dsdt, b.dsdt);
        EXPECT_EQ(a.dtdp, b.dtdp);
        double r1, g1, r2, g2;
        eosscfast2(*tb, y, p, t, r1, g1);
        eosscfast2_direct(*tb, y, p, t, r2, g2);
        EXPECT_EQ(r1, r2);
        EXPECT_EQ(g1, g2);
        EXPECT_EQ(r1, a.rho);
        EXPECT_EQ(g1, a.dtdp);
    }
}

TEST(EosTable, TwoThreadsGetTheResultsOfOne) {
    const auto tb = eostest::shipped();
    auto run = [&](std::vector<double>& out) {
        for (int i = 0; i < 2000; ++i) {
            EosOut o;
            eos(tb.get(), 0, 0.27, std::pow(10.0, 4 + 0.007 * i), std::pow(10.0, 2.6 + 0.0015 * i), o);
            out.push_back(o.rho + o.s + o.dtdp);
        }
    };
    std::vector<double> ref, a, b;
    run(ref);
    std::thread t1([&] { run(a); }), t2([&] { run(b); });
    t1.join();
    t2.join();
    EXPECT_EQ(a, ref);
    EXPECT_EQ(b, ref);
}

TEST(EosTable, HoleInTheEntropyTableStopsTheFullEvaluation) {
    // Tables with log S = 0 at one node: the full evaluation of a cell whose
    // stencil contains it stops; the reduced one (no entropy) does not.
    const auto dir = eostest::scratch("hole");
    std::array<std::string, 3> names;
    std::array<std::filesystem::path, 3> files;
    for (int k = 0; k < 3; ++k) {
        std::string s = "6 6 " + std::to_string(0.1 * (k + 1)) + "\n";
        char buf[64];
        for (int ip = 1; ip <= 6; ++ip)
            for (int jt = 1; jt <= 6; ++jt) {
                std::snprintf(buf, sizeof buf, "%.2f %.2f", 2.5 + 0.05 * (jt - 1), 3.5 + 0.15 * (ip - 1));
                s += buf;
                for (int n = 1; n <= 9; ++n) s += (n == 2 && k == 1 && ip == 4 && jt == 3) ? " 0" : " 1.5";
                s += "\n";
            }
        names[static_cast<std::size_t>(k)] = kTableNames[static_cast<std::size_t>(k)];
        files[static_cast<std::size_t>(k)] = dir / names[static_cast<std::size_t>(k)];
        eostest::write_file(files[static_cast<std::size_t>(k)], s);
    }
    const auto tb = read_eos_tables(names, files);
    const double p = std::pow(10.0, 3.5 + 0.15 * 2.5), t = std::pow(10.0, 2.5 + 0.05 * 1.5);  // cell (3, 2)
    EosOut o;
    const auto lines = fatal_lines([&] { eosscfast(*tb, 0.15, p, t, o); });
    ASSERT_EQ(lines.size(), 5u);
    // Corner 1 = (IP, JT) = (3, 2): its stencil holds (4, 3) as W(i+1, j+1).
    EXPECT_EQ(lines[0].substr(0, 12), "           1");
    EXPECT_EQ(lines[3], "MIST IN EOSSC");
    EXPECT_EQ(lines[4], "PROBLEME : EOSSC");
    EXPECT_EQ(fatal_lines([&] { eosscfast_direct(*tb, 0.15, p, t, o); }), lines);
    double rho, dtdp;
    eosscfast2(*tb, 0.15, p, t, rho, dtdp);
    EXPECT_NEAR(rho, std::pow(10.0, 1.5), 1e-12);
    // Y between tables 2 and 3 also meets table 2; between 1 and 2 as well.
    EXPECT_EQ(fatal_lines([&] { eosscfast(*tb, 0.25, p, t, o); }).back(), "PROBLEME : EOSSC");
}
