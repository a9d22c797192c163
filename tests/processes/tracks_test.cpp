// Track files: the shipped set loads, and broken files stop the run with a
// message that names the file.
#include <gtest/gtest.h>

#include "support/fatal_text.hpp"

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

#include "common/fatal.hpp"
#include "processes/star.hpp"
#include "processes/tracks.hpp"
#include "run/context.hpp"

using namespace velkaro;
using processes::StellarTrack;
using processes::StellarTracks;

namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path dir;
    TempDir() {
        dir = fs::temp_directory_path() /
              ("velkaro_tracks_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~TempDir() { fs::remove_all(dir); }
    std::string write(const std::string& name, const std::string& text) const {
        const fs::path p = dir / name;
        std::ofstream(p) << text;
        return p.string();
    }
};

const std::string kLyonHead = "h1\nh2\nh3\n";
const std::string kPisaHead = "#\n#\n#\n#\n#\n#\n";

using velkaro::testing::fatal_text;

// The lines of a FatalError, joined, for message checks.
std::string message_of(const std::function<void()>& f) { return fatal_text(f); }

}  // namespace

TEST(TrackFiles, ShippedSetHasTheExpectedShape) {
    const auto t = StellarTracks::load(std::string(VELKARO_DATA_DIR) + "/");
    EXPECT_EQ(processes::track_file(14), "BHAC15/M1.4.dat");
    EXPECT_EQ(processes::track_file(15), "PISA/TRK_M1.50_Z0.01377_Y0.2533_XD2E5_ML1.68_AS05.DAT");
    EXPECT_EQ(processes::track_file(36), "PISA/TRK_M7.00_Z0.01377_Y0.2533_XD2E5_ML1.68_AS05.DAT");
    for (int k = 1; k <= processes::kTrackMasses; ++k) {
        const StellarTrack& tr = t->track(k);
        ASSERT_GT(tr.nt, 300) << k;
        ASSERT_LE(tr.nt, processes::kTrackMaxRows);
        if (k > 1) {
            EXPECT_GT(t->mtab(k), t->mtab(k - 1));
        }
        // Stars of 0.1-7 Msun: 2300 K < Teff < 25000 K throughout.
        for (int j = 1; j <= tr.nt; ++j) {
            ASSERT_GT(tr.logteff(j), std::log10(2300.0)) << k << " " << j;
            ASSERT_LT(tr.logteff(j), std::log10(25000.0)) << k << " " << j;
        }
    }
    // Row counts of the published tracks.
    EXPECT_EQ(t->track(1).nt, 432);
    EXPECT_EQ(t->track(14).nt, 374);
    EXPECT_EQ(t->track(15).nt, 1341);
}

TEST(TrackFiles, LoadedThroughTheRunContextFromARelativePath) {
    RunContext ctx;
    ctx.rundir = VELKARO_SOURCE_DIR;
    ctx.path.path_fichiersdg = "data/   ";  // as read from the path file, trailing blanks and all
    const auto& t = processes::stellar_tracks(ctx);
    EXPECT_EQ(&t, ctx.processes.tracks.get());
    EXPECT_EQ(&processes::stellar_tracks(ctx), &t);  // loaded once
}

TEST(TrackFiles, MissingEmptyAndOverlongFilesStopTheRun) {
    TempDir tmp;
    // Missing: the first file of an empty data directory.
    std::string msg = message_of([&] { StellarTracks::load(tmp.dir.string() + "/"); });
    EXPECT_NE(msg.find("BHAC15/M0.1.dat"), std::string::npos) << msg;
    EXPECT_NE(msg.find("PROBLEME"), std::string::npos) << msg;

    // Headers only, or nothing at all.
    for (const std::string& text : {kLyonHead, std::string(), kLyonHead + "\n   \n"}) {
        const std::string f = tmp.write("empty.dat", text);
        msg = message_of([&] { StellarTrack t = StellarTracks::read_track(f, 3); });
        EXPECT_NE(msg.find("empty.dat"), std::string::npos) << msg;
        EXPECT_NE(msg.find("no data rows"), std::string::npos) << msg;
    }

    // 1500 rows are accepted, 1501 are not.
    auto rows = [](int n) {
        std::string s = kPisaHead;
        for (int j = 1; j <= n; ++j)
            s += std::to_string(j) + " " + std::to_string(5.0 + 0.003 * j) + " 0.7 1.0 3.9 extra\n";
        return s;
    };
    const std::string ok = tmp.write("ok.DAT", rows(1500));
    EXPECT_EQ(StellarTracks::read_track(ok, 20).nt, 1500);
    const std::string longf = tmp.write("long.DAT", rows(1501));
    msg = message_of([&] { StellarTracks::read_track(longf, 20); });
    EXPECT_NE(msg.find("long.DAT"), std::string::npos) << msg;
    EXPECT_NE(msg.find("more than 1500"), std::string::npos) << msg;
}

TEST(TrackFiles, BadValuesNameFileLineAndValue) {
    TempDir tmp;
    struct Case {
        std::string text;
        int k;
        std::string expect;
    };
    const Case cases[] = {
        {kLyonHead + "0.1 6.0 3000. -1.0\n0.1 6.1 abc -1.1\n", 1, "line 5: cannot read the value 'abc'"},
        {kLyonHead + "0.1 6.0 3000.\n", 1, "line 4: expected 4 values, found 3"},
        {kLyonHead + "0.1 6.0 3000. -1.0\n0.1 6.0 3000. -1.0\n", 1, "line 5: log age '6.0' does not exceed"},
        {kPisaHead + "1.5 5.0 0.7 1.0 3.9\n", 20, "line 7: cannot read the value '1.5'"},
    };
    for (const Case& c : cases) {
        const std::string f = tmp.write("bad.dat", c.text);
        const std::string msg = message_of([&] { StellarTracks::read_track(f, c.k); });
        EXPECT_NE(msg.find(c.expect), std::string::npos) << msg;
        EXPECT_NE(msg.find(f), std::string::npos) << msg;
    }
}
