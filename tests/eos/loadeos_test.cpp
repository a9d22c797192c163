// Reading the H/He tables: through the run context, small tables in the
// layouts a list-directed read accepts, and files that must be refused.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "eos_test_util.hpp"
#include "common/format.hpp"
#include "eos/eos.hpp"

using namespace velkaro;
using namespace velkaro::eos;
using eostest::fatal_lines;

namespace {

// A small table whose quantity n at (IP, JT) is n + 0.01 IP + 0.001 JT + Y,
// the ninth (Gamma_1) given.
std::string table(int nt, int np, double y, double ninth = 2.0) {
    return eostest::small_table(nt, np, y, [=](int n, int ip, int jt) {
        return n == 9 ? ninth : n + 0.01 * ip + 0.001 * jt + y;
    });
}

}  // namespace

TEST(LoadEos, RelativeToTheRunDirectory) {
    EosContext ec;
    PathModule path;
    path.rundir = std::filesystem::path(VELKARO_SOURCE_DIR) / "examples" / "jupiter";
    path.path_tableseos = "data/eos";  // no trailing separator: "data/eoseosbdp0_pt_F"
    EXPECT_EQ(fatal_lines([&] { loadeos(ec, path); }),
              (std::vector<std::string>{"Sbr loadeos: ERROR opening EOS table",
                                        "PROBLEME : Filename data/eoseosbdp0_pt_F"}));
    EXPECT_FALSE(ec.tables);
    path.path_tableseos = "../../data/eos/   ";  // trailing blanks do not count
    loadeos(ec, path);
    ASSERT_TRUE(ec.tables);
    EXPECT_EQ(ec.tables->names[0], "../../data/eos/eosbdp0_pt_F");
    const auto* first = ec.tables.get();  // loaded once
    loadeos(ec, path);
    EXPECT_EQ(ec.tables.get(), first);
}

TEST(LoadEos, BadFilesAreRefusedNamingFileAndPlace) {
    std::string badrec = table(4, 5, 0.2), nan = table(4, 4, 0.1), shrt = nan, off = table(4, 4, 0.3);
    const auto pos = badrec.find("3.65");  // first record of IP = 2: a value becomes "x..."
    badrec.replace(badrec.find(' ', badrec.find(' ', pos) + 1) + 1, 1, "x");
    nan.replace(nan.rfind(" 2\n"), 2, " nan");
    shrt.resize(shrt.rfind('\n', shrt.size() - 2) + 1);  // the last record dropped
    off.replace(off.find("2.55"), 4, "2.56");           // log T of one column off the grid
    const std::string t1 = table(4, 4, 0.1), t2 = table(4, 4, 0.2), t3 = table(4, 4, 0.3);
    // Expected: whole lines delimited by "|", or parts of lines.
    const struct { const char* name; std::array<std::string, 3> texts; std::vector<std::string> expect; } cases[] = {
        {"badrec", {table(4, 5, 0.1), badrec, table(4, 5, 0.3)},
         {"|Sbr loadeos: ERROR reading EOS table|", "eosbdp1_pt_F, line 6",
          "| PROBLEME : IP, JT            2           1|"}},
        {"nan", {nan, t2, t3}, {"| PROBLEME : IP, JT            4           4|"}},
        {"short", {shrt, t2, t3}, {"|PROBLEME : EOS table too short: eosbdp0_pt_F|"}},
        {"hdr", {"4 four 0.1\n", t2, t3}, {"|PROBLEME : header of EOS table eosbdp0_pt_F|"}},
        // The header alone decides: NT = 151 exceeds the capacity.
        {"big", {t1, "151 4 0.2\n", t3},
         {"eosbdp1_pt_F: NT = 151, NP = 4", "|PROBLEME : EOS table size: eosbdp1_pt_F|"}},
        {"counts", {table(4, 5, 0.1), table(4, 6, 0.2), table(4, 5, 0.3)},
         {"|PROBLEME : EOS tables eosbdp0_pt_F and eosbdp1_pt_F differ|"}},
        {"grid", {t1, t2, off}, {"off the grid"}},
        {"yorder", {t1, t3, t2}, {"|PROBLEME : Y order of the EOS tables|"}},
    };
    for (const auto& c : cases) {
        std::string all = "|";
        for (const auto& l : fatal_lines([&] { eostest::load_texts(c.name, c.texts); })) all += l + "|";
        for (const auto& e : c.expect) EXPECT_NE(all.find(e), std::string::npos) << c.name << ": " << all;
    }
}

// A run opens the tables and reads the first two only when its helium
// fraction needs them: a broken first table does not stop a planet of
// Y = 0.25 (tables 0.2 and 0.3), whose values are those of the tables read
// whole, and stops one of Y = 0.15 with the reader's own message.
TEST(LoadEos, OpenedTablesReadTheFirstTwoOnFirstUse) {
    std::string broken = table(6, 6, 0.1);
    broken.replace(broken.rfind(" 2\n"), 2, " nan");
    const std::array<std::string, 3> good = {table(6, 6, 0.1), table(6, 6, 0.2), table(6, 6, 0.3)};
    const auto whole = eostest::load_texts("open_whole", good);
    const auto dir = std::filesystem::path(VELKARO_BINARY_DIR) / "test_scratch" / "eos" / "open_lazy";
    std::filesystem::create_directories(dir);
    std::array<std::filesystem::path, 3> files;
    for (std::size_t k = 0; k < 3; ++k) {
        files[k] = dir / kTableNames[k];
        std::ofstream(files[k], std::ios::binary) << (k == 0 ? broken : good[k]);
    }
    const auto opened = open_eos_tables(kTableNames, files);
    EosOut a, b;
    const double p = std::pow(10.0, 3.8), t = std::pow(10.0, 2.6);
    eosscfast(*opened, 0.25, p, t, a);
    eosscfast(*whole, 0.25, p, t, b);
    EXPECT_EQ(std::pair(a.rho, a.dtdp), std::pair(b.rho, b.dtdp));
    const auto lines = fatal_lines([&] { eosscfast(*opened, 0.15, p, t, a); });
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), fmt::free("PROBLEME : IP, JT ", 6, 6));
}
