// The generators reproduce the committed data, and their inputs check out
// against independent references.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "eos_test_util.hpp"
#include "h2partition.hpp"
#include "writer.hpp"

using namespace velkaro::eosbuild;

TEST(Generators, EosTablesRebuildBitForBit) {
    BuildOptions o;
    o.sources = eostest::data_dir() / "sources" / "scvh";
    const auto files = build_all(o);
    ASSERT_EQ(files.size(), 5u);
    for (const auto& [name, text] : files) {
        const std::string committed = eostest::read_file(eostest::data_dir() / "eos" / name);
        EXPECT_TRUE(committed == text) << name << " differs from its rebuild";
    }
}

TEST(Generators, H2PartitionTableRebuildsBitForBit) {
    const std::string committed =
        eostest::read_file(std::filesystem::path(VELKARO_SOURCE_DIR) / "src" / "eos" / "h2partition_table.cpp");
    EXPECT_TRUE(committed == h2_partition_source());
}

TEST(Generators, DunhamLevelSumMatchesTheReferenceComputation) {
    // The level model: 280 bound levels up to v = 13, and its partition
    // function equal to the independent reference grid to its 6 digits.
    const auto levels = dunham_levels();
    EXPECT_EQ(levels.size(), 280u);
    int vmax = 0;
    for (const auto& l : levels) vmax = std::max(vmax, l.v);
    EXPECT_EQ(vmax, 13);
    std::ifstream f(eostest::data_dir() / "sources" / "h2partition" / "H2_qint_DunhamHH79_grid.dat");
    ASSERT_TRUE(f);
    std::string line;
    int rows = 0;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream is(line);
        double t, logq, q, d1, d2;
        is >> t >> logq >> q >> d1 >> d2;
        const auto p = h2_partition(levels, t);
        EXPECT_NEAR(std::log10(p.q), logq, 1e-6) << t;
        EXPECT_NEAR(p.dqdt, d1, 1e-6 * std::fabs(d1) + 1e-12) << t;
        EXPECT_NEAR(p.d2qdt2, d2, 1e-6 * std::fabs(d2) + 1e-14) << t;
        ++rows;
    }
    EXPECT_EQ(rows, 121);
}

TEST(Generators, DunhamModelAgreesWithTheMeasuredLevels) {
    // Below 1000 K the Dunham levels and the Roueff et al. (2019) level list
    // give the same q to 0.001 dex; the model is used up to 6000 K, where
    // the table follows the model's reference rows.
    std::ifstream f(eostest::data_dir() / "sources" / "h2partition" / "H2_levels_Roueff2019.dat");
    ASSERT_TRUE(f);
    std::vector<H2Level> measured;
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream is(line);
        H2Level l;
        is >> l.v >> l.J >> l.e;
        measured.push_back(l);
    }
    EXPECT_EQ(measured.size(), 302u);
    const auto model = dunham_levels();
    for (double t : {50.0, 100.0, 300.0, 1000.0})
        EXPECT_NEAR(std::log10(h2_partition(model, t).q), std::log10(h2_partition(measured, t).q), 1e-3) << t;
    // Normalisation: nuclear spin divided out, q -> 1/4.
    EXPECT_NEAR(h2_partition(measured, 10).q, 0.25, 1e-6);
}
