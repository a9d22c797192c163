// The model's start condition and the driver's start-up sequence, as far as
// the built subsystems take a run; and the program's exit status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/model_state.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/initialize.hpp"
#include "run_dir.hpp"

using namespace velkaro;
using velkaro::testing::RunDir;

TEST(Initialize, StartStateIsIndependentOfThePlanet) {
    RunContext ctx;
    std::ostringstream out;
    ctx.out = &out;
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
    EXPECT_EQ(s->Routguess, 7.14e9);
    EXPECT_EQ(out.str(), "\nSBR INITALIZE\n Mtotale    310.00000000000000     \n xDeu(1)    3.0000000000000004E-005\n");
}

TEST(Driver, StartUpPrintsBannerAndNotesThenReadsTheRun) {
    RunDir dir;
    dir.write_with("sivex.in", velkaro::testing::jupiter_run_file(), 9, "1.02d6  tmax/yr");  // a few steps
    RunContext ctx;
    std::ostringstream out;
    ctx.out = &out;
    ctx.rundir = dir.path();
    run_planet(ctx);
    const std::string text = out.str();
    const auto notes = development_notes();
    ASSERT_EQ(notes.size(), 14u);
    std::size_t pos = text.find(logo()[1]);
    ASSERT_NE(pos, std::string::npos);
    const char* numbers[] = {" 1:", " 2:", " 3:", " 4:", " 6:", " 7:", "10:", "11:", "12:", "11:", "13:", "14:", "16:", "17:"};
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].substr(5, 3), numbers[i]);
        const auto p = text.find(notes[i] + "\n", pos);
        ASSERT_NE(p, std::string::npos) << notes[i];
        pos = p;
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "fort.1"));
    // The start-up in its fixed order, up to the initial structure.
    std::size_t last = pos;
    for (const char* o : {"SBR INITCOND: Initial conditions", "SBR INIT23BAND: Initial conditions part 2",
                          "SBR INITALIZE", "SBR ITERATERINIT", "Initial structure found"}) {
        const auto p = text.find(o, last);
        EXPECT_NE(p, std::string::npos) << o;
        last = p;
    }
    // Then the time loop and the end of the run.
    for (const char* o : {"SBR TIMESTEP", "SBR NuvoDburn", "SBR ITERATER T", "SBR LUMIVAR 1th",
                          "SBR CALC_CORRLESTI", "TIME STEP FINISHED", "Time intervall integrated.",
                          "VELKARO21: Progam terminated. May the entropy be with you.   1.0000000000000000"}) {
        const auto p = text.find(o, last);
        EXPECT_NE(p, std::string::npos) << o;
        last = p;
    }
}

TEST(Driver, StepSummaryLayout) {
    RunContext ctx;
    auto s = std::make_unique<PlanetState>();
    s->istep = 12;
    s->temps = 1e9 * cst::year;
    s->entro(1) = 6.0 * cst::kB / cst::amu;
    s->nf = 3;
    s->nf2to3 = 2;
    for (int i = 1; i <= 3; ++i) {
        s->x(kL, i) = i * cst::Ljup;
        s->x(kR, i) = i * cst::Rjup;
    }
    const std::string expect =
        "\n" + std::string(50, '#') + "\n" +
        " " + "        TIME STEP FINISHED            T\n"
        " Timestep, temps/an, entro                 12    1.00000E+09    6.00000E+00\n"
        " Lcore/LJ, Ltot/LJ , L2to3/LJ     1.00000E+00    3.00000E+00    2.00000E+00\n"
        " Rcore/RJ, Rtot/RJ , R2to3/RJ     1.00000E+00    3.00000E+00    2.00000E+00\n" +
        std::string(50, '#') + "\n";
    EXPECT_EQ(step_summary(ctx, *s), expect);
}

namespace {
int run_program(const std::string& args, std::string* output = nullptr) {
    const std::string log = std::filesystem::temp_directory_path() / "velkaro-exit-test.log";
    const std::string cmd = std::string(VELKARO_BINARY_DIR) + "/velkaro " + args + " > " + log + " 2>&1";
    const int rc = std::system(cmd.c_str());
    if (output) {
        std::ifstream f(log);
        std::stringstream ss;
        ss << f.rdbuf();
        *output = ss.str();
    }
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}
}  // namespace

TEST(Program, ExitStatusAndCommandLine) {
    std::string out;
    EXPECT_EQ(run_program("--help", &out), 0);
    EXPECT_NE(out.find("usage: velkaro [RUNDIR]"), std::string::npos);
    EXPECT_EQ(run_program("--version", &out), 0);
    EXPECT_NE(out.find("velkaro "), std::string::npos);
    EXPECT_EQ(run_program("--frobnicate", &out), 1);
    EXPECT_EQ(run_program("/nonexistent/velkaro/run", &out), 1);
    EXPECT_NE(out.find("does not exist"), std::string::npos);

    RunDir dir;
    auto lines = velkaro::testing::jupiter_run_file();
    dir.write_with("sivex.in", lines, 4, "1.5 YHe");
    EXPECT_EQ(run_program(dir.path().string(), &out), 1);
    EXPECT_NE(out.find("PROBLEME : input file sivex.in, line 4: YHe must lie between 0 and 1"), std::string::npos)
        << out;
}
