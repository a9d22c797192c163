// Opacity of the envelope gas [cm^2 g^-1] as a function of density and
// temperature: the larger of
//  - an analytic grain-and-gas law, eight power laws joined smoothly
//    (ice grains, ice sublimation, metal grains, metal-grain evaporation,
//    molecules, H-, bound-free/free-free, electron scattering), optionally
//    with the grain terms reduced by a factor, and
//  - the tabulated Rosseland-mean gas opacity of Freedman et al. (2014,
//    ApJS 214, 25) for six metallicities (gas_tables.hpp), interpolated in
//    temperature, density and metallicity.
//
// All functions are allocation-free and safe to call from several runs in
// several threads; the only per-run state is the metallicity bracket cached
// in the run's OpacityContext. Units: rho in g cm^-3, T in K, kappa in
// cm^2 g^-1.
//
// Where the result is not continuous: the analytic law joins its molecular
// and H- branches at Tb, which matches them only for 1e-7 <= rho <= 1e-4;
// outside that range it steps (by a factor 1.3 at 1e-10 and 0.01, 2 at 0.1,
// 13 at 1e-14 g cm^-3), and below 1e-10 g cm^-3 electron scattering sets in
// abruptly at 1e4 K. The gas table ends at 4000 K, so where it exceeds the
// analytic law (1e-9 to 1e-5 g cm^-3) the opacity drops there by up to a
// factor 3.
#pragma once

#include "common/modules.hpp"
#include "opacity/context.hpp"


namespace velkaro::opacity {

// ---------------------------------------------------------------------------
// Analytic grain-and-gas law. With x = T / 1e4:
//   k1 = 2e-4 T^2                       ice grains
//   k2 = 2e16 T^-7                      ice sublimation
//   k3 = 0.1 T^(1/2)                    metal grains
//   k4 = 2e81 rho T^-24                 metal-grain evaporation
//   k5 = 1e-8 rho^(2/3) T^3             molecules
//   k6 = 1e-36 rho^(1/3) T^10           H-
//   k7 = 1.5e20 rho T^-2.5              bound-free and free-free
//   k8 = 0.348                          electron scattering
// joined by fourth-power sums across the regime boundaries
//   Ta = 1460 rho^0.028369, Tb = 4510 rho^0.011464, Tc = 2.37e6 rho^0.22667.
// A temperature below 1 K is taken as 10 K.

/// The full law.
double opb91(double rho, double T);

/// The law with the grain terms multiplied by f: below Ta the whole result
/// scales with f, between Ta and Tb only the metal-grain term k3 does, above
/// Tb (no grains) nothing changes. f = 1 gives opb91.
double opb91_scale(double rho, double T, double f);
/// The same with ln rho given (the structure equations have log10 rho from
/// the EOS table and pass it on instead of taking a logarithm again).
double opb91_scale_ln(double rho, double lnrho, double T, double f);
/// And with ln T given as well (lnT = ln T; ignored below 1 K, where T is
/// taken as 10 K).
double opb91_scale_ln(double rho, double lnrho, double T, double lnT, double f);

// ---------------------------------------------------------------------------
// Tabulated gas opacity.

/// The tables and weights that serve metallicity [M/H] = `metallicity`:
/// the two tables bracketing 10^[M/H], interpolated linearly in the metal
/// factor 10^[M/H]; below [M/H] = 0 the [M/H] = 0 table times 10^[M/H],
/// above 1.7 the 1.7 table times 10^([M/H] - 1.7).
GasBracket gasbracket(double metallicity);

/// Gas opacity for a given bracket. Outside the grid: 0 above 4000 K (the
/// grain law then decides), proportional to T^2 below 75 K, proportional to
/// rho below 1e-11 g cm^-3, held at the 0.1 g cm^-3 value above it. NaN in
/// rho or T gives NaN.
double opafreedman2013(const GasBracket& b, double rho, double T);
/// The same with lr = log10 rho given.
double opafreedman2013_lr(const GasBracket& b, double rho, double lr, double T);

/// Gas opacity at the run's metallicity, with the bracket cached in `oc`
/// and rebuilt only when the metallicity changes.
double opafreedman2013(OpacityContext& oc, double metallicity, double rho, double T);

// ---------------------------------------------------------------------------
// The envelope opacity.

/// max(grain law, gas table); the grain law is opb91 when `redgrains` is
/// false, else opb91_scale with factor f. When the grain law is not a number
/// the gas value is taken. A temperature below 1 K is seen as 10 K by both.
double opacites_v1(OpacityContext& oc, double metallicity, double rho, double T, double f, bool redgrains);

/// The envelope opacity of one run: what it reads (the opacity settings and
/// the grain switch of the shared settings) and the only thing it changes,
/// the gas-table bracket it keeps for the run's metallicity.
struct OpacityLaw {
    const OpacityModule& settings;  // metallicity, opacityscale
    const CommonModule& common;     // redopagrains, f_opacite
    OpacityContext& gas;
};

/// The opacity the structure uses: opacites_v1 with the run's grain switch
/// (common.redopagrains, common.f_opacite) and metallicity
/// (settings.metallicity), times the global factor settings.opacityscale.
double opacites(const OpacityLaw& law, double rho, double T);
/// The same with lr = log10 rho and lnT = ln T given (the hot loop of the
/// structure, whose EOS has taken both).
double opacites_lr(const OpacityLaw& law, double rho, double lr, double T, double lnT);

}  // namespace velkaro::opacity
