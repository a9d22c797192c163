// Deuterium burning (p + d -> 3He) in the envelope, once per time step, and
// the electron-degeneracy conversion it shares with the output.
#pragma once

namespace velkaro {
struct RunContext;
struct PlanetState;
}

namespace velkaro::processes {

/// Deuterium burning over the step just taken, on the previous step's grid
/// (s.xold, s.masseold, s.nfold, s.xdeuold, s.lumitdsold, s.dt). Sets
/// s.lburnold (cumulative burning luminosity per shell), s.xdeu, s.Lburntot
/// and the diagnostics s.tburn, s.tmix, s.Neddy.
void dburnnuvo(RunContext& ctx, PlanetState& s);

/// Electron degeneracy from the Fermi-Dirac integral F_1/2 of the electrons:
/// degeneracy parameter psi and the factor thetae = F_-1/2 / (2 F_1/2)
/// (1 when non-degenerate, 0 when fully degenerate).
void calctheta(double fhalf, double& thetae, double& psi);

}  // namespace velkaro::processes
