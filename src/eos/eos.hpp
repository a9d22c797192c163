// Equation of state of the hydrogen-helium envelope.
//
// Two entry points with one calling convention:
//   eos(ec, Z, Y, P, T, out)      all quantities
//   eosfast(ec, Z, Y, P, T, out)  density and adiabatic dT/dP only
// with Z the heavy-element fraction (accepted, not used), Y the helium mass
// fraction, P [dyn cm^-2] and T [K]. Results go to an EosOut; quantities an
// entry point does not compute hold the marker -9.99999e99.
//
// Inside the domain of the tables (see in_table_domain) the three tables of
// loadeos are interpolated bicubically in (log P, log T) and linearly in Y;
// elsewhere (cold, thin or very hot gas) the ideal H2/He gas of idealgas.hpp
// serves. Fatal conditions throw FatalError with the messages to print.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <string>

#include "common/modules.hpp"
#include "eos/context.hpp"
#include "eos/tables.hpp"

namespace velkaro::eos {

/// Marker written into the output slots an entry point does not compute.
inline constexpr double kMarker = -9.99999e99;

/// Results of eos/eosfast in the order of the classic 14-argument list
/// (slots 5..14; slots 1..4 are the inputs Z, Y, P, T).
struct EosOut {
    double rho = kMarker;     // 5  density [g cm^-3]
    double drhodp = kMarker;  // 6  (d rho / d P) at T [g cm^-3 per dyn cm^-2]
    double drhodt = kMarker;  // 7  (d rho / d T) at P [g cm^-3 K^-1]
    double s = kMarker;       // 8  specific entropy [erg g^-1 K^-1]
    double dsdp = kMarker;    // 9  (d S / d P) at T
    double dsdt = kMarker;    // 10 (d S / d T) at P
    double dtdp = kMarker;    // 11 (d T / d P) at S = adiabatic gradient T / P [K per dyn cm^-2]
    double slot12 = kMarker;  // 12 not computed
    double slot13 = kMarker;  // 13 not computed
    double u = kMarker;       // 14 specific internal energy [erg g^-1]
};

/// Base names of the three tables in the EOS directory, k = 1, 2, 3.
inline const std::array<std::string, 3> kTableNames = {"eosbdp0_pt_F", "eosbdp1_pt_F", "eosbdp2_pt_F"};

/// Load the three H/He EOS tables from the EOS directory of the path file
/// (path.path_tableseos followed directly by the base name; a relative
/// directory is taken relative to the run directory), unless ec.tables is
/// already set. The tables are opened (open_eos_tables): a table the run's
/// helium fraction does not need is never read.
void loadeos(EosContext& ec, const PathModule& path);

/// Open three table files: their headers, and the third table whole (its
/// grid is the tables' grid). The first and second are read on first use
/// (EosTables::require), with the same checks as read_eos_tables.
std::shared_ptr<const EosTables> open_eos_tables(const std::array<std::string, 3>& names,
                                                 const std::array<std::filesystem::path, 3>& files);

/// Read three table files. names are the file names as printed in
/// messages, files where to open them. Checks: the files open and parse,
/// NP and NT lie in 4..150, the grid follows the grid rule, the three files
/// share NP, NT and grid, and Y increases from file to file.
std::shared_ptr<const EosTables> read_eos_tables(const std::array<std::string, 3>& names,
                                                 const std::array<std::filesystem::path, 3>& files);

/// True when (log T, log P) lies in the domain served by the tables.
inline bool in_table_domain(double lt, double lp) {
    return lt >= 2.56 && lp >= 3.66 && lt <= 6.95 && lp <= 18.79 && !(lt <= 3.7 && lp >= 15.79) &&
           lt < 0.25145067698259194 * lp + 3.429690522243713;
}

/// Full evaluation: every slot except 12 and 13.
void eos(const EosTables* tables, double z, double y, double p, double t, EosOut& out);
/// Density and adiabatic dT/dP (slots 5 and 11); markers elsewhere.
void eosfast(const EosTables* tables, double z, double y, double p, double t, EosOut& out);

/// eosfast that also returns lrho = log10 of the density (the table
/// interpolates log10 rho: the opacity that follows needs no logarithm).
void eosfast_lrho(const EosTables* tables, double y, double p, double t, EosOut& out, double& lrho);

/// What the envelope equations need of the gas at (P, T).
struct EnvelopeGas {
    double rho;   // density [g cm^-3]
    double dtdp;  // adiabatic dT/dP [K per dyn cm^-2]
    double lrho;  // log10 rho (the opacity takes it instead of a logarithm)
    double lnt;   // ln T (likewise)
};

/// eosfast_lrho for the envelope equations of one run: inside the table
/// domain through the run's blended cells (EosContext::blended), which give
/// the values of eosscfast2_lrho to rounding; the ideal gas outside. The
/// same checks and messages as eosfast (P and T positive, Y within the
/// tables, the cell inside the grid).
EnvelopeGas eosfast_envelope(const EosContext& c, double y, double p, double t);

/// eos for one run: through its memo of full evaluations (see EosContext),
/// and inside the table domain through its blended cells of all eight
/// quantities (EosContext::blended_full), which give the values of the
/// two-table interpolation to rounding and the envelope evaluation's
/// (eosfast_envelope's) density and adiabatic gradient exactly. The same
/// checks and messages as eos.
void eos(const EosContext& c, double z, double y, double p, double t, EosOut& out);
inline void eosfast(const EosContext& c, double z, double y, double p, double t, EosOut& out) {
    eosfast(c.tables.get(), z, y, p, t, out);
}

/// Table evaluation (inside the table domain): slots 5..11 and 14.
void eosscfast(const EosTables& tb, double y, double p, double t, EosOut& out);
/// Reduced table evaluation: density and adiabatic dT/dP.
void eosscfast2(const EosTables& tb, double y, double p, double t, double& rho, double& dtdp);
/// The same two with log10 p and log10 t already taken (lp, lt).
void eosscfast_logs(const EosTables& tb, double y, double p, double t, double lp, double lt, EosOut& out);
void eosscfast2_logs(const EosTables& tb, double y, double p, double t, double lp, double lt, double& rho,
                     double& dtdp);
void eosscfast2_lrho(const EosTables& tb, double y, double p, double t, double lp, double lt, double& rho,
                     double& dtdp, double& lrho);

/// The same two table evaluations done the straightforward way: each call
/// copies the 4 x 4 neighbourhoods, forms the corner derivatives and calls
/// intercub. Agrees bit for bit with eosscfast/eosscfast2, which form each
/// cell's coefficients once, on first use, and keep them. For tests and benchmarks.
void eosscfast_direct(const EosTables& tb, double y, double p, double t, EosOut& out);
void eosscfast2_direct(const EosTables& tb, double y, double p, double t, double& rho, double& dtdp);

}  // namespace velkaro::eos
