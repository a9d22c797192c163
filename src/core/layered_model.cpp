// Hydrostatic structure of a cold layered core; see layered_model.hpp.
#include "core/layered_model.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace velkaro::core::layered {

double Polytrope::density(double P) const {
    // P [dyn cm^-2] / 10 = P [Pa]; kg m^-3 / 1000 = g cm^-3.
    const double pPa = P > 0.0 ? 0.1 * P : 0.0;
    return (rho0 + c * std::pow(pPa, n)) * 1e-3;
}

namespace {

constexpr double kPi = 3.14159265358979323846;

// The structure is integrated in the mass coordinate x = (m/M)^(1/3), in
// which radius and pressure are smooth functions down to the centre
// (r ~ x, P ~ Pc - k x^2), with
//     dr/dx = 3 M x^2 / (4 pi r^2 rho),     dP/dx = -3 G M^2 x^5 / (4 pi r^4).
struct Rhs {
    double M, G;
    const Polytrope* mat;
    void operator()(double x, double r, double P, double& drdx, double& dPdx) const {
        const double rho = mat->density(P);
        if (r <= 0.0) {
            // Centre: r = x (3M / (4 pi rho))^(1/3), the pressure is flat.
            drdx = std::cbrt(3.0 * M / (4.0 * kPi * rho));
            dPdx = 0.0;
            return;
        }
        const double x2 = x * x, r2 = r * r;
        drdx = 3.0 * M * x2 / (4.0 * kPi * r2 * rho);
        dPdx = -3.0 * G * M * M * x2 * x2 * x / (4.0 * kPi * r2 * r2);
    }
};

}  // namespace

SurfaceState integrate_outward(double M, double fice, double Pc, const ModelSettings& set) {
    const double frock = 1.0 - fice;
    // Layer tops in x = (m/M)^(1/3).
    const std::array<std::pair<double, const Polytrope*>, 3> layers{{
        {std::cbrt(frock * set.iron_share), &kIron},
        {std::cbrt(frock), &kPerovskite},
        {1.0, &kWaterIce},
    }};
    double x = 0.0, r = 0.0, P = Pc;
    for (const auto& [xtop, mat] : layers) {
        if (xtop <= x) continue;  // empty layer
        const Rhs f{M, set.G, mat};
        const double xa = x, width = xtop - xa;
        // Near a free surface the pressure falls linearly, P ~ (1 - x), and
        // the compressed part of the density goes as P^n ~ (1 - x)^(1/2): dr/dx
        // is nearly singular there. The outermost layer is therefore
        // integrated in t with 1 - x = width (1 - t)^2, in which r, P and rho
        // are smooth; inner layers use x itself (t linear in x).
        const bool outer = xtop >= 1.0;
        auto xmap = [&](double t, double& dxdt) {
            if (outer) {
                dxdt = 2.0 * width * (1.0 - t);
                return 1.0 - width * (1.0 - t) * (1.0 - t);
            }
            dxdt = width;
            return xa + width * t;
        };
        auto g = [&](double t, double rr, double pp, double& drdt, double& dpdt) {
            double dxdt;
            const double xx = xmap(t, dxdt);
            f(xx, rr, pp, drdt, dpdt);
            drdt *= dxdt;
            dpdt *= dxdt;
        };
        const int n = set.steps_per_layer;
        const double h = 1.0 / n;
        for (int i = 0; i < n; ++i) {
            const double ti = i * h;
            double k1r, k1p, k2r, k2p, k3r, k3p, k4r, k4p;
            g(ti, r, P, k1r, k1p);
            g(ti + 0.5 * h, r + 0.5 * h * k1r, P + 0.5 * h * k1p, k2r, k2p);
            g(ti + 0.5 * h, r + 0.5 * h * k2r, P + 0.5 * h * k2p, k3r, k3p);
            g(ti + h, r + h * k3r, P + h * k3p, k4r, k4p);
            r += h / 6.0 * (k1r + 2.0 * k2r + 2.0 * k3r + k4r);
            P += h / 6.0 * (k1p + 2.0 * k2p + 2.0 * k3p + k4p);
        }
        x = xtop;
    }
    return {P, r};
}

CoreStructure solve(double M, double Pext, double fice, const ModelSettings& set) {
    if (!(M > 0.0) || !(fice >= 0.0 && fice <= 1.0) || !(Pext >= 0.0))
        throw std::invalid_argument("layered core: mass must be positive, ice fraction in [0, 1], pressure >= 0");
    // The surface pressure rises monotonically with the central pressure.
    // Bracket the root in ln Pc, starting from Pc = Pext (surface pressure
    // too low) and a scale estimate of a uniform sphere of rock density.
    auto mismatch = [&](double lnPc) { return integrate_outward(M, fice, std::exp(lnPc), set).P - Pext; };
    const double R0 = std::cbrt(3.0 * M / (4.0 * kPi * 5.0));
    const double Pscale = 3.0 * set.G * M * M / (8.0 * kPi * R0 * R0 * R0 * R0);
    double lo = std::log(std::max(Pext, 1e-30 * Pscale) + 1e-300);
    double flo = mismatch(lo);
    double hi = std::log(Pext + Pscale);
    double fhi = mismatch(hi);
    for (int k = 0; fhi <= 0.0; ++k) {
        if (k > 200) throw std::runtime_error("layered core: central pressure not bracketed");
        lo = hi;
        flo = fhi;
        hi += 1.0;
        fhi = mismatch(hi);
    }
    if (flo > 0.0) throw std::runtime_error("layered core: lower bracket not below the surface pressure");
    // Illinois variant of regula falsi, falling back to bisection when it
    // stalls; stops when the bracket in ln Pc is below 1e-13.
    int side = 0;
    for (int it = 0; it < 400 && hi - lo > 1e-13 * std::max(1.0, std::abs(hi)); ++it) {
        double mid = (lo * fhi - hi * flo) / (fhi - flo);
        if (!(mid > lo && mid < hi) || it % 8 == 7) mid = 0.5 * (lo + hi);
        const double fm = mismatch(mid);
        if (fm > 0.0) {
            hi = mid;
            fhi = fm;
            if (side == 1) flo *= 0.5;
            side = 1;
        } else {
            lo = mid;
            flo = fm;
            if (side == -1) fhi *= 0.5;
            side = -1;
        }
    }
    const double Pc = std::exp(0.5 * (lo + hi));
    const SurfaceState s = integrate_outward(M, fice, Pc, set);
    CoreStructure out;
    out.radius = s.radius;
    out.Pcentre = Pc;
    out.rho_mean = 3.0 * M / (4.0 * kPi * s.radius * s.radius * s.radius);
    return out;
}

// ---------------------------------------------------------------------

double grid_mass(int iM) { return kMassEarth.at(static_cast<std::size_t>(iM - 1)) * kEarthMass; }
double grid_logP(int iP) { return -1.0 + (iP - 1); }
double grid_ice(int iF) { return 0.1 * (iF - 1); }

double RawTable::at(int iM, int iP, int iF) {
    double& v = rho_.at(static_cast<std::size_t>(table_index(iM, iP, iF) - 1));
    if (v == 0.0) v = solve(grid_mass(iM), std::pow(10.0, grid_logP(iP)), grid_ice(iF), set_).rho_mean;
    return v;
}

void RawTable::compute_all() {
    for (int iM = 1; iM <= kNMass; ++iM)
        for (int iP = 1; iP <= kNPres; ++iP)
            for (int iF = 1; iF <= kNIce; ++iF) at(iM, iP, iF);
}

namespace {

// Masses that carry published entries, in increasing order.
constexpr std::array<int, 4> kAnchorMasses{1, 5, 10, 20};
constexpr std::array<int, 3> kTellingIce{1, 6, 11};

// Log ratio published/model of a telling row, interpolated linearly in ice
// fraction between the published ice fractions 0, 0.5 and 1.
double telling_logratio(RawTable& raw, const TellingRow& t, int iF) {
    std::array<double, 3> l{};
    for (int k = 0; k < 3; ++k) l[k] = std::log(t.rho[k] / raw.at(t.iM, t.iP, kTellingIce[k]));
    const double f = grid_ice(iF);
    return f <= 0.5 ? l[0] + (l[1] - l[0]) * (f / 0.5) : l[1] + (l[2] - l[1]) * ((f - 0.5) / 0.5);
}

// Pressure progress of (iM, iP) in ice column iF: 0 where the external
// pressure is negligible, 1 at the highest pressure of the grid.
double progress(RawTable& raw, int iM, int iP, int iF) {
    const double r0 = raw.at(iM, 1, iF), r1 = raw.at(iM, kNPres, iF);
    return (raw.at(iM, iP, iF) - r0) / (r1 - r0);
}

using Profile = std::vector<std::pair<double, double>>;  // (w, log ratio), sorted by w

// The correction profile over pressure of an anchor mass in ice column iF.
// Masses without a published entry at the highest pressure borrow one,
// interpolated in log mass between the masses that have it.
Profile anchor_profile(RawTable& raw, int iMa, int iF) {
    Profile p;
    bool has_top = false;
    for (const auto& t : kTellingRows) {
        if (t.iM != iMa) continue;
        p.emplace_back(progress(raw, iMa, t.iP, iF), telling_logratio(raw, t, iF));
        has_top = has_top || t.iP == kNPres;
    }
    if (!has_top) {
        const TellingRow* below = nullptr;
        const TellingRow* above = nullptr;
        for (const auto& t : kTellingRows) {
            if (t.iP != kNPres) continue;
            if (t.iM < iMa && (!below || t.iM > below->iM)) below = &t;
            if (t.iM > iMa && (!above || t.iM < above->iM)) above = &t;
        }
        if (!below || !above) throw std::logic_error("layered core: no published top-pressure entries around mass");
        const double la = std::log(grid_mass(below->iM)), lb = std::log(grid_mass(above->iM));
        const double s = (std::log(grid_mass(iMa)) - la) / (lb - la);
        const double v =
            (1.0 - s) * telling_logratio(raw, *below, iF) + s * telling_logratio(raw, *above, iF);
        p.emplace_back(1.0, v);
    }
    std::sort(p.begin(), p.end());
    return p;
}

double eval_profile(const Profile& p, double w) {
    if (w <= p.front().first) return p.front().second;
    if (w >= p.back().first) return p.back().second;
    for (std::size_t k = 1; k < p.size(); ++k) {
        if (w <= p[k].first) {
            const auto& [w0, v0] = p[k - 1];
            const auto& [w1, v1] = p[k];
            return v0 + (v1 - v0) * (w - w0) / (w1 - w0);
        }
    }
    return p.back().second;
}

}  // namespace

double calibrated(RawTable& raw, int iM, int iP, int iF) {
    for (const auto& t : kTellingRows) {
        if (t.iM != iM || t.iP != iP) continue;
        for (int k = 0; k < 3; ++k)
            if (kTellingIce[k] == iF) return t.rho[k];
    }
    const double w = progress(raw, iM, iP, iF);
    std::size_t b = 0;
    while (kAnchorMasses[b] < iM) ++b;
    double lratio = 0;
    if (kAnchorMasses[b] == iM) {
        lratio = eval_profile(anchor_profile(raw, iM, iF), w);
    } else {
        const int ia = kAnchorMasses[b - 1], ib = kAnchorMasses[b];
        const double la = std::log(grid_mass(ia)), lb = std::log(grid_mass(ib));
        const double s = (std::log(grid_mass(iM)) - la) / (lb - la);
        lratio = (1.0 - s) * eval_profile(anchor_profile(raw, ia, iF), w) +
                 s * eval_profile(anchor_profile(raw, ib, iF), w);
    }
    return raw.at(iM, iP, iF) * std::exp(lratio);
}

std::vector<double> calibrated_table(RawTable& raw) {
    std::vector<double> t(kNTable);
    for (int iM = 1; iM <= kNMass; ++iM)
        for (int iP = 1; iP <= kNPres; ++iP)
            for (int iF = 1; iF <= kNIce; ++iF)
                t[static_cast<std::size_t>(table_index(iM, iP, iF) - 1)] = calibrated(raw, iM, iP, iF);
    // Where the external pressure is far below the central one the density
    // is flat in pressure and the converged values scatter by ~1e-11; a
    // running maximum over rising pressure removes that scatter, so that the
    // table never falls with pressure. The published entries are untouched
    // (each is the lowest pressure of its column or lies above the flat part).
    for (int iM = 1; iM <= kNMass; ++iM)
        for (int iF = 1; iF <= kNIce; ++iF)
            for (int iP = 2; iP <= kNPres; ++iP) {
                const auto k = static_cast<std::size_t>(table_index(iM, iP, iF) - 1);
                const auto below = static_cast<std::size_t>(table_index(iM, iP - 1, iF) - 1);
                t[k] = std::max(t[k], t[below]);
            }
    for (const auto& row : kTellingRows)
        for (int k = 0; k < 3; ++k)
            if (t[static_cast<std::size_t>(table_index(row.iM, row.iP, kTellingIce[k]) - 1)] != row.rho[k])
                throw std::logic_error("layered core: a published entry was changed");
    return t;
}

}  // namespace velkaro::core::layered
