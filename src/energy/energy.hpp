// Energy budget and luminosity bookkeeping between steps.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;
}

namespace velkaro::energy {

/// Photosphere: outermost shell with tau >= 2/3 -> s.nf2to3.
void tau2to3_nfrontieres(RunContext& ctx, PlanetState& s);
/// Total, internal and gravitational energies of the current structure.
void drive_calc_energy_init(RunContext& ctx, PlanetState& s);
/// Specific entropy of every shell -> s.entro.
void calc_entro(RunContext& ctx, PlanetState& s);
/// Move the current structure into the previous-step copies.
void shift(RunContext& ctx, PlanetState& s);
/// -T dS/dt luminosity profile on the full grid -> s.lumitds.
void lumivar(RunContext& ctx, PlanetState& s);
/// The same on the shells below the new total mass -> s.lumitdsstatic.
void lumivar_static(RunContext& ctx, PlanetState& s);
/// Luminosity correction factor of the energy loop.
void calc_corrlesti(RunContext& ctx, PlanetState& s);
/// Shell below the new total mass after escape -> s.nfnewM, s.massestatic.
void getnfrontieresnewm(RunContext& ctx, PlanetState& s);

}  // namespace velkaro::energy
