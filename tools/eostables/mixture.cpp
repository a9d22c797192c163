#include "mixture.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/constants.hpp"
#include "eos/bicubic.hpp"

namespace velkaro::eosbuild {

namespace {

// Masses per hydrogen nucleus and per helium nucleus [g].
constexpr double m_h = 1.00794 * cst::amu;
constexpr double m_he = 4.002602 * cst::amu;

double xlnx_ratio(double a, double b) { return a > 0 ? a * std::log(a / b) : 0.0; }

// Centred difference quotient of a mixture field along T (dir 0) or P
// (dir 1), one-sided at the lattice edges.
template <typename Get>
double difference(const Mixture& m, int i, int j, int dir, Get get) {
    const int di = dir == 0 ? 1 : 0, dj = dir == 0 ? 0 : 1;
    const double h = dir == 0 ? Lattice::dlt : Lattice::dlp;
    auto ok = [&](int a, int b) { return a >= 0 && a < Lattice::nT && b >= 0 && b < Lattice::nP; };
    const bool lo = ok(i - di, j - dj), hi = ok(i + di, j + dj);
    const double f0 = get(m.at(i, j));
    if (lo && hi) return (get(m.at(i + di, j + dj)) - get(m.at(i - di, j - dj))) / (2 * h);
    if (hi) return (get(m.at(i + di, j + dj)) - f0) / h;
    return (f0 - get(m.at(i - di, j - dj))) / h;
}

}  // namespace

double mixing_entropy(double y, double xh2, double xh, double xhe, double xhep) {
    const double x = 1.0 - y;
    // Hydrogen: H2, H, H+ and electrons; the fractions include electrons.
    const double xhp = std::max(0.0, (1.0 - xh2 - xh) / 2.0);
    const double nh_tot = x > 0 ? x / (m_h * (2 * xh2 + xh + xhp)) : 0.0;
    const double n_h2 = xh2 * nh_tot, n_h = xh * nh_tot, n_hp = xhp * nh_tot, n_eh = xhp * nh_tot;
    // Helium: He, He+, He++ and electrons.
    const double xhepp = std::max(0.0, (1.0 - xhe - 2 * xhep) / 3.0);
    const double nhe_tot = y > 0 ? y / (m_he * (xhe + xhep + xhepp)) : 0.0;
    const double n_he = xhe * nhe_tot, n_hep = xhep * nhe_tot, n_hepp = xhepp * nhe_tot;
    const double n_ehe = (xhep + 2 * xhepp) * nhe_tot;
    const double nH = n_h2 + n_h + n_hp + n_eh, nHe = n_he + n_hep + n_hepp + n_ehe;
    const double n = nH + nHe;
    if (nH <= 0 || nHe <= 0) return 0.0;
    // Electrons are one species in the mixture, but counted separately in
    // each pure component.
    double s = -(xlnx_ratio(n_h2, n) + xlnx_ratio(n_h, n) + xlnx_ratio(n_hp, n) + xlnx_ratio(n_he, n) +
                 xlnx_ratio(n_hep, n) + xlnx_ratio(n_hepp, n) + xlnx_ratio(n_eh + n_ehe, n));
    s += xlnx_ratio(n_h2, nH) + xlnx_ratio(n_h, nH) + xlnx_ratio(n_hp, nH) + xlnx_ratio(n_eh, nH);
    s += xlnx_ratio(n_he, nHe) + xlnx_ratio(n_hep, nHe) + xlnx_ratio(n_hepp, nHe) + xlnx_ratio(n_ehe, nHe);
    return cst::kB * s;
}

Mixture mix(const Component& h, const Component& he, double y) {
    Mixture m;
    m.y = y;
    const double x = 1.0 - y;
    const double ln10 = std::log(10.0);
    for (int j = 0; j < Lattice::nP; ++j)
        for (int i = 0; i < Lattice::nT; ++i) {
            const Node& a = h.at(i, j);
            const Node& b = he.at(i, j);
            MixNode& n = m.at(i, j);
            n.origin = std::max(a.origin, b.origin);
            n.smix = mixing_entropy(y, a.f1, a.f2, b.f1, b.f2);
        }
    for (int j = 0; j < Lattice::nP; ++j)
        for (int i = 0; i < Lattice::nT; ++i) {
            const Node& a = h.at(i, j);
            const Node& b = he.at(i, j);
            MixNode& n = m.at(i, j);
            // Entropy of mixing: its slopes by differences on the lattice.
            const double dsmix_t = difference(m, i, j, 0, [](const MixNode& q) { return q.smix; }) / ln10;
            const double dsmix_p = difference(m, i, j, 1, [](const MixNode& q) { return q.smix; }) / ln10;
            // Volume law.
            const double va = x * std::pow(10.0, -a.logrho), vb = y * std::pow(10.0, -b.logrho);
            const double v = va + vb;
            n.logrho = -std::log10(v);
            n.rhot = (va * a.rhot + vb * b.rhot) / v;
            n.rhop = (va * a.rhop + vb * b.rhop) / v;
            // Entropy.
            const double sa = x * std::pow(10.0, a.logs), sb = y * std::pow(10.0, b.logs);
            const double s = sa + sb + n.smix;
            n.logs = std::log10(s);
            n.st = (sa * a.st + sb * b.st + dsmix_t) / s;
            n.sp = (sa * a.sp + sb * b.sp + dsmix_p) / s;
            // Internal energy.
            const double ua = x * std::pow(10.0, a.logu), ub = y * std::pow(10.0, b.logu);
            const double u = ua + ub;
            n.logu = std::log10(u);
            n.ut = (ua * a.ut + ub * b.ut) / u;
            n.up = (ua * a.up + ub * b.up) / u;
        }
    // Cross derivatives for the Hermite interpolation.
    for (int j = 0; j < Lattice::nP; ++j)
        for (int i = 0; i < Lattice::nT; ++i) {
            auto cross = [&](auto ft, auto fp) {
                return 0.5 * (difference(m, i, j, 1, ft) + difference(m, i, j, 0, fp));
            };
            MixNode& n = m.at(i, j);
            n.rho_pt = cross([](const MixNode& q) { return q.rhot; }, [](const MixNode& q) { return q.rhop; });
            n.s_pt = cross([](const MixNode& q) { return q.st; }, [](const MixNode& q) { return q.sp; });
            n.u_pt = cross([](const MixNode& q) { return q.ut; }, [](const MixNode& q) { return q.up; });
        }
    return m;
}

MixState evaluate(const Mixture& m, double lp, double lt) {
    auto cell = [](double x, double x0, double dx, int n, int& k, double& f) {
        double r = (x - x0) / dx;
        const double rr = std::round(r);
        if (std::fabs(r - rr) < 1e-9) r = rr;  // on a node: no rounding noise
        k = std::clamp(static_cast<int>(std::floor(r)), 0, n - 2);
        f = r - k;
        if (f < -1e-9 || f > 1 + 1e-9) throw std::runtime_error("point outside the lattice");
    };
    int i, j;
    double t, u;
    cell(lp, Lattice::lp0, Lattice::dlp, Lattice::nP, j, t);
    cell(lt, Lattice::lt0, Lattice::dlt, Lattice::nT, i, u);
    const MixNode* c[5] = {nullptr, &m.at(i, j), &m.at(i, j + 1), &m.at(i + 1, j + 1), &m.at(i + 1, j)};
    auto herm = [&](auto f, auto fp, auto ft, auto fpt, double& v, double& dp, double& dt) {
        eos::Corners y, y1, y2, y12;
        for (int l = 1; l <= 4; ++l) {
            y(l) = f(*c[l]);
            y1(l) = fp(*c[l]);
            y2(l) = ft(*c[l]);
            y12(l) = fpt(*c[l]);
        }
        double vt, vu;
        eos::intercub(y, y1, y2, y12, Lattice::dlp, Lattice::dlt, t, u, v, vt, vu);
        dp = vt / Lattice::dlp;
        dt = vu / Lattice::dlt;
    };
    MixState s{};
    herm([](const MixNode& q) { return q.logrho; }, [](const MixNode& q) { return q.rhop; },
         [](const MixNode& q) { return q.rhot; }, [](const MixNode& q) { return q.rho_pt; }, s.logrho, s.rhop, s.rhot);
    herm([](const MixNode& q) { return q.logs; }, [](const MixNode& q) { return q.sp; },
         [](const MixNode& q) { return q.st; }, [](const MixNode& q) { return q.s_pt; }, s.logs, s.sp, s.st);
    herm([](const MixNode& q) { return q.logu; }, [](const MixNode& q) { return q.up; },
         [](const MixNode& q) { return q.ut; }, [](const MixNode& q) { return q.u_pt; }, s.logu, s.up, s.ut);
    s.gradad = -s.sp / s.st;
    s.gamma1 = 1.0 / (s.rhop + s.rhot * s.gradad);
    s.origin = Origin::Scvh;
    for (int l = 1; l <= 4; ++l) {
        // Nodes the point does not depend on (weight zero on a cell edge)
        // do not count.
        const bool used_p = (l == 1 || l == 4) ? t < 1 : t > 0;
        const bool used_t = (l == 1 || l == 2) ? u < 1 : u > 0;
        if (used_p && used_t) s.origin = std::max(s.origin, c[l]->origin);
    }
    return s;
}

}  // namespace velkaro::eosbuild
