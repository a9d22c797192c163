// Reading the three input files: the forms a value may take, the module
// defaults completed after reading, the optional 17th line of the atmosphere
// file (the irradiated atmosphere), and a clear stop on every bad input.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>

#include "common/model_state.hpp"
#include "common/text_input.hpp"
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
    const std::pair<const char*, double> reals[] = {
        {"1.0d-3", 1e-3}, {"1.0D+3", 1e3}, {"-.5", -0.5}, {"+3.", 3.0}, {"1.5-3", 1.5e-3}, {"1q2", 100.0},
        {"-6.56999140e+00", -6.5699914}, {"2E5", 2e5}, {"7.", 7.0}, {"1e-320", 1e-320}};
    for (auto [text, v] : reals) EXPECT_EQ(parse_real(text), v) << text;
    for (const char* bad : {"", "1.2.3", "e5", ".", "nan", "1e999", "T", "1e", "1e+", "-", "--1", "1e5x", "1.5e3.2"})
        EXPECT_FALSE(parse_real(bad).has_value()) << bad;
    EXPECT_EQ(input::parse_int("-12"), -12);
    EXPECT_FALSE(input::parse_int("1.0").has_value());
    for (const char* t : {"T", ".true.", ".t"}) EXPECT_EQ(input::parse_logical(t), true) << t;
    EXPECT_EQ(input::parse_logical(".FALSE."), false);
    EXPECT_FALSE(input::parse_logical("yes").has_value());
    // The value is the first item; blanks, commas and slashes end it.
    EXPECT_EQ(input::first_item("5.2,6/ comment"), "5.2");
    // Character values: quoted (a doubled quote is one), or up to a separator.
    EXPECT_EQ(input::parse_character("'/data/eos tables/'  trailing"), "/data/eos tables/");
    EXPECT_EQ(input::parse_character("'it''s/'"), "it's/");
    EXPECT_EQ(input::parse_character("../data/eos/"), "..");
    EXPECT_FALSE(input::parse_character("'unclosed").has_value());
}

// The tables' plain numbers take a shortcut (digits eight at a time, one
// multiplication or division by an exact power of ten); every number must
// still be the double from_chars gives, to the bit, alone or in a line.
TEST(InputValues, PlainNumbersAreThoseOfFromChars) {
    std::mt19937_64 rng(2026);
    for (int i = 0; i < 200000; ++i) {
        std::string t = rng() % 2 ? "-" : "";
        const int digits = 1 + static_cast<int>(rng() % 19), point = static_cast<int>(rng() % (digits + 1));
        for (int d = 0; d < digits; ++d) t += (d == point ? "." : "") + std::string(1, static_cast<char>('0' + rng() % 10));
        if (rng() % 3) t += (rng() % 2 ? "e" : "E") + std::string(rng() % 2 ? "-" : "+") + std::to_string(rng() % 40);
        double want = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), want);
        if (r.ec != std::errc() || r.ptr != t.data() + t.size()) continue;
        const auto got = input::parse_real(t);
        ASSERT_TRUE(got.has_value()) << t;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(want)) << t;
        double two[2];
        ASSERT_TRUE(input::parse_reals(" " + t + ",\t" + t + " 1", two, 2)) << t;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(two[1]), std::bit_cast<std::uint64_t>(want)) << t;
    }
}

// The table readers' line reader gives the lines getline gives, also where
// a line crosses the reader's 64 KiB blocks or is longer than one.
TEST(InputValues, LineReaderGivesTheLinesOfGetline) {
    RunDir dir;
    const std::string text = "a b\r\n\n" + std::string(70000, 'x') + "\n" + std::string(65530, 'y') + "\nlast";
    const auto file = dir.path() / "lines.txt";
    std::ofstream(file, std::ios::binary) << text;
    std::vector<std::string> expected, got;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) expected.push_back(line);
    input::LineReader rd(file);
    ASSERT_TRUE(rd.is_open());
    for (std::string_view line; rd.next(line);) got.emplace_back(line);
    EXPECT_EQ(got, expected);
    EXPECT_FALSE(input::LineReader(dir.path()).is_open());  // a directory
    EXPECT_FALSE(input::LineReader(dir.path() / "none").is_open());
}

TEST(Initcond, BadRunFileNamesFileLineAndValue) {
    const auto lines = velkaro::testing::jupiter_run_file();
    struct Bad { int line; std::string text, expect; };  // expect: how the message goes on after the file's name
    const Bad cases[] = {
        {3, "abc", "line 3: expected a real number (Mcore/Mearth), found \"abc\""},
        {2, "-5", "line 2: Menve/Mearth must not be negative"},
        {4, "1.2", "line 4: YHe must lie between 0 and 1"},
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
    EXPECT_EQ(spaced->s.tstart, plain->s.tstart);
}

TEST(Init2bd, BadAtmosphereFileStopsClearly) {
    const auto atm = velkaro::testing::jupiter_atmosphere_file();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {edited(atm, {{2, "maybe"}}), "line 2: expected a logical T or F (GasEvap)"},
        {edited(atm, {{16, "1.5"}}), "line 16: expected an integer (Evapmodel)"},
        // Tides on with a non-positive stellar Q would divide by zero later.
        {edited(atm, {{6, "0.0"}, {7, "T"}}), "line 6: Qstar must be positive when Tides is on"},
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
    Fixture f;
    std::ofstream(f.dir.path() / "path.dat", std::ios::app) << std::string(std::size_t{1} << 20, ' ') << "\n";
    const std::string text = fatal_text([&] { initcond(f.ctx, f.s); });
    EXPECT_NE(text.find("input file path.dat holds"), std::string::npos) << text;
}
