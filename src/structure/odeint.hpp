// Adaptive Runge-Kutta integration of the envelope structure.
//
// The envelope is integrated in radius, from the outer boundary of the planet
// inward to the core, with the embedded 4(5) Runge-Kutta pair of Cash and
// Karp and step-size control on its error estimate. Three routines:
//
//   rkck             one Cash-Karp step, no control;
//   rkqs_planete     one accepted step: shrinks the trial step until the
//                    error estimate is within tolerance (or the step reaches
//                    the minimum size, where the error test is waived);
//   odeint_planete2  the driver: steps from x1 to x2, records the trajectory
//                    every dxsav in radius, and stops early when the enclosed
//                    mass runs out before the core is reached.
//
// Interface for the structure solvers
// -----------------------------------
// The state is a fixed-size one-based vector `State` of five components,
//     y(1) P [dyn cm^-2], y(2) T [K], y(3) m [g], y(4) L [erg s^-1], y(5) tau.
// The derivative routine is any callable
//     void derivs(double r, State& y, State& dydx);
// that fills dydx = dy/dr. It receives y by mutable reference because the
// envelope's derivative routine writes back the luminosity it used into y(4)
// (and repairs a non-positive P or T); the driver keeps those changes, exactly
// as for the state it integrates. Everything else the derivative needs (the
// EOS and opacity, helium fraction, luminosity profile, its saved hunt
// index) is held by the callable, as EnvelopeEquations (equations.hpp) holds
// them as members.
// The callable is a template parameter: the six calls per attempted step are
// direct (inlinable) calls, with no virtual dispatch and no std::function.
//
// The step controller is likewise a callable with the signature of
// rkqs_planete (see RkqsPlanete). The envelope solvers hand it the seams of
// the EOS table grid (TableSeams): a step that would cross a seam is first
// cut to end just past it (see rkqs_planete). Without seams it is the plain
// controller.
//
// The recorded trajectory (radii xp(1..10000) and states yp(1..5, 1..10000),
// the count kount and the step counters nok, nbad) is written into a
// Trajectory owned by the caller; each run keeps one in its StructureContext,
// so the integrator has no state of its own and allocates nothing per step.
#pragma once

#include <cmath>

#include "common/arrays.hpp"

namespace velkaro::structure {

/// Number of structure variables integrated (P, T, m, L, tau).
inline constexpr int nvar = 5;
/// Integrator state and derivative vectors: one-based, on the stack.
using State = Arr1<double, nvar>;

/// Capacity of the recorded trajectory: the shell capacity of the model.
inline constexpr int kmaxp = 10000;

/// How an integration by odeint_planete2 ended.
enum class OdeEnd {
    reached_x2,      // normal end at x2: ystart holds the final state
    mass_exhausted,  // enclosed mass fell below half of mstop: ystart untouched
    nonfinite_mass,  // enclosed mass became NaN or infinite: ystart untouched
};

/// The recorded points of the last integration. Point k (1 <= k <= kount)
/// is the radius xp(k) and the state yp(1..5, k). The first point is the
/// starting radius, the last the radius where the integration ended.
struct Trajectory {
    Vec1<double> xp{kmaxp};
    Mat1<double> yp{nvar, kmaxp};
    int kount = 0;  // points recorded
    int nok = 0;    // steps taken at their trial size
    int nbad = 0;   // steps whose size had to be reduced
    OdeEnd end = OdeEnd::reached_x2;  // how it ended
    double x2 = 0;  // the radius it was heading for [cm]
};

/// Grid lines of a table in log10 y(1) and log10 y(2) (P and T): the seams
/// between the cells of the bicubic EOS interpolation, where the second
/// derivatives of the right-hand side jump. A step across such a seam has
/// an error that falls only as h^3 instead of h^5 as the step shrinks: the
/// plain controller, which assumes h^5, is rejected there once or twice
/// before it passes. Inactive (step 0) by default.
///
/// Optionally also a sorted list of kinks in log10 T (lt_kinks, n_lt_kinks
/// of them), not evenly spaced: the temperatures of the gas opacity tables,
/// which are interpolated linearly, so that the right-hand side itself (the
/// optical depth's and the radiative gradient's opacity) has a kink there.
/// A step across a kink has an error that falls only as h^2: it fails nine
/// times in ten in a giant planet's atmosphere, and still fails mostly when
/// the kink lies 2 % before its end. A step cut at a kink therefore ends
/// only 0.1 % past it (the error from the part beyond falls as the square
/// of that part), and the next one starts just beyond it.
struct TableSeams {
    double lp0 = 0, dlp = 0;  // log10 P of a grid line and the spacing
    double lt0 = 0, dlt = 0;  // log10 T of a grid line and the spacing
    const double* lt_kinks = nullptr;  // kinks in log10 T, increasing
    int n_lt_kinks = 0;

    static constexpr double past = 1.02;        // a step cut at a grid line ends 2 % past it
    static constexpr double past_kink = 1.001;  // and at a kink 0.1 % past it

    bool active() const { return dlp > 0 && dlt > 0; }
    /// For the straight way in (log10 P, log10 T) from (lpa, lta) to (lpb,
    /// ltb): the fraction of it to take so as to end just past the first
    /// grid line or kink it meets (past or past_kink times the fraction at
    /// which it meets it); 1 when it meets none before its end (nor leaves
    /// from one).
    double cut_fraction(double lpa, double lta, double lpb, double ltb) const {
        double f = 1.0;
        const double th = std::fmin(crossing(lpa, lpb, lp0, dlp), crossing(lta, ltb, lt0, dlt));
        if (th > 0 && past * th < 1) f = past * th;
        if (n_lt_kinks > 0) {
            const double tk = kink_crossing(lta, ltb);
            if (tk > 0 && past_kink * tk < f) f = past_kink * tk;
        }
        return f;
    }

private:
    static double crossing(double a, double b, double origin, double step) {
        const double ca = std::floor((a - origin) / step), cb = std::floor((b - origin) / step);
        if (!(ca < cb || ca > cb)) return 1.0;  // same cell (or NaN)
        const double line = origin + step * (b > a ? ca + 1 : ca);
        return (line - a) / (b - a);
    }
    // As crossing for the listed kinks: a value on a kink belongs to the
    // interval above it, and the kink met is the first one beyond a's
    // interval in the direction of b.
    double kink_crossing(double a, double b) const {
        const double* l = lt_kinks;
        const int n = n_lt_kinks;
        if (!(a < b || a > b)) return 1.0;                                            // no way (or NaN)
        if ((a < l[0] && b < l[0]) || (a >= l[n - 1] && b >= l[n - 1])) return 1.0;  // both beyond one end
        int ia = 0;  // kinks at or below a
        while (ia < n && l[ia] <= a) ++ia;
        const double line = b > a ? l[ia] : l[ia - 1];
        if (b > a ? b < line : b >= line) return 1.0;  // same interval
        return (line - a) / (b - a);
    }
};

/// Settings of one integration. The structure solvers use eps = 1e-10,
/// h1 = -7140 cm, hmin = -71.4 cm (-714 cm in the evolution solver),
/// dxsav = 1e-5 of the core radius, mstop = core mass and
/// dmtol = 1e-9 of the envelope mass.
struct OdeintSettings {
    double eps = 1e-10;      // relative error tolerance of a step
    double h1 = -7140.0;     // first trial step [cm]; its sign is corrected
    double hmin = -71.4;     // smallest step size allowed [cm]
    double dxsav = 0.0;      // least radius interval between recorded points [cm]
    double mstop = 0.0;      // core mass [g]: stop when m < mstop/2 - dmtol
    double dmtol = 0.0;      // mass tolerance of that stop [g]
    long maxstp = 90000000;  // step limit (a fatal stop when reached)
};

namespace detail {
[[noreturn]] void rkqs_underflow(double xnew, double x, double h, double hmin);
[[noreturn]] void odeint_maxstep(long maxstp, long nstp, const Trajectory& t, double x, double x1,
                                 double x2, double h, const State& y, double mstop);

/// |a| with the sign of b (Fortran SIGN).
inline double sign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }
}  // namespace detail

/// One step of the embedded Runge-Kutta pair of Cash & Karp (1990) from x
/// to x + h. dydx is the derivative at x. Returns the fifth-order solution
/// in yout and the difference between the fifth- and fourth-order solutions
/// in yerr. Makes five derivative calls. y itself is not changed.
template <class Derivs>
void rkck(const State& y, const State& dydx, double x, double h, State& yout, State& yerr, Derivs& derivs) {
    // Nodes and coupling coefficients of the six stages.
    constexpr double a2 = 0.2, a3 = 0.3, a4 = 0.6, a5 = 1.0, a6 = 0.875;
    constexpr double b21 = 0.2;
    constexpr double b31 = 3.0 / 40.0, b32 = 9.0 / 40.0;
    constexpr double b41 = 0.3, b42 = -0.9, b43 = 1.2;
    constexpr double b51 = -11.0 / 54.0, b52 = 2.5, b53 = -70.0 / 27.0, b54 = 35.0 / 27.0;
    constexpr double b61 = 1631.0 / 55296.0, b62 = 175.0 / 512.0, b63 = 575.0 / 13824.0,
                     b64 = 44275.0 / 110592.0, b65 = 253.0 / 4096.0;
    // Fifth-order weights.
    constexpr double c1 = 37.0 / 378.0, c3 = 250.0 / 621.0, c4 = 125.0 / 594.0, c6 = 512.0 / 1771.0;
    // Fifth-order minus embedded fourth-order weights.
    constexpr double dc1 = c1 - 2825.0 / 27648.0, dc3 = c3 - 18575.0 / 48384.0,
                     dc4 = c4 - 13525.0 / 55296.0, dc5 = -277.0 / 14336.0, dc6 = c6 - 0.25;

    State ak2, ak3, ak4, ak5, ak6, ytemp;
    for (int i = 1; i <= nvar; ++i) ytemp(i) = y(i) + b21 * h * dydx(i);
    derivs(x + a2 * h, ytemp, ak2);
    for (int i = 1; i <= nvar; ++i) ytemp(i) = y(i) + h * (b31 * dydx(i) + b32 * ak2(i));
    derivs(x + a3 * h, ytemp, ak3);
    for (int i = 1; i <= nvar; ++i) ytemp(i) = y(i) + h * (b41 * dydx(i) + b42 * ak2(i) + b43 * ak3(i));
    derivs(x + a4 * h, ytemp, ak4);
    for (int i = 1; i <= nvar; ++i)
        ytemp(i) = y(i) + h * (b51 * dydx(i) + b52 * ak2(i) + b53 * ak3(i) + b54 * ak4(i));
    derivs(x + a5 * h, ytemp, ak5);
    for (int i = 1; i <= nvar; ++i)
        ytemp(i) = y(i) + h * (b61 * dydx(i) + b62 * ak2(i) + b63 * ak3(i) + b64 * ak4(i) + b65 * ak5(i));
    derivs(x + a6 * h, ytemp, ak6);
    for (int i = 1; i <= nvar; ++i) yout(i) = y(i) + h * (c1 * dydx(i) + c3 * ak3(i) + c4 * ak4(i) + c6 * ak6(i));
    for (int i = 1; i <= nvar; ++i)
        yerr(i) = h * (dc1 * dydx(i) + dc3 * ak3(i) + dc4 * ak4(i) + dc5 * ak5(i) + dc6 * ak6(i));
}

/// One accepted step with error control. On entry y and dydx are the state
/// and its derivative at x, htry the trial step; yscal(i) scales the error
/// of component i, and a step is accepted when max_i |yerr(i)/yscal(i)| is
/// at most eps. On return x and y are advanced by hdid and hnext is the
/// proposed next step.
///
/// A failed step is shrunk (to no less than a tenth) and retried. Once the
/// step would fall below |hmin|, a step of |hmin| is taken regardless of the
/// error (raised by factors of ten if x + hmin cannot be told from x), with
/// the state of the last attempt. A step that shrinks to nothing in floating
/// point stops the run ("WARNING : RKQS xnew=x").
///
/// With active seams, a step that would cross a grid line is cut to end just
/// past it (by 2 % of the cut step; at a kink by 0.1 %): before the first attempt when the
/// Euler prediction y + h dydx crosses one, and after a failed attempt whose
/// result crossed one (once per step). The cut step then sees the seam only
/// near its end and is accepted at once, the next starts beyond it, and the
/// step proposed after a cut one is at least the step that was cut. The
/// error test is the same for every step accepted.
template <class Derivs>
void rkqs_planete(State& y, const State& dydx, double& x, double htry, double eps, const State& yscal,
                  double& hdid, double& hnext, Derivs& derivs, double hmin, const TableSeams& seams = TableSeams{}) {
    constexpr double safety = 0.9, pgrow = -0.2, pshrnk = -0.25;
    constexpr double errcon = 1.89e-4;  // (5/safety)^(1/pgrow): below it the growth is capped at 5
    constexpr double rln10 = 0.43429448190325176;

    State ytemp, yerr;
    double h = htry;
    double hcut = 0;  // the step before a cut (0: not cut)
    double lpa = 0, lta = 0;
    if (seams.active()) {
        lpa = std::log10(y(1));
        lta = std::log10(y(2));
        const double f = seams.cut_fraction(lpa, lta, lpa + rln10 * h * dydx(1) / y(1),
                                            lta + rln10 * h * dydx(2) / y(2));
        if (f < 1) {
            hcut = h;
            h *= f;
        }
    }
    double errmax;
    for (;;) {
        rkck(y, dydx, x, h, ytemp, yerr, derivs);
        errmax = 0.0;
        for (int i = 1; i <= nvar; ++i) {
            const double e = std::fabs(yerr(i) / yscal(i));
            // A NaN error estimate must count as a failure, not be skipped.
            if (e > errmax || std::isnan(e)) errmax = e;
        }
        errmax /= eps;
        if (errmax <= 1.0) break;

        if (std::fabs(h / hmin) < 1.0) {
            // Already below the minimum step: take |hmin| without error control.
            h = detail::sign(hmin, h);
            while (x + h == x) h *= 10.0;
            x += h;
            hdid = h;
            hnext = safety * h * 1.148698354997035;  // 0.9 h 2^(1/5)
            y = ytemp;
            return;
        }
        if (seams.active() && hcut == 0) {
            // Failed across a seam the prediction missed: end the step just past it.
            const double f = seams.cut_fraction(lpa, lta, std::log10(ytemp(1)), std::log10(ytemp(2)));
            if (f < 1) {
                hcut = h;
                h *= f;
                continue;
            }
        }
        const double htemp = safety * h * std::pow(errmax, pshrnk);
        // fmax: a NaN proposal falls back on the tenfold reduction.
        h = detail::sign(std::fmax(std::fabs(htemp), 0.1 * std::fabs(h)), h);
        const double xnew = x + h;
        if (xnew == x) detail::rkqs_underflow(xnew, x, h, hmin);
    }
    if (errmax > errcon)
        hnext = safety * h * std::pow(errmax, pgrow);
    else
        hnext = 5.0 * h;
    // Beyond the seam the step that was cut is likely to pass again.
    if (std::fabs(hcut) > std::fabs(hnext)) hnext = hcut;
    hdid = h;
    x += h;
    y = ytemp;
}

/// rkqs_planete as a callable object, to hand to odeint_planete2, with the
/// seams of the table the right-hand side interpolates (none by default).
struct RkqsPlanete {
    TableSeams seams{};
    template <class Derivs>
    void operator()(State& y, const State& dydx, double& x, double htry, double eps, const State& yscal,
                    double& hdid, double& hnext, Derivs& derivs, double hmin) const {
        rkqs_planete(y, dydx, x, htry, eps, yscal, hdid, hnext, derivs, hmin, seams);
    }
};

/// Integrate the structure from x1 to x2 (radii, cm) starting from ystart.
///
/// The first step has the size |h1| and points from x1 towards x2. Before
/// each step the error scale is rebuilt as |y| + |h dy/dx| + 1e-30, the
/// luminosity's with a floor (the luminosity of a sphere of radius x1 at
/// 0.1 K) so that a vanishing luminosity does not demand absolute accuracy.
/// A point is recorded whenever the radius has moved by more than |dxsav|
/// since the last recorded one, at most 9999 of them, and the final point is
/// always recorded, so t holds at most 10000 points. The last step is cut to
/// end exactly at x2. Proposed steps smaller than |hmin| are raised to it.
///
/// Ends:
///  - x2 reached: ystart receives the final state (also the last point);
///  - the enclosed mass y(3) falls below mstop/2 by more than dmtol (the
///    trial radius was too small for the mass): the point reached is the
///    last recorded one and ystart keeps the starting state;
///  - the enclosed mass is no longer finite: as the previous case (the
///    recorded mass, NaN or infinite, tells the caller the trial failed).
/// Reaching the step limit stops the run.
template <class Derivs, class Stepper = RkqsPlanete>
OdeEnd odeint_planete2(State& ystart, double x1, double x2, const OdeintSettings& s, Trajectory& t,
                       Derivs&& derivs, Stepper&& rkqs = Stepper{}) {
    // Luminosity of a sphere of radius x1 radiating at 0.1 K (sigma T^4 with T^4 = 1e-4).
    const double lfloor = x1 * x1 * 12.566370616 * 5.67e-5 * 1.0000000000000002e-4;
    double x = x1;
    double h = detail::sign(s.h1, x2 - x1);
    // Minimum step pointing in the direction of integration.
    const double hmin_dir = detail::sign(s.hmin, x2 - x1);
    t.nok = t.nbad = t.kount = 0;
    t.x2 = x2;
    State y = ystart, dydx, yscal;
    double xsav = x - 2.0 * s.dxsav;
    double hdid = 0.0, hnext = 0.0;

    auto record = [&] {
        ++t.kount;
        t.xp(t.kount) = x;
        double* col = t.yp.column(t.kount);
        for (int i = 1; i <= nvar; ++i) col[i - 1] = y(i);
    };

    long nstp = 1;
    for (; nstp <= s.maxstp; ++nstp) {
        derivs(x, y, dydx);
        for (int i = 1; i <= nvar; ++i) yscal(i) = std::fabs(y(i)) + std::fabs(h * dydx(i)) + 1e-30;
        yscal(4) += lfloor;
        if (std::fabs(x - xsav) > std::fabs(s.dxsav) && t.kount < kmaxp - 1) {
            record();
            xsav = x;
        }
        if ((x + h - x2) * (x + h - x1) > 0.0) h = x2 - x;  // do not overshoot x2
        rkqs(y, dydx, x, h, s.eps, yscal, hdid, hnext, derivs, s.hmin);
        if (hdid == h)
            ++t.nok;
        else
            ++t.nbad;
        if ((x - x2) * (x2 - x1) >= 0.0) {
            ystart = y;
            record();
            return t.end = OdeEnd::reached_x2;
        }
        if (y(3) - 0.5 * s.mstop < -s.dmtol) {
            record();
            return t.end = OdeEnd::mass_exhausted;
        }
        if (!std::isfinite(y(3))) {
            record();
            return t.end = OdeEnd::nonfinite_mass;
        }
        h = std::fabs(hnext) < std::fabs(s.hmin) ? hmin_dir : hnext;
    }
    detail::odeint_maxstep(s.maxstp, nstp, t, x, x1, x2, h, y, s.mstop);
}

}  // namespace velkaro::structure
