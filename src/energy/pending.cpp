// Placeholders until the energy bookkeeping is built.
#include "common/fatal.hpp"
#include "energy/energy.hpp"

namespace velkaro::energy {
void tau2to3_nfrontieres(RunContext&, PlanetState&) { not_built("the photosphere shell", "tau2to3_nfrontieres"); }
void drive_calc_energy_init(RunContext&, PlanetState&) {
    not_built("the energy budget", "drive_calc_energy_init");
}
void calc_entro(RunContext&, PlanetState&) { not_built("the entropy profile", "calc_entro"); }
void shift(RunContext&, PlanetState&) { not_built("the step shift", "shift"); }
void lumivar(RunContext&, PlanetState&) { not_built("the -T dS/dt luminosity", "lumivar"); }
void lumivar_static(RunContext&, PlanetState&) { not_built("the -T dS/dt luminosity", "lumivar"); }
void calc_corrlesti(RunContext&, PlanetState&) { not_built("the luminosity correction", "calc_corrlesti"); }
void getnfrontieresnewm(RunContext&, PlanetState&) {
    not_built("the mass grid after escape", "getnfrontieresnewm");
}
}  // namespace velkaro::energy
