// Populations of planets: a table of planets (one row each, columns named
// after the values of the input files), their run directories, the runs on
// worker threads of one process sharing the loaded data tables, the summary
// of the results, grid descriptions expanded into tables, and job scripts
// for a Slurm cluster.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velkaro::grid {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- tables

/// A table of planets as read from a CSV file. Cells are kept as the text
/// the user wrote (written unchanged into the input files); an empty cell
/// takes the value of the base run directory.
struct PlanetTable {
    std::vector<std::string> columns;            // names of the input values
    std::vector<std::vector<std::string>> rows;  // one per planet, same width
    /// Base run directory named by a "# base=DIR" comment line (empty: none).
    std::string base;
};

/// Read a planet table. The first line that is neither empty nor a comment
/// ('#') is the header; each column must name an input value (see
/// input_location). Throws FatalError naming the file and line.
PlanetTable read_table(const fs::path& file);
/// A planet table as CSV text (with its "# base=" line when base is set).
std::string table_text(const PlanetTable& t);
/// Write a planet table.
void write_table(const fs::path& file, const PlanetTable& t);

/// Where an input value lives: file name and 1-based line.
struct InputLocation {
    const char* file;
    int line;
};
/// The location of a named input value (names as in the input files, e.g.
/// "aplanete", "Mcore", "GasEvap"; case-insensitive). Nothing if unknown.
std::optional<InputLocation> input_location(const std::string& name);

/// The files of one planet's run directory, made from the base directory's
/// sivex.in and sivexdualband.in with the table's values put in place, and
/// path.dat with relative data directories made absolute (they were
/// relative to the base directory).
struct RunInputs {
    std::string sivex, dualband, path;
};
RunInputs make_inputs(const fs::path& base, const std::vector<std::string>& columns,
                      const std::vector<std::string>& row);

/// The path.dat of the base with relative directories resolved against
/// base: (tableseos, fichiersdg), the texts written into the run's path.dat.
std::pair<std::string, std::string> resolved_data_dirs(const fs::path& base);

// ---------------------------------------------------------------- runs

/// Name of the run directory of planet id (1-based): "000042".
std::string run_name(std::size_t id);
/// File written last into a run directory when its planet has finished
/// (completed or stopped with a message); a directory without it is redone.
inline constexpr const char* kMarker = "velkaro-grid.done";

/// What a completion marker records: "status S", "wall_s T" and one
/// "message M" line per line of the fatal message.
struct Marker {
    std::string status;                // "completed", "stopped", "crashed" or "timed out"
    std::string wall_s;                // as written
    std::vector<std::string> message;
};
/// The marker of the run in dir; none when the planet has not finished.
std::optional<Marker> read_marker(const fs::path& dir);

struct RunOptions {
    fs::path outdir;
    fs::path base;             // default: the table's "# base=" or "."
    int jobs = 1;              // worker threads
    int chunk = 1, chunks = 1; // this process runs planets with (id-1) % chunks == chunk-1
    std::vector<std::string> ages = default_ages();
    bool progress = true;      // progress line and notes on standard error (false: nothing there)
    /// Each planet's console account (stdout.txt): quiet keeps only the
    /// warnings, a fatal message and the final message with its stop code
    /// (the full account is about as large as the planet's fort.1).
    bool quiet_console = true;
    /// When set, each planet runs in a process of its own started from this
    /// program ("velkaro-grid run-one DIR"), so that a crash ends only its
    /// planet ("crashed"). Empty: worker threads sharing the loaded tables.
    fs::path program;
    /// Wall-time limit of one planet in seconds (0: none); needs program.
    /// A planet over its limit is killed and recorded as "timed out".
    double time_limit_s = 0;
    static std::vector<std::string> default_ages() { return {"1e7", "1e8", "1e9", "4.5e9", "tmax"}; }
};

struct RunReport {
    std::size_t selected = 0;  // planets of this chunk
    std::size_t skipped = 0;   // already finished before (marker found)
    std::size_t ran = 0;       // run now
    std::size_t failed = 0;    // of those run now: stopped with a message
    std::size_t failed_before = 0;  // of those skipped: stopped with a message
};

/// Run the planets of the table (this chunk) in OUTDIR/runs/NNNNNN with
/// opt.jobs threads; a single-chunk run writes OUTDIR/summary.csv at the end.
/// The table (with its base) is kept as OUTDIR/planets.csv; an OUTDIR that
/// holds a different table is refused, so results of two tables never mix.
RunReport run_population(const PlanetTable& table, const RunOptions& opt);

// ---------------------------------------------------------------- summary

/// A track read from fort.1, columns found by name in fort.1.columns.
struct Track {
    std::vector<std::string> names;
    std::vector<std::vector<double>> rows;  // NaN where a field does not parse
    int column(const std::string& name) const;  // 0-based, -1 if absent
};
/// Read RUNDIR/fort.1 with RUNDIR/fort.1.columns; nothing if either is missing.
std::optional<Track> read_track(const fs::path& rundir);
/// One fixed-width fort.1 field (Fortran G format, "1.5-100" exponents).
std::optional<double> parse_fortran_real(std::string_view field);

/// The value at age t interpolated linearly in log10(age) between the two
/// track points that bracket t (ages non-decreasing); nothing outside the
/// track or where a bracketing value is not finite.
std::optional<double> interpolate_log_age(const std::vector<double>& age, const std::vector<double>& value,
                                          double t);

/// The quantities of the summary at each age, by fort.1 column name.
const std::vector<std::string>& summary_quantities();

/// The table kept in OUTDIR by run_population.
PlanetTable stored_table(const fs::path& outdir);
/// Write OUTDIR/summary.csv from the run directories of the table's
/// planets (unfinished planets get the status "pending").
void write_summary(const PlanetTable& table, const fs::path& outdir, const std::vector<std::string>& ages);

// ---------------------------------------------------------------- expand

/// Expand a grid description into a planet table (see README, "Populations").
PlanetTable expand_grid(const std::string& text, const fs::path& grid_dir);

/// Uniform draws in [lo, hi) from a 64-bit Mersenne twister, made without
/// the library's distributions so that a seed gives the same numbers with
/// every compiler.
std::vector<double> uniform_draws(double lo, double hi, unsigned long long seed, std::size_t count);

/// A number written for a table: 15 significant digits, trailing zeros
/// of the mantissa dropped.
std::string table_number(double x);
/// A count as printed in messages (Fortran I format without its blanks).
std::string count_text(std::size_t n);

// ---------------------------------------------------------------- slurm

struct SlurmOptions {
    fs::path table, outdir, base;  // base may be empty
    int tasks = 1, cpus = 1;
    std::string partition, time;
    std::vector<std::string> ages;
    fs::path program;  // this executable
    bool full_console = false;  // "--console full" for the tasks
};
/// The job-array script (one task per chunk) and the collect script.
std::pair<std::string, std::string> slurm_scripts(const SlurmOptions& o);

}  // namespace velkaro::grid
