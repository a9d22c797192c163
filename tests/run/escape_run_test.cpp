// Whole runs with escape and the bare core: the mass lost step by step adds
// up to the mass the planet no longer has, and the End phase takes the
// described sequences with the right stop code (start inside the star; an
// envelope below the minimum at start, the bare core spiralling into the star).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "common/model_state.hpp"
#include "run/checks.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/run_dir.hpp"
#include "run/timestep.hpp"
#include "support/track.hpp"

using namespace velkaro;
using velkaro::testing::edited;
using velkaro::testing::RunDir;

TEST(EscapeRun, StepLossesAddUpToTheMassTheSubNeptuneLost) {
    RunDir dir;
    for (const char* name : {"sivex.in", "sivexdualband.in"})
        std::filesystem::copy_file(std::string(VELKARO_SOURCE_DIR) + "/examples/evaporating-sub-neptune/" + name,
                                   dir.path() / name, std::filesystem::copy_options::overwrite_existing);
    RunContext ctx;
    std::ostringstream out;
    ctx.console.out = &out;
    ctx.path.rundir = dir.path();
    auto sp = std::make_unique<PlanetState>();
    PlanetState& s = *sp;
    ASSERT_TRUE(start_run(ctx, s));
    ASSERT_TRUE(ctx.gasloss.gasevap);

    // The driver's time loop without the output.
    const double M0 = s.Mtotale, Mcore = s.Mcore;
    double lost = 0;
    int nkept = 0;
    for (s.istep = 1; s.istep <= 200; ++s.istep) {
        advance_structure(ctx, s);
        escape_step(ctx, s);
        lost += s.Mlost;
        EXPECT_GE(s.Mlost, 0.0);
        EXPECT_EQ(s.Mdotevap, -s.Mlost / s.dt);
        if (s.envelopeflag != 0.0) {
            // The static structure is the planet of the reduced mass.
            ++nkept;
            EXPECT_EQ(s.masse(s.nf), s.Mtotale) << s.istep;
            EXPECT_EQ(s.masse(1), Mcore) << s.istep;
        }
        checkisdone(ctx, s);
        if (s.isdone) break;
        timestep(ctx, s);
        ctx.common.lconst = true;
    }
    ASSERT_TRUE(s.isdone);
    EXPECT_GT(nkept, 5);
    EXPECT_EQ(s.envelopeflag, 0.0);
    EXPECT_EQ(s.stopcode, 2.0);
    EXPECT_LE(std::fabs(s.Mtotale - (M0 - lost)), 1e-14 * M0);
    EXPECT_LE(std::fabs(s.Mtotale - Mcore), 1e-14 * M0);  // all of the envelope, nothing of the core
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
