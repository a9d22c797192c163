// Internal (rotational-vibrational) partition function of H2 and its first
// two temperature derivatives, from a first-order Dunham model of the bound
// levels of the X 1Sigma_g+ ground state. Written out as the constant table
// that the ideal-gas equation of state interpolates.
#pragma once

#include <string>
#include <vector>

namespace velkaro::eosbuild {

/// One bound rovibrational level: vibrational and rotational quantum
/// numbers and the term energy above v = 0, J = 0 [cm^-1].
struct H2Level {
    int v = 0, J = 0;
    double e = 0;
};

/// Levels of the Dunham model E(v,J) = we x - wexe x^2 + (Be - ae x) J(J+1)
/// - De [J(J+1)]^2, x = v + 1/2, with the Huber & Herzberg (1979) constants.
/// A vibrational ladder stops where G(v) stops rising, a rotational ladder
/// where E(v,J) stops rising with J or the level passes the dissociation
/// energy D0 = 36118.07 cm^-1 (4.4781 eV) above v = 0, J = 0.
std::vector<H2Level> dunham_levels();

/// q(T) = (1/4) sum g_ns(J) (2J+1) exp(-c2 E / T), with g_ns = 1 for even J
/// (para) and 3 for odd J (ortho), ortho and para in equilibrium; the factor
/// 1/4 takes out the nuclear-spin degeneracy, so q -> 1/4 as T -> 0. The two
/// derivatives are those of the sum itself (dq/dT [1/K], d2q/dT2 [1/K^2]).
struct H2Partition {
    double q = 0, dqdt = 0, d2qdt2 = 0;
};
H2Partition h2_partition(const std::vector<H2Level>& levels, double t);

/// One row of the tabulated function: T [K], log10 q, dq/dT, d2q/dT2.
struct H2Row {
    double t, logq, dqdt, d2qdt2;
};

/// The 121 rows T = 10, 50, 100, ..., 6000 K. The rows at 10, 50, 100, 300,
/// 1000, 3000 and 6000 K are the model's reference values and are kept as
/// they are; all other rows come from the level sum.
std::vector<H2Row> h2_partition_rows();

/// The C++ source file holding the table as constant data.
std::string h2_partition_source();

}  // namespace velkaro::eosbuild
