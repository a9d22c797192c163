#include "atmosphere/irradiated.hpp"

#include <algorithm>
#include <cmath>

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "eos/eos.hpp"
#include "opacity/opacity.hpp"

namespace velkaro::atmosphere {
namespace {

constexpr double kSqrt3 = 1.7320508075688772;
constexpr double kTwoThirds = 2.0 / 3.0;
constexpr double kOneBar = 1e6;  // dyn cm^-2

}  // namespace

double guillot_t4(double tau, double tint, double teq, double gamma) {
    const double ti4 = (tint * tint) * (tint * tint);
    const double te4 = (teq * teq) * (teq * teq);
    const double gs = gamma * kSqrt3;
    return 0.75 * ti4 * (kTwoThirds + tau) +
           0.75 * te4 * (kTwoThirds + 1.0 / gs + (gamma / kSqrt3 - 1.0 / gs) * std::exp(-gs * tau));
}

double guillot_dt4_dtau(double tau, double tint, double teq, double gamma) {
    const double ti4 = (tint * tint) * (tint * tint);
    const double te4 = (teq * teq) * (teq * teq);
    return 0.75 * (ti4 + te4 * (1.0 - gamma * gamma) * std::exp(-kSqrt3 * gamma * tau));
}

double guillot_temperature(double tau, double tint, double teq, double gamma) {
    return std::pow(guillot_t4(tau, tint, teq, gamma), 0.25);
}

IrradiatedColumn irradiated_column(const eos::EosContext& ec, const opacity::OpacityLaw& opa, double g, double tint, double teq, double gamma, double Y,
                                   double p_boundary, double p_max, const IrradiatedSettings& set) {
    p_max = std::min(std::max(p_max, p_boundary), set.p_deep);
    if (!(g > 0) || !(tint >= 0) || !(teq >= 0) || !(gamma > 0) || !(p_boundary > set.p_top) ||
        !(set.p_deep >= p_boundary))
        fatal({"PROBLEME : irradiated atmosphere: needs g > 0, Tint >= 0, Teq >= 0, kv2kth > 0 and "
               "p_top < Pboundary <= p_deep",
               fmt::free("g, Tint, Teq, kv2kth, Pboundary", g, tint, teq, gamma, p_boundary)});

    struct State {
        double tau, lnt, w;
    };
    struct Slope {
        double tau, lnt, w;
        double crit;  // profile gradient minus adiabatic gradient (> 0: convective); -1 above tau_convection
    };
    auto rhs = [&](double x, const State& y) {
        const double p = std::exp(x), t = std::exp(y.lnt);
        // The envelope equations' evaluation (the run's cells blended in Y;
        // log10 rho and ln T handed to the opacity): the values of the
        // general one to rounding.
        const eos::EnvelopeGas e = eos::eosfast_envelope(ec, Y, p, t);
        const double kappa = opacity::opacites_lr(opa, e.rho, e.lrho, t, e.lnt);
        const double dtau = p * kappa / g;
        const double t4 = (t * t) * (t * t);
        const double nabla = dtau * guillot_dt4_dtau(y.tau, tint, teq, gamma) / (4.0 * t4);
        const double nabla_ad = (p / t) * e.dtdp;
        Slope s{dtau, nabla, p / e.rho, y.tau < set.tau_convection ? -1.0 : nabla - nabla_ad};
        if (s.crit > 0) s.lnt = nabla_ad;
        return s;
    };
    auto add = [](const State& y, const Slope& k, double h) {
        return State{y.tau + h * k.tau, y.lnt + h * k.lnt, y.w + h * k.w};
    };

    const double x0 = std::log(set.p_top), x1 = std::log(set.p_deep);
    const int nstep = static_cast<int>(std::ceil((x1 - x0) / (set.dlogp * std::log(10.0)) - 1e-9));
    const double h = (x1 - x0) / nstep;

    // Above p_top: an isothermal layer of uniform opacity, tau = P kappa / g.
    State y{0.0, std::log(guillot_temperature(0.0, tint, teq, gamma)), 0.0};
    {
        const Slope k = rhs(x0, y);
        y.tau = k.tau;  // P kappa / g at the top
        y.lnt = std::log(guillot_temperature(y.tau, tint, teq, gamma));
    }
    IrradiatedColumn c;
    const auto level = [](double x, const State& s) {
        return AtmosphereLevel{std::exp(x), std::exp(s.lnt), s.tau, s.w, true};
    };
    const auto between = [&](double xa, const State& a, double xb, const State& b, double u) {
        const double x = xa + u * (xb - xa);
        const State s{a.tau + u * (b.tau - a.tau), a.lnt + u * (b.lnt - a.lnt), a.w + u * (b.w - a.w)};
        return level(x, s);
    };
    if (y.tau >= kTwoThirds) c.photosphere = level(x0, y);
    if (set.p_top >= kOneBar) c.one_bar = level(x0, y);
    const double xbar = std::log(kOneBar), xb = std::log(p_boundary), xmax = std::log(p_max);
    AtmosphereLevel at_boundary, at_max, rcb;  // at p_boundary, at p_max; top of the current convective layer

    double x = x0;
    Slope k1 = rhs(x, y);
    bool conv = k1.crit > 0;
    if (conv) rcb = level(x0, y);
    for (int i = 1; i <= nstep; ++i) {
        const double xn = (i == nstep) ? x1 : x0 + i * h;
        const double hh = xn - x;
        const Slope k2 = rhs(x + 0.5 * hh, add(y, k1, 0.5 * hh));
        const Slope k3 = rhs(x + 0.5 * hh, add(y, k2, 0.5 * hh));
        const Slope k4 = rhs(xn, add(y, k3, hh));
        const State yn{y.tau + hh / 6.0 * (k1.tau + 2 * k2.tau + 2 * k3.tau + k4.tau),
                       y.lnt + hh / 6.0 * (k1.lnt + 2 * k2.lnt + 2 * k3.lnt + k4.lnt),
                       y.w + hh / 6.0 * (k1.w + 2 * k2.w + 2 * k3.w + k4.w)};
        const Slope kn = rhs(xn, yn);
        if (!std::isfinite(yn.lnt) || !std::isfinite(yn.tau) || !std::isfinite(yn.w))
            fatal({"PROBLEME : irradiated atmosphere: the profile is not a number at P/bar = " +
                       fmt::free(std::exp(xn) / kOneBar),
                   fmt::free("g, Tint, Teq, kv2kth", g, tint, teq, gamma)});
        if (!c.photosphere.found && y.tau < kTwoThirds && yn.tau >= kTwoThirds)
            c.photosphere = between(x, y, xn, yn, (kTwoThirds - y.tau) / (yn.tau - y.tau));
        if (!c.one_bar.found && x < xbar && xn >= xbar) c.one_bar = between(x, y, xn, yn, (xbar - x) / hh);
        if (!at_boundary.found && x < xb && xn >= xb) {
            at_boundary = between(x, y, xn, yn, (xb - x) / hh);
            at_boundary.P = p_boundary;  // exactly, not exp(log(p))
        }
        if (!at_max.found && x < xmax && xn >= xmax) {
            at_max = between(x, y, xn, yn, (xmax - x) / hh);
            at_max.P = p_max;
        }
        const bool convn = kn.crit > 0;
        if (convn && !conv) {
            // Top of a convective layer: where the criterion crosses zero
            // (linearly between the nodes, so that it moves continuously
            // with g and Tint; above tau_convection it is the node itself).
            const double u = k1.crit > -1.0 ? k1.crit / (k1.crit - kn.crit) : 1.0;
            rcb = between(x, y, xn, yn, u);
        }
        x = xn;
        y = yn;
        k1 = kn;
        conv = convn;
        if (set.boundary_only && at_max.found) {
            c.boundary = at_max;
            return c;
        }
    }
    c.convective = conv;
    c.hundred_bar = at_boundary;
    if (!at_max.found) at_max = level(x1, y);  // p_max = p_deep
    if (conv) c.p_rcb = rcb.P;
    // The boundary is at p_max, whatever the gas does there or above: a
    // pressure that moves smoothly with the planet's mass and radius, with
    // the column's own temperature and optical depth. Every level of the
    // column changes continuously with g and Tint, and so does the state
    // the envelope starts from, also where a convective layer of the column
    // appears, vanishes or detaches from 100 bar. (A boundary placed at the
    // top of a convective layer jumps by a layer's thickness when the layer
    // opens or closes, and the envelope's own integration of the gas in
    // between does not reproduce the column's: the mass mismatch of the
    // structure searches jumped by Earth masses and the searches stalled.)
    c.boundary = at_max;
    return c;
}

double level_radius(const IrradiatedColumn& c, const AtmosphereLevel& l, double R, double M) {
    if (!l.found) return 0;
    const double inv = 1.0 / R - (c.boundary.w - l.w) / (cst::G * M);
    // A level so high that the atmosphere would be unbound has no radius.
    return inv > 0 ? 1.0 / inv : 0;
}

}  // namespace velkaro::atmosphere
