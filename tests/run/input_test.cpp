// Reading the three input files: the forms a value may take, the module
// defaults completed after reading, the optional 17th line of the atmosphere
// file (the irradiated atmosphere), and a clear stop on every bad input.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/model_state.hpp"
#include "run/context.hpp"
#include "run/input.hpp"
#include "run_dir.hpp"
#include "support/fatal_text.hpp"

using namespace velkaro;
using velkaro::testing::edited;
using velkaro::testing::fatal_text;
using velkaro::testing::RunDir;

namespace {

struct Fixture {
    RunDir dir;
    std::ostringstream out;
    RunContext ctx;
    PlanetState s;
    Fixture() {
        ctx.path.rundir = dir.path();
        ctx.console.out = &out;
    }
};

}  // namespace

TEST(InputValues, FortranForms) {
    using input::parse_real;
    const std::pair<const char*, double> reals[] = {{"5.2", 5.2},     {"1.0d-3", 1e-3}, {"1.0D+3", 1e3}, {"-.5", -0.5},
                                                    {"+3.", 3.0},     {"7", 7.0},       {"1.5+3", 1.5e3}, {"1.5-3", 1.5e-3},
                                                    {"1q2", 100.0}};
    for (auto [text, v] : reals) EXPECT_EQ(parse_real(text), v) << text;
    for (const char* bad : {"", "abc", "1.2.3", "e5", ".", "nan", "inf", "1e999", "--1", "T"})
        EXPECT_FALSE(parse_real(bad).has_value()) << bad;
    EXPECT_EQ(input::parse_int("-12"), -12);
    EXPECT_FALSE(input::parse_int("1.0").has_value());
    for (const char* t : {"T", ".true.", "True", ".t"}) EXPECT_EQ(input::parse_logical(t), true) << t;
    for (const char* f : {"f", ".FALSE."}) EXPECT_EQ(input::parse_logical(f), false) << f;
    EXPECT_FALSE(input::parse_logical("yes").has_value());
    // The value is the first item; blanks, commas and slashes end it.
    EXPECT_EQ(input::first_item("  5.2   aplanete/AU"), "5.2");
    EXPECT_EQ(input::first_item("5.2,6/ comment"), "5.2");
    // Character values: quoted (a doubled quote is one), or up to a separator.
    EXPECT_EQ(input::parse_character("'/data/eos tables/'  trailing"), "/data/eos tables/");
    EXPECT_EQ(input::parse_character("'it''s/'"), "it's/");
    EXPECT_EQ(input::parse_character("../data/eos/"), "..");
    EXPECT_FALSE(input::parse_character("'unclosed").has_value());
}

TEST(Initcond, PathFileProblemsUseTheirOwnMessages) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "Sbr init: ERROR opening path.dat\nPROBLEME : path.dat"},  // no file
        {{"'only/one/line/'"}, "PROBLEME : sbr init: reading path.dat"},
        {{"'unclosed", "'x/'"}, "PROBLEME : sbr init: reading path.dat"},
    };
    for (const auto& [file, expect] : cases) {
        Fixture f;
        file.empty() ? f.dir.remove("path.dat") : f.dir.write("path.dat", file);
        const auto msg = fatal_text([&] { initcond(f.ctx, f.s); });
        if (file.empty())
            EXPECT_NE(msg.find(expect), std::string::npos) << msg;
        else
            EXPECT_EQ(msg, expect);
    }
}

TEST(Initcond, BadRunFileNamesFileLineAndValue) {
    const auto lines = velkaro::testing::jupiter_run_file();
    struct Bad { int line; std::string text, expect; };  // expect: how the message goes on after the file's name
    const Bad cases[] = {
        {3, "abc", "line 3: expected a real number (Mcore/Mearth), found \"abc\""},
        {3, "0.0", "line 3: Mcore/Mearth must be positive"},
        {2, "-5", "line 2: Menve/Mearth must not be negative"},
        {4, "1.2", "line 4: YHe must lie between 0 and 1"},
        {7, "1.5", "line 7: fract_ice must lie between 0 and 1"},
        {10, "0", "line 10: divisorTKH must be positive"},
        {11, "maybe", "line 11: expected a logical T or F (keepall), found \"maybe\""},
        {14, "2d10", "line 14: tstart/yr must come before tmax (line 9)"},
        // A null value (a leading comma) would leave the variable unset: refused.
        {1, ", 5.2", "line 1: expected a real number (aplanete/AU), found no value"},
    };
    auto message_for = [](const std::vector<std::string>& file) {
        Fixture f;
        if (file.empty())
            f.dir.remove("sivex.in");
        else
            f.dir.write("sivex.in", file);
        const auto msg = fatal_text([&] { initcond(f.ctx, f.s); });
        EXPECT_TRUE(f.ctx.path.path_tableseos.empty()) << "nothing after the run file may run";
        return msg;
    };
    for (const auto& c : cases) {
        const auto msg = message_for(edited(lines, {{c.line, c.text}}));
        EXPECT_EQ(msg.rfind("PROBLEME : input file sivex.in, " + c.expect, 0), 0u) << msg;
    }
    auto shorter = lines;
    shorter.resize(12);
    EXPECT_NE(message_for(shorter).find("sivex.in ends after line 12: expected a logical T or F (Noevo) on line 13"),
              std::string::npos);
    EXPECT_NE(message_for({}).find("PROBLEME : cannot open the input file sivex.in"), std::string::npos);
}

// A free-format read passes over empty records: blank lines (empty, or of
// blanks and tabs) before, between and after the values of all three files
// read as the files without them.
TEST(Initcond, BlankLinesAreEmptyRecordsPassedOver) {
    auto read = [](bool blanks) {
        auto f = std::make_unique<Fixture>();
        auto spaced = [blanks](std::vector<std::string> lines) {
            if (!blanks) return lines;
            lines.insert(lines.end() - 1, "");
            lines.insert(lines.begin() + 1, " \t ");
            lines.insert(lines.begin(), "");
            lines.push_back("");
            return lines;
        };
        const std::string data(VELKARO_DATA_DIR);
        f->dir.write("sivex.in", spaced(velkaro::testing::jupiter_run_file()));
        f->dir.write("sivexdualband.in", spaced(velkaro::testing::jupiter_atmosphere_file()));
        f->dir.write("path.dat", spaced({"'" + data + "/eos/'", "'" + data + "/'"}));
        initcond(f->ctx, f->s);
        init2bd(f->ctx);
        return f;
    };
    const auto plain = read(false), spaced = read(true);
    EXPECT_EQ(spaced->out.str(), plain->out.str());  // the echo of every value read
    EXPECT_EQ(spaced->s.tmax, plain->s.tmax);
    EXPECT_EQ(spaced->s.tstart, plain->s.tstart);
    EXPECT_EQ(spaced->s.divisorTKH, plain->s.divisorTKH);
    EXPECT_EQ(spaced->ctx.path.path_fichiersdg, plain->ctx.path.path_fichiersdg);
    EXPECT_EQ(spaced->ctx.gasloss.evapmodel, plain->ctx.gasloss.evapmodel);
}

TEST(Init2bd, ModelselectTauoutRatiosMetallicityAndTheIrradiatedSwitchEchoed) {
    const auto atm = velkaro::testing::jupiter_atmosphere_file();
    auto read = [](const std::vector<std::string>& file) {
        auto f = std::make_unique<Fixture>();
        f->dir.write("sivexdualband.in", file);
        init2bd(f->ctx);
        return f;
    };
    const auto f = read(edited(atm, {{1, "3"}, {4, "5.0"}}));
    const std::string out = f->out.str();
    EXPECT_NE(out.find(" Modelselect forced to 0\n"), std::string::npos);
    EXPECT_NE(out.find(" modelselect            0\n"), std::string::npos) << out;
    EXPECT_DOUBLE_EQ(f->ctx.dbdboundary.tauoutorig, 2.0 / 3.0);  // not manual: line 4 ignored
    EXPECT_NE(out.find(" kv2kth        0.10000000000000001     \n kv2kth2       0.20000000000000001     \n"),
              std::string::npos)
        << out;
    EXPECT_EQ(read(edited(atm, {{3, "T"}, {4, "5.0"}}))->ctx.dbdboundary.tauoutorig, 5.0);
    // A metallicity outside the tables is reported and kept.
    const auto h = read(edited(atm, {{8, "2.0"}}));
    EXPECT_NE(h->out.str().find(" Metallicity for opacity out of range   2.0000000000000000     \n"
                                " Extrapolating from 0 or 1.7\n"),
              std::string::npos);
    EXPECT_EQ(h->ctx.opacity.metallicity, 2.0);

    // The optional 17th line switches the irradiated atmosphere on; F (or a
    // 16-line file) leaves the echo as it was. Blank lines after the 16th
    // are empty records (BlankLinesAreEmptyRecordsPassedOver).
    auto with17 = [&](const std::string& line) {
        auto lines = atm;
        lines.push_back(line);
        return read(lines);
    };
    const auto sixteen = read(atm);
    EXPECT_FALSE(sixteen->ctx.dualband.irradiated);
    EXPECT_EQ(sixteen->out.str().find("irradiated"), std::string::npos);
    const auto off = with17("F   irradiated");
    EXPECT_FALSE(off->ctx.dualband.irradiated);
    EXPECT_EQ(off->out.str(), sixteen->out.str());
    for (const char* on : {"T", ".true.  irradiated atmosphere"}) {
        const auto t = with17(on);
        EXPECT_TRUE(t->ctx.dualband.irradiated) << on;
        EXPECT_NE(t->out.str().find(" irradiated   T\n"), std::string::npos) << t->out.str();
    }
}

TEST(Init2bd, BadAtmosphereFileStopsClearly) {
    const auto atm = velkaro::testing::jupiter_atmosphere_file();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {edited(atm, {{2, "maybe"}}), "line 2: expected a logical T or F (GasEvap)"},
        {edited(atm, {{16, "1.5"}}), "line 16: expected an integer (Evapmodel)"},
        // Tides on with a non-positive stellar Q would divide by zero later.
        {edited(atm, {{6, "0.0"}, {7, "T"}}), "line 6: Qstar must be positive when Tides is on"},
        {[&] { auto a = atm; a.push_back("yes  irradiated"); return a; }(),
         "line 17: expected a logical T or F (irradiated), found \"yes\""},
        // The irradiated profile needs a positive opacity ratio.
        {[&] { auto a = edited(atm, {{13, "0.0  kv2kth"}}); a.push_back("T"); return a; }(),
         "line 17: irradiated needs kv2kth > 0"},
    };
    for (const auto& [file, expect] : cases) {
        Fixture f;
        f.dir.write("sivexdualband.in", file);
        const auto msg = fatal_text([&] { init2bd(f.ctx); });
        EXPECT_NE(msg.find("PROBLEME : input file sivexdualband.in, " + expect), std::string::npos) << msg;
    }
}

// An input file of more than a mebibyte (here one endless line after the
// first value) is refused by name before it is read into memory.
TEST(Initcond, OversizedInputFilesAreRefusedByName) {
    for (const char* name : {"sivex.in", "path.dat", "sivexdualband.in"}) {
        Fixture f;
        {
            std::ofstream out(f.dir.path() / name, std::ios::app);
            out << std::string(std::size_t{1} << 20, ' ') << "\n";
        }
        const std::string text = fatal_text([&] {
            if (std::string(name) == "sivexdualband.in")
                init2bd(f.ctx);
            else
                initcond(f.ctx, f.s);
        });
        EXPECT_NE(text.find(std::string("input file ") + name + " holds"), std::string::npos) << text;
    }
}
