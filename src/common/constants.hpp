// Physical constants and unit conversions (cgs), with the exact values the
// program has always used. Many are rounded (AU = 1.5e13 cm, G = 6.67e-8):
// the published results of the model were computed with these numbers, so
// they are kept as they stand rather than replaced by CODATA values.
#pragma once

namespace velkaro::cst {

inline constexpr double G = 6.67e-8;                       // gravitational constant
inline constexpr double AU = 1.5e13;                       // astronomical unit [cm]
inline constexpr double Mearth = 5.97424e27;               // Earth mass [g]
inline constexpr double Mjup = 1.898783598618282e30;       // Jupiter mass [g]
inline constexpr double Msun = 1.9891e33;                  // Solar mass [g]
inline constexpr double Rjup = 7.14e9;                     // Jupiter radius [cm]
inline constexpr double Rearth = 6.371e8;                  // Earth radius [cm]
inline constexpr double Rsun = 6.956e10;                   // Solar radius [cm]
inline constexpr double Ljup = 3.3498660000000005e24;      // Jupiter luminosity [erg/s]
inline constexpr double Lsun = 3.846e33;                   // Solar luminosity [erg/s]
inline constexpr double year = 3.15576e7;                  // Julian year, 365.25 d [s]
inline constexpr double kB = 1.38062e-16;                  // Boltzmann constant [erg/K]
inline constexpr double amu = 1.660531e-24;                // atomic mass unit [g]
inline constexpr double mH2 = 3.331025186e-24;             // mass of an H2 molecule [g]
inline constexpr double mHe = 6.655408248e-24;             // mass of a He atom [g]
inline constexpr double sigmaSB = 5.6735730625000006e-05;  // Stefan-Boltzmann [erg/cm2/s/K4]
inline constexpr double fourpi = 12.566370616;             // 4 pi, as rounded in the model
inline constexpr double pi = 3.141592654;                  // pi, as rounded in the model
inline constexpr double fourpi_3 = 4.1887902053333335;     // 4 pi / 3 (sphere volume)

/// Convert a specific entropy [erg g^-1 K^-1] to Boltzmann constants per baryon.
constexpr double entropy_kB_per_baryon(double s_cgs) { return s_cgs * amu / kB; }

}  // namespace velkaro::cst
