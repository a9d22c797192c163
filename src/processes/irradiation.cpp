#include "processes/irradiation.hpp"

#include <cmath>

namespace velkaro::processes {

void cal_tirr(const Star& star, double age, double mstar, double a, double& tirr, double& teq) {
    const StarProps st = starprops(star, age, mstar);
    // Flux at distance a: sigma T*^4 (R*/a)^2 = sigma tirr^4. The equilibrium
    // temperature of a fast rotator re-radiating over its whole surface is
    // lower by 4^(1/4) = sqrt(2).
    tirr = st.teffstar * std::sqrt(st.rstar / a);
    teq = st.teffstar * std::sqrt(st.rstar / (2.0 * a));
}

}  // namespace velkaro::processes
