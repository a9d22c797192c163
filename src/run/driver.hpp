// The evolution driver: start-up, time loop and end phase of one run.
#pragma once

#include <string>
#include <vector>

namespace velkaro {
struct RunContext;
struct PlanetState;

/// Maximum number of evolution steps of one run.
inline constexpr int kMaxTimeSteps = 50000;

/// The start-up picture (wording free).
std::vector<std::string> logo();
/// The fourteen development notes printed at start-up.
std::vector<std::string> development_notes();

/// The initial hydrostatic structure: five passes of the structure search,
/// each refining the core density and the outer-radius guess from the
/// structure found by the pass before (start from s.rhocore, s.Routguess).
void find_initial_structure(RunContext& ctx, PlanetState& s);

/// The start-up of a run in ctx.path.rundir up to the first output: banner,
/// input files, tables, start state and checks, the initial structure with
/// its photosphere, energy, first time step and entropy. Returns false when
/// the start checks end the run before any structure is built.
bool start_run(RunContext& ctx, PlanetState& s);

/// The structure of the next time step and its bookkeeping: shift into the
/// previous-step copies, advance the age, move the orbit, core density,
/// deuterium burning, irradiation, the evolution structure solve, then the
/// photosphere, entropy, -T dS/dt luminosity, energy budget, core
/// luminosities and the correction of the energy loop.
void advance_structure(RunContext& ctx, PlanetState& s);

/// Escape over the step just solved (gas loss on): the mass lost, then,
/// while an envelope is left, the static structure of the lighter planet
/// with its photosphere, energy and entropy, and the energy bookkeeping of
/// the loss (ctx.gasloss.elost2).
void escape_step(RunContext& ctx, PlanetState& s);

/// Run one planet in ctx.path.rundir. Returns normally at the end of the run or
/// after the initial structure when the no-evolution switch is set; fatal
/// conditions throw FatalError.
void run_planet(RunContext& ctx);

/// The summary printed on standard output at the end of every time step.
std::string step_summary(const RunContext& ctx, const PlanetState& s);

}  // namespace velkaro
