// Fermi-Dirac integrals by quadrature, and the C++ source of the constant
// tables that the electron-degeneracy conversion interpolates.
//
// Normalisation: the plain integrals, WITHOUT the factor 1/Gamma(j+1),
//     F_j(psi) = int_0^inf x^j / (1 + exp(x - psi)) dx,
// so that  F_1/2 -> Gamma(3/2) e^psi = (sqrt(pi)/2) e^psi  and
// F_-1/2 -> Gamma(1/2) e^psi = sqrt(pi) e^psi  for psi -> -inf (non-degenerate
// electrons), and F_1/2 -> (2/3) psi^(3/2), F_-1/2 -> 2 psi^(1/2) for
// psi -> +inf (complete degeneracy). With it the electron density is
//     n_e = 4 pi (2 m_e k T)^(3/2) / h^3 * F_1/2(psi).
#pragma once

#include <string>

namespace velkaro::fdbuild {

/// F_j(psi) for j = +1/2 (order = 1) or j = -1/2 (order = -1), relative
/// accuracy about 1e-14 for -50 <= psi <= 200.
double fermi_dirac(int order, double psi);

/// The C++ source of src/processes/fermi_dirac_tables.cpp: psi on the grid
/// -6.0, -5.656, ..., 80.0 (251 points, step 0.344), F_1/2 and F_-1/2.
std::string fermi_dirac_source();

}  // namespace velkaro::fdbuild
