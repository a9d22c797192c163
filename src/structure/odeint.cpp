// Fatal stops of the Runge-Kutta integrator. Kept out of the header so that
// the templated stepping code stays small and free of formatting.
#include "structure/odeint.hpp"

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"

namespace velkaro::structure::detail {

void rkqs_underflow(double xnew, double x, double h, double hmin) {
    fatal({fmt::free("WARNING : RKQS xnew=x", xnew, x, h, hmin)});
}

void odeint_maxstep(long maxstp, long nstp, const Trajectory& t, double x, double x1, double x2, double h,
                    const State& y, double mstop) {
    // The luminosity is shown here in units of 3.318009e24 erg/s, as it always was.
    constexpr double lunit = 3.318009e24;
    fatal({fmt::free("not die"),
           fmt::free("MAXSTEP reached", maxstp, nstp, t.nok, t.nbad),
           fmt::free("x,x1,x2,h", x / cst::Rjup, x1 / cst::Rjup, x2 / cst::Rjup, h / cst::Rjup),
           fmt::free("y(1),y(2),y(3),y(4)", y(1), y(2), y(3) / cst::Mearth, y(4) / lunit),
           fmt::free("Mcore/Me", mstop / cst::Mearth),
           fmt::free("PROBLEME : ODEINT_PLANETE 2 BIS")});
}

}  // namespace velkaro::structure::detail
