// The bare-core phase: once the envelope is gone the planet is a rock/ice
// sphere at the equilibrium temperature of its orbit. Nothing of it evolves
// any more except the orbit, which the tide the core raises on the star
// keeps shrinking; that is integrated in closed form to the end of the run.
#include <cmath>

#include "processes/irradiation.hpp"
#include "common/constants.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "processes/escape.hpp"
#include "processes/star.hpp"

namespace velkaro::processes {

void noenve(double teq, const Console& io, PlanetState& s) {
    s.nf = 1;
    s.nf2to3 = 1;
    // The core keeps its radius x(1,1) and mass masse(1); no luminosity, no
    // pressure at its surface, at the equilibrium temperature.
    s.x(kL, 1) = 0;
    s.x(kP, 1) = 0;
    s.x(kT, 1) = teq;
    s.x(kTau, 1) = 2.0 / 3.0;
    s.Lradio = s.LthermCore = s.LgravCore = 0;
    auto& o = io.con();
    o << '\n' << fmt::free("SBR NOENVE") << '\n';
    o << fmt::free("Teq", teq) << '\n';
}

void noenveend(const Star& star, const CommonModule& common, const Console& io, PlanetState& s) {
    const StarProps st = starprops(star, s.temps, s.Mstar);
    const double rstar = st.rstar;
    const double qstar = star.qstar;
    const double a_orig = s.aplanete;
    const double t0 = s.temps;
    const SpiralIn sp = spiral_in(t0, a_orig, s.Mstar, rstar, qstar, s.masse(1));

    if (common.tides) {
        // The orbit decays until the end of the run or the stellar surface,
        // whichever comes first. A run that stopped past its end time (the
        // envelope was lost in the step that crossed tmax) does not move
        // back in time: the core then stays where it is.
        double tend = std::isnan(s.tmax) ? sp.tspiral : std::min(s.tmax, sp.tspiral);
        // The spiral completes within the run: the core ends in the star
        // even when rounding leaves the closed-form radius a hair above R*.
        const bool reached = !(tend < sp.tspiral);
        if (tend < t0) tend = t0;
        s.temps = tend;
        const double w = std::pow(a_orig, 6.5) - sp.k * (tend - t0);
        s.aplanete = w >= 0 ? std::pow(w, 0.15384615384615385) : 0.0;
        if ((reached || rstar >= s.aplanete) && a_orig > rstar) {
            io.note() << fmt::free("Core has spiraled into the star") << '\n';
            s.aplanete = rstar;
            s.stopcode += 10;
        }
        double tirr = 0, teq = 0;
        cal_tirr(star, s.temps, s.Mstar, s.aplanete, tirr, teq);
        s.x(kT, 1) = teq;
    }

    auto& o = io.con();
    o << '\n' << fmt::free(fmt::label("SBR NOENVEEND", 13)) << '\n';
    o << fmt::free(fmt::label("aorig/AU, aplanete/AU", 21), a_orig / cst::AU, s.aplanete / cst::AU) << '\n';
    o << fmt::free(fmt::label("Teq", 21), s.x(kT, 1)) << '\n';
    o << fmt::free(fmt::label("t/an,tstar/an", 21), s.temps / cst::year, sp.tspiral / cst::year) << '\n';
    o << fmt::free(fmt::label("Rstar/AU,Qstar", 21), rstar / cst::AU, qstar) << '\n';
}

}  // namespace velkaro::processes
