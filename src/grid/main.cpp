// velkaro-grid: populations of planets, on the cores of one machine or as a
// job array on a Slurm cluster.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "common/fatal.hpp"
#include "common/text_input.hpp"
#include "grid/grid.hpp"
#include "grid/runner_internal.hpp"

namespace {

namespace fs = std::filesystem;
using namespace velkaro;

const char* kUsage =
    "usage: velkaro-grid run PLANETS.csv OUTDIR [--base RUNDIR] [--jobs N] [--chunk K/M] [--ages LIST]\n"
    "                    [--isolate] [--time-limit S] [--console quiet|full]\n"
    "       velkaro-grid collect OUTDIR [--ages LIST]\n"
    "       velkaro-grid expand GRID.txt OUT.csv\n"
    "       velkaro-grid slurm PLANETS.csv OUTDIR --tasks M [--partition P] [--time T]\n"
    "                    [--cpus-per-task N] [--base RUNDIR] [--ages LIST] [--console quiet|full]\n"
    "                    [--dry-run]\n"
    "\n"
    "run      runs every planet of the table (a header of input-value names, one row\n"
    "         per planet) in OUTDIR/runs/NNNNNN with N threads; values the table does\n"
    "         not name come from RUNDIR's input files (default: the table's\n"
    "         '# base=' line, else the working directory). Finished planets are\n"
    "         skipped. --chunk K/M runs only the planets n with (n-1) % M == K-1.\n"
    "         Writes OUTDIR/summary.csv (not with --chunk: use collect).\n"
    "         --isolate runs each planet in a process of its own: a crash then\n"
    "         ends only that planet (status 'crashed'). --time-limit S (implies\n"
    "         --isolate) kills a planet after S seconds of wall time ('timed out').\n"
    "         --console: each planet's stdout.txt holds only its warnings, fatal\n"
    "         message and final message (quiet, the default) or the whole running\n"
    "         account of a velkaro run (full).\n"
    "collect  rebuilds OUTDIR/summary.csv from the run directories.\n"
    "expand   writes the planet table of a grid description.\n"
    "slurm    writes OUTDIR/slurm/run.sbatch (a job array of M tasks) and\n"
    "         collect.sbatch (after all tasks), submits both with sbatch and prints\n"
    "         the job ids; --dry-run prints the scripts only.\n"
    "--ages   ages of the summary in years, comma-separated, 'tmax' for the end\n"
    "         (default 1e7,1e8,1e9,4.5e9,tmax).\n"
    "Exit status: 0 all planets completed, 2 some stopped with a message, 1 error.\n";

[[noreturn]] void usage_error(const std::string& why) {
    std::cerr << "velkaro-grid: " << why << "\n" << kUsage;
    std::exit(1);
}

int to_int(const std::string& s, const char* what) {
    const auto v = input::parse_int(s);
    if (!v || *v < 1 || *v > 100000) usage_error(std::string(what) + " needs a positive integer, not '" + s + "'");
    return static_cast<int>(*v);
}

std::vector<std::string> split_ages(const std::string& s) {
    std::vector<std::string> v;
    std::string cur;
    for (char c : s + ",") {
        if (c == ',') {
            if (!cur.empty()) v.push_back(cur);
            cur.clear();
        } else if (c != ' ') {
            cur += c;
        }
    }
    if (v.empty()) usage_error("--ages needs at least one age");
    return v;
}

struct Args {
    std::vector<std::string> pos;
    std::string base, chunk, ages, partition, time, console = "quiet";
    int jobs = 1, tasks = 0, cpus = 1;
    double time_limit = 0;
    bool dry = false, isolate = false;
};

Args parse(int argc, char** argv) {
    Args a;
    for (int i = 2; i < argc; ++i) {
        const std::string s = argv[i];
        auto val = [&]() -> std::string {
            if (i + 1 >= argc) usage_error(s + " needs a value");
            return argv[++i];
        };
        if (s == "--base") a.base = val();
        else if (s == "--jobs") a.jobs = to_int(val(), "--jobs");
        else if (s == "--chunk") a.chunk = val();
        else if (s == "--ages") a.ages = val();
        else if (s == "--tasks") a.tasks = to_int(val(), "--tasks");
        else if (s == "--partition") a.partition = val();
        else if (s == "--time") a.time = val();
        else if (s == "--cpus-per-task") a.cpus = to_int(val(), "--cpus-per-task");
        else if (s == "--dry-run") a.dry = true;
        else if (s == "--isolate") a.isolate = true;
        else if (s == "--console") {
            a.console = val();
            if (a.console != "quiet" && a.console != "full")
                usage_error("--console needs quiet or full, not '" + a.console + "'");
        }
        else if (s == "--time-limit") {
            const std::string v = val();
            const auto t = input::parse_real(v);
            if (!t || !(*t > 0) || *t > 1e7) usage_error("--time-limit needs a positive number of seconds, not '" + v + "'");
            a.time_limit = *t;
            a.isolate = true;
        }
        else if (s.size() > 1 && s[0] == '-') usage_error("unknown option " + s);
        else a.pos.push_back(s);
    }
    return a;
}

// The path of this executable, to start it again for isolated planets.
fs::path self_program() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    if (ec) fatal({"PROBLEME : velkaro-grid: cannot find its own executable for --isolate"});
    return p;
}

// Run a command and return its standard output (sbatch --parsable).
std::string capture(const std::string& cmd, int& status) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    std::array<char, 256> buf{};
    while (std::fgets(buf.data(), buf.size(), p)) out += buf.data();
    status = pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

int cmd_run(const Args& a) {
    if (a.pos.size() != 2) usage_error("run needs PLANETS.csv and OUTDIR");
    grid::RunOptions o;
    o.outdir = a.pos[1];
    o.base = a.base;
    o.jobs = a.jobs;
    if (!a.ages.empty()) o.ages = split_ages(a.ages);
    if (!a.chunk.empty()) {
        const auto slash = a.chunk.find('/');
        if (slash == std::string::npos) usage_error("--chunk needs K/M");
        o.chunk = to_int(a.chunk.substr(0, slash), "--chunk K");
        o.chunks = to_int(a.chunk.substr(slash + 1), "--chunk M");
        if (o.chunk > o.chunks) usage_error("--chunk K/M needs K <= M");
    }
    if (a.isolate) o.program = self_program();
    o.time_limit_s = a.time_limit;
    o.quiet_console = a.console == "quiet";
    const auto table = grid::read_table(a.pos[0]);
    const auto rep = grid::run_population(table, o);
    std::cerr << "velkaro-grid: " << grid::count_text(rep.selected) << " planets, " << grid::count_text(rep.skipped)
              << " finished before, " << grid::count_text(rep.ran) << " run, "
              << grid::count_text(rep.failed + rep.failed_before) << " stopped with a message\n";
    return rep.failed + rep.failed_before > 0 ? 2 : 0;
}

// One planet in a process of its own, started by run --isolate: the marker
// it writes holds the result, so the exit status only says whether it could.
int cmd_run_one(const Args& a) {
    if (a.pos.size() != 1) usage_error("run-one needs RUNDIR");
    grid::run_one(a.pos[0], nullptr, a.console == "quiet");
    return 0;
}

int cmd_collect(const Args& a) {
    if (a.pos.size() != 1) usage_error("collect needs OUTDIR");
    const auto table = grid::stored_table(a.pos[0]);
    grid::write_summary(table, a.pos[0], a.ages.empty() ? grid::RunOptions::default_ages() : split_ages(a.ages));
    std::cerr << "velkaro-grid: wrote " << (fs::path(a.pos[0]) / "summary.csv").string() << '\n';
    return 0;
}

int cmd_expand(const Args& a) {
    if (a.pos.size() != 2) usage_error("expand needs GRID.txt and OUT.csv");
    std::ifstream in(a.pos[0]);
    if (!in) fatal({"PROBLEME : velkaro-grid: cannot read " + a.pos[0]});
    std::stringstream ss;
    ss << in.rdbuf();
    const auto t = grid::expand_grid(ss.str(), fs::path(a.pos[0]).parent_path());
    grid::write_table(a.pos[1], t);
    std::cerr << "velkaro-grid: " << grid::count_text(t.rows.size()) << " planets written to " << a.pos[1] << '\n';
    return 0;
}

int cmd_slurm(const Args& a, const char* argv0) {
    if (a.pos.size() != 2) usage_error("slurm needs PLANETS.csv and OUTDIR");
    if (a.tasks < 1) usage_error("slurm needs --tasks M");
    grid::read_table(a.pos[0]);  // a table that does not read fails here, not on the cluster
    grid::SlurmOptions o;
    o.table = a.pos[0];
    o.outdir = a.pos[1];
    o.base = a.base;
    o.tasks = a.tasks;
    o.cpus = a.cpus;
    o.partition = a.partition;
    o.time = a.time;
    o.full_console = a.console == "full";
    if (!a.ages.empty()) o.ages = split_ages(a.ages);
    std::error_code ec;
    o.program = fs::read_symlink("/proc/self/exe", ec);
    if (ec) o.program = argv0;
    const auto [run, collect] = grid::slurm_scripts(o);
    if (a.dry) {
        std::cout << "# run.sbatch\n" << run << "\n# collect.sbatch\n" << collect;
        return 0;
    }
    const fs::path dir = o.outdir / "slurm";
    fs::create_directories(dir);
    for (const auto& [name, text] : {std::pair{"run.sbatch", run}, std::pair{"collect.sbatch", collect}}) {
        std::ofstream f(dir / name);
        f << text;
        if (!f.flush()) fatal({"PROBLEME : velkaro-grid: cannot write " + (dir / name).string()});
    }
    int st = 0;
    const std::string id = capture("sbatch --parsable '" + (dir / "run.sbatch").string() + "'", st);
    if (st != 0 || id.empty()) fatal({"PROBLEME : velkaro-grid: sbatch of the job array failed"});
    const std::string jid = id.substr(0, id.find(';'));
    const std::string cid =
        capture("sbatch --parsable --dependency=afterany:" + jid + " '" + (dir / "collect.sbatch").string() + "'", st);
    if (st != 0 || cid.empty()) fatal({"PROBLEME : velkaro-grid: sbatch of the collect job failed (array " + jid + ")"});
    std::cout << "array job " << jid << "\ncollect job " << cid.substr(0, cid.find(';')) << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) usage_error("no command");
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h") {
        std::cout << kUsage;
        return 0;
    }
    try {
        const Args a = parse(argc, argv);
        if (cmd == "run") return cmd_run(a);
        if (cmd == "run-one") return cmd_run_one(a);
        if (cmd == "collect") return cmd_collect(a);
        if (cmd == "expand") return cmd_expand(a);
        if (cmd == "slurm") return cmd_slurm(a, argv[0]);
        usage_error("unknown command " + cmd);
    } catch (const FatalError& e) {
        for (const auto& l : e.lines()) std::cerr << l << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "PROBLEME : velkaro-grid: " << e.what() << '\n';
        return 1;
    }
}
