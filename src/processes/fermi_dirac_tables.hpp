// Built-in tables of the Fermi-Dirac integrals of the electrons, made by the
// fermidirac tool (tools/fermidirac). Normalisation without 1/Gamma(j+1):
//     F_j(psi) = int_0^inf x^j / (1 + exp(x - psi)) dx,
// so F_1/2 -> (sqrt(pi)/2) e^psi and F_-1/2 -> sqrt(pi) e^psi when the
// electrons are not degenerate (psi -> -inf), F_1/2 -> (2/3) psi^(3/2) and
// F_-1/2 -> 2 psi^(1/2) when they are fully degenerate (psi -> inf); the
// electron density is n_e = 4 pi (2 m_e k T)^(3/2) / h^3 * F_1/2.
#pragma once

#include <array>

namespace velkaro::processes::fdtab {

/// psi = -6.0, -5.656, ..., 80.0 (step 0.344).
inline constexpr int kPoints = 251;

extern const std::array<double, kPoints> fhalf;   // F_1/2(psi), rising
extern const std::array<double, kPoints> psi;     // degeneracy parameter mu_e / kT
extern const std::array<double, kPoints> fmhalf;  // F_-1/2(psi)

}  // namespace velkaro::processes::fdtab
