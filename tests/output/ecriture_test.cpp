// The result files written for a real model: the Jupiter example's initial
// structure, written by ecriture into a throw-away run directory.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "output/columns.hpp"
#include "output/output.hpp"
#include "run/context.hpp"
#include "support/fatal_text.hpp"
#include "support/files.hpp"
#include "support/planet.hpp"
#include "support/track.hpp"
#include "run/views.hpp"

using namespace velkaro;
using velkaro::testing::read_lines;
using velkaro::testing::Track;

namespace {

// The Jupiter example started (initial structure, energy, first step) in its
// own directory, with the dump settings given; a step of 100 years.
struct JupiterRun : velkaro::testing::StartedPlanet {
    explicit JupiterRun(bool keepall = false, double dtsave = -1)
        : StartedPlanet({{11, keepall ? "T keepall" : "F keepall"}, {12, std::to_string(dtsave) + " dtsave"}}) {
        s->dt = 100 * cst::year;
    }
    void write() { output::ecriture(output_model(ctx), *s); }
    std::vector<std::string> lines(const char* name) const { return read_lines(dir.path() / name); }
};

}  // namespace

TEST(Ecriture, TrackLineLayoutAndColumnDescription) {
    JupiterRun run;
    run.write();
    const auto track = run.lines("fort.1");
    ASSERT_EQ(track.size(), 1u);
    ASSERT_EQ(track[0].size(), 193u * 22u);
    EXPECT_EQ(std::stoi(track[0].substr(192 * 22)), -111);  // the end marker last

    // The description: one row per field, in the order of the fields.
    const auto desc = run.lines("fort.1.columns");
    ASSERT_EQ(desc.size(), 194u);
    EXPECT_EQ(desc[0], "column,name,unit,meaning");
    for (std::size_t k = 1; k < desc.size(); ++k)
        EXPECT_EQ(desc[k].rfind(std::to_string(k) + "," + output::track_columns()[k - 1].name + ",", 0), 0u) << desc[k];
    // Every field is a number.
    const Track t(run.dir.path() / "fort.1");
    for (std::size_t k = 0; k < t.rows[0].size(); ++k) EXPECT_FALSE(std::isnan(t.rows[0][k])) << k + 1;
    auto value_of = [&](const char* name) { return t.at(name); };
    EXPECT_NEAR(value_of("age_yr"), 1e6, 1e-3);
    EXPECT_NEAR(value_of("Mtot_ME"), 317.8285, 1e-6);
    // A hot young Jupiter: photosphere inside the outer boundary, Teff near
    // 750 K, an absolute J magnitude in the mid-teens like the young T dwarfs.
    EXPECT_GT(value_of("R_tau23_RJ"), value_of("Rcore_RJ"));
    EXPECT_LE(value_of("R_tau23_RJ"), value_of("Rout_RJ"));
    EXPECT_GT(value_of("Teff_K"), 500);
    EXPECT_LT(value_of("Teff_K"), 1000);
    EXPECT_GT(value_of("gridmag_2MASSJ"), 10);
    EXPECT_LT(value_of("gridmag_2MASSJ"), 20);
}

TEST(Ecriture, DumpsReplacedKeptOrNone) {
    // A negative spacing writes no dumps, even at an age past the save time.
    JupiterRun none(false, -1);
    none.ctx.common.tempssave = 0;
    none.write();
    EXPECT_EQ(none.ctx.common.tempssave, 1e100);
    EXPECT_FALSE(std::filesystem::exists(none.dir.path() / "fort.13"));
    EXPECT_FALSE(std::filesystem::exists(none.dir.path() / "fort.14"));
    for (bool keepall : {false, true}) {
        JupiterRun run(keepall, 0.5);
        run.write();
        const int n = run.s->nf;
        // The first dump at the start age; the next one half a dex later.
        EXPECT_NEAR(run.ctx.common.tempssave / cst::year, std::pow(10.0, 6.5), 1.0);
        run.ctx.common.tempssave = run.s->temps;  // force a second dump
        run.write();
        const auto dump = run.lines("fort.13");
        const auto spectrum = run.lines("fort.14");
        const std::size_t copies = keepall ? 2 : 1;
        ASSERT_EQ(dump.size(), copies * static_cast<std::size_t>(n + 1)) << keepall;
        const std::string& last = dump[static_cast<std::size_t>(n)];
        EXPECT_EQ(last.size(), 23u * 19u);
        EXPECT_EQ(std::stoi(last.substr(0, 19)), n);
        // Each dump's spectrum: one empty line and 1001 wavelengths.
        ASSERT_EQ(spectrum.size(), copies * 1002u) << keepall;
        EXPECT_EQ(run.lines("fort.1").size(), 2u);
        EXPECT_EQ(run.lines("fort.13.columns").size(), 24u);
    }
}

TEST(Ecriture, WriteFailureStopsTheRunNamingTheFile) {
    JupiterRun run;
    run.ctx.output.fort1.close();  // e.g. a full disk: the stream refuses the line
    const std::string msg = velkaro::testing::fatal_text([&] { output::ecriture(output_model(run.ctx), *run.s); });
    EXPECT_NE(msg.find("PROBLEME : cannot write the result file"), std::string::npos) << msg;
    EXPECT_NE(msg.find("fort.1"), std::string::npos) << msg;
}

// Names head the columns in tools: unique identifiers, each listed in the
// README.
TEST(Ecriture, ColumnNamesAreUniqueIdentifiersListedInTheReadme) {
    const std::string readme = velkaro::testing::read_file(std::string(VELKARO_SOURCE_DIR) + "/README.md");
    const auto check = [&](const auto& cols, const char* heading) {
        const auto at = readme.find(heading);
        ASSERT_NE(at, std::string::npos) << heading;
        for (std::size_t k = 0; k < cols.size(); ++k) {
            const std::string row =
                "| " + std::to_string(k + 1) + " | `" + cols[k].name + "` | " + cols[k].unit + " |";
            EXPECT_NE(readme.find(row, at), std::string::npos) << row;
            EXPECT_EQ(cols[k].name.find_first_of(" ,\""), std::string::npos) << cols[k].name;
            for (std::size_t j = 0; j < k; ++j) EXPECT_NE(cols[j].name, cols[k].name);
        }
    };
    check(output::track_columns(), "#### `fort.1` columns");
    check(output::dump_columns(), "#### `fort.13` columns");
}
