#include "atmosphere/grey_atmosphere.hpp"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "atmosphere/classify.hpp"
#include "eos/eos.hpp"
#include "opacity/opacity.hpp"

namespace velkaro::atmosphere {

double eddington_temperature(double teff, double tau) {
    return teff * std::pow(0.75 * (tau + 2.0 / 3.0), 0.25);
}

// The EOS tables and the opacity settings as a run would hold them.
struct GreyAtmosphere::Impl {
    eos::EosContext eos;
    OpacityModule opacity;
    CommonModule common;
    opacity::OpacityContext gas;
    opacity::OpacityLaw law() { return {opacity, common, gas}; }
};

GreyAtmosphere::GreyAtmosphere(std::shared_ptr<const eos::EosTables> tables, const GreySettings& settings)
    : impl_(std::make_unique<Impl>()), set_(settings) {
    if (!tables) throw std::invalid_argument("grey atmosphere: no EOS tables");
    if (!(set_.p_top > 0) || !(set_.p_bottom > set_.p_top) || !(set_.dlogp > 0))
        throw std::invalid_argument("grey atmosphere: need 0 < p_top < p_bottom and a positive step");
    Impl& c = *impl_;
    c.eos.tables = std::move(tables);
    c.common.redopagrains = set_.redopagrains;
    c.common.f_opacite = set_.f_opacite;
    c.opacity.metallicity = set_.metallicity;
    c.opacity.opacityscale = set_.opacityscale;
}

GreyAtmosphere::~GreyAtmosphere() = default;

double GreyAtmosphere::entropy(double p, double t) {
    eos::EosOut e;
    eos::eos(impl_->eos, 0.0, set_.Y, p, t, e);
    return entropy_kB_per_mH(e.s + proton_spin_entropy(set_.Y));
}

double GreyAtmosphere::kappa(double p, double t) {
    eos::EosOut e;
    eos::eosfast(impl_->eos, 0.0, set_.Y, p, t, e);
    return opacity::opacites(impl_->law(), e.rho, t);
}

bool GreyAtmosphere::convrad_says_convective(double g, double teff, double p, double t) {
    // A plane-parallel layer seen as a thin shell of nominal radius R: the
    // test depends only on L / m = 4 pi R^2 sigma Teff^4 / (g R^2 / G).
    constexpr double R = 1e10;
    const double m = g * R * R / cst::G;
    const double L = cst::fourpi * R * R * cst::sigmaSB * teff * teff * teff * teff;
    return convrad(impl_->eos, impl_->law(), p, t, L, m, set_.Y, 0.0) == 'C';
}

GreyAtmosphere::Gradients GreyAtmosphere::gradients(double g, double teff, double p, double t) {
    eos::EosOut e;
    eos::eosfast(impl_->eos, 0.0, set_.Y, p, t, e);
    Gradients r;
    r.kappa = opacity::opacites(impl_->law(), e.rho, t);
    const double t2 = t * t;
    r.rad = 0.1875 * r.kappa * p * (teff * teff) * (teff * teff) / (g * t2 * t2);  // 3 kappa P Teff^4 / (16 g T^4)
    r.ad = (p / t) * e.dtdp;
    return r;
}

GreyResult GreyAtmosphere::solve(double g, double teff) {
    if (!(g > 0) || !(teff > 0)) throw std::invalid_argument("grey atmosphere: g and Teff must be positive");

    // State (tau, ln T) against x = ln P:
    //   dtau/dx = P kappa / g,   dlnT/dx = min(nabla_rad, nabla_ad).
    // Where the gas is radiative this keeps T^4 - 3/4 Teff^4 tau constant,
    // i.e. it is the Eddington relation; where it is convective T follows
    // the adiabat.
    struct Y2 {
        double tau, lnt;
    };
    auto rhs = [&](double x, const Y2& y) {
        const double p = std::exp(x);
        const Gradients gr = gradients(g, teff, p, std::exp(y.lnt));
        return Y2{p * gr.kappa / g, y.tau < set_.tau_convection ? gr.rad : std::min(gr.rad, gr.ad)};
    };
    auto rk4 = [&](double x, const Y2& y, double h) {
        const Y2 k1 = rhs(x, y);
        const Y2 k2 = rhs(x + 0.5 * h, Y2{y.tau + 0.5 * h * k1.tau, y.lnt + 0.5 * h * k1.lnt});
        const Y2 k3 = rhs(x + 0.5 * h, Y2{y.tau + 0.5 * h * k2.tau, y.lnt + 0.5 * h * k2.lnt});
        const Y2 k4 = rhs(x + h, Y2{y.tau + h * k3.tau, y.lnt + h * k3.lnt});
        return Y2{y.tau + h / 6.0 * (k1.tau + 2 * k2.tau + 2 * k3.tau + k4.tau),
                  y.lnt + h / 6.0 * (k1.lnt + 2 * k2.lnt + 2 * k3.lnt + k4.lnt)};
    };
    auto conv_at = [&](double x, const Y2& y) {
        if (y.tau < set_.tau_convection) return false;
        const Gradients gr = gradients(g, teff, std::exp(x), std::exp(y.lnt));
        return gr.rad > gr.ad;
    };

    const double x0 = std::log(set_.p_top), x1 = std::log(set_.p_bottom);
    const int nstep = static_cast<int>(std::ceil((x1 - x0) / (set_.dlogp * std::log(10.0)) - 1e-9));
    const double h = (x1 - x0) / nstep;

    // Above p_top the layer is taken as isothermal at the surface temperature
    // and of uniform opacity: tau = P kappa / g.
    const double t0 = eddington_temperature(teff, 0.0);
    const double tau0 = set_.p_top * kappa(set_.p_top, t0) / g;
    Y2 y{tau0, std::log(eddington_temperature(teff, tau0))};
    double x = x0;
    bool conv = conv_at(x, y);

    GreyResult r;
    r.zones = conv ? 1 : 0;
    bool have_rad = !conv;  // a radiative node above the current convective stretch
    double xr = x;
    Y2 yr = y;
    for (int i = 1; i <= nstep; ++i) {
        const double xn = (i == nstep) ? x1 : x0 + i * h;
        const Y2 yn = rk4(x, y, xn - x);
        const bool convn = conv_at(xn, yn);
        if (!convn) {
            have_rad = true;
            xr = xn;
            yr = yn;
        } else if (!conv) {
            ++r.zones;
        }
        x = xn;
        y = yn;
        conv = convn;
    }

    double xs = x;
    Y2 ys = y;
    r.convective = conv;  // else: still radiative at p_bottom, S taken there
    if (conv && have_rad) {
        // The top of the last convective stretch lies within one step below
        // the last radiative node; bisect, integrating from that node.
        double a = 0, b = std::min(h, x1 - xr);
        for (int it = 0; it < 40 && b - a > 1e-7; ++it) {
            const double c = 0.5 * (a + b);
            if (conv_at(xr + c, rk4(xr, yr, c)))
                b = c;
            else
                a = c;
        }
        xs = xr + b;
        ys = rk4(xr, yr, b);
    } else if (conv) {
        xs = x0;  // convective from the top: the adiabat of the top layer
        ys = Y2{tau0, std::log(eddington_temperature(teff, tau0))};
    }
    r.p_rcb = std::exp(xs);
    r.t_rcb = std::exp(ys.lnt);
    // Follow the adiabat from the boundary down to p_record (when that is
    // deeper) and take the entropy there; see GreySettings::p_record.
    const double xrec = std::log(std::min(set_.p_record, set_.p_bottom));
    if (r.convective && xrec > xs) {
        const int n = static_cast<int>(std::ceil((xrec - xs) / h));
        const double hh = (xrec - xs) / n;
        for (int i = 0; i < n; ++i) ys = rk4(xs + i * hh, ys, hh);
        xs = xrec;
    }
    r.p = std::exp(xs);
    r.tau = ys.tau;
    r.t = std::exp(ys.lnt);
    r.s = entropy(r.p, r.t);
    return r;
}

double GridSpan::g(int i) const {
    return std::pow(10.0, logg_min + (logg_max - logg_min) * (i - 1) / (ngrav - 1));
}

double GridSpan::teff(int j) const {
    const double a = std::log10(teff_min), b = std::log10(teff_max);
    return std::pow(10.0, a + (b - a) * (j - 1) / (nteff - 1));
}

std::string grid_line(double g, double teff, double s) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.12e %.12e %.6f\n", g, teff, s);
    return buf;
}

std::string atmos_grid_text(GreyAtmosphere& atm, const GridSpan& span, int* radiative_points) {
    std::string body;
    body.reserve(static_cast<std::size_t>(span.ngrav * span.nteff) * 48);
    int nrad = 0;
    for (int i = 1; i <= span.ngrav; ++i)
        for (int j = 1; j <= span.nteff; ++j) {
            const GreyResult r = atm.solve(span.g(i), span.teff(j));
            if (!std::isfinite(r.s))
                throw std::runtime_error("grey atmosphere: entropy not finite at g = " + std::to_string(span.g(i)) +
                                         ", Teff = " + std::to_string(span.teff(j)));
            if (!r.convective) ++nrad;
            body += grid_line(span.g(i), span.teff(j), r.s);
        }
    if (radiative_points) *radiative_points = nrad;
    const GreySettings& s = atm.settings();
    char head[320];
    std::snprintf(head, sizeof head,
                  "g[cm/s2] Teff[K] S[kB/mH] | grey Eddington atmospheres; S of the adiabat below the RCB, taken at "
                  "%.0e dyn/cm2 (or the RCB if deeper); Y=%.2f, [M/H]=%.1f, f_opacite=%.0e, opacityscale=%.2f; "
                  "%d of %d points radiative at %.0e dyn/cm2, S taken there\n",
                  s.p_record, s.Y, s.metallicity, s.redopagrains ? s.f_opacite : 1.0, s.opacityscale, nrad,
                  span.ngrav * span.nteff, s.p_bottom);
    return head + body;
}

}  // namespace velkaro::atmosphere
