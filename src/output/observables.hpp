// Observables of a model that the track and the spectra report: magnitudes
// from model-atmosphere grids and from fits, black-body photometry in 16
// filters, and the planet-to-star contrast.
#pragma once

#include <array>
#include <ostream>

#include "common/modules.hpp"
#include "processes/star.hpp"

namespace velkaro::output {

struct PhotometryContext;

/// Planet-to-star contrast at 14 wavelengths (1 ... 100 micron) of a black
/// body of temperature tp [K] and radius r [cm] at orbital distance a [cm]
/// around the star of mass mstar [g] at age [s]: reflected light plus
/// thermal emission. peak is Wien's peak wavelength 0.29/tp [cm]. With
/// dump set, the 1001-point spectrum (0.1 ... 1000 micron) is written to
/// spectrum (the contrast-spectrum file of the structure dumps).
void contrast(const processes::Star& star, bool dump, double age, double mstar, double tp, double r, double a, double& peak,
              std::array<double, 14>& contrasts, std::ostream* spectrum);

/// The 36 fitted absolute magnitudes at (teff [K], logg [cgs]) for radius r [cm].
void magnitudesfit(double teff, double logg, double r, std::array<double, 36>& mags);

/// The nine absolute magnitudes interpolated in the model-atmosphere grids
/// (2MASS J, H, Ks; NACO; HiCIAO H) and the grid magnitudes before the
/// radius term; all 0 outside the grids.
void interpolmagnitudesgridco(PhotometryContext& pc, const PathModule& path, double teff, double logg, double r, std::array<double, 9>& mags,
                              std::array<double, 9>& gridmags);

/// Black-body absolute magnitudes [mag] and flux densities at 10 pc [Jy] in
/// the 16 filters (U B V R I J H Ks L M N Q W1 W2 W3 W4) of a planet of
/// temperature tp [K] and radius r [cm] at distance a [cm] from its star.
void blackbodymagsv2(PhotometryContext& pc, const PathModule& path, const processes::Star& star, double tp, double r, double a, double age, double mstar,
                     std::array<double, 16>& mags, std::array<double, 16>& fluxes);

}  // namespace velkaro::output
