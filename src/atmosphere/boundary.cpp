#include "atmosphere/boundary.hpp"

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

// With the irradiated atmosphere the temperature and optical depth of the
// boundary are those of the irradiated profile integrated down to it
// (atmosphere/irradiated.hpp). The boundary is at 100 bar when the gas there
// is on the adiabat of the convective interior, as on the entropy grid's
// adiabat; when the starlight keeps the gas radiative below 100 bar, at the
// radiative-convective boundary, so that the envelope starts on its adiabat,
// but not deeper than where the gas above would hold 1e-3 of the planet's
// mass (4 pi R^2 P / g): that gas is not part of the envelope model. Below
// that depth (sub-Neptunes, whose envelope is mostly radiative) the
// envelope's own radiative layers continue the profile.
OuterBoundary under_irradiation(const BoundaryModel& bm, double R, double M, double L, double Y) {
    const double g = G * M / (R * R);
    constexpr double kHundredBar = 1e8;
    constexpr double kMassAbove = 1e-3;  // of the planet's mass
    const double pmax = kMassAbove * M * g / (kFourPi * R * R);
    const IrradiatedColumn c =
        irradiated_column(bm.eos, bm.opacity, g, bm.temps.tint, bm.temps.teq, bm.dualband.kv2kth, Y, kHundredBar, pmax);
    bm.boundary.peddingtion = c.boundary.P;
    bm.boundary.tauout = c.boundary.tau;
    return OuterBoundary{c.boundary.P, c.boundary.T, L, c.boundary.tau};
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
