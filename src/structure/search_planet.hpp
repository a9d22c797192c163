// The planet a structure search is for: what the initial, evolution and
// static solvers all need to know of it.
#pragma once

namespace velkaro {
struct PlanetState;
}

namespace velkaro::structure {

struct SearchPlanet {
    double Mcore = 0;    // core mass [g]
    double M = 0;        // total mass [g]
    double Mstar = 0;    // stellar mass [g]
    double a = 0;        // orbital distance [cm]
    double rhocore = 0;  // mean core density [g cm^-3]
    double Y = 0;        // helium mass fraction
};

/// The planet of the model state as it stands (core, total mass, orbit).
SearchPlanet search_planet(const PlanetState& st);

}  // namespace velkaro::structure
