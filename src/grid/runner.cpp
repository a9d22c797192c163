// Running the planets of a table on worker threads of one process. Each
// planet gets a fresh RunContext of its own; only the loaded data tables,
// which are immutable, are shared between the threads.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <iostream>
#include <fcntl.h>
#include <mutex>
#include <thread>

#include "atmosphere/entropy_grid.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "core/core.hpp"
#include "eos/eos.hpp"
#include "grid/grid.hpp"
#include "grid/runner_internal.hpp"
#include "output/magnitude_grids.hpp"
#include "output/photometry.hpp"
#include "processes/star.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"
#include "run/views.hpp"

namespace velkaro::grid {

namespace {

using Clock = std::chrono::steady_clock;

void write_text(const fs::path& f, const std::string& text) {
    std::ofstream out(f, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) fatal({"PROBLEME : velkaro-grid: cannot write " + f.string()});
}

// The data tables every planet of the population reads, loaded once from
// the (common) data directories. A table that cannot be loaded here is left
// unset: each planet then tries on its own and stops with the message a
// single run would print. Said on standard error when `say` (the progress
// reports of the command line).
SharedTables preload(const fs::path& rundir, bool say) {
    RunContext c;
    c.path.rundir = rundir;
    std::tie(c.path.path_tableseos, c.path.path_fichiersdg) = resolved_data_dirs(rundir);
    auto attempt = [&](const char* what, auto&& load) {
        try {
            load();
        } catch (const FatalError& e) {
            if (say)
                std::cerr << "velkaro-grid: " << what << " not pre-loaded (each planet loads its own): "
                      << e.lines().back() << '\n';
        }
    };
    attempt("EOS tables", [&] { eos::loadeos(c.eos, c.path); });
    attempt("entropy tables", [&] { atmosphere::load_entropy_tables(c.atmos, c.path); });
    attempt("core tables", [&] { c.core.tables = core::build_core_tables(); });
    attempt("stellar tracks", [&] { processes::stellar_tracks(host_star(c)); });
    attempt("magnitude grids", [&] { output::magnitude_grids(c.photometry, c.path); });
    attempt("filter curves", [&] { output::filter_curves(c.photometry, c.path); });
    SharedTables t;
    t.eos = c.eos.tables;
    t.atmos_grid = c.atmos.grid;
    t.atmos_stable = c.atmos.stable;
    t.core = c.core.tables;
    t.tracks = c.processes.tracks;
    t.grids = c.photometry.grids;
    t.filters = c.photometry.filters;
    return t;
}

std::string seconds_text(double s) {
    std::string t = fmt::F(s, 14, 3);
    return t.erase(0, t.find_first_not_of(' '));
}

std::string clock_text(double s) {
    if (!(s >= 0)) return "--:--";
    const auto n = static_cast<std::int64_t>(s + 0.5);
    auto two = [](std::int64_t v) {
        std::string t = fmt::I(v, 2);
        for (char& c : t)
            if (c == ' ') c = '0';
        return t;
    };
    std::string h = fmt::I(n / 3600, 6);
    h.erase(0, h.find_first_not_of(' '));
    return h + ":" + two(n / 60 % 60) + ":" + two(n % 60);
}

}  // namespace

void SharedTables::install(RunContext& ctx) const {
    ctx.eos.tables = eos;
    ctx.atmos.grid = atmos_grid;
    ctx.atmos.stable = atmos_stable;
    ctx.core.tables = core;
    ctx.processes.tracks = tracks;
    ctx.photometry.grids = grids;
    ctx.photometry.filters = filters;
}

void prepare_run_dir(const fs::path& dir, const RunInputs& in) {
    // Whatever a half-finished run left is thrown away: the planet is redone
    // from scratch.
    fs::remove_all(dir);
    fs::create_directories(dir);
    write_text(dir / "sivex.in", in.sivex);
    write_text(dir / "sivexdualband.in", in.dualband);
    write_text(dir / "path.dat", in.path);
}

bool finished(const fs::path& dir) { return fs::is_regular_file(dir / kMarker); }

PlanetResult run_one(const fs::path& dir, const SharedTables* tables, bool quiet_console) {
    PlanetResult r;
    const auto t0 = Clock::now();
    {
        std::ofstream out(dir / "stdout.txt", std::ios::binary | std::ios::trunc);
        if (!out) fatal({"PROBLEME : velkaro-grid: cannot write " + (dir / "stdout.txt").string()});
        RunContext ctx;
        ctx.path.rundir = dir;
        ctx.console.out = &out;
        if (quiet_console) ctx.console.quiet();
        if (tables) tables->install(ctx);
        try {
            run_planet(ctx);
            r.status = "completed";
        } catch (const FatalError& e) {
            r.status = "stopped";
            r.message = e.lines();
        } catch (const std::exception& e) {
            r.status = "stopped";
            r.message = {std::string("PROBLEME : internal error: ") + e.what()};
        }
        for (const auto& l : r.message) out << l << '\n';
        // A console account that could not be written whole is no finished
        // run: no marker, the planet is redone.
        if (!out.flush()) fatal({"PROBLEME : velkaro-grid: cannot write " + (dir / "stdout.txt").string()});
    }
    r.wall_s = std::chrono::duration<double>(Clock::now() - t0).count();
    write_marker(dir, r);
    return r;
}

void write_marker(const fs::path& dir, const PlanetResult& r) {
    // The marker is written last and appears at once (rename), so that a
    // directory with a marker always holds a finished run.
    std::string m = "status " + r.status + "\nwall_s " + seconds_text(r.wall_s) + "\n";
    for (const auto& l : r.message) m += "message " + l + "\n";
    write_text(dir / (std::string(kMarker) + ".tmp"), m);
    fs::rename(dir / (std::string(kMarker) + ".tmp"), dir / kMarker);
}

std::optional<Marker> read_marker(const fs::path& dir) {
    if (!finished(dir)) return std::nullopt;
    std::ifstream m(dir / kMarker);
    Marker k;
    std::string line;
    while (std::getline(m, line)) {
        if (line.rfind("status ", 0) == 0) k.status = line.substr(7);
        else if (line.rfind("wall_s ", 0) == 0) k.wall_s = line.substr(7);
        else if (line.rfind("message ", 0) == 0) k.message.push_back(line.substr(8));
    }
    return k;
}

PlanetResult run_isolated(const fs::path& dir, const fs::path& program, double time_limit_s,
                          bool quiet_console) {
    const auto t0 = Clock::now();
    // The child is this program again, running the one planet ("run-one"):
    // it writes the console account and the marker exactly as a worker
    // thread would. Its standard error (a sanitizer report, say) goes to
    // stderr.txt. Only when it does not end by itself does the parent write
    // the marker.
    fs::remove(dir / kMarker);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    const std::string err = (dir / "stderr.txt").string();
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string prog = program.string(), sub = "run-one", d = dir.string(), opt = "--console",
                      console = quiet_console ? "quiet" : "full";
    char* argv[] = {const_cast<char*>(prog.c_str()), const_cast<char*>(sub.c_str()), const_cast<char*>(d.c_str()),
                    const_cast<char*>(opt.c_str()),  const_cast<char*>(console.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0)
        fatal({"PROBLEME : velkaro-grid: cannot start " + prog + " for " + d + ": " + std::strerror(rc)});

    int st = 0;
    bool timed_out = false;
    for (;;) {
        const pid_t w = waitpid(pid, &st, WNOHANG);
        if (w == pid) break;
        if (w < 0 && errno != EINTR) fatal({"PROBLEME : velkaro-grid: lost the process of " + d});
        const double el = std::chrono::duration<double>(Clock::now() - t0).count();
        if (time_limit_s > 0 && el > time_limit_s && !timed_out) {
            timed_out = true;
            kill(pid, SIGKILL);
        }
        // A planet takes seconds: looking twenty times a second costs nothing.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    PlanetResult r;
    r.wall_s = std::chrono::duration<double>(Clock::now() - t0).count();
    if (timed_out) {
        r.status = "timed out";
        r.message = {"PROBLEME : velkaro-grid: time limit of " + seconds_text(time_limit_s) +
                     " s exceeded; the run was stopped"};
    } else if (WIFSIGNALED(st)) {
        const int sig = WTERMSIG(st);
        r.status = "crashed";
        r.message = {"PROBLEME : velkaro-grid: the run was killed by signal " + std::to_string(sig) + " (" +
                     strsignal(sig) + "); see stderr.txt"};
    } else if (const auto k = read_marker(dir)) {
        // The child ended by itself and left its result.
        r.status = k->status;
        r.message = k->message;
        return r;
    } else {
        r.status = "crashed";
        r.message = {"PROBLEME : velkaro-grid: the run ended with exit status " + std::to_string(WEXITSTATUS(st)) +
                     " and no result; see stderr.txt"};
    }
    write_marker(dir, r);
    return r;
}

PlanetTable stored_table(const fs::path& outdir) {
    if (!fs::exists(outdir / "planets.csv"))
        fatal({"PROBLEME : velkaro-grid: " + outdir.string() + " holds no planets.csv (not made by velkaro-grid run)"});
    return read_table(outdir / "planets.csv");
}

RunReport run_population(const PlanetTable& table, const RunOptions& opt) {
    if (opt.jobs < 1) fatal({"PROBLEME : velkaro-grid: --jobs must be at least 1"});
    if (opt.chunks < 1 || opt.chunk < 1 || opt.chunk > opt.chunks)
        fatal({"PROBLEME : velkaro-grid: --chunk K/M needs 1 <= K <= M"});
    const fs::path base = !opt.base.empty() ? opt.base : table.base.empty() ? fs::path(".") : fs::path(table.base);
    const fs::path runs = opt.outdir / "runs";
    fs::create_directories(runs);
    {
        PlanetTable stored = table;
        stored.base = fs::absolute(base).lexically_normal().string();
        const std::string text = table_text(stored);
        const fs::path keep = opt.outdir / "planets.csv";
        if (fs::exists(keep)) {
            std::ifstream in(keep, std::ios::binary);
            std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (old != text)
                fatal({"PROBLEME : velkaro-grid: " + opt.outdir.string() +
                       " holds the runs of another planet table (planets.csv differs); choose another OUTDIR"});
        } else {
            // Tasks of a job array may start together: each writes its own
            // file and renames it, so planets.csv is always whole.
            const fs::path tmp = opt.outdir / ("planets.csv.tmp" + std::to_string(getpid()));
            write_text(tmp, text);
            fs::rename(tmp, keep);
        }
    }

    RunReport rep;
    std::vector<std::size_t> todo;
    for (std::size_t id = 1; id <= table.rows.size(); ++id) {
        if ((id - 1) % static_cast<std::size_t>(opt.chunks) != static_cast<std::size_t>(opt.chunk - 1)) continue;
        ++rep.selected;
        if (finished(runs / run_name(id))) {
            ++rep.skipped;
            const auto k = read_marker(runs / run_name(id));
            if (!k || k->status != "completed") ++rep.failed_before;
            continue;
        }
        todo.push_back(id);
    }
    // Every input is made before any run starts: a table value or base file
    // that cannot be used stops the grid here, not half-way through.
    std::vector<RunInputs> inputs;
    for (std::size_t id : todo) inputs.push_back(make_inputs(base, table.columns, table.rows[id - 1]));

    if (opt.time_limit_s > 0 && opt.program.empty())
        fatal({"PROBLEME : velkaro-grid: a time limit needs the planets in processes of their own"});
    const bool isolate = !opt.program.empty();
    SharedTables tables;
    if (!todo.empty() && !isolate) {
        prepare_run_dir(runs / run_name(todo[0]), inputs[0]);
        tables = preload(runs / run_name(todo[0]), opt.progress);
    }

    std::atomic<std::size_t> next{0};
    std::mutex mu;
    std::size_t done = 0, failed = 0;
    const auto t0 = Clock::now();
    const bool tty = isatty(2) != 0;
    auto report_progress = [&] {
        const double el = std::chrono::duration<double>(Clock::now() - t0).count();
        const double rate = el > 0 ? static_cast<double>(done) / el : 0;
        const double left = rate > 0 ? static_cast<double>(todo.size() - done) / rate : -1;
        std::string rt = fmt::F(rate, 12, 3);
        rt.erase(0, rt.find_first_not_of(' '));
        std::cerr << (tty ? "\r" : "") << "velkaro-grid: " << count_text(done + rep.skipped) << "/" << count_text(rep.selected)
                  << " done, " << count_text(failed) << " failed, " << rt << " planets/s, " << clock_text(left) << " left"
                  << (tty ? "   " : "\n");
        std::cerr.flush();
    };
    auto worker = [&] {
        for (;;) {
            const std::size_t k = next.fetch_add(1);
            if (k >= todo.size()) return;
            const fs::path dir = runs / run_name(todo[k]);
            PlanetResult r;
            try {
                if (k > 0 || isolate) prepare_run_dir(dir, inputs[k]);
                r = isolate ? run_isolated(dir, opt.program, opt.time_limit_s, opt.quiet_console)
                            : run_one(dir, &tables, opt.quiet_console);
            } catch (const std::exception& e) {
                // The directory itself could not be written: the planet stays
                // unfinished (no marker) and is redone by the next run.
                std::lock_guard<std::mutex> lk(mu);
                if (opt.progress)
                    std::cerr << "\nvelkaro-grid: planet " << run_name(todo[k]) << ": " << e.what() << '\n';
                r.status = "stopped";
            }
            std::lock_guard<std::mutex> lk(mu);
            ++done;
            if (r.status != "completed") ++failed;
            if (opt.progress) report_progress();
        }
    };
    const int nthreads = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(opt.jobs), todo.size()));
    std::vector<std::thread> pool;
    for (int i = 0; i < nthreads; ++i) pool.emplace_back(worker);
    for (auto& t : pool) t.join();
    if (opt.progress && tty && !todo.empty()) std::cerr << '\n';

    rep.ran = done;
    rep.failed = failed;
    if (opt.chunks == 1) write_summary(table, opt.outdir, opt.ages);
    return rep;
}

}  // namespace velkaro::grid
