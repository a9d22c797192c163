// Whole runs with escape and the bare core: the mass lost step by step adds
// up to the mass the planet no longer has, and the End phase takes the
// described sequences with the right stop code (start inside the star; an
// envelope below the minimum at start, the bare core spiralling into the star).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "run/run_dir.hpp"
#include "support/track.hpp"

using namespace velkaro;
using velkaro::testing::edited;
using velkaro::testing::RunDir;

// The sub-Neptune of the examples loses its whole envelope: its mass never
// grows, each step loses what the rate over the step says (to the rounding
// of the written fields), and it ends as its bare core with stop code 2.
TEST(EscapeRun, StepLossesAddUpToTheMassTheSubNeptuneLost) {
    RunDir dir;
    for (const char* name : {"sivex.in", "sivexdualband.in"})
        std::filesystem::copy_file(std::string(VELKARO_SOURCE_DIR) + "/examples/evaporating-sub-neptune/" + name,
                                   dir.path() / name, std::filesystem::copy_options::overwrite_existing);
    const std::string o = dir.run();
    EXPECT_NE(o.find("May the entropy be with you.   2.0"), std::string::npos);
    const velkaro::testing::Track t(dir.path() / "fort.1");
    ASSERT_GT(std::ssize(t.rows), 5);
    double lost = 0;
    for (int i = 1; i < std::ssize(t.rows); ++i) {
        EXPECT_LE(t.at("Mtot_ME", i), t.at("Mtot_ME", i - 1)) << "line " << i;
        if (t.at("step", i) != t.at("step", i - 1))  // the final output repeats the last step
            lost += t.at("Mdot_MEyr", i) * t.at("dt_yr", i);
    }
    const double M0 = t.at("Mtot_ME", 0), Mcore = t.at("Mcore_ME");
    EXPECT_EQ(t.at("Mtot_ME"), Mcore);  // all of the envelope, nothing of the core
    EXPECT_NEAR(lost, M0 - Mcore, 1e-6 * M0) << "lost " << lost << " of " << M0 - Mcore;
}

TEST(EscapeRun, EndPhaseSequencesAndStopCodes) {
    struct Case {
        const char* what;
        std::vector<std::string> run, atmos;
        double code;
        bool bare;   // noenve and noenveend run
        int nlines;  // records written to fort.1
    };
    const auto run = velkaro::testing::jupiter_run_file();
    const auto atm = velkaro::testing::jupiter_atmosphere_file();
    const Case cases[] = {
        {"inside the star", edited(run, {{1, "0.005  aplanete/AU"}}), atm, 7, false, 1},
        // An envelope below the minimum at the start: a bare core (code 6),
        // which with tides spirals into the star (6 + 10; without, the bare
        // core's own test).
        {"bare core spiralling in", edited(run, {{1, "0.02  aplanete/AU"}, {2, "1.0d-7  Menve/Mearth"}}),
         edited(atm, {{6, "1.0d5  Qstar"}, {7, "T  Tides"}}), 16, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunDir dir;
        dir.write("sivex.in", c.run);
        dir.write("sivexdualband.in", c.atmos);
        const std::string o = dir.run();
        const auto at = [&](const std::string& key) { return o.find(key); };
        const std::string final_message = "VELKARO21: Progam terminated. May the entropy be with you.";
        const auto end = at(final_message);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(std::stod(o.substr(end + final_message.size())), c.code);
        if (c.bare) {
            EXPECT_LT(at("SBR NOENVE\n"), at("SBR NOENVEEND"));
            EXPECT_LT(at("SBR NOENVEEND"), end);
        } else {
            EXPECT_EQ(at("SBR NOENVE"), std::string::npos);
        }
        EXPECT_EQ(at("Core has spiraled into the star") != std::string::npos, c.code > 10);
        EXPECT_EQ(o.find("WARNING"), std::string::npos);
        // Bare cores and one-shell models write numbers only: no NaN, no infinity.
        const velkaro::testing::Track track(dir.path() / "fort.1");
        for (const auto& row : track.rows)
            for (std::size_t k = 0; k < row.size(); ++k) EXPECT_TRUE(std::isfinite(row[k])) << "column " << k + 1;
        EXPECT_EQ(std::ssize(track.rows), c.nlines);
    }
}
