// Tabulated internal partition function of H2, q(T), used by the ideal-gas
// equation of state. 121 rows: T = 10 K, then 50 to 6000 K in steps of 50.
// q counts the rotational and vibrational levels with ortho and para H2 in
// equilibrium, the nuclear-spin degeneracy divided out (q -> 1/4 as T -> 0)
// and energies measured from the lowest level (v = 0, J = 0).
#pragma once

#include <array>

namespace velkaro::eos::h2pf {

inline constexpr int kRows = 121;

extern const std::array<double, kRows> tdat;   // temperature [K]
extern const std::array<double, kRows> qdat;   // log10 q
extern const std::array<double, kRows> dqdt;   // dq/dT [1/K] (of q, not of log q)
extern const std::array<double, kRows> ddqdt;  // d2q/dT2 [1/K^2]

}  // namespace velkaro::eos::h2pf
