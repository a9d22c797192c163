// Fuzz targets of the three input files of a run: "sivex.in", "path.dat"
// and "sivexdualband.in", each read from a run directory that holds the
// fuzzed file and valid companions.
#include <sstream>

#include "common/model_state.hpp"
#include "fuzz_support.hpp"
#include "run/context.hpp"
#include "run/input.hpp"

namespace {

using namespace velkaro;

const char* const kRunFile =
    "5.2\n307.8285\n10.0\n0.27\n1.0\n1.0d4\n0.5\n2.0d-5\n1.0d10\n1.0\nF\n-1.0\nF\n1.0d6\n";
// Data directories that hold no tables: a run file read in full stops at the
// first table, which ends the fuzz case cheaply.
const char* const kPathFile = "'no-such-eos-dir/'\n'no-such-data-dir/'\n";

std::filesystem::path run_dir(const char* which) {
    auto d = fuzz::scratch_dir() / which;
    std::filesystem::create_directories(d);
    return d;
}

// A run context and planet are large (shell arrays of the full capacity):
// one of each per target is reused for every input, which keeps the fuzzer
// at thousands of inputs a second. The readers overwrite what they read.
struct Run {
    std::ostringstream out;
    RunContext ctx;
    PlanetState s;
};

Run& run_of(const std::filesystem::path& dir) {
    static Run* sivex = new Run;  // never freed: lives as long as the fuzzer
    static Run* path = new Run;
    static Run* dualband = new Run;
    Run& r = dir.filename() == "sivex" ? *sivex : dir.filename() == "path" ? *path : *dualband;
    r.ctx.path.rundir = dir;
    r.ctx.console.out = &r.out;
    r.out.str({});
    return r;
}

int read_run_files(const std::filesystem::path& dir) {
    Run& r = run_of(dir);
    return fuzz::expect_clean([&] { initcond(r.ctx, r.s); });
}

}  // namespace

VELKARO_FUZZ_TARGET(sivex) {
    const auto dir = run_dir("sivex");
    fuzz::write_file(dir / "sivex.in", fuzz::as_text(data, size));
    fuzz::write_file(dir / "path.dat", kPathFile);
    return read_run_files(dir);
}

VELKARO_FUZZ_TARGET(path) {
    const auto dir = run_dir("path");
    fuzz::write_file(dir / "sivex.in", kRunFile);
    fuzz::write_file(dir / "path.dat", fuzz::as_text(data, size));
    return read_run_files(dir);
}

VELKARO_FUZZ_TARGET(dualband) {
    const auto dir = run_dir("dualband");
    fuzz::write_file(dir / "sivexdualband.in", fuzz::as_text(data, size));
    Run& r = run_of(dir);
    r.ctx.dbdtemp.teq = 120.0;  // as set by the irradiation before the file is read
    return fuzz::expect_clean([&] { init2bd(r.ctx); });
}
