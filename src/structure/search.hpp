// The search for the outer radius, shared by the three structure solvers.
//
// For a trial outer radius R a solver takes the surface state from its outer
// boundary, integrates the envelope inward to the core radius and returns the
// mismatch f(R) = (mass left at the core radius) - (core mass). Too small a
// planet has mass left over (f > 0), too large a one runs out of mass before
// the core (f < 0). The search
//   1. widens a bracket [R_low, R_high] about a centre radius until f changes
//      sign: R_low = c_low^k R_c, R_high = c_high^k R_c, k growing by a fixed
//      step; each end is kept once it has the right sign, and ends are
//      clamped to [R_min, R_max];
//   2. refines the root in the bracket, by Brent's method with a radius and a
//      mass tolerance or by plain bisection.
// The solvers differ in their boundary and luminosity profile (inside the
// mismatch callable), in the bracket policy and in the refinement; the loop
// itself is this one.
//
// Whatever the refinement, the structure that a solver keeps is the one of
// the last integration performed (the trajectory of the model's state): see
// store_last_integration.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "atmosphere/boundary.hpp"
#include "common/arrays.hpp"
#include "structure/model.hpp"
#include "structure/odeint.hpp"
#include "structure/rootfind.hpp"

namespace velkaro::structure {

/// Which point of the search a mismatch evaluation is for.
enum class Trial { Low, High, Mid };

/// What the bracket does when its upper end falls below its lower end
/// (possible only when R_max clamps the upper end below the lower one).
enum class Crossed {
    Fatal,      // stop the run: "Rsup<Rinf: should never occur"
    Reopen,     // write "Rsup<Rinf: should never occur", set R_high = 1.1 R_low and go on
    Unchecked,  // no test
};

struct BracketPolicy {
    double centre = 0;    // radius about which the bracket opens [cm]
    double clow = 0.99;   // lower end c_low^k centre
    double chigh = 1.02;  // upper end c_high^k centre
    int kstep = 5;        // growth of k after each unsuccessful widening
    Crossed crossed = Crossed::Unchecked;
    double Rmin = 0, Rmax = 0;  // limits of the ends [cm]
    /// A last lower limit (0: none), below Rmin and above the core radius.
    /// When the lower end sits on Rmin and the envelope still runs out of
    /// mass there (f <= 0: it is thinner than Rmin - Rcore), the search goes
    /// on down to Rfloor before it gives up. An envelope that has lost all
    /// but a trace of its gas is thinner than any fixed fraction of the core
    /// radius; a bracket found above Rmin is never affected.
    double Rfloor = 0;
    /// A narrow bracket to try first (used when guess_low < guess_high):
    /// the evolution solver predicts the new radius from the trend of the
    /// last step (see bracket_about_guess). When that finds no bracket, the
    /// widening about the centre starts as usual, from scratch.
    double guess_low = 0, guess_high = 0;
    /// A predicted root to refine by secant steps first (used when
    /// predicted > 0; see secant_about_prediction): the evolution solver
    /// extrapolates the radius of the last steps, the static solver the
    /// change of radius of its last search, and both know the slope of the
    /// mismatch from their last search. When the secant steps find no root,
    /// the search goes on by the refinement (Brent's method or bisection)
    /// in the bracket they found, or else by the bracket about the guess
    /// and the widening as usual.
    double predicted = 0;  // [cm]
    double slope = 0;      // df/dR near the root [g/cm]; 0: unknown
    double probe = 0;      // offset of the second trial when the slope is unknown [cm]
};

enum class Refinement { Brent, Bisection };

/// Tolerances of the refinement: Brent accepts a root when the bracket is
/// below tolx and |f| <= tolf; bisection when |dx| < tolx and |f| < tolf.
struct Tolerances {
    double tolx = 0;  // [cm]
    double tolf = 0;  // [g]
    /// The mismatch the envelope integration can resolve [g] (0: not used):
    /// accepted instead of tolf once the bracket has closed to rounding
    /// (see zbrent2tol_known_ends). See resolution_floor.
    double tolf_floor = 0;
};

/// The mass mismatch an envelope integration resolves [g]: the enclosed
/// mass is integrated to a relative accuracy of 1e-10 per step, over up to
/// a thousand steps, so the mismatch (mass left minus core mass) carries an
/// error of up to about 1e-7 of the total mass M. For a thin envelope the
/// refinement asks for 1e-8 M, below that.
inline double resolution_floor(double M) { return 1e-7 * M; }

/// The bracket as it stood when the search ended (or failed).
struct Bracket {
    double Rlow = 0, Rhigh = 0, flow = 0, fhigh = 0;
    int k = 1;
    int nlow_clamped = 0, nhigh_clamped = 0;
    double Rmin = 0;  // the lower limit in force (BracketPolicy::Rmin or Rfloor) [cm]
};

/// Where a bisection ended: the last midpoint (the root returned), its
/// mismatch, the last half-step and the end with f <= 0 that the halving
/// moved (which lags the midpoint when the last f was positive).
struct Bisection {
    double R = 0;     // last midpoint [cm]
    double f = 0;     // its mismatch [g]
    double dx = 0;    // last signed half-step [cm]
    double xneg = 0;  // end with f <= 0 [cm]
    int nsteps = 0;   // halvings taken
};

struct SearchResult {
    double R = 0;     // the root [cm]
    double slope = 0;  // df/dR between the first and the last trial [g/cm] (0: not known)
    int ntrials = 0;   // mismatch evaluations of this search
    Bracket bracket;  // the bracket that held it
    int nrefine = 0;  // Brent iterations, or bisection steps
    Bisection bisection;  // how the bisection ended (Refinement::Bisection only)
};

namespace detail {
[[noreturn]] void crossed_bracket();
void crossed_bracket_reopened(const Console& io);
[[noreturn]] void bisection_failed(const Trajectory& t);
}  // namespace detail

/// Bisection of a bracket whose ends have mismatches of opposite sign.
/// Starts at the end with f < 0 and halves the step towards the other end,
/// moving whenever f <= 0; converged when (|f| < tol.tolf or f = 0) and
/// |dx| < tol.tolx. Stops the run after 1000 halvings, reporting the step
/// counters of the last integration t.
template <class Mismatch>
Bisection bisect(const Trajectory& t, Mismatch& f, const Bracket& b, const Tolerances& tol) {
    constexpr int kMaxSteps = 1000;
    Bisection r;
    double x = b.flow < 0 ? b.Rlow : b.Rhigh;
    double dx = b.flow < 0 ? b.Rhigh - b.Rlow : b.Rlow - b.Rhigh;
    for (int i = 1; i <= kMaxSteps; ++i) {
        dx *= 0.5;
        const double Rmid = x + dx;
        const double fm = f(Rmid, Trial::Mid);
        if (fm <= 0) x = Rmid;
        // A step below rounding cannot move the root: the mismatch left is
        // the integration's own (see Tolerances::tolf_floor).
        const bool resolved = tol.tolf_floor > 0 && bracket_closed(Rmid, Rmid + dx) &&
                              std::fabs(fm) <= tol.tolf_floor;
        if (((std::fabs(fm) < tol.tolf || fm == 0) || resolved) && std::fabs(dx) < tol.tolx) {
            r.R = Rmid;
            r.f = fm;
            r.dx = dx;
            r.xneg = x;
            r.nsteps = i;
            return r;
        }
    }
    detail::bisection_failed(t);
}

/// Keep a trial as an end of the bracket on its side of the root (f > 0:
/// radius too small, the lower end; f < 0: too large, the upper end), the
/// closest to the root on each side winning.
inline void keep_as_end(Bracket& b, bool& have_low, bool& have_high, double R, double f) {
    if (f > 0 && (!have_low || R > b.Rlow)) {
        b.Rlow = R;
        b.flow = f;
        have_low = true;
    }
    if (f < 0 && (!have_high || R < b.Rhigh)) {
        b.Rhigh = R;
        b.fhigh = f;
        have_high = true;
    }
}

/// The predicted bracket: its ends, and, when they do not hold the root,
/// up to two more pairs eight and sixty-four times as wide about the same
/// centre. Every trial is kept as an end on its side of the root (f > 0:
/// radius too small, f < 0: too large), the closest on each side winning, so
/// a trial that missed still narrows the bracket. Returns true with b set to
/// a bracket (f(Rlow) > 0 > f(Rhigh), Rlow < Rhigh) inside the limits.
template <class Mismatch>
bool bracket_about_guess(const BracketPolicy& p, Mismatch& f, Bracket& b) {
    const double centre = 0.5 * (p.guess_low + p.guess_high);
    double half = 0.5 * (p.guess_high - p.guess_low);
    bool have_low = false, have_high = false;
    auto keep = [&](double R, double fr) { keep_as_end(b, have_low, have_high, R, fr); };
    for (int widening = 0; widening < 3; ++widening, half *= 8) {
        const double lo = std::max(centre - half, p.Rmin), hi = std::min(centre + half, p.Rmax);
        if (!(lo < hi)) return false;
        if (!have_low) keep(lo, f(lo, Trial::Low));
        if (!have_high) keep(hi, f(hi, Trial::High));
        if (have_low && have_high) return b.Rlow < b.Rhigh;
    }
    return false;
}

/// How the secant refinement of a predicted root ended.
enum class SecantEnd { converged, bracketed, lost };

/// Secant refinement of the predicted root p.predicted, with the acceptance
/// test of zbrent2tol: two trials of opposite sign at most tolx apart, the
/// last of them with |f| <= tolf (or f = 0); that last trial is the root
/// returned in R, so the structure kept (that of the last integration) is
/// the one at the root.
///
/// Each step goes to the root of the straight line through the last two
/// trials (the first from the slope of the last search, or from a probe at
/// p.probe when it is unknown). Once a trial of one sign lies within tolx of
/// that estimate, the next goes just past the estimate (by half the radius
/// in which |f| <= tolf, at most a quarter of tolx) so that the two
/// straddle the root. Safety: every trial is kept as an end of a bracket on
/// its side (f > 0: radius too small; f < 0: too large), and a step that
/// would leave the bracket, or a slope of the wrong sign, is replaced by a
/// bisection. After kMaxTrials trials without convergence the search
/// returns the bracket it has (bracketed) for Brent's method, or lost when
/// it has none. The acceptance test is Brent's, so the root found is within
/// the same tolerances; only the order of the trials differs.
template <class Mismatch>
SecantEnd secant_about_prediction(const BracketPolicy& p, Mismatch& f, const Tolerances& tol, Bracket& b,
                                  double& R, int& iterations) {
    constexpr int kMaxTrials = 8;
    bool have_low = false, have_high = false;
    double Rlast = 0, flast = 0, Rprev = 0, fprev = 0;
    bool have_prev = false;
    int same_side = 0;  // trials in a row on one side with the other end known
    double s = p.slope;
    auto clamp = [&](double r) { return std::min(std::max(r, p.Rmin), p.Rmax); };
    auto trial = [&](double r) {
        const double fr = f(r, Trial::Mid);
        if (have_prev || Rlast != 0) {
            Rprev = Rlast;
            fprev = flast;
            have_prev = true;
        }
        Rlast = r;
        flast = fr;
        keep_as_end(b, have_low, have_high, r, fr);
    };
    trial(clamp(p.predicted));
    for (int n = 1;; ++n) {
        if (!std::isfinite(flast)) return SecantEnd::lost;
        if (flast == 0) {
            // An exact root, accepted as Brent's method accepts f(b) = 0.
            b.Rlow = b.Rhigh = R = Rlast;
            b.flow = b.fhigh = 0;
            iterations = n - 1;
            return SecantEnd::converged;
        }
        // Brent's acceptance: opposite signs within tolx, the last trial an end with |f| <= tolf.
        if (have_low && have_high && b.Rhigh - b.Rlow <= tol.tolx && (Rlast == b.Rlow || Rlast == b.Rhigh) &&
            std::fabs(flast) <= tol.tolf) {
            R = Rlast;
            iterations = n - 1;
            return SecantEnd::converged;
        }
        if (n >= kMaxTrials) break;
        // Slope: the secant through the last two trials when they are apart
        // and straddle the root. When they lie on one side and a trial on
        // the other side is known, through the last trial and that end (a
        // curved mismatch makes secants from one side crawl towards the
        // root), its mismatch halved each further time it is used in a row
        // so that an end that stays put does not hold the steps back
        // (the Illinois variant of regula falsi).
        const bool one_side = have_prev && (flast > 0) == (fprev > 0);
        const bool other_end = flast > 0 ? have_high : have_low;
        same_side = one_side && other_end ? same_side + 1 : 0;
        if (same_side > 0) {
            const double Re = flast > 0 ? b.Rhigh : b.Rlow;
            const double fe = std::ldexp(flast > 0 ? b.fhigh : b.flow, 1 - same_side);
            const double sec = (flast - fe) / (Rlast - Re);
            if (std::isfinite(sec) && sec < 0) s = sec;
        } else if (have_prev && Rlast != Rprev) {
            const double sec = (flast - fprev) / (Rlast - Rprev);
            if (std::isfinite(sec) && sec < 0) s = sec;
        }
        double next;
        if (!(s < 0)) {
            // No usable slope yet: probe beside the prediction.
            if (have_prev || !(p.probe > 0)) break;
            next = flast > 0 ? Rlast + p.probe : Rlast - p.probe;
        } else {
            const double est = Rlast - flast / s;
            // A seventh of the radius within which |f| <= tolf (at most tolx/4):
            // past the root by so little that the root returned is about
            // as close as Brent's usually is (|f| ~ tolf/7), by enough
            // that the integration's own noise (about tolf/10) rarely
            // hides the crossing.
            const double delta = std::min(tol.tolf / (7.0 * std::fabs(s)), 0.25 * tol.tolx);
            // The nearest trial to the estimate on each side.
            const bool near_low = have_low && est - b.Rlow >= 0 && est - b.Rlow < tol.tolx - delta;
            const bool near_high = have_high && b.Rhigh - est >= 0 && b.Rhigh - est < tol.tolx - delta;
            if (near_low && (!near_high || est - b.Rlow <= b.Rhigh - est))
                next = est + delta;  // past the root, away from the positive end
            else if (near_high)
                next = est - delta;
            else
                next = est;
        }
        next = clamp(next);
        // Keep inside the bracket; a step that leaves it, or lands on an end, bisects.
        const double lo = have_low ? b.Rlow : p.Rmin, hi = have_high ? b.Rhigh : p.Rmax;
        if (!(next > lo && next < hi)) {
            if (!(have_low && have_high)) break;
            next = 0.5 * (b.Rlow + b.Rhigh);
        }
        if (next == Rlast) break;
        trial(next);
    }
    iterations = kMaxTrials;
    return have_low && have_high && b.Rlow < b.Rhigh ? SecantEnd::bracketed : SecantEnd::lost;
}

/// Find the outer radius: widen the bracket by `policy`, then refine by
/// `refinement`. f(R, Trial) is the mismatch [g]; on_failure(const Bracket&)
/// is called (and must not return) when an end reaches its limit without a
/// bracket. The model's console and counters receive the search's report.
template <class Mismatch, class Failure>
SearchResult find_outer_radius(const EnvelopeModel& m, const BracketPolicy& policy, Refinement refinement,
                               const Tolerances& tol, Mismatch&& fcaller, Failure&& on_failure) {
    // The first and the last trial, for the slope handed to the next search.
    SearchResult res;
    double Rfirst = 0, ffirst = 0, Rend = 0, fend = 0;
    auto f = [&](double r, Trial t) {
        const double fr = fcaller(r, t);
        if (res.ntrials++ == 0) {
            Rfirst = r;
            ffirst = fr;
        }
        Rend = r;
        fend = fr;
        return fr;
    };
    auto slope = [&] {
        const double sl = (fend - ffirst) / (Rend - Rfirst);
        return Rend != Rfirst && std::isfinite(sl) && sl < 0 ? sl : 0.0;
    };
    Bracket b;
    b.Rmin = policy.Rmin;
    bool low_found = false, high_found = false;
    bool bracketed = false;
    if (policy.predicted > 0) {
        double R = 0;
        int iterations = 0;
        const SecantEnd end = secant_about_prediction(policy, f, tol, b, R, iterations);
        if (end == SecantEnd::converged) {
            if (refinement == Refinement::Brent) {
                detail::zbrent_converged(m.search_log(), iterations, R, 0.5 * (b.Rhigh - b.Rlow), fend, tol.tolx,
                                         tol.tolf);
            } else {
                // Reported as a bisection would: the root, its mismatch, the
                // interval that held it (from the end with f < 0 towards the
                // other) and that end.
                const bool neg = fend <= 0;
                res.bisection = Bisection{R, fend, neg ? b.Rlow - b.Rhigh : b.Rhigh - b.Rlow, neg ? R : b.Rhigh,
                                          iterations};
                res.nrefine = iterations;
            }
            res.R = R;
            res.bracket = b;
            res.slope = slope();
            return res;
        }
        if (end == SecantEnd::bracketed) {
            bracketed = true;
        } else {
            b = Bracket{};
            b.Rmin = policy.Rmin;
        }
    }
    if (!bracketed && policy.guess_low < policy.guess_high) bracketed = bracket_about_guess(policy, f, b);
    while (!bracketed) {
        if (!low_found) b.Rlow = std::pow(policy.clow, b.k) * policy.centre;
        if (!high_found) b.Rhigh = std::pow(policy.chigh, b.k) * policy.centre;
        if (b.Rlow < b.Rmin) {
            b.Rlow = b.Rmin;
            ++b.nlow_clamped;
        }
        if (b.Rhigh > policy.Rmax) {
            b.Rhigh = policy.Rmax;
            ++b.nhigh_clamped;
        }
        if (b.Rhigh < b.Rlow) {
            if (policy.crossed == Crossed::Fatal) detail::crossed_bracket();
            if (policy.crossed == Crossed::Reopen) {
                detail::crossed_bracket_reopened(m.io);
                b.Rhigh = 1.1 * b.Rlow;
            }
        }
        if (!low_found) {
            b.flow = f(b.Rlow, Trial::Low);
            low_found = b.flow > 0;
        }
        if (!high_found) {
            b.fhigh = f(b.Rhigh, Trial::High);
            high_found = b.fhigh < 0;
        }
        if (b.flow * b.fhigh < 0) break;
        b.k += policy.kstep;
        if (b.Rlow == b.Rmin && !low_found && policy.Rfloor > 0 && policy.Rfloor < b.Rmin) {
            b.Rmin = policy.Rfloor;  // the envelope is thinner than Rmin allows: look closer to the core
            continue;
        }
        if (b.Rlow == b.Rmin || b.Rhigh == policy.Rmax) on_failure(b);
    }

    res.bracket = b;
    if (refinement == Refinement::Brent) {
        // The ends' mismatches are known from the bracketing: not integrated again.
        res.R = zbrent2tol_known_ends(
            m.search_log(), [&](double r) { return f(r, Trial::Mid); }, b.Rlow, b.Rhigh, b.flow, b.fhigh, tol.tolx, tol.tolf,
            tol.tolf_floor);
        res.nrefine = 0;
        // Brent's method returns its best end, which is not always the last
        // trial (after a trial that landed farther from the root than the
        // one before). The structure a solver keeps is that of the last
        // integration, so the root is then integrated once more: otherwise
        // the structure kept would be a trial's with a mismatch up to
        // hundreds of times the mass tolerance.
        if (Rend != res.R) f(res.R, Trial::Mid);
    } else {
        res.bisection = bisect(m.state.traj, f, b, tol);
        res.R = res.bisection.R;
        res.nrefine = res.bisection.nsteps;
    }
    res.slope = slope();
    return res;
}

/// The cell seams of the EOS tables (none while no table is loaded): the
/// evaluation interpolates bicubically in cells of the (log P, log T) grid.
TableSeams eos_seams(const eos::EosContext& eos);

/// Mass left at the core radius minus the core mass [g] after integrating
/// the envelope inward from the boundary state `out` at radius R to Rcore
/// (total mass M, helium fraction Y, luminosity profile prof). The
/// trajectory is recorded in m.state.traj.
double integrate_envelope(const EnvelopeModel& m, double R, double Rcore, double M, double Mcore, double Y,
                          const atmosphere::OuterBoundary& out, const OdeintSettings& set,
                          const LuminosityProfile& prof);

/// The same with a constant luminosity out.L through the envelope (a flat
/// two-point profile at the total mass), as every solver but the static
/// one with a previous profile uses.
double integrate_envelope_flat(const EnvelopeModel& m, double R, double Rcore, double M, double Mcore, double Y,
                               const atmosphere::OuterBoundary& out, const OdeintSettings& set);

/// The mismatch a search steers by, for an integration t whose mismatch
/// (mass left minus core mass) is diff [g]. When the envelope ran out of
/// mass above the core (the trial radius is too large), diff is only about
/// -Mcore/2, whatever the radius: the integration stops there. The mass the
/// envelope lacks down to the core radius is then estimated by going on at
/// the density of the last recorded points, so that the mismatch keeps
/// falling with the radius as it does where the integration reaches the
/// core. Same sign as diff, and never within a mass tolerance of zero.
double mismatch_to_core(const Trajectory& t, double diff);

/// What a solver reports when its bracket reached a limit without a root.
struct BracketFailure {
    double M = 0, Mcore = 0;  // total and core mass [g]
    double a = 0;             // orbital distance [cm]
    const atmosphere::OuterBoundary* out = nullptr;  // boundary of the last trial
    bool imposed = false;     // the solver imposes a luminosity L, printed first
    double L = 0;             // [erg/s]
    bool with_age = false;    // the age follows the orbit
    double age = 0;           // [s]
    std::string last;         // the closing "PROBLEME : ..." line
};

/// Stop the run with the bracketing-failure report (t: the last integration).
[[noreturn]] void bracket_failure(const Trajectory& t, const Bracket& b, const BracketPolicy& p,
                                  const BracketFailure& r);

/// The integration settings of a search: relative tolerance 1e-10, first
/// step -7140 cm, minimum step hmin [cm], points recorded every 1e-5 core
/// radii, early stop at the core mass within 1e-9 of the envelope mass.
OdeintSettings search_settings(double Rcore, double M, double Mcore, double hmin);

/// Tolerance factor of the refinement: 1e-8 for envelopes below 0.1 Earth
/// mass, else 1e-6 (of the core radius and of the total mass).
double tolerance_factor(double M, double Mcore);

/// One row of the trial table: label, R in Jupiter radii (width wR, dR
/// significant digits), then mismatch in Earth masses, boundary P, T and L
/// in Jupiter luminosities, step counters, recorded points, log g and the
/// effective temperature (width 13, d significant digits).
void trial_row(const EnvelopeModel& m, const char* label, double R, int wR, int dR, int d, double diff, double M,
               const atmosphere::OuterBoundary& out);

/// Copy the last integration into the shells: the last recorded mass is set
/// to Mcore exactly, and points are stored core first (masse(i), x(., i) =
/// r, L, P, T, tau of recorded point n + 1 - i); nf = number of points.
/// The last recorded mass of t becomes Mcore too.
void store_last_integration(Trajectory& t, double Mcore, int& nf, Vec1<double>& masse, Mat1<double>& x);

/// The summary block after a search: heading ("SBR ITERATER"), what was
/// found, then masses, radii, luminosities, pressures, temperatures and
/// optical depths at the core and at the top.
void structure_summary(const EnvelopeModel& m, const char* heading, const char* found, int nf, const Vec1<double>& masse,
                       const Mat1<double>& x);

}  // namespace velkaro::structure
