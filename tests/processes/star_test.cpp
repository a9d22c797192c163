// Host star: interpolation in the stellar evolution tracks, checked against
// the Sun, against the published track rows themselves and against the
// behaviour at the edges of the mass and age ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "atmosphere/irradiation.hpp"
#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "processes/star.hpp"
#include "processes/tracks.hpp"
#include "run/context.hpp"

using namespace velkaro;
using processes::starprops;
using processes::StarProps;

namespace {

// A run context reading the shipped data directory; console output discarded.
struct StarRun {
    std::ostringstream console;
    RunContext ctx;
    StarRun() {
        ctx.path.path_fichiersdg = std::string(VELKARO_DATA_DIR) + "/";
        ctx.out = &console;
    }
};

// The rows of a shipped track file, read column by column with plain stream
// input: (log age, Teff [K], log L/Lsun, R/Rsun or 0).
struct Row {
    double logt, teff, logl, rsun;
};
std::vector<Row> raw_rows(int k) {
    const std::string name = std::string(VELKARO_DATA_DIR) + "/" + processes::track_file(k);
    std::ifstream in(name);
    EXPECT_TRUE(in.good()) << name;
    std::string line;
    const bool lyon = k <= processes::kLyonTracks;
    for (int h = 0; h < (lyon ? 3 : 6); ++h) std::getline(in, line);
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        if (lyon) {
            double m, lt, te, ll, lg, r;
            if (ls >> m >> lt >> te >> ll >> lg >> r) rows.push_back({lt, te, ll, r});
        } else {
            double n, lt, xc, ll, lte;
            if (ls >> n >> lt >> xc >> ll >> lte) rows.push_back({lt, std::pow(10.0, lte), ll, 0.0});
        }
    }
    return rows;
}

double age_of_logt(double logt) { return std::pow(10.0, logt) * cst::year; }

double logl_of(const StarProps& p) { return std::log10(p.lstar / cst::Lsun); }

}  // namespace

TEST(StellarTracks, TheSunAtItsAge) {
    StarRun r;
    const StarProps sun = starprops(r.ctx, 4.57e9 * cst::year, 1.0 * cst::Msun);
    EXPECT_NEAR(sun.lstar / 3.846e33, 1.0, 0.02);
    EXPECT_NEAR(sun.teffstar / 5770.0, 1.0, 0.02);
    EXPECT_NEAR(sun.rstar / cst::Rsun, 1.0, 0.03);
}

TEST(StellarTracks, GridMassReturnsItsOwnTrackRows) {
    // On a grid mass and at a tabulated age the interpolation must give that
    // row back: for BHAC15 and Pisa tracks, at the start, inside and at the end.
    StarRun r;
    for (int k : {1, 5, 10, 13, 15, 20, 31, 35}) {
        const auto rows = raw_rows(k);
        ASSERT_FALSE(rows.empty());
        const double m = processes::track_mass(k) * cst::Msun;
        for (std::size_t j : {std::size_t{0}, rows.size() / 3, rows.size() / 2, rows.size() - 2}) {
            const StarProps p = starprops(r.ctx, age_of_logt(rows[j].logt), m);
            SCOPED_TRACE("track " + std::to_string(k) + " row " + std::to_string(j + 1));
            EXPECT_NEAR(p.teffstar / rows[j].teff, 1.0, 1e-9);
            EXPECT_NEAR(logl_of(p), rows[j].logl, 1e-9);
            // BHAC15 also lists the radius; L = 4 pi R^2 sigma T^4 must give it
            // back to the rounding of the table (3 digits) and the 0.2 %
            // difference between BHAC15's and our solar luminosity.
            if (rows[j].rsun > 0) {
                EXPECT_NEAR(p.rstar / cst::Rsun / rows[j].rsun, 1.0, 0.006);
            }
        }
    }
}

TEST(StellarTracks, MassEdges) {
    StarRun r;
    const auto r01 = raw_rows(1), r14 = raw_rows(14), r65 = raw_rows(35), r70 = raw_rows(36);
    const double age14 = age_of_logt(r14[100].logt);
    const double age70 = age_of_logt(r70[600].logt);

    // 0.1 Msun: weight 1 on the 0.1 track.
    const StarProps p01 = starprops(r.ctx, age_of_logt(r01[50].logt), 0.1 * cst::Msun);
    EXPECT_NEAR(p01.teffstar / r01[50].teff, 1.0, 1e-9);

    // 1.4 Msun, the seam between the two sets: the 1.4 BHAC15 track, not the
    // first Pisa track, also for masses a rounding error either side.
    for (double m : {1.4 * cst::Msun, std::nextafter(1.4 * cst::Msun, 0.0), std::nextafter(1.4 * cst::Msun, 1e300)}) {
        const StarProps p14 = starprops(r.ctx, age14, m);
        EXPECT_NEAR(p14.teffstar / r14[100].teff, 1.0, 1e-9);
        EXPECT_NEAR(logl_of(p14), r14[100].logl, 1e-9);
    }

    // 7.0 Msun: taken as 6.9999999, a weight of 2e-7 on the 6.5 track.
    const StarProps p70 = starprops(r.ctx, age70, 7.0 * cst::Msun);
    EXPECT_NEAR(p70.teffstar / r70[600].teff, 1.0, 1e-6);
    EXPECT_NEAR(logl_of(p70), r70[600].logl, 1e-6);
    EXPECT_NE(r65[600].logl, r70[600].logl);

    // Just outside the grid: the run stops with the mass named.
    auto stops_with = [&](double msun, const std::string& text) {
        try {
            starprops(r.ctx, age70, msun * cst::Msun);
            ADD_FAILURE() << msun << " Msun did not stop the run";
        } catch (const FatalError& e) {
            ASSERT_EQ(e.lines().size(), 1u);
            EXPECT_NE(e.lines()[0].find(text), std::string::npos) << e.lines()[0];
            EXPECT_GT(e.lines()[0].size(), text.size() + 5) << "the mass follows the message";
        }
    };
    stops_with(7.0000001, "SBR interpolstellartracks: too high stellar mass > 7.0 Msun");
    stops_with(0.0999, "SBR interpolstellartracks: too low stellar mass  < 0.1 Msun");
    EXPECT_THROW(starprops(r.ctx, age70, std::nan("")), FatalError);
}

TEST(StellarTracks, AgesBeforeAndAfterTheTrack) {
    StarRun r;
    const double m = 1.0 * cst::Msun;
    const auto rows = raw_rows(10);
    const Row& first = rows.front();
    const Row& last = rows.back();
    // Ages of zero, below a year and before the first row all give row 1.
    for (double age : {0.0, 0.5 * cst::year, -1.0, age_of_logt(first.logt) * 0.5}) {
        const StarProps p = starprops(r.ctx, age, m);
        EXPECT_NEAR(p.teffstar / first.teff, 1.0, 1e-12) << age;
        EXPECT_NEAR(logl_of(p), first.logl, 1e-12) << age;
    }
    // Exactly the last age and any later age: the last row, no extrapolation.
    for (double age : {age_of_logt(last.logt), age_of_logt(last.logt) * 1.5, 1e11 * cst::year}) {
        const StarProps p = starprops(r.ctx, age, m);
        EXPECT_NEAR(p.teffstar / last.teff, 1.0, 1e-9) << age;
        EXPECT_NEAR(logl_of(p), last.logl, 1e-9) << age;
    }
}

TEST(StellarTracks, InterpolationStaysBetweenNeighbours) {
    StarRun r;
    const auto r5 = raw_rows(5), r6 = raw_rows(6);  // 0.5 and 0.6 Msun
    // Half way between two tabulated ages of the 0.5 track the value lies
    // between the two rows (linear in log age).
    const std::size_t j = 200;
    const double x = 0.5 * (r5[j].logt + r5[j + 1].logt);
    const StarProps p = starprops(r.ctx, age_of_logt(x), 0.5 * cst::Msun);
    EXPECT_NEAR(logl_of(p), 0.5 * (r5[j].logl + r5[j + 1].logl), 1e-9);

    // Half way between two grid masses: the mean of the two tracks' log L.
    const double age = age_of_logt(r5[j].logt);
    const double l5 = logl_of(starprops(r.ctx, age, 0.5 * cst::Msun));
    const double l6 = logl_of(starprops(r.ctx, age, 0.6 * cst::Msun));
    const double l55 = logl_of(starprops(r.ctx, age, 0.55 * cst::Msun));
    EXPECT_NEAR(l55, 0.5 * (l5 + l6), 1e-9);
    EXPECT_LT(l5, l6);
    (void)r6;
}

TEST(StellarTracks, LuminosityRisesWithMassOnTheMainSequence) {
    // At 30 Myr every star from 0.1 to 7 Msun is before or on its main
    // sequence and brighter and hotter the heavier it is: a swapped column or
    // a misplaced track breaks this.
    StarRun r;
    const double age = 3e7 * cst::year;
    double lprev = 0, tprev = 0;
    for (int k = 1; k <= processes::kTrackMasses; ++k) {
        const StarProps p = starprops(r.ctx, age, processes::track_mass(k) * cst::Msun);
        EXPECT_GT(p.lstar, lprev) << processes::track_mass(k);
        if (processes::track_mass(k) >= 0.5) {
            EXPECT_GT(p.teffstar, tprev) << processes::track_mass(k);
        }
        lprev = p.lstar;
        tprev = p.teffstar;
        EXPECT_EQ(p.qstar, r.ctx.common.qstar);
    }
}

TEST(StellarTracks, ResultsDoNotDependOnHistoryOrThread) {
    // The remembered rows only speed up the search: ages asked backwards,
    // masses jumping between intervals, or a fresh run give the same answer;
    // and two runs in two threads do not disturb each other.
    StarRun a;
    for (double m : {0.33, 1.0, 1.45, 2.7, 6.9}) {
        for (int i = 60; i >= 0; --i) {
            const double age = std::pow(10.0, 4.0 + 0.1 * i) * cst::year;
            StarRun fresh;
            fresh.ctx.processes.tracks = a.ctx.processes.tracks;  // share the loaded tables
            EXPECT_EQ(starprops(a.ctx, age, m * cst::Msun).lstar, starprops(fresh.ctx, age, m * cst::Msun).lstar);
        }
    }
    StarRun b, c;
    auto sweep = [](RunContext* ctx, std::vector<double>* out) {
        for (int i = 0; i < 2000; ++i) {
            const double age = std::pow(10.0, 5.0 + 5.0 * i / 2000.0) * cst::year;
            out->push_back(starprops(*ctx, age, (0.2 + 0.003 * i) * cst::Msun).teffstar);
        }
    };
    std::vector<double> rb, rc;
    std::thread tb(sweep, &b.ctx, &rb), tc(sweep, &c.ctx, &rc);
    tb.join();
    tc.join();
    EXPECT_EQ(rb, rc);
}

TEST(Irradiation, EarthAndTheSun) {
    StarRun r;
    double tirr = 0, teq = 0;
    atmosphere::cal_tirr(r.ctx, 4.57e9 * cst::year, cst::Msun, 1.496e13, tirr, teq);
    // Earth's zero-albedo equilibrium temperature is 278-279 K.
    EXPECT_NEAR(teq / 278.6, 1.0, 0.02);
    EXPECT_NEAR(teq, tirr / std::sqrt(2.0), 1e-12 * teq);
    // At the stellar surface the irradiation temperature is the star's own.
    const StarProps st = starprops(r.ctx, 4.57e9 * cst::year, cst::Msun);
    atmosphere::cal_tirr(r.ctx, 4.57e9 * cst::year, cst::Msun, st.rstar, tirr, teq);
    EXPECT_NEAR(tirr / st.teffstar, 1.0, 1e-14);
    // tirr falls as a^-1/2.
    double tirr4 = 0;
    atmosphere::cal_tirr(r.ctx, 4.57e9 * cst::year, cst::Msun, 4 * st.rstar, tirr4, teq);
    EXPECT_NEAR(tirr4 / tirr, 0.5, 1e-14);
}
