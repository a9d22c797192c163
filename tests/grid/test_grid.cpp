// Populations: grid expansion, the input files of a planet (the optional 17th
// line of the atmosphere file included), threads against separate runs,
// failures and resume, and the summary of a track (with the columns of
// irradiated.track found by name beside fort.1's).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "common/fatal.hpp"
#include "grid/grid.hpp"
#include "grid/runner_internal.hpp"
#include "support/files.hpp"

using velkaro::testing::read_file;

namespace fs = std::filesystem;
using namespace velkaro;
using namespace velkaro::grid;

namespace {

void spit(const fs::path& f, const std::string& s) {
    std::ofstream out(f, std::ios::binary | std::ios::trunc);
    out << s;
}

fs::path fresh_dir(const std::string& name) {
    const fs::path d = fs::path(VELKARO_BINARY_DIR) / "test_grid_tmp" / name;
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

const fs::path kJupiter = fs::path(VELKARO_SOURCE_DIR) / "examples" / "jupiter";

std::vector<std::string> lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> v;
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

// A track file of two lines of 22-character fields, and its column table
// (one "name,unit" a column).
void hand_track(const fs::path& run, const std::string& file, const std::vector<std::string>& columns,
                const std::vector<std::vector<std::string>>& rows) {
    std::string table = "column,name,unit,meaning\n", text;
    for (std::size_t k = 0; k < columns.size(); ++k) table += std::to_string(k + 1) + "," + columns[k] + ",\"a, b\"\n";
    for (const auto& r : rows) {
        for (const auto& f : r) text += std::string(22 - f.size(), ' ') + f;
        text += "\n";
    }
    spit(run / (file + ".columns"), table);
    spit(run / file, text);
}

// A population of planets from the Jupiter example on two threads, quietly.
RunOptions options(const fs::path& outdir) {
    RunOptions o;
    o.outdir = outdir;
    o.base = kJupiter;
    o.jobs = 2;
    o.progress = false;
    return o;
}

}  // namespace

// ------------------------------------------------------------ expansion

TEST(Expand, CartesianProductOfListsAndRangesFirstLineSlowest) {
    const auto t = expand_grid(
        "# a small grid\n"
        "Mcore list 5 10 20\n"
        "aplanete log 0.05 5 3   # 0.05, 0.5, 5\n"
        "Menve lin 1 100 2\n",
        ".");
    ASSERT_EQ(t.columns, (std::vector<std::string>{"Mcore", "aplanete", "Menve"}));
    ASSERT_EQ(t.rows.size(), 18u);
    EXPECT_EQ(t.rows[0], (std::vector<std::string>{"5", "5.0E-02", "1.0E+00"}));
    EXPECT_EQ(t.rows[2][1], "5.0E-01");  // geometric middle of 0.05 and 5: a log range
    EXPECT_EQ(t.rows[17], (std::vector<std::string>{"20", "5.0E+00", "1.0E+02"}));
    std::set<std::vector<std::string>> distinct(t.rows.begin(), t.rows.end());
    EXPECT_EQ(distinct.size(), 18u);
}

TEST(Expand, SeededRandomDrawsAreReproducibleAndInRange) {
    const std::string grid = "Mstar random 0.5 1.5 seed 42 count 50\n";
    const auto a = expand_grid(grid, "."), b = expand_grid(grid, ".");
    EXPECT_EQ(a.rows, b.rows);
    const auto c = expand_grid("Mstar random 0.5 1.5 seed 43 count 50\n", ".");
    EXPECT_NE(a.rows, c.rows);
    double mean = 0;
    for (const auto& r : a.rows) {
        const double m = std::stod(r[0]);
        EXPECT_GE(m, 0.5);
        EXPECT_LT(m, 1.5);
        mean += m / 50;
    }
    EXPECT_NEAR(mean, 1.0, 0.15);  // 5 sigma of a uniform mean of 50 draws
    // log-uniform draws stay inside their range
    for (const auto& r : expand_grid("Menve lograndom 1 1000 seed 7 count 20\n", ".").rows) {
        EXPECT_GE(std::stod(r[0]), 1.0);
        EXPECT_LE(std::stod(r[0]), 1000.0);
    }
}

TEST(Expand, BadDescriptionsAreRejectedWithTheirLine) {
    for (const char* bad : {"Mcroe list 1 2\n", "Mcore list\n", "Mcore log 0 5 3\n", "Mcore cubic 1 2 3\n",
                            "Mcore list 1\nMcore list 2\n", "# nothing\n"}) {
        EXPECT_THROW(expand_grid(bad, "."), FatalError) << bad;
    }
    try {
        expand_grid("Mcore list 5\naplanete log -1 5 3\n", ".");
        FAIL();
    } catch (const FatalError& e) {
        EXPECT_NE(e.lines()[0].find("line 2"), std::string::npos) << e.lines()[0];
    }
}

// ------------------------------------------------------------ inputs

TEST(Inputs, TableValuesReplaceTheirLinesAndDataDirectoriesResolveFromTheBase) {
    const auto in = make_inputs(kJupiter, {"Mcore", "GasEvap", "YHe", "tstart"}, {"20", "T", "", "2e6"});
    const auto s = lines(in.sivex), d = lines(in.dualband);
    ASSERT_EQ(s.size(), 14u);
    ASSERT_EQ(d.size(), 16u);
    EXPECT_EQ(s[2].substr(0, 3), "20 ");
    EXPECT_NE(s[2].find("Mcore/Mearth"), std::string::npos);  // the comment stays
    EXPECT_EQ(s[3].substr(0, 4), "0.27");                      // empty cell: the base's value
    EXPECT_EQ(s[13].substr(0, 4), "2e6 ");
    EXPECT_EQ(d[1].substr(0, 2), "T ");
    const std::string data = fs::absolute(fs::path(VELKARO_SOURCE_DIR) / "data").lexically_normal().string();
    EXPECT_EQ(in.path, "'" + data + "/eos/'\n'" + data + "/'\n");
}

TEST(Inputs, TableColumnSetsTheOptionalSeventeenthLine) {
    const auto on = lines(make_inputs(kJupiter, {"irradiated", "Mcore"}, {"T", "20"}).dualband);  // a 16-line base
    ASSERT_EQ(on.size(), 17u);
    EXPECT_EQ(on[16].substr(0, 2), "T ");
    // A 17-line base keeps its line, the table's value replaces it.
    const fs::path hot = fs::path(VELKARO_SOURCE_DIR) / "examples" / "hot-jupiter-irradiated";
    const auto off = lines(make_inputs(hot, {"IRRADIATED"}, {"F"}).dualband);
    ASSERT_EQ(off.size(), 17u);
    EXPECT_EQ(off[16].substr(0, 2), "F ");
    EXPECT_NE(off[16].find("irradiated"), std::string::npos);  // the comment stays
}

TEST(Inputs, TablesWithUnknownColumnsOrRaggedRowsAreRefused) {
    const fs::path d = fresh_dir("tables");
    const std::pair<const char*, const char*> cases[] = {
        {"Mcore,Mcroe\n1,2\n", "Mcroe"},
        {"Mcore,Menve\n1,2\n3\n", "line 3"},
        {"Mcore,mcore\n1,2\n", "twice"},
    };
    for (const auto& [text, word] : cases) {
        spit(d / "t.csv", text);
        try {
            read_table(d / "t.csv");
            ADD_FAILURE() << text;
        } catch (const FatalError& e) {
            EXPECT_NE(e.lines()[0].find(word), std::string::npos) << e.lines()[0];
        }
    }
    spit(d / "t.csv", "# base=../somewhere\n\nMcore , YHe\n 5 , 0.3\n");
    const auto t = read_table(d / "t.csv");
    EXPECT_EQ(t.columns, (std::vector<std::string>{"Mcore", "YHe"}));
    EXPECT_EQ(t.rows, (std::vector<std::vector<std::string>>{{"5", "0.3"}}));
    EXPECT_EQ(t.base, fs::absolute(d.parent_path() / "somewhere").lexically_normal().string());
}

// ------------------------------------------------------------ runs

// Four short planets (one impossible) on two threads against the same
// planets run one after the other, each loading its own tables; then an
// interrupted population is resumed.
TEST(Population, ThreadsGiveTheTracksOfSeparateRunsAFailureStaysItsOwnAndResumeRedoesOnlyTheUnfinished) {
    const fs::path out = fresh_dir("population");
    PlanetTable t;
    t.columns = {"Mcore", "Menve", "YHe", "tmax"};
    t.rows = {{"10", "307.8285", "0.27", "1.1e6"},
              {"20", "150", "0.27", "1.1e6"},
              {"5", "100", "1.5", "1.1e6"},  // helium fraction above 1: stops at its input
              {"15", "250", "0.25", "1.1e6"}};
    RunOptions o = options(out);
    const auto rep = run_population(t, o);
    EXPECT_EQ(rep.selected, 4u);
    EXPECT_EQ(rep.ran, 4u);
    EXPECT_EQ(rep.failed, 1u);

    for (std::size_t id = 1; id <= 4; ++id) {
        const fs::path dir = out / "runs" / run_name(id);
        ASSERT_TRUE(finished(dir)) << id;
        if (id == 3) continue;
        const fs::path single = out / "single" / run_name(id);
        prepare_run_dir(single, make_inputs(kJupiter, t.columns, t.rows[id - 1]));
        const auto r = run_one(single, nullptr);
        EXPECT_EQ(r.status, "completed");
        EXPECT_EQ(read_file(dir / "fort.1"), read_file(single / "fort.1")) << "planet " << id;
        // A population's console is quiet by default: of the full account of
        // a single run only the final message, its last line.
        const std::string quiet = read_file(dir / "stdout.txt"), full = read_file(single / "stdout.txt");
        ASSERT_GT(full.size(), 1000u);
        EXPECT_EQ(quiet, full.substr(full.rfind('\n', full.size() - 2) + 1)) << "planet " << id;
        EXPECT_EQ(quiet.rfind(" VELKARO21: Progam terminated.", 0), 0u) << quiet;
    }
    // The summary: one row per planet, status and stop code, steps.
    const auto sum = lines(read_file(out / "summary.csv"));
    ASSERT_EQ(sum.size(), 5u);
    EXPECT_EQ(sum[3].rfind("3,5,100,1.5,1.1e6,stopped,,\"PROBLEME", 0), 0u) << sum[3];
    EXPECT_NE(sum[3].find("YHe must lie between 0 and 1"), std::string::npos) << sum[3];

    // Interrupt planet 2 (its marker gone, a stale file left) and resume.
    const fs::path p2 = out / "runs" / run_name(2);
    const std::string track2 = read_file(p2 / "fort.1");
    fs::remove(p2 / kMarker);
    spit(p2 / "fort.1", "half a line");
    spit(p2 / "stale", "x");
    const auto before = fs::last_write_time(out / "runs" / run_name(4) / "fort.1");
    o.jobs = 1;
    const auto again = run_population(t, o);
    EXPECT_EQ(again.skipped, 3u);
    EXPECT_EQ(again.ran, 1u);
    EXPECT_EQ(read_file(p2 / "fort.1"), track2);
    EXPECT_FALSE(fs::exists(p2 / "stale"));
    EXPECT_EQ(fs::last_write_time(out / "runs" / run_name(4) / "fort.1"), before);

    // The output directory belongs to its table.
    t.rows[0][0] = "11";
    EXPECT_THROW(run_population(t, o), FatalError);
}

// ------------------------------------------------------------ summary

// Halfway in log age and past the end: RowsFromRunDirectories.
TEST(Summary, LogAgeInterpolationTakesTheLaterOfARepeatedAgeAndNoValueBesideAHole) {
    const std::vector<double> age = {1e6, 1e7, 1e8, 1e8, 1e9};
    EXPECT_EQ(*interpolate_log_age(age, {17, 20, 23, 99, 26}, 1e8), 99);
    const std::vector<double> hole = {17, NAN, 23, 23, 26};
    EXPECT_FALSE(interpolate_log_age(age, hole, 5e6));
    EXPECT_TRUE(interpolate_log_age(age, hole, 5e8));
}

TEST(Summary, RowsFromRunDirectoriesWithFortranFieldsStopCodeAndIrradiatedColumns) {
    EXPECT_DOUBLE_EQ(*parse_fortran_real("     -0.9000000000+100"), -0.9e100);
    EXPECT_FALSE(parse_fortran_real("                   NaN"));

    const fs::path out = fresh_dir("summary");
    const fs::path run = out / "runs" / run_name(1);
    fs::create_directories(run);
    fs::create_directories(out / "runs" / run_name(2));  // started, never finished
    hand_track(run, "fort.1", {"step,", "age_yr,yr", "Teff_K,K"},
               {{"0", "0.1000000000E+07", "1000.000000"}, {"5", "0.1000000000E+09", "500.0000000"}});
    spit(run / "stdout.txt", " SBR x\n VELKARO21: Progam terminated. May the entropy be with you.   2.0000000000000000     \n");
    spit(run / kMarker, "status completed\nwall_s 1.250\n");
    PlanetTable t;
    t.columns = {"Mcore"};
    t.rows = {{"10"}, {"20"}};
    write_summary(t, out, {"1e7", "tmax", "1e10"});
    const auto l = lines(read_file(out / "summary.csv"));
    ASSERT_EQ(l.size(), 3u);
    EXPECT_NE(l[0].find(",status,stopcode,message,wall_s,steps,R_tau23_RJ@1e7,"), std::string::npos);
    EXPECT_NE(l[0].find("Teff_K@tmax"), std::string::npos);
    // Teff halfway in log age between 1e6 and 1e8: 750 K; at the end 500 K;
    // 1e10 lies beyond the track: empty.
    EXPECT_EQ(l[1], "1,10,completed,2,,1.250,5,,,7.500000000E+02,,,,,,,5.000000000E+02,,,,,,,,,,,");
    EXPECT_EQ(l[2].rfind("2,20,pending,,,,", 0), 0u);

    // A run with the irradiated atmosphere: its columns found by name in
    // irradiated.track, the age taken from fort.1, not from the copy there.
    hand_track(run, "irradiated.track", {"step,", "age_yr,yr", "R_transit_irr_RJ,R_jup"},
               {{"0", "5.0", "1.400000000"}, {"1", "6.0", "1.200000000"}});
    t.columns = {"irradiated"};
    t.rows = {{"T"}};
    write_summary(t, out, {"1e7", "tmax"});
    const auto irr = lines(read_file(out / "summary.csv"));
    ASSERT_EQ(irr.size(), 2u);
    EXPECT_NE(irr[0].find("R_transit_irr_RJ@1e7"), std::string::npos) << irr[0];
    // 1e7 lies halfway in log age: 1.3; at the end 1.2.
    EXPECT_NE(irr[1].find("1.300000000E+00"), std::string::npos) << irr[1];
    EXPECT_NE(irr[1].find("1.200000000E+00"), std::string::npos) << irr[1];
}

TEST(Population, ChunkKOfMRunsEveryMthPlanetAndWritesNoSummary) {
    const fs::path out = fresh_dir("chunk");
    PlanetTable t;
    t.columns = {"YHe"};
    for (int i = 0; i < 7; ++i) t.rows.push_back({"1.5"});  // each stops at once on its input
    RunOptions o = options(out);
    o.chunk = 2;
    o.chunks = 3;
    const auto rep = run_population(t, o);
    EXPECT_EQ(rep.selected, 2u);
    EXPECT_EQ(rep.failed, 2u);
    for (std::size_t id = 1; id <= 7; ++id)
        EXPECT_EQ(fs::exists(out / "runs" / run_name(id)), id == 2 || id == 5) << id;
    EXPECT_FALSE(fs::exists(out / "summary.csv"));
    write_summary(stored_table(out), out, RunOptions::default_ages());
    const auto l = lines(read_file(out / "summary.csv"));
    ASSERT_EQ(l.size(), 8u);
    EXPECT_EQ(l[3].rfind("3,1.5,pending,", 0), 0u);
}

// Planets in processes of their own: the real program for a normal run and a
// stop, and stand-ins for a program that crashes, one that hangs, and one that
// exits without a result. Each ends only its own planet, with its marker.
TEST(Population, IsolatedPlanetsRecordCrashesTimeOutsAndSilentExitsAndTheRestRunOn) {
    const fs::path out = fresh_dir("isolated");
    PlanetTable t;
    t.columns = {"YHe", "tmax"};
    t.rows = {{"0.27", "1.1e6"}, {"1.5", "1.1e6"}};
    RunOptions o = options(out / "real");
    o.program = fs::path(VELKARO_BINARY_DIR) / "velkaro-grid";
    o.time_limit_s = 120;
    const auto rep = run_population(t, o);
    EXPECT_EQ(rep.ran, 2u);
    EXPECT_EQ(rep.failed, 1u);
    EXPECT_EQ(read_marker(o.outdir / "runs" / run_name(1)).value().status, "completed");
    EXPECT_EQ(read_marker(o.outdir / "runs" / run_name(2)).value().status, "stopped");
    // The isolated track is the one a thread of this process makes.
    const fs::path single = out / "single";
    prepare_run_dir(single, make_inputs(kJupiter, t.columns, t.rows[0]));
    ASSERT_EQ(run_one(single, nullptr).status, "completed");
    EXPECT_EQ(read_file(o.outdir / "runs" / run_name(1) / "fort.1"), read_file(single / "fort.1"));

    struct StandIn {
        const char* name;
        const char* script;
        const char* status;
        const char* says;
    };
    const StandIn cases[] = {
        {"crash", "#!/bin/sh\necho 'dying' >&2\nkill -SEGV $$\n", "crashed", "signal 11"},
        {"hang", "#!/bin/sh\nexec sleep 30\n", "timed out", "time limit of 0.500 s"},
        {"silent", "#!/bin/sh\nexit 3\n", "crashed", "exit status 3 and no result"},
    };
    for (const auto& c : cases) {
        const fs::path prog = out / (std::string(c.name) + ".sh");
        spit(prog, c.script);
        fs::permissions(prog, fs::perms::owner_all);
        const fs::path dir = out / c.name;
        prepare_run_dir(dir, make_inputs(kJupiter, t.columns, t.rows[0]));
        const auto r = run_isolated(dir, prog, 0.5);
        EXPECT_EQ(r.status, c.status) << c.name;
        ASSERT_FALSE(r.message.empty()) << c.name;
        EXPECT_NE(r.message[0].find(c.says), std::string::npos) << r.message[0];
        EXPECT_EQ(read_marker(dir).value().status, c.status) << c.name;
    }
    EXPECT_NE(read_file(out / "crash" / "stderr.txt").find("dying"), std::string::npos);
}
