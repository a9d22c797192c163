#include "processes/tides.hpp"

#include <cmath>

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "processes/star.hpp"

namespace velkaro::processes {

double tidal_dadt(double mstar, double rstar, double qstar, double mp, double a) {
    return -4.5 * std::sqrt(cst::G / mstar) * std::pow(rstar, 5) * mp / qstar / std::pow(a, 5.5);
}

double migratetides(const Star& star, const CommonModule& common, const Console& io, double age, double dt,
                    double mstar, const Vec1<double>& masse, int n, double a) {
    if (!common.tides) return a;
    if (n < 1 || n > masse.size())
        fatal({fmt::free("SBR migratetides: number of shells out of range", n), "PROBLEME : migratetides"});

    const double mp = masse(n);
    const StarProps st = starprops(star, age, mstar);
    const double dadt = tidal_dadt(mstar, st.rstar, st.qstar, mp, a);
    double anew = a + dt * dadt;
    // The planet cannot spiral below the stellar surface: there it is engulfed.
    if (std::isnan(anew) || anew < st.rstar) anew = st.rstar;

    if (common.aff) {
        auto& o = io.con();
        o << '\n';
        o << fmt::free("SBR migratetides") << '\n';
        o << fmt::free("dadt [AU/yr]    ", dadt * cst::year / cst::AU) << '\n';
        o << fmt::free("da [AU]         ", dadt * dt / cst::AU) << '\n';
        o << fmt::free("old a [AU]      ", a / cst::AU) << '\n';
        o << fmt::free("new a [AU]      ", anew / cst::AU) << '\n';
    }
    return anew;
}

void migratetides(const Star& star, const CommonModule& common, const Console& io, PlanetState& s) {
    s.aplanete = migratetides(star, common, io, s.temps, s.dt, s.Mstar, s.masseold, s.nfold, s.aold);
}

}  // namespace velkaro::processes
