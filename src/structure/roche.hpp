// Radius of the Hill sphere of the planet: the region around the planet in
// which its own gravity dominates the tidal pull of the star. Envelope gas
// beyond it is not bound to the planet.
#pragma once

namespace velkaro::structure {

/// Hill-sphere radius a (m_p / (3 m_star))^(1/3) [cm] of a planet of mass
/// mp [g] on an orbit of semi-major axis a [cm] around a star of mass mstar [g].
double roche(double mp, double mstar, double a);

}  // namespace velkaro::structure
