#include "atmosphere/classify.hpp"

#include <limits>

#include "common/format.hpp"
#include "eos/eos.hpp"
#include "opacity/opacity.hpp"

namespace velkaro::atmosphere {

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
