// Reading the H/He tables: the shipped files, and files that must be refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "eos_test_util.hpp"
#include "run/context.hpp"

using namespace velkaro;
using namespace velkaro::eos;
using eostest::fatal_lines;

namespace {

// The records of a small table on the grid rule, one line each, whose
// quantity n at (IP, JT) is n + 0.01 IP + 0.001 JT + y.
std::vector<std::string> records(int nt, int np, double y, double ninth) {
    std::vector<std::string> r;
    char buf[256];
    for (int ip = 1; ip <= np; ++ip)
        for (int jt = 1; jt <= nt; ++jt) {
            std::string line;
            std::snprintf(buf, sizeof buf, "%.2f %.2f", 2.5 + 0.05 * (jt - 1), 3.5 + 0.15 * (ip - 1));
            line += buf;
            for (int n = 1; n <= 8; ++n) {
                std::snprintf(buf, sizeof buf, " %.6f", n + 0.01 * ip + 0.001 * jt + y);
                line += buf;
            }
            std::snprintf(buf, sizeof buf, " %g", ninth);
            r.push_back(line + buf);
        }
    return r;
}

std::string small_table(int nt, int np, double y, double ninth = 2.0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d %d %.4f\n", nt, np, y);
    std::string s = buf;
    for (const auto& r : records(nt, np, y, ninth)) s += r + "\n";
    return s;
}

struct Set {
    std::filesystem::path dir;
    std::array<std::string, 3> names;
    std::array<std::filesystem::path, 3> files;
};

Set write_set(const std::string& name, const std::array<std::string, 3>& texts) {
    Set s;
    s.dir = eostest::scratch(name);
    for (std::size_t k = 0; k < 3; ++k) {
        s.names[k] = kTableNames[k];
        s.files[k] = s.dir / kTableNames[k];
        eostest::write_file(s.files[k], texts[k]);
    }
    return s;
}

std::shared_ptr<const EosTables> load(const Set& s) { return read_eos_tables(s.names, s.files); }

}  // namespace

TEST(LoadEos, ShippedTablesHaveTheExpectedShape) {
    const auto tb = eostest::shipped();
    EXPECT_EQ(tb->np, 105);
    EXPECT_EQ(tb->nt, 92);
    EXPECT_DOUBLE_EQ(tb->yval(1), 0.20);
    EXPECT_DOUBLE_EQ(tb->yval(2), 0.27);
    EXPECT_DOUBLE_EQ(tb->yval(3), 0.35);
    for (int ip = 1; ip <= tb->np; ++ip) EXPECT_NEAR(tb->logp(ip), 3.5 + 0.15 * (ip - 1), 1e-12);
    for (int jt = 1; jt <= tb->nt; ++jt) EXPECT_NEAR(tb->logt(jt), 2.5 + 0.05 * (jt - 1), 1e-12);
    // The domain served by the tables has its full 4 x 4 stencil: the cell
    // indices of the domain corners lie in 2..NP-2 and 2..NT-2.
    auto ip_of = [](double lp) { return static_cast<int>((lp - 3.5) / 0.15) + 1; };
    auto jt_of = [](double lt) { return static_cast<int>((lt - 2.5) / 0.05) + 1; };
    EXPECT_GE(ip_of(3.66), 2);
    EXPECT_LE(ip_of(18.79), tb->np - 2);
    EXPECT_GE(jt_of(2.56), 2);
    EXPECT_LE(jt_of(6.95), tb->nt - 2);
}

TEST(LoadEos, ThroughTheRunContextRelativeToTheRunDirectory) {
    RunContext ctx;
    ctx.rundir = std::filesystem::path(VELKARO_SOURCE_DIR) / "examples" / "jupiter";
    ctx.path.path_tableseos = "../../data/eos/   ";  // trailing blanks do not count
    loadeos(ctx);
    ASSERT_TRUE(ctx.eos.tables);
    EXPECT_EQ(ctx.eos.tables->names[0], "../../data/eos/eosbdp0_pt_F");
    // Loaded once: a second call keeps the same tables.
    const auto* first = ctx.eos.tables.get();
    loadeos(ctx);
    EXPECT_EQ(ctx.eos.tables.get(), first);
}

TEST(LoadEos, MissingFileOrDirectoryWithoutSeparator) {
    RunContext ctx;
    ctx.rundir = std::filesystem::path(VELKARO_SOURCE_DIR);
    ctx.path.path_tableseos = "data/eos";  // no trailing separator: "data/eoseosbdp0_pt_F"
    const auto lines = fatal_lines([&] { loadeos(ctx); });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Sbr loadeos: ERROR opening EOS table");
    EXPECT_EQ(lines[1], "PROBLEME : Filename data/eoseosbdp0_pt_F");
    EXPECT_FALSE(ctx.eos.tables);
}

TEST(LoadEos, SmallTablesAreReadInFileOrder) {
    const auto s = write_set("ok", {small_table(5, 6, 0.1, -3.0), small_table(5, 6, 0.2, 0.0), small_table(5, 6, 0.3, 100.0)});
    const auto tb = load(s);
    EXPECT_EQ(tb->np, 6);
    EXPECT_EQ(tb->nt, 5);
    EXPECT_DOUBLE_EQ(tb->q(3, 2, 4, 5), 3 + 0.04 + 0.005 + 0.2);
    // Ninth column: its logarithm, 0 where not positive.
    EXPECT_EQ(tb->q(9, 1, 2, 2), 0.0);
    EXPECT_EQ(tb->q(9, 2, 2, 2), 0.0);
    EXPECT_DOUBLE_EQ(tb->q(9, 3, 2, 2), 2.0);
}

TEST(LoadEos, RecordsMayRunOverLinesAndCarryLeftovers) {
    // Header over two lines with a leftover value, the first record over
    // three lines with a comma and leftovers on its last line: read as a
    // list-directed read reads them.
    const auto recs = records(4, 4, 0.1, 2.0);
    std::vector<std::string> tok;
    {
        std::istringstream is(recs[0]);
        for (std::string w; is >> w;) tok.push_back(w);
    }
    ASSERT_EQ(tok.size(), 11u);
    std::string t = "4\n4 0.1 99\n" + tok[0] + "\n" + tok[1] + ", " + tok[2] + " " + tok[3] + "\n";
    for (std::size_t i = 4; i < 11; ++i) t += tok[i] + " ";
    t += "7 8 9\n";
    for (std::size_t i = 1; i < recs.size(); ++i) t += recs[i] + "\n";
    const auto tb = load(write_set("split", {t, small_table(4, 4, 0.2), small_table(4, 4, 0.3)}));
    EXPECT_DOUBLE_EQ(tb->yval(1), 0.1);
    EXPECT_DOUBLE_EQ(tb->q(1, 1, 1, 1), 1 + 0.011 + 0.1);
    EXPECT_DOUBLE_EQ(tb->q(8, 1, 1, 1), 8 + 0.011 + 0.1);
    EXPECT_DOUBLE_EQ(tb->q(1, 1, 1, 2), 1 + 0.012 + 0.1);
}

TEST(LoadEos, BadRecordNamesIpJtFileAndLine) {
    std::string t = small_table(4, 5, 0.2);
    const auto pos = t.find("3.65");  // first record of IP = 2
    t.replace(t.find(' ', t.find(' ', pos) + 1) + 1, 1, "x");
    const auto s = write_set("badrec", {small_table(4, 5, 0.1), t, small_table(4, 5, 0.3)});
    const auto lines = fatal_lines([&] { load(s); });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Sbr loadeos: ERROR reading EOS table");
    EXPECT_NE(lines[1].find("eosbdp1_pt_F, line 6"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], " PROBLEME : IP, JT            2           1");
}

TEST(LoadEos, NanShortFileAndBadHeaderAreRefused) {
    std::string nan = small_table(4, 4, 0.1);
    nan.replace(nan.rfind(" 2\n"), 2, " nan");
    auto lines = fatal_lines([&] { load(write_set("nan", {nan, small_table(4, 4, 0.2), small_table(4, 4, 0.3)})); });
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " PROBLEME : IP, JT            4           4");

    std::string shrt = small_table(4, 4, 0.1);
    shrt.resize(shrt.rfind('\n', shrt.size() - 2) + 1);  // drop the last record
    lines = fatal_lines([&] { load(write_set("short", {shrt, small_table(4, 4, 0.2), small_table(4, 4, 0.3)})); });
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "PROBLEME : EOS table too short: eosbdp0_pt_F");

    lines = fatal_lines([&] { load(write_set("hdr", {"4 four 0.1\n", small_table(4, 4, 0.2), small_table(4, 4, 0.3)})); });
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "PROBLEME : header of EOS table eosbdp0_pt_F");
}

TEST(LoadEos, TablesLargerThanTheStoreAreRefused) {
    // The header alone decides: NT = 151 exceeds the capacity.
    const auto s = write_set("big", {small_table(4, 4, 0.1), "151 4 0.2\n", small_table(4, 4, 0.3)});
    const auto lines = fatal_lines([&] { load(s); });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find("eosbdp1_pt_F: NT = 151, NP = 4"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "PROBLEME : EOS table size: eosbdp1_pt_F");
}

TEST(LoadEos, FilesThatDisagreeAreRefusedNamingBoth) {
    auto lines = fatal_lines([&] { load(write_set("counts", {small_table(4, 5, 0.1), small_table(4, 6, 0.2), small_table(4, 5, 0.3)})); });
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "PROBLEME : EOS tables eosbdp0_pt_F and eosbdp1_pt_F differ");
    // Off the grid rule (log T of one column shifted by 0.01).
    std::string off = small_table(4, 4, 0.3);
    off.replace(off.find("2.55"), 4, "2.56");
    lines = fatal_lines([&] { load(write_set("grid", {small_table(4, 4, 0.1), small_table(4, 4, 0.2), off})); });
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[1].find("off the grid"), std::string::npos) << lines[1];
}

TEST(LoadEos, HeliumFractionsMustIncrease) {
    const auto s = write_set("yorder", {small_table(4, 4, 0.1), small_table(4, 4, 0.3), small_table(4, 4, 0.2)});
    const auto lines = fatal_lines([&] { load(s); });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "PROBLEME : Y order of the EOS tables");
}
