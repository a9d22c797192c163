#include "atmosphere/classify.hpp"

#include <limits>

#include "common/format.hpp"
#include "eos/eos.hpp"
#include "opacity/opacity.hpp"

namespace velkaro::atmosphere {
namespace {

constexpr double kSchwarzschild = 3942837896.5967436;  // 3/(64 pi sigma G)

}  // namespace

char schwarzschild(double kappa, double dTdP_ad, double P, double T, double L, double m) {
    // nabla_ad = (P/T) dT/dP_ad >= nabla_rad = kappa K L (P/T) / (T^3 m). With
    // P/T and T^3 m positive and finite (every shell of an envelope) the
    // common factor cancels and T^3 m multiplies through: no division, which
    // would wait for the opacity, the last value of the shell to be known.
    const double t3m = T * T * T * m;
    if (P > 0 && T > 0 && t3m > 0 && t3m <= std::numeric_limits<double>::max())
        return dTdP_ad * t3m >= kappa * kSchwarzschild * L ? 'R' : 'C';  // a NaN gives 'C'
    const double nabla_rad = kappa * kSchwarzschild * L * (P / T) / t3m;
    const double nabla_ad = (P / T) * dTdP_ad;
    return nabla_ad >= nabla_rad ? 'R' : 'C';
}

char convrad(const eos::EosContext& ec, const opacity::OpacityLaw& opa, double P, double T, double L, double m,
             double Y, double Z) {
    eos::EosOut e;
    eos::eosfast(ec, Z, Y, P, T, e);
    return schwarzschild(opacity::opacites(opa, e.rho, T), e.dtdp, P, T, L, m);
}

namespace {

void note_negative_tau(const Console& io, double P, double T, double m, double Y, double Z, double tau) {
    if (tau < 0) {
        io.note() << fmt::free("PROBLEME in sbr calcconvradwithdb: Tau negative") << '\n';
        io.note() << fmt::free("tau,press,temp,mass,Y,Z", tau, P, T, m, Y, Z) << '\n';
    }
}

ShellClass classify(double P, double T, double L, double m, double r, double rho, double dtdp, double kappa) {
    ShellClass c;
    const double dPdr = -6.67e-8 * m * rho / (r * r);
    c.nabla_ad = (P / T) * dtdp;
    // 3 kappa L P / (64 pi sigma G m T^4)
    c.nabla = kappa * 3942837896.5967426 * L * (P / T) / (m * T * T * T);
    if (c.nabla <= c.nabla_ad) {
        c.cls = 'R';
        c.regime = 5;
        c.dTdr = -262.9872877030027 * kappa * L * rho / (r * r * T * T * T);  // radiative diffusion
    } else {
        c.cls = 'C';
        c.regime = 6;
        c.dTdr = dPdr * dtdp;  // the adiabat
    }
    return c;
}

}  // namespace

ShellClass calcconvradwithdb(const eos::EosContext& ec, const opacity::OpacityLaw& opa, const Console& io, double P, double T, double L, double m, double Y, double Z, double tau,
                             double r) {
    note_negative_tau(io, P, T, m, Y, Z, tau);
    eos::EosOut e;
    eos::eosfast(ec, Z, Y, P, T, e);
    return classify(P, T, L, m, r, e.rho, e.dtdp, opacity::opacites(opa, e.rho, T));
}

ShellClass calcconvradwithdb(const Console& io, double P, double T, double L, double m, double Y, double Z, double tau,
                             double r, double rho, double dtdp, double kappa) {
    note_negative_tau(io, P, T, m, Y, Z, tau);
    return classify(P, T, L, m, r, rho, dtdp, kappa);
}

}  // namespace velkaro::atmosphere
