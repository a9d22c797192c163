#include "atmosphere/boundary.hpp"

#include "atmosphere/opacity_ratios.hpp"

#include <algorithm>
#include <cmath>

#include "atmosphere/entropy_grid.hpp"
#include "atmosphere/irradiated.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"

namespace velkaro::atmosphere {
namespace {

constexpr double G = 6.67e-8;
constexpr double kFourPi = 12.566370616;
constexpr double kSigma = 5.6735730625000006e-5;
constexpr double k16PiSigma = 0.0028518488728131656;
constexpr double kFourthRootOf2 = 1.189207115002721;
constexpr double kMjup = 1.898783598618282e30;
constexpr double kLsun = 3.846e33;
constexpr double kGyr = 3.15576e16;

// Intrinsic temperature of luminosity L radiated from radius R:
// (L / (4 pi sigma R^2))^(1/4), written as (2L/(16 pi sigma R^2))^(1/4) 2^(1/4).
double intrinsic_temperature(double L, double R) { return std::pow(2 * L / (R * R * k16PiSigma), 0.25) * kFourthRootOf2; }

// Place the boundary on the adiabat of the atmosphere grid for (g, tint):
// P = 100 bar, T from the entropy; the optical depth of that level in the
// Eddington grey atmosphere T^4 = 3/4 tint^4 (tau + 2/3).
OuterBoundary on_the_adiabat(const BoundaryModel& bm, double R, double M, double L) {
    const double g = G * M / (R * R);
    double P = 0, T = 0, S = 0;
    bool clamped = false;
    pt_aus_gravteff(bm.tables, bm.path, g, bm.temps.tint, P, T, S, &clamped);
    bm.boundary.peddingtion = P;
    const double r = T / bm.temps.tint;
    double tau = (4.0 / 3.0) * (r * r * r * r) - 2.0 / 3.0;
    if (!(tau >= 0)) tau = 0;
    bm.boundary.tauout = tau;
    return OuterBoundary{bm.boundary.peddingtion, T, L, tau, S, clamped};
}

// With the irradiated atmosphere the boundary lies where the gas above it
// holds 1e-3 of the planet's mass, 4 pi R^2 P / g = 1e-3 M, i.e. at
// P = 1e-3 g^2 / (4 pi G) (not shallower than 100 bar, not deeper than the
// column's deepest level), with the temperature and optical depth of the
// irradiated profile integrated down to it (atmosphere/irradiated.hpp).
// For giant planets that is kilobars, below the radiative-convective
// boundary of close-in planets: the envelope starts on the adiabat of its
// convective interior, the radiative layer above is the profile's own. For
// sub-Neptunes, whose envelopes are mostly radiative, the envelope's own
// radiative layers continue the profile below it (radiative diffusion of
// the same intrinsic flux, the profile's gradient once gamma tau >> 1). The
// gas above is not part of the envelope model.
//
// The column is integrated with fixed steps, and its right-hand side has
// seams (the EOS and opacity tables): where a stage of a step crosses one,
// the boundary temperature jumps by a fraction of a kelvin as g or Tint
// change by a hair, enough to stop the structure searches (a mass mismatch
// that jumps by 0.007 Earth masses at a 5-kbar boundary). The searches get
// instead the column's values at the nodes of a lattice in (ln g, ln Tint,
// ln Teq), 0.01 dex apart (0.002 in Teq), interpolated linearly along each
// axis: a
// continuous function of the trial radius, as the entropy grid's boundary
// is, and of the star's age.
constexpr double kHundredBar = 1e8;
constexpr double kMassAbove = 1e-3;                    // of the planet's mass
constexpr double kLatticeStep = 0.01 * 2.302585092994046;  // in ln g and ln Tint
constexpr double kTeqStep = 0.002 * 2.302585092994046;     // in ln Teq

double irradiated_pressure(double g) {
    const double p = kMassAbove * g * g / (kFourPi * G);
    return std::clamp(p, kHundredBar, IrradiatedSettings{}.p_deep);
}

// A plane of the lattice: its equilibrium temperature [K], the visible-to-
// thermal opacity ratio there, and its slot (iz mod 2).
struct Plane {
    int iz;
    double teq, gamma;
};

// The plane iz of the Teq axis: the ratio is that of its own Teq unless the
// run fixes it.
Plane plane(const BoundaryModel& bm, int iz) {
    const double teq = std::exp(iz * kTeqStep);
    return {iz, teq, bm.dualband.kv2kthmanual ? bm.dualband.kv2kth : kv2kth_of_teq(teq)};
}

// Node (ix, iy) of a plane.
const IrradiatedNode& lattice_node(const BoundaryModel& bm, int ix, int iy, const Plane& pl, double Y) {
    IrradiatedNode& nd =
        bm.tables.irradiated.nodes[static_cast<std::size_t>((ix & 3) * 8 + (iy & 3) * 2 + (pl.iz & 1))];
    if (nd.set && nd.ix == ix && nd.iy == iy && nd.teq == pl.teq && nd.gamma == pl.gamma) return nd;
    const double g = std::exp(ix * kLatticeStep), tint = std::exp(iy * kLatticeStep);
    IrradiatedSettings to_boundary;
    to_boundary.boundary_only = true;
    const IrradiatedColumn c = irradiated_column(bm.eos, bm.opacity, g, tint, pl.teq, pl.gamma, Y, kHundredBar,
                                                 irradiated_pressure(g), to_boundary);
    nd = IrradiatedNode{ix, iy, pl.teq, pl.gamma, true, std::log(c.boundary.T), c.boundary.tau};
    return nd;
}

// ln T and tau at the boundary, bilinear in (ln g, ln Tint) on the plane teq.
struct NodeValue {
    double lnt, tau;
};
NodeValue on_plane(const BoundaryModel& bm, double x, double y, const Plane& pl, double Y) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double u = x - fx, v = y - fy;
    const IrradiatedNode& a = lattice_node(bm, ix, iy, pl, Y);
    const IrradiatedNode& b = lattice_node(bm, ix + 1, iy, pl, Y);
    const IrradiatedNode& c = lattice_node(bm, ix, iy + 1, pl, Y);
    const IrradiatedNode& d = lattice_node(bm, ix + 1, iy + 1, pl, Y);
    const double wa = (1 - u) * (1 - v), wb = u * (1 - v), wc = (1 - u) * v, wd = u * v;
    return {wa * a.lnt + wb * b.lnt + wc * c.lnt + wd * d.lnt, wa * a.tau + wb * b.tau + wc * c.tau + wd * d.tau};
}

OuterBoundary under_irradiation(const BoundaryModel& bm, double R, double M, double L, double Y) {
    const double g = G * M / (R * R), tint = bm.temps.tint, teq = bm.temps.teq;
    const double P = irradiated_pressure(g);
    double T = 0, tau = 0;
    if (g > 0 && tint > 0 && std::isfinite(g) && std::isfinite(tint)) {
        IrradiatedLattice& lat = bm.tables.irradiated;
        if (lat.Y != Y) {
            lat.Y = Y;
            for (IrradiatedNode& nd : lat.nodes) nd.set = false;
        }
        const double x = std::log(g) / kLatticeStep, y = std::log(tint) / kLatticeStep;
        // The star's Teq is a third axis of the lattice: it changes a little
        // every step as the star evolves (and with it the opacity ratio,
        // unless the run fixes that), and the nodes of the two planes about
        // it serve every step until it leaves them. Without a logarithm (no
        // star, Teq = 0) the one plane at the run's own Teq and ratio.
        NodeValue nv;
        if (teq > 0 && std::isfinite(teq)) {
            const double z = std::log(teq) / kTeqStep, fz = std::floor(z);
            const int iz = static_cast<int>(fz);
            const double w = z - fz;
            const NodeValue lo = on_plane(bm, x, y, plane(bm, iz), Y);
            if (w > 0) {
                const NodeValue hi = on_plane(bm, x, y, plane(bm, iz + 1), Y);
                nv = {(1 - w) * lo.lnt + w * hi.lnt, (1 - w) * lo.tau + w * hi.tau};
            } else {
                nv = lo;
            }
        } else {
            nv = on_plane(bm, x, y, Plane{0, teq, bm.dualband.kv2kth}, Y);
        }
        T = std::exp(nv.lnt);
        tau = nv.tau;
    } else {
        // Not a state a lattice can hold: the column itself, which stops
        // with the values named.
        const IrradiatedColumn c =
            irradiated_column(bm.eos, bm.opacity, g, tint, teq, bm.dualband.kv2kth, Y, kHundredBar, P);
        T = c.boundary.T;
        tau = c.boundary.tau;
    }
    bm.boundary.peddingtion = P;
    bm.boundary.tauout = tau;
    return OuterBoundary{P, T, L, tau};
}

OuterBoundary outer_boundary(const BoundaryModel& bm, double R, double M, double L, double Y) {
    if (bm.dualband.irradiated) return under_irradiation(bm, R, M, L, Y);
    return on_the_adiabat(bm, R, M, L);
}

}  // namespace

void refuse_clamped_boundary(const BoundaryModel& bm, const OuterBoundary& out) {
    if (!out.clamped) return;
    (void)temperaturausdruckundentropie(bm.tables, bm.path, out.P, out.S);  // stops with the inversion's own message
    // Not reached: a boundary is clamped only where the inversion stops.
    fatal({fmt::free("ERROR IN SBR TemperaturAusDruckUndEntropie"),
           fmt::free("clamped boundary accepted: P, S", out.P, out.S)});
}

Contraction contractlum(double dt, double Rref, double Eold, double M, double R, double k) {
    Contraction c;
    const double GM2 = G * M * M;
    c.Enew = -GM2 / ((-GM2 / (2 * Eold)) / Rref * 2 * R);
    c.L = std::min(-(c.Enew - Eold) / dt * k, kLsun);
    return c;
}

double calclradio(double age, double Mcore, double x) {
    // Decay of 40K, 238U, 235U and 232Th in chondritic rock [erg/g/s].
    const double t = age / kGyr;
    return 0.67 * Mcore * (1 - x) *
           (3.723e-7 * std::exp(-0.543 * t) + 2.899e-8 * std::exp(-0.155 * t) + 1.441e-8 * std::exp(-0.0495 * t));
}

OuterBoundary condextmax(const BoundaryModel& bm, double R, double Mcore, double M, double Rcore, double Y,
                         const EvolutionStep& step, double& Enew, double& Lradio) {
    const Contraction c = contractlum(step.dt, step.Rref, step.Eold, M, R, step.k);
    Enew = c.Enew;
    Lradio = calclradio(step.age, Mcore, step.x);
    double L = c.L + Lradio + step.Lother;
    // Floor: the core's own glow, scaled up with the planet's mass, so that
    // the boundary never gets an intrinsic temperature of zero.
    const double m = 1 + M / kMjup;
    const double floor = kFourPi * kSigma * Rcore * Rcore * (m * m * m * m);
    if (!(L >= floor)) L = floor;
    double tint = intrinsic_temperature(L, R);
    if (tint < 0) {
        bm.io.note() << fmt::free("Strange:TeffP<0: Setting TeffP =0") << '\n';
        tint = 0;
    }
    bm.temps.tint = tint;
    bm.boundary.tauout = bm.boundary.tauoutorig;
    return outer_boundary(bm, R, M, L, Y);
}

OuterBoundary condextmaxstatic(const BoundaryModel& bm, double R, double M, double Rcore, double Y, double Lin) {
    double L = Lin;
    const double floor = kFourPi * kSigma * Rcore * Rcore;
    if (!(L >= floor)) L = floor;
    // Above 3000 Earth masses (brown dwarfs) at least 1e-3 Jupiter luminosities.
    if (M > 1.7922720000000002e31 && !(L >= 3.3498660000000005e21)) L = 3.3498660000000005e21;
    const double tint = intrinsic_temperature(L, R);
    if (tint < 0) {
        bm.io.note() << fmt::free("Strange:TeffP<0: Setting TeffP =0") << '\n';
        fatal({"Impossible situation in condextmaxstatic: negative TeffP"});
    }
    bm.temps.tint = tint;
    return outer_boundary(bm, R, M, L, Y);
}

}  // namespace velkaro::atmosphere
