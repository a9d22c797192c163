// Evaluation of the H/He EOS: the bicubic kernel, table reproduction at
// nodes, bracketing in Y, the domain dispatch and its stops, the fast path
// against the straightforward one. (The evaluation keeps no state between
// calls.)
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "eos/bicubic.hpp"
#include "eos/context.hpp"
#include "eos/idealgas.hpp"
#include "eos_test_util.hpp"

using namespace velkaro::eos;
using eostest::fatal_lines;

namespace {

EosOut at(bool fast, double y, double lp, double lt) {
    EosOut o;
    const double p = std::pow(10.0, lp), t = std::pow(10.0, lt);
    fast ? eosfast(eostest::shipped().get(), 0.0, y, p, t, o) : eos(eostest::shipped().get(), 0.0, y, p, t, o);
    return o;
}
EosOut sc(const EosTables& tb, double y, double p, double t, bool direct = false) {
    EosOut o;
    direct ? eosscfast_direct(tb, y, p, t, o) : eosscfast(tb, y, p, t, o);
    return o;
}
std::array<double, 8> fields(const EosOut& o) { return {o.rho, o.s, o.u, o.drhodp, o.drhodt, o.dsdp, o.dsdt, o.dtdp}; }

}  // namespace

TEST(EosTable, GridNodesReproduceTheTabulatedValues) {
    const auto tb = eostest::shipped();
    // (IP = 2 and JT = 2 are left out: at their own nodes, truncation of
    // (lP - 3.5)/0.15 may give 1, outside the tables' domain anyway.)
    for (int k = 1; k <= 3; ++k)
        for (int ip : {3, 55, 103})
            for (int jt : {3, 45, 90}) {
                const double p = std::pow(10.0, tb->logp(ip)), t = std::pow(10.0, tb->logt(jt));
                const EosOut o = sc(*tb, tb->yval(k), p, t);  // Y3: all weight on table 3
                const double got[8] = {std::log10(o.rho),    std::log10(o.s),      std::log10(o.u),
                                       o.drhodt * t / o.rho, o.drhodp * p / o.rho, o.dsdt * t / o.s,
                                       o.dsdp * p / o.s,     o.dtdp * p / t};
                for (int n = 1; n <= 8; ++n) EXPECT_NEAR(got[n - 1], tb->q(n, k, ip, jt), 1e-12) << n;
            }
    // eosfast at a node: the density, markers where it computes nothing.
    const EosOut f = at(true, 0.27, tb->logp(40), tb->logt(30));
    EXPECT_NEAR(std::log10(f.rho), tb->q(1, 2, 40, 30), 1e-12);
    EXPECT_EQ((std::array{f.drhodp, f.s, f.u, f.slot12}), (std::array{kMarker, kMarker, kMarker, kMarker}));
}

TEST(EosTable, HeliumFractionIsBracketedByTheTablesAndIndicesChecked) {
    const auto tb = eostest::shipped();
    const double p = 1e10, t = 3000;
    const EosOut a = sc(*tb, 0.2, p, t), b = sc(*tb, 0.27, p, t), m = sc(*tb, 0.235, p, t), c = sc(*tb, 0.35, p, t);
    // Linear in Y between tables; more helium, denser gas, lower entropy.
    EXPECT_NEAR(std::log10(m.rho), 0.5 * (std::log10(a.rho) + std::log10(b.rho)), 1e-12);
    EXPECT_TRUE(a.rho < b.rho && b.rho < c.rho && a.s > c.s);
    for (double y : {0.19999, 0.35000001})
        EXPECT_EQ(fatal_lines([&] { sc(*tb, y, p, t); }).back(), "PROBLEME : Y DANS EOSSC") << y;
    // Below the first pressure cell, above the last temperature cell.
    for (const auto& [pp, tt, head, problem] :
         {std::tuple{std::pow(10.0, 3.6), 1e3, " STOP IN EOSSC: CHECK IP=           1", "PROBLEME : PRESS IN EOSSC"},
          {1e8, 1e7, " STOP IN EOSSC: CHECK JT=          91", "PROBLEME : TEMP IN EOSSC"}}) {
        const auto lines = fatal_lines([&] { sc(*tb, 0.27, pp, tt); });
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].substr(0, 37), head);
        EXPECT_EQ(lines[1], problem);
    }
}

TEST(EosDispatch, EdgesOfTheTableDomainAndTheEntryPoints) {
    // The cold dense corner and everything on or above the high-T line
    // belong to the ideal gas. Inside, the tables serve up to the corners
    // of the domain (their 4 x 4 stencil inside the tables).
    for (const auto& [lt, lp, in] : {std::tuple{2.56, 3.66, true}, {2.5599, 5.0, false}, {4.0, 3.6599, false},
                                     {6.95, 18.79, true}, {6.9501, 12.0, false}, {5.0, 18.7901, false},
                                     {3.7, 16.0, false}, {3.7001, 16.0, true}, {3.7, 15.78, true}}) {
        EXPECT_EQ(in_table_domain(lt, lp), in) << lt << " " << lp;
        if (!in) continue;
        EXPECT_TRUE(std::isfinite(sc(*eostest::shipped(), 0.35, std::pow(10.0, lp), std::pow(10.0, lt)).s)) << lt;
    }
    // The entry points follow the dispatch: at lT = 3.7, lP = 16 the ideal gas.
    double s, rho, dtdp, a, b, c, d, u;
    entro_gp_newfast(0.27, 1e16, std::pow(10.0, 3.7), s, rho, dtdp, a, b, c, d, u);
    const EosOut o = at(false, 0.27, 16, 3.7), f = at(true, 0.27, 16, 3.7);
    EXPECT_EQ((std::array{o.rho, o.s, o.u, o.dtdp, o.slot12, o.slot13, f.rho, f.dtdp}),
              (std::array{rho, s, u, dtdp, kMarker, kMarker, rho, dtdp}));
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
    // Zero, negative and NaN arguments stop the run before anything is written.
    for (auto [p, t] : {std::pair{0.0, 100.0}, {1e6, -5.0}, {std::nan(""), 100.0}}) {
        EXPECT_NE(fatal_lines([&] { eos(tb.get(), 0, 0.27, p, t, o); }).back().find("TROP PETITE DANS EOS"),
                  std::string::npos);
        EXPECT_EQ((std::array{o.rho, o.slot12}), (std::array{1.0, kMarker}));
    }
}

// The cells' coefficients are formed on first use and then kept: the first
// evaluation in a cell (formed afresh), every later one (from the store) and
// the straightforward evaluation agree bit for bit, so do the reduced calls
// (density and gradient), and two threads that fill the cells of one shared
// table at the same time get what one thread gets alone.
TEST(EosTable, CellsFormedOnFirstUseGiveTheSameNumbersInEveryThread) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> ulp(3.66, 18.79), ult(2.56, 6.95), uy(0.2, 0.35);
    std::vector<std::array<double, 3>> points;  // y, p, t
    while (points.size() < 3000) {
        const double lp = ulp(rng), lt = ult(rng);
        if (in_table_domain(lt, lp)) points.push_back({uy(rng), std::pow(10.0, lp), std::pow(10.0, lt)});
    }
    auto sweep = [&points](const EosTables& tb, std::vector<std::array<double, 8>>& out) {
        out.clear();
        for (const auto& x : points) out.push_back(fields(sc(tb, x[0], x[1], x[2])));
    };
    const auto alone = eostest::load(eostest::data_dir() / "eos");
    std::vector<std::array<double, 8>> first, again;
    sweep(*alone, first);
    sweep(*alone, again);
    EXPECT_EQ(first, again);
    for (std::size_t n = 0; n < 500; ++n) {
        const auto& [y, p, t] = points[n];
        EXPECT_EQ(first[n], fields(sc(*alone, y, p, t, true)));
        double r1, g1, r2, g2;
        eosscfast2(*alone, y, p, t, r1, g1);
        eosscfast2_direct(*alone, y, p, t, r2, g2);
        EXPECT_EQ((std::array{r1, g1, r2, g2}), (std::array{first[n][0], first[n][7], first[n][0], first[n][7]}));
    }
    const auto shared = eostest::load(eostest::data_dir() / "eos");
    std::vector<std::array<double, 8>> a, b;
    std::thread ta([&] { sweep(*shared, a); });
    std::thread tb([&] { sweep(*shared, b); });
    ta.join();
    tb.join();
    EXPECT_EQ(a, first);
    EXPECT_EQ(b, first);
}

TEST(EosTable, HoleInTheEntropyTableStopsTheFullEvaluation) {
    // Tables with log S = 0 at node (4, 3) of table 2: the full evaluation
    // of a cell whose stencil contains it stops; the reduced one (no
    // entropy) does not.
    std::array<std::string, 3> texts;
    for (int k = 0; k < 3; ++k)
        texts[k] = eostest::small_table(6, 6, 0.1 * (k + 1), [k](int n, int ip, int jt) {
            return n == 2 && k == 1 && ip == 4 && jt == 3 ? 0.0 : 1.5;
        });
    const auto tb = eostest::load_texts("hole", texts);
    const double p = std::pow(10.0, 3.5 + 0.15 * 2.5), t = std::pow(10.0, 2.5 + 0.05 * 1.5);  // cell (3, 2)
    const auto lines = fatal_lines([&] { sc(*tb, 0.15, p, t); });
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "MIST IN EOSSC");
    EXPECT_EQ(lines[4], "PROBLEME : EOSSC");
    EXPECT_EQ(fatal_lines([&] { sc(*tb, 0.15, p, t, true); }), lines);
    double rho, dtdp;
    eosscfast2(*tb, 0.15, p, t, rho, dtdp);
    EXPECT_NEAR(rho, std::pow(10.0, 1.5), 1e-12);
}

// The run's full evaluation (memo, and blended cells of all eight
// quantities behind it) gives the two-table evaluation within rounding and
// exactly the envelope evaluation's density and gradient; the memo returns
// exactly what that evaluation returned, for repeated arguments and for
// arguments that share a memo slot (20000 points into 8192 slots), in and
// out of the tables.
TEST(EosMemo, RepeatedAndCollidingArgumentsGiveTheEvaluationItself) {
    const auto tb = eostest::shipped();
    EosContext c;
    c.tables = tb;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> ulp(3.0, 18.79), ult(2.0, 6.95), uy(0.2, 0.35);
    std::vector<std::array<double, 3>> pts;
    for (int n = 0; n < 20000; ++n) pts.push_back({uy(rng), std::pow(10.0, ulp(rng)), std::pow(10.0, ult(rng))});
    std::vector<std::array<double, 8>> first;
    std::array<double, 8> worst{};
    for (int pass = 0; pass < 3; ++pass)
        for (std::size_t n = 0; n < pts.size(); ++n) {
            const auto& [y, p, t] = pts[n];
            EosOut memo;
            eos(c, 0.0, y, p, t, memo);
            if (pass > 0) {
                ASSERT_EQ(fields(memo), first[n]) << y << ' ' << p << ' ' << t;
                continue;
            }
            first.push_back(fields(memo));
            EosOut direct;
            eos(tb.get(), 0.0, y, p, t, direct);
            if (!in_table_domain(std::log10(t), std::log10(p))) {
                ASSERT_EQ(fields(memo), fields(direct)) << y << ' ' << p << ' ' << t;
                continue;
            }
            const EnvelopeGas g = eosfast_envelope(c, y, p, t);
            ASSERT_EQ((std::array{memo.rho, memo.dtdp}), (std::array{g.rho, g.dtdp})) << y << ' ' << p << ' ' << t;
            const auto a = fields(memo), b = fields(direct);
            for (std::size_t k = 0; k < 8; ++k) worst[k] = std::max(worst[k], std::fabs(a[k] / b[k] - 1.0));
        }
    // Seen: 3.5e-14 at most, 4.2e-12 in d rho/dT, whose logarithmic
    // derivative passes through zero (a small difference of coefficients).
    for (std::size_t k = 0; k < 8; ++k) EXPECT_LT(worst[k], k == 4 ? 1e-10 : 1e-13) << k;
    EXPECT_EQ(c.memo_tables, tb.get());
}

// The envelope equations' EOS interpolates once in coefficients blended in Y
// (kept per run and cell) instead of on two tables: over a sweep of (P, T, Y)
// -- random points, points on and next to cell edges, Y on each table value
// and between -- it gives eosfast's density and adiabatic gradient within
// rounding, with Y changing from call to call on one context (a cell formed
// for one Y must not serve another) and far more cells than cache slots.
// Outside the tables and in its stops it is eosfast itself.
TEST(EosEnvelope, BlendedCellsGiveTheTwoTableValuesWithinRounding) {
    const auto tb = eostest::shipped();
    EosContext c;
    c.tables = tb;
    const double ys[] = {tb->yval(1), 0.27, tb->yval(2), 0.3, tb->yval(3)};
    std::vector<std::array<double, 2>> pts;  // (log P, log T)
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> ulp(3.0, 19.0), ult(2.0, 7.2);
    for (int n = 0; n < 6000; ++n) pts.push_back({ulp(rng), ult(rng)});
    for (int i = 3; i < 100; i += 7)
        for (int j = 3; j < 80; j += 5)
            for (double e : {0.0, 1e-13, -1e-13})
                pts.push_back({tb->logp(i) + e, tb->logt(j) - e});
    int inside = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t n = 0; n < pts.size(); ++n) {
            const double y = ys[(n + pass) % 5];
            const double p = std::pow(10.0, pts[n][0]), t = std::pow(10.0, pts[n][1]);
            EosOut o;
            double lrho;
            eosfast_lrho(tb.get(), y, p, t, o, lrho);
            const EnvelopeGas g = eosfast_envelope(c, y, p, t);
            ASSERT_EQ(g.lnt, std::log(t));
            if (!in_table_domain(std::log(t) / std::log(10.0), std::log(p) / std::log(10.0))) {
                ASSERT_EQ((std::array{g.rho, g.dtdp, g.lrho}), (std::array{o.rho, o.dtdp, lrho})) << p << ' ' << t;
                continue;
            }
            ++inside;
            // Seen: 1.8e-15 in log10 rho, 4.4e-16 in the gradient.
            ASSERT_NEAR(g.lrho, lrho, 1e-14) << y << ' ' << p << ' ' << t;
            ASSERT_NEAR(g.rho / o.rho, 1.0, 5e-14) << y << ' ' << p << ' ' << t;
            ASSERT_NEAR(g.dtdp / o.dtdp, 1.0, 1e-14) << y << ' ' << p << ' ' << t;
        }
    EXPECT_GT(inside, 4000);
    // The stops: Y beyond the tables (also in a cell already formed for
    // another Y), a pressure that is not a number, no tables.
    for (double y : {0.19999, 0.35000001})
        EXPECT_EQ(fatal_lines([&] { eosfast_envelope(c, y, 1e10, 3000); }).back(), "PROBLEME : Y DANS EOSSC") << y;
    EXPECT_EQ(fatal_lines([&] { eosfast_envelope(c, 0.27, std::nan(""), 3000); }).back(),
              "PROBLEME : PRESSION TROP PETITE DANS EOS");
    EXPECT_EQ(fatal_lines([&] { eosfast_envelope(EosContext{}, 0.27, 1e10, 3000); }).back(),
              "PROBLEME : EOS tables not loaded");
}
