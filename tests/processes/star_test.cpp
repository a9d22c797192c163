// The host star: the track files (the shipped set loads, broken files stop
// the run naming the file), the interpolation in them, checked against the
// Sun, against the published track rows themselves and at the edges of the
// mass and age ranges, and the equilibrium tide a planet raises on the star.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "processes/irradiation.hpp"
#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/model_state.hpp"
#include "processes/star.hpp"
#include "processes/tides.hpp"
#include "processes/tracks.hpp"
#include "run/context.hpp"
#include "run/run_dir.hpp"
#include "support/fatal_text.hpp"
#include "run/views.hpp"

using namespace velkaro;
using processes::starprops;
using processes::StarProps;
using processes::StellarTracks;
using velkaro::testing::fatal_text;
using velkaro::testing::RunDir;

namespace {

constexpr double kSunAge = 4.57e9 * cst::year;

// A run context reading the shipped data directory; console output discarded.
struct StarRun {
    std::ostringstream console;
    RunContext ctx;
    StarRun() {
        ctx.path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
        ctx.console.out = &console;
    }
    StarProps at(double age, double msun) { return starprops(host_star(ctx), age, msun * cst::Msun); }
};

// A Jupiter-mass planet (its mass in shell 7) raising tides on the Sun, Q* = 1e6.
struct TideRun : StarRun {
    Vec1<double> masse{10};
    TideRun() {
        ctx.common.tides = true;
        ctx.common.qstar = 1e6;
        masse(7) = cst::Mjup;
    }
    double step(double dt, double a) { return processes::migratetides(host_star(ctx), ctx.common, ctx.console, kSunAge, dt, cst::Msun, masse, 7, a); }
};

// The rows of a shipped track file, read with plain stream input:
// (log age, Teff [K], log L/Lsun, R/Rsun or 0).
struct Row {
    double logt, teff, logl, rsun;
    double age() const { return std::pow(10.0, logt) * cst::year; }
};
std::vector<Row> raw_rows(int k) {
    const std::string name = std::string(VELKARO_DATA_DIR) + "/" + processes::track_file(k);
    std::ifstream in(name);
    const bool lyon = k <= processes::kLyonTracks;
    std::string line;
    for (int h = 0; h < (lyon ? 3 : 6); ++h) std::getline(in, line);
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        double m, n, lt, te, ll, lg, r, xc, lte;
        if (lyon && ls >> m >> lt >> te >> ll >> lg >> r) rows.push_back({lt, te, ll, r});
        if (!lyon && ls >> n >> lt >> xc >> ll >> lte) rows.push_back({lt, std::pow(10.0, lte), ll, 0.0});
    }
    return rows;
}

double logl_of(const StarProps& p) { return std::log10(p.lstar / cst::Lsun); }

void expect_row(const StarProps& p, const Row& row, double tol) {
    EXPECT_NEAR(p.teffstar / row.teff, 1.0, tol);
    EXPECT_NEAR(logl_of(p), row.logl, tol);
}

// `text` as file `name` in a scratch run directory; its path.
std::string put(const RunDir& tmp, const std::string& name, const std::string& text) {
    std::ofstream(tmp.path() / name) << text;
    return (tmp.path() / name).string();
}

const std::string kLyonHead = "h1\nh2\nh3\n", kPisaHead = "#\n#\n#\n#\n#\n#\n";

// The message of reading file `name` holding `text` in the layout of track k.
std::string read_error(const RunDir& tmp, const std::string& name, const std::string& text, int k) {
    const std::string f = put(tmp, name, text);
    const std::string msg = fatal_text([&] { StellarTracks::read_track(f, k); });
    EXPECT_NE(msg.find(f), std::string::npos) << msg;
    return msg;
}

}  // namespace

TEST(StellarTracks, TheSunAndTheEarthsIrradiation) {
    StarRun r;
    const StarProps sun = r.at(kSunAge, 1.0);
    EXPECT_NEAR(sun.lstar / 3.846e33, 1.0, 0.02);
    EXPECT_NEAR(sun.teffstar / 5770.0, 1.0, 0.02);
    EXPECT_NEAR(sun.rstar / cst::Rsun, 1.0, 0.03);
    double tirr = 0, teq = 0;
    processes::cal_tirr(host_star(r.ctx), kSunAge, cst::Msun, 1.496e13, tirr, teq);
    EXPECT_NEAR(teq / 278.6, 1.0, 0.02);  // Earth's zero-albedo equilibrium temperature
    EXPECT_NEAR(teq, tirr / std::sqrt(2.0), 1e-12 * teq);
    // At the stellar surface the irradiation temperature is the star's own.
    processes::cal_tirr(host_star(r.ctx), kSunAge, cst::Msun, sun.rstar, tirr, teq);
    EXPECT_NEAR(tirr / sun.teffstar, 1.0, 1e-14);
}

TEST(StellarTracks, GridMassReturnsItsOwnTrackRowsClampedAtTheEnds) {
    // On a grid mass and at a tabulated age the interpolation gives that row
    // back, for both track sets, at the start, inside and near the end.
    StarRun r;
    // Ages before the first row (zero, negative, below a year) give the first
    // row and ages from the last row on give the last: no extrapolation.
    const auto r10 = raw_rows(10);
    for (double age : {0.0, 0.5 * cst::year, -1.0, r10.front().age() * 0.5})
        expect_row(r.at(age, 1.0), r10.front(), 1e-12);
    for (double age : {r10.back().age(), r10.back().age() * 1.5, 1e11 * cst::year})
        expect_row(r.at(age, 1.0), r10.back(), 1e-9);
    for (int k : {1, 10, 14, 15, 35}) {
        const auto rows = raw_rows(k);
        ASSERT_FALSE(rows.empty());
        for (std::size_t j : {std::size_t{0}, rows.size() / 2, rows.size() - 2}) {
            SCOPED_TRACE("track " + std::to_string(k) + " row " + std::to_string(j + 1));
            const StarProps p = r.at(rows[j].age(), processes::track_mass(k));
            expect_row(p, rows[j], 1e-9);
            // BHAC15 also lists the radius: L = 4 pi R^2 sigma T^4 gives it back
            // to the table's 3 digits and the 0.2 % between the solar luminosities.
            EXPECT_TRUE(rows[j].rsun == 0 || std::fabs(p.rstar / cst::Rsun / rows[j].rsun - 1.0) < 0.006)
                << p.rstar / cst::Rsun << " Rsun";
        }
    }
}

TEST(StellarTracks, ResultsDoNotDependOnHistoryOrThread) {
    // The remembered rows only speed up the search: the same points (ages
    // falling, masses jumping between intervals) asked in opposite orders by
    // two runs in two threads at once give the same answers.
    auto sweep = [](StarRun* run, std::vector<double>* out, bool backwards) {
        for (int n = 0; n < 600; ++n) {
            const int i = backwards ? 599 - n : n;
            out->at(i) = run->at(std::pow(10.0, 9.9 - i / 100.0) * cst::year, 0.33 + 1.3 * (i % 5)).lstar;
        }
    };
    StarRun b, c;
    std::vector<double> rb(600), rc(600);
    std::thread tb(sweep, &b, &rb, false), tc(sweep, &c, &rc, true);
    tb.join();
    tc.join();
    EXPECT_EQ(rb, rc);
}

TEST(TrackFiles, ShippedSetLoadsOnceFromARelativePath) {
    RunContext ctx;
    ctx.path.rundir = VELKARO_SOURCE_DIR;
    ctx.path.path_fichiersdg = "data/   ";  // as read from the path file, trailing blanks and all
    const auto& t = processes::stellar_tracks(host_star(ctx));
    EXPECT_EQ(&processes::stellar_tracks(host_star(ctx)), &t);  // loaded once
    // Every row is read, none twice: as many as plain stream input finds.
    for (int k = 1; k <= processes::kTrackMasses; ++k) EXPECT_EQ(t.track(k).nt, std::ssize(raw_rows(k))) << k;
}

TEST(TrackFiles, MissingEmptyOverlongAndBadFilesStopTheRunNamingFileLineAndValue) {
    RunDir tmp;
    // Missing: the first file of a data directory without tracks.
    const std::string msg = fatal_text([&] { StellarTracks::load(tmp.path().string() + "/"); });
    EXPECT_NE(msg.find("BHAC15/M0.1.dat"), std::string::npos) << msg;
    EXPECT_NE(msg.find("PROBLEME"), std::string::npos) << msg;
    // 1500 rows are accepted, 1501 are not.
    auto rows = [](int n) {
        std::string s = kPisaHead;
        for (int j = 1; j <= n; ++j)
            s += std::to_string(j) + " " + std::to_string(5.0 + 0.003 * j) + " 0.7 1.0 3.9 x\n";
        return s;
    };
    EXPECT_EQ(StellarTracks::read_track(put(tmp, "ok.DAT", rows(1500)), 20).nt, 1500);
    const std::tuple<std::string, int, const char*> cases[] = {
        {kLyonHead + "\n   \n", 3, "no data rows"},
        {rows(1501), 20, "more than 1500"},
        {kLyonHead + "0.1 6.0 3000. -1.0\n0.1 6.1 abc -1.1\n", 1, "line 5: cannot read the value 'abc'"},
        {kLyonHead + "0.1 6.0 3000.\n", 1, "line 4: expected 4 values, found 3"},
        {kLyonHead + "0.1 6.0 3000. -1.0\n0.1 6.0 3000. -1.0\n", 1, "line 5: log age '6.0' does not exceed"},
        {kPisaHead + "1.5 5.0 0.7 1.0 3.9\n", 20, "line 7: cannot read the value '1.5'"},  // model number
    };
    for (const auto& [text, k, expect] : cases)
        EXPECT_NE(read_error(tmp, "bad.dat", text, k).find(expect), std::string::npos) << expect;
}

TEST(Tides, RateScalesAsAToTheMinusElevenHalvesAndMatchesWasp12b) {
    TideRun r;
    const double a = 0.03 * cst::AU, dt = 1e3 * cst::year;
    const double da1 = r.step(dt, a) - a, da2 = r.step(dt, a / 2) - a / 2;
    EXPECT_NEAR(da2 / da1, std::pow(2.0, 5.5), 1e-6);
    // WASP-12b (Yee et al. 2020): M* = 1.434 Msun, R* = 1.657 Rsun,
    // Mp = 1.47 Mjup, a = 0.0234 AU, P = 1.09142 d; its period shrinks by
    // 29 +- 2 ms/yr, which they read as Q'* = 1.75e5. dP/dt = (3/2) (P/a) da/dt.
    const double aw = 0.0234 * cst::AU, P = 1.09142 * 86400.0;
    const double dadt = processes::tidal_dadt(1.434 * cst::Msun, 1.657 * cst::Rsun, 1.75e5, 1.47 * cst::Mjup, aw);
    EXPECT_NEAR(1.5 * P / aw * dadt * cst::year * 1e3, -29.0, 2.0);
}

TEST(Tides, PlanetStopsAtTheStellarSurface) {
    TideRun r;
    const double rstar = processes::starprops(host_star(r.ctx), kSunAge, cst::Msun).rstar;
    EXPECT_EQ(r.step(1e10 * cst::year, 0.01 * cst::AU), rstar);  // carried through the star
    EXPECT_EQ(r.step(std::nan(""), 0.01 * cst::AU), rstar);      // never NaN
}

TEST(Tides, DriverStepUsesThePreviousStructureUnlessTidesAreOff) {
    TideRun r;
    r.ctx.common.tides = false;
    r.ctx.path.path_fichiersdg = "/nonexistent/";  // off: the star is not even consulted
    PlanetState s;
    s.temps = kSunAge;
    s.dt = 1e6 * cst::year;
    s.Mstar = cst::Msun;
    s.nfold = 7;
    s.masseold(7) = cst::Mjup;
    s.masse(7) = 100 * cst::Mjup;  // the current (cleared or new) grid is not used
    s.aold = 0.03 * cst::AU;
    processes::migratetides(host_star(r.ctx), r.ctx.common, r.ctx.console, s);
    EXPECT_EQ(s.aplanete, s.aold);
    EXPECT_EQ(r.ctx.processes.tracks, nullptr);
    r.ctx.common.tides = true;
    r.ctx.path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
    processes::migratetides(host_star(r.ctx), r.ctx.common, r.ctx.console, s);
    EXPECT_EQ(s.aplanete, r.step(s.dt, s.aold));
    EXPECT_LT(s.aplanete, s.aold);
}
