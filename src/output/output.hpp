// Result files of a run.
//
//   fort.1          evolution track: one line of 193 fields (22 characters
//                   each) per output call
//   fort.13         structure dumps: one line of 23 fields (19 characters)
//                   per shell, at logarithmically spaced ages
//   fort.14         one empty line per dump and the contrast spectrum
//   fort.1.columns, fort.13.columns
//                   what each column of the two files holds (CSV: column,
//                   name, unit, meaning), written once per run
//
// With keepall the dumps accumulate in fort.13/fort.14; without it each dump
// replaces the previous one, so the files hold the latest structure.
#pragma once

#include "common/console.hpp"
#include "common/modules.hpp"
#include "eos/context.hpp"
#include "opacity/opacity.hpp"
#include "output/context.hpp"
#include "output/photometry_context.hpp"
#include "processes/star.hpp"

namespace velkaro {
struct PlanetState;
}

namespace velkaro::output {

/// What the output reads and changes: its files, work arrays and values
/// (state), the photometry's tables and hints, the EOS, opacity and star the
/// observables are computed with, and the shared settings it reads. It
/// changes one shared value: the age of the next structure dump
/// (common.tempssave).
struct OutputModel {
    OutputContext& state;
    PhotometryContext& photometry;
    const PathModule& path;          // the run directory; the data directory of the photometry
    CommonModule& common;            // keepall, dtsave, menveinit; tempssave advanced
    const GaslossModule& gasloss;    // gasevap
    const DualbandModule& dualband;  // irradiated, kv2kth
    const DbdtempModule& temps;      // teq
    const eos::EosContext& eos;
    opacity::OpacityLaw opacity;
    processes::Star star;
    const Console& io;
};

/// Write the evolution track line of the current model (and a structure
/// dump when the age has reached common.tempssave); with s.Noevo also the
/// summary on the console.
void ecriture(const OutputModel& m, PlanetState& s);

/// Phase of water at pressure p [dyn/cm2] and temperature T [K]:
/// 0 solid, 1 liquid, 2 vapour, 3 supercritical, 4 outside the range
/// covered (0.1 Pa ... 1e12 Pa, 1 ... 800 K), -1 undetermined.
double waterpt(double p, double T);

/// The save time after a dump at `tempssave` [s]: `dtsave` dex later, but
/// at least 1e4 years later.
double next_save_time(double tempssave, double dtsave);

/// The tau = 2/3 and 1-bar levels of the first n shells of the model,
/// interpolated linearly between the shells that straddle them. A level
/// that is never crossed keeps its default (tau = 2/3: the outer shell
/// with T from its luminosity and radius; 1 bar: zeros); a base already
/// above the level (tau or P too low) gives shell-1 values.
void find_levels(const PlanetState& s, int n, Level& l23, Level& l1bar);

/// Number of tops of convective zones among the flags conv(1..n) (1 for a
/// convective shell): shells i < n with conv(i) = 1 and conv(i+1) = 0, or 1
/// when there is none and the outer shell is convective.
int convective_tops(const double* conv, int n);

/// Index of the first radiative-convective boundary going outward (the
/// convective shell i < n below a radiative one), 0 when there is none.
int first_rcb(const double* conv, int n);

/// Write fort.1.columns and fort.13.columns into the run directory.
void write_column_descriptions(const PathModule& path);

}  // namespace velkaro::output
