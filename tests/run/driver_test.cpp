// The model's start condition and the driver's start-up sequence, as far as
// the built subsystems take a run; the program's exit status and its quiet
// console.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <tuple>
#include <sys/wait.h>
#include <unistd.h>

#include "common/constants.hpp"
#include "common/model_state.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/initialize.hpp"
#include "run_dir.hpp"
#include "support/files.hpp"

using namespace velkaro;
using velkaro::testing::edited;
using velkaro::testing::RunDir;

TEST(Initialize, StartStateIsIndependentOfThePlanet) {
    RunContext ctx;
    std::ostringstream out;
    ctx.console.out = &out;
    auto s = std::make_unique<PlanetState>();
    s->tstart = 3.15576e13;
    s->xDeuPrim = 2e-5;
    s->YHe = 0.25;
    s->Mcore = 10 * cst::Mearth;
    s->Menve = 300 * cst::Mearth;
    s->aplanete = 7.5e13;
    s->x(kP, 17) = 5;  // leftovers of an earlier use are cleared
    s->rhocore = 9;
    initialize(ctx, *s);
    EXPECT_EQ(s->temps, s->tstart);
    // Deuterium per hydrogen becomes a mass fraction, in every shell.
    for (int i : {1, kMaxShells}) EXPECT_DOUBLE_EQ(s->xdeu(i), 3e-5) << i;
    EXPECT_EQ(s->x(kP, 17), 0.0);
    EXPECT_EQ(s->rhocore, 5.0);
    EXPECT_NE(out.str().find(" Mtotale    310.00000000000000"), std::string::npos) << out.str();
}

namespace {

// The console lines of `text` holding one of `keys`.
std::string lines_with(const std::string& text, std::initializer_list<const char*> keys) {
    std::string kept;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        for (const char* k : keys)
            if (l.find(k) != std::string::npos) kept += l + "\n";
    return kept;
}

// The program run with `args`: its exit status and all it printed.
std::pair<int, std::string> velkaro_program(const std::string& args) {
    const auto log = std::filesystem::temp_directory_path() / ("velkaro-program-" + std::to_string(getpid()) + ".log");
    const int rc = std::system((std::string(VELKARO_BINARY_DIR) + "/velkaro " + args + " > " + log.string() + " 2>&1").c_str());
    EXPECT_TRUE(WIFEXITED(rc)) << args;
    std::pair<int, std::string> r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, velkaro::testing::read_file(log)};
    std::filesystem::remove(log);
    return r;
}

}  // namespace

TEST(Program, ExitStatusAndCommandLine) {
    for (const auto& [args, code, text] : {std::tuple{"--help", 0, "usage: velkaro [--quiet] [RUNDIR]"},
                                           {"--version", 0, "velkaro "},
                                           {"--frobnicate", 1, ""},
                                           {"/nonexistent/velkaro/run", 1, "does not exist"}}) {
        const auto [rc, out] = velkaro_program(args);
        EXPECT_EQ(rc, code) << args;
        EXPECT_NE(out.find(text), std::string::npos) << args << ": " << out;
    }
}

// A quiet console keeps the warnings and a fatal message, in the order and
// the form of the full account, and nothing else; the result files do not
// change.
TEST(Program, QuietConsoleKeepsWarningsAndFatalMessagesOnly) {
    // Without evolution, with an opacity metallicity outside the tables: the
    // warning (two lines) and the end of the no-evolution run.
    RunDir dir;
    dir.write("sivex.in", edited(velkaro::testing::jupiter_run_file(), {{13, "T  Noevo"}}));
    dir.write("sivexdualband.in", edited(velkaro::testing::jupiter_atmosphere_file(), {{8, "2.0"}}));
    const auto [rc_full, full] = velkaro_program(dir.path().string());
    const std::string track = velkaro::testing::read_file(dir.path() / "fort.1");
    const auto [rc_quiet, quiet] = velkaro_program("--quiet " + dir.path().string());
    EXPECT_EQ(rc_full, 0);
    EXPECT_EQ(rc_quiet, 0);
    EXPECT_GT(full.size(), 10000u);
    // The output's summary comes before the driver's stop.
    EXPECT_LT(full.find("Transit radius (Re, Rj)"), full.find("Initial structure calculated. Stopping."));
    const std::string kept = lines_with(full, {"Metallicity for opacity", "Extrapolating", "Noevo is true: no temporal", "Stopping."});
    EXPECT_EQ(quiet, kept.substr(0, kept.find(" Noevo")) + "\n" + kept.substr(kept.find(" Noevo")));
    EXPECT_EQ(velkaro::testing::read_file(dir.path() / "fort.1"), track);

    // A fatal message is printed whole, and the program fails.
    dir.write("sivex.in", edited(velkaro::testing::jupiter_run_file(), {{3, "-1 Mcore"}}));
    const auto [rc_fatal, fatal] = velkaro_program(dir.path().string() + " --quiet");
    EXPECT_EQ(rc_fatal, 1);
    EXPECT_EQ(fatal, "PROBLEME : input file sivex.in, line 3: Mcore/Mearth must be positive (line: \"-1 Mcore\")\n");
}
