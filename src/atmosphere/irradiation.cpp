#include "atmosphere/irradiation.hpp"

#include <cmath>

#include "processes/star.hpp"
#include "run/context.hpp"

namespace velkaro::atmosphere {

void cal_tirr(RunContext& ctx, double age, double mstar, double a, double& tirr, double& teq) {
    const processes::StarProps st = processes::starprops(ctx, age, mstar);
    // Flux at distance a: sigma T*^4 (R*/a)^2 = sigma tirr^4. The equilibrium
    // temperature of a fast rotator re-radiating over its whole surface is
    // lower by 4^(1/4) = sqrt(2).
    tirr = st.teffstar * std::sqrt(st.rstar / a);
    teq = st.teffstar * std::sqrt(st.rstar / (2.0 * a));
}

}  // namespace velkaro::atmosphere
