#include "atmosphere/opacity_ratios.hpp"

#include <array>

#include "common/format.hpp"
#include "opacity/lookup.hpp"

namespace velkaro::atmosphere {
namespace {

// Visible-to-thermal mean opacity ratio of the upper atmosphere against the
// equilibrium temperature [K]: small for cold, clear atmospheres, rising
// where alkali metals and then TiO/VO absorb the stellar light.
constexpr std::array<double, 12> kTeq1{260, 388, 584, 861, 1267, 1460, 1577, 1730, 1870, 2015, 2255, 2777};
constexpr std::array<double, 12> kRatio1{0.005, 0.008, 0.027, 0.07, 0.18, 0.19, 0.18, 0.185, 0.2, 0.22, 0.31, 0.55};
// Second visible band, present only in hot atmospheres.
constexpr std::array<double, 7> kTeq2{1460, 1577, 1730, 1870, 2015, 2255, 2777};
constexpr std::array<double, 7> kRatio2{0.28, 0.43, 1.0, 3.0, 2.5, 1.3, 1.45};

// Linear interpolation in the interval whose upper end is the first entry
// >= teq (the interval is closed at its upper end).
template <std::size_t N>
double interpolate(const std::array<double, N>& t, const std::array<double, N>& v, double teq) {
    int j = 1;
    huntsm(t.data(), teq, j, static_cast<int>(N));
    // huntsm gives t(j) <= teq < t(j+1); a teq on an inner node belongs to
    // the interval below it.
    if (j > 1 && teq == t[static_cast<std::size_t>(j - 1)]) --j;
    const auto a = static_cast<std::size_t>(j - 1);
    return linintpol(teq, v[a], t[a], v[a + 1], t[a + 1]);
}

}  // namespace

double kv2kth_of_teq(double teq) {
    if (teq >= 2777) return 0.55 * (teq / 2777) * (teq / 2777);
    if (teq <= 260) return 0.005;
    return interpolate(kTeq1, kRatio1, teq);
}

double kv2kth2_of_teq(double teq) {
    if (teq >= 2777) return 1.45;
    if (teq <= 1460) return 0.0;
    return interpolate(kTeq2, kRatio2, teq);
}

void kv2kthteq(DualbandModule& d, double teq, const Console& io) {
    d.kv2kth = kv2kth_of_teq(teq);
    auto& o = io.con();
    if (teq >= 2777) {
        o << fmt::free("T>Tmax: scaling as T**2") << '\n';
        o << fmt::free("kv2kth", d.kv2kth) << '\n';
        o << fmt::free("modelselect", d.modelselect) << '\n';
    } else if (teq <= 260) {
        o << fmt::free("T<Tmin", teq) << '\n';
        o << fmt::free("SET kv2kth to 0.005") << '\n';
        o << fmt::free("modelselect", d.modelselect) << '\n';
    }
}

void kv2kth2teq(DualbandModule& d, double teq, const Console& io) {
    d.kv2kth2 = kv2kth2_of_teq(teq);
    auto& o = io.con();
    if (teq >= 2777) {
        o << fmt::free("T>Tmax: set to 1.45") << '\n';
        o << fmt::free("kv2kth2", d.kv2kth2) << '\n';
        o << fmt::free("modelselect", d.modelselect) << '\n';
    } else if (teq <= 1460) {
        o << fmt::free("T<Tmin", teq) << '\n';
        o << fmt::free("SET kv2kth2 to 0, not used") << '\n';
        o << fmt::free("NOT three-band") << '\n';
        o << fmt::free("modelselect", d.modelselect) << '\n';
    }
}

}  // namespace velkaro::atmosphere
