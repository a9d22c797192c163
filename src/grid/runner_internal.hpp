// The pieces of a population run that the tests drive one by one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "grid/grid.hpp"
#include "run/context.hpp"

namespace velkaro::grid {

/// The immutable data tables shared by all planets of one process.
struct SharedTables {
    decltype(eos::EosContext::tables) eos;
    decltype(atmosphere::AtmosphereContext::grid) atmos_grid;
    decltype(atmosphere::AtmosphereContext::stable) atmos_stable;
    decltype(core::CoreContext::tables) core;
    decltype(processes::ProcessesContext::tracks) tracks;
    decltype(output::PhotometryContext::grids) grids;
    decltype(output::PhotometryContext::filters) filters;
    /// Set the pointers of a fresh run context.
    void install(RunContext& ctx) const;
};

struct PlanetResult {
    std::string status;                // "completed", "stopped", "crashed" or "timed out"
    std::vector<std::string> message;  // the fatal message of a stopped run
    double wall_s = 0;
};

/// Empty (or make) a run directory and write its three input files.
void prepare_run_dir(const fs::path& dir, const RunInputs& in);
/// Run the planet in dir (console account to dir/stdout.txt, quiet or full)
/// and write its completion marker last. tables may be null (every table
/// loaded anew).
PlanetResult run_one(const fs::path& dir, const SharedTables* tables, bool quiet_console = false);
/// Run the planet in dir in a child process (program run-one dir), killed
/// after time_limit_s seconds of wall time when that is positive. A child
/// killed by a signal is "crashed", one killed for its time "timed out";
/// the parent then writes the marker.
PlanetResult run_isolated(const fs::path& dir, const fs::path& program, double time_limit_s,
                          bool quiet_console = false);
/// Write the completion marker of a finished planet (last, via rename).
void write_marker(const fs::path& dir, const PlanetResult& r);
/// Whether dir holds a finished run (its completion marker).
bool finished(const fs::path& dir);

}  // namespace velkaro::grid
