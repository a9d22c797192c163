// Deuterium burning p + d -> 3He in the envelope and the electron-degeneracy
// conversion F_1/2 -> (psi, thetae).
#include "processes/deuterium.hpp"

#include <algorithm>
#include <cmath>

#include "atmosphere/classify.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "eos/eos.hpp"
#include "opacity/opacity.hpp"
#include "processes/context.hpp"
#include "processes/fermi_dirac_tables.hpp"

namespace velkaro::processes {

namespace {

// Constants of the burning, with the values the model was calibrated with
// (slightly different from the program-wide ones: k = 1.381e-16 here).
constexpr double kBoltz = 1.381e-16;      // Boltzmann constant [erg/K]
constexpr double kHbar = 1.055e-27;       // reduced Planck constant [erg s]
constexpr double kMu = 1.661e-24;         // atomic mass unit [g]
constexpr double kQ = 8.801388e-6;        // energy per reaction p + d -> 3He (5.494 MeV) [erg]
constexpr double kG = 6.67e-8;            // gravitational constant
constexpr double kArad = 7.57e-15;        // radiation constant a [erg cm^-3 K^-4]
constexpr double kC = 3e10;               // speed of light [cm/s]
constexpr double k3ac = 0.0006812999999999999;  // 3 a c
constexpr double kPi = 3.141592654;
constexpr double kMearth = 5.97424e27;    // Earth mass [g]
constexpr double kLjupBurn = 3.318009e24; // Jupiter luminosity of the burning messages [erg/s]
constexpr double kMburnMin = 1.194848e31; // 2000 Earth masses: lighter planets burn nothing [g]
constexpr double kYearDays = 60.0 * 60.0 * 24.0 * 365.25;  // [s]
constexpr double kYear = 3.15576e7;       // [s]

// Gamow peak: E0 = (b kT / 2)^(2/3), b = pi e^2 sqrt(2 mu_r) / hbar, written
// as (C T / hbar)^(2/3) with C = pi e^2 (mu_r / 2)^(1/2) k; mu_r = (2/3) amu.
constexpr double kGamowC = 7.44783168689154e-47;
// <sigma v> prefactor (4 sqrt(2) / 3) / sqrt(mu_r) and the astrophysical
// factor S(0) = 0.2 eV barn [erg cm^2].
constexpr double kSigvPre = 1791903211170.1477;
constexpr double kSfactor = 3.2039999999999995e-37;
// Q / (2 amu^2): n_p n_d <sigma v> Q / rho = kEpsPre xd X <sigma v> rho.
constexpr double kEpsPre = 1.5950779308287556e42;
// Screening: e^3 sqrt(4 pi) (weak-screening Lambda0), e^2, 3/(4 pi).
constexpr double kE3Sqrt4Pi = 3.9282407993248533e-28;
constexpr double kE2 = 2.307077125934623e-19;
constexpr double k3Over4Pi = 0.23873241460667102;
// Electrons: h^3 and 2 m_e k for F_1/2 = n_e h^3 / (4 pi (2 m_e k T)^1.5).
constexpr double kH3 = 2.912708238157419e-79;
constexpr double k2MeK = 2.5159058e-43;

double mean(double a, double b) { return 0.5 * (a + b); }

// Room for n shells, in steps of 1024 up to the capacity: a grid rarely
// grows past its first size, and a run does not clear 2.8 MB of shells it
// never reaches.
void ensure_work(DeuteriumWork& w, int n) {
    if (w.shell.size() >= n && w.face.size() >= n) return;
    const int size = std::min(kMaxShells, (n + 1023) / 1024 * 1024);
    w.shell = Vec1<DeutShell>(size);
    w.face = Vec1<DeutInterface>(size);
}

}  // namespace

double sigmav_pd(double T) {
    const double kt = kBoltz * T;
    const double e0 = std::pow(kGamowC * T / kHbar, 2.0 / 3.0);
    const double tau = 3.0 * e0 / kt;
    return kSigvPre / std::sqrt(kt) * kSfactor * std::sqrt(tau) * std::exp(-tau);
}

double eps_pd(double xd, double X, double sigv, double rho) { return kEpsPre * xd * X * sigv * rho; }

double electron_fhalf(double rho, double T, double Y) {
    const double X = 1.0 - Y;
    return rho * ((2 * Y + 4 * X) / (3 * Y + 8 * X)) * ((0.75 * Y + 2 * X) / kMu) * kH3 * 0.25 / kPi /
           std::pow(k2MeK * T, 1.5);
}

Screening screening(double rho, double T, double Y, double thetae) {
    const double X = 1.0 - Y;
    const double kt = kBoltz * T;
    const double ni = (X + Y / 4) * rho / kMu;  // ions per cm^3
    const double xh = X / (X + Y / 4), xhe = (Y / 4) / (X + Y / 4);
    Screening sc;
    sc.zbar = xh + 2 * xhe;
    sc.lambda0 = kE3Sqrt4Pi * std::sqrt(ni) / std::pow(kt, 1.5);
    sc.zeta = std::sqrt(xh + 4 * xhe + thetae * (xh + 2 * xhe));
    return sc;
}

double screening_exponent(const Screening& sc, double X, double Y) {
    const double lam = sc.lambda0 * sc.zeta;
    if (lam < 0.1) return lam;  // weak (Debye-Hueckel)
    const double inter = 0.38 * std::pow(sc.lambda0, 0.86) *
                         ((X + 2.989698497269877 * Y) / std::pow(sc.zeta, 0.58) / std::pow(sc.zbar, 0.28)) *
                         1.630076621268643;
    if (lam < 2.0) return inter;
    const double z13 = std::cbrt(sc.zbar), l23 = std::pow(sc.lambda0, 2.0 / 3.0);
    const double strong = 0.624 * z13 * l23 *
                          (0.5198420997897464 * 0.316 * z13 + 1.1748021039363992 -
                           0.41259894803180064 * 0.737 / sc.zbar / l23);
    if (lam >= 5.0) return strong;
    return std::min(strong, inter);
}

MltGradients mlt_gradients(double U, double D, double grad_ad) {
    // Root of (xi - U)^3 + (8U/9)(xi^2 - U^2 - D) = 0 in closed form
    // (xi^2 = grad - grad_ad + U^2). The
    // cube root is the real one (the radicand cancels to rounding, and may
    // come out negative, where the interface is radiative).
    const double W = U * D;
    const double U2 = U * U, U4 = U2 * U2;
    MltGradients m;
    m.cuberoot = std::cbrt(1168 * U2 * U + 2187 * U * D +
                           46.76537180435968 * std::sqrt(2048 * U4 * U2 + 2336 * U4 * D + 2187 * W * W));
    m.xi = 0.7037037037037037 * U - 8.586128636320618 * U2 / m.cuberoot + 0.05879263155437775 * m.cuberoot;
    m.grad = m.xi * m.xi + grad_ad - U2;
    m.grad_e = grad_ad - 2 * U2 + 2 * U * m.xi;
    return m;
}

void dburnnuvo(const DeuteriumModel& model, PlanetState& s) {
    const int n = s.nfold;
    if (n > kMaxShells)
        fatal({fmt::free("SBR NuvoDburn: number of shells above capacity", n, kMaxShells), "PROBLEME : NuvoDburn"});
    s.lburnold.fill(0.0);
    if (n < 1) {
        // No grid: nothing burns and the deuterium stays as it was.
        for (int i = 1; i <= kMaxShells; ++i) s.xdeu(i) = s.xdeuold(i);
        s.Lburntot = s.tburn = s.tmix = s.Neddy = 0.0;
        return;
    }
    auto& o = model.io.con();
    const bool aff = model.verbose;
    if (aff) o << '\n' << fmt::free("SBR NuvoDburn") << '\n';

    DeuteriumWork& w = model.work;
    ensure_work(w, n);
    const double Y = s.YHe, X = 1.0 - Y;
    const double dt = s.dtold;
    const auto& xd = s.xdeuold;
    const auto& m = s.masseold;
    const double lout = s.xold(kL, n);

    // 2. The previous structure, its convection flag, EOS and opacity.
    for (int i = 1; i <= n; ++i) {
        DeutShell& c = w.shell(i);
        c.r = s.xold(kR, i);
        c.L = s.xold(kL, i);
        c.P = s.xold(kP, i);
        c.T = s.xold(kT, i);
        eos::EosOut e;
        eos::eos(model.eos, 0.0, Y, c.P, c.T, e);
        c.rho = e.rho;
        c.drhodt = e.drhodt;
        c.entro = e.s;
        c.dtdp = e.dtdp;
        c.u = e.u;
        c.kappa = opacity::opacites(model.opacity, c.rho, c.T);
        // The Schwarzschild criterion on this shell's own EOS and opacity
        // (the run's remembered evaluation), not on a second, fast one.
        c.iconv = atmosphere::schwarzschild(c.kappa, c.dtdp, c.P, c.T, lout, m(i)) == 'C' ? 1 : 0;
    }

    // 3. Screened rates, only in planets above 2000 Earth masses. Shells are
    // taken from the core outward: a shell whose rate vanishes sets a cut-off
    // temperature, and every shell further out that is colder than the last
    // cut-off burns nothing either.
    const bool burns = m(n) > kMburnMin;
    double tcut = 0.0;
    for (int i = 1; i <= n; ++i) {
        DeutShell& c = w.shell(i);
        if (!burns) {
            c.e0 = c.taug = c.sigv = c.eps = 0;
            c.fhalf = c.thetae = c.psi = c.lambda = c.gamma = 0;
            continue;
        }
        const double kt = kBoltz * c.T;
        c.e0 = std::pow(kGamowC * c.T / kHbar, 2.0 / 3.0);
        c.taug = 3.0 * c.e0 / kt;
        c.sigv = sigmav_pd(c.T);
        c.eps = eps_pd(xd(i), X, c.sigv, c.rho);
        if (c.sigv < 1e-70 || c.T < tcut) {
            c.sigv = 0;
            c.eps = 0;
            tcut = c.T;
        }
        c.fhalf = electron_fhalf(c.rho, c.T, Y);
        calctheta(c.fhalf, c.thetae, c.psi);
        const Screening sc = screening(c.rho, c.T, Y, c.thetae);
        c.lambda = sc.lambda0 * sc.zeta;
        const double ni = (X + Y / 4) * c.rho / kMu;
        const double aion = std::cbrt(k3Over4Pi / ni);
        c.gamma = sc.zbar * sc.zbar * kE2 / (kt * aion);
        c.eps *= std::exp(screening_exponent(sc, X, Y));
        if (c.eps < 1e-40) c.eps = 0;
    }

    // 4. Burning luminosity integrated outward, each shell limited to the
    // deuterium it holds.
    for (int i = 2; i <= n; ++i) {
        double dm = m(i) - m(i - 1);
        if (dm <= 0) {
            if (aff) {
                o << fmt::free("Nonpositive mass in shell", i) << '\n';
                o << fmt::free("Masse(i),Masse(i-1)", m(i) / kMearth, m(i - 1) / kMearth) << '\n';
            }
            dm = 0;
        }
        const double e1 = w.shell(i).eps, e0 = w.shell(i - 1).eps;
        if (e1 < 0 || e0 < 0) {
            o << fmt::free("Negative epsNuc in shell", i) << '\n';
            o << fmt::free("epsNuc(i),epsNuc(i-1)", e1, e0) << '\n';
        }
        if (xd(i) < 0 || xd(i - 1) < 0) {
            o << fmt::free("Negative xDeu in shell", i) << '\n';
            o << fmt::free("xDeu(i),xDeu(i-1)", xd(i), xd(i - 1)) << '\n';
        }
        double dl = 0.5 * (e1 + e0) * dm;
        const double avail = (dm * 0.5 / kMu) * 0.5 * (xd(i) + xd(i - 1)) * kQ;  // deuterons x Q [erg]
        if (dt > 0 && dl * dt > avail) dl = avail / dt;  // a step of no length burns nothing away
        s.lburnold(i) = s.lburnold(i - 1) + dl;
    }
    const double ltot = s.lburnold(n);

    // 5. The envelope is fully mixed: the deuterium burnt, 2 amu per
    // reaction, lowers the fraction everywhere alike. A fraction cannot
    // fall below zero; only rounding could take it there.
    const double menv = m(n) - m(1);
    const double dmd = 2.0 * kMu * dt * ltot / kQ;
    for (int i = 1; i <= kMaxShells; ++i)
        s.xdeu(i) = menv > 0 ? std::max(0.0, (menv * xd(i) - dmd) / menv) : xd(i);

    // 6. Mixing-length convection at each interface: eddies across the
    // convective envelope and their turnover, weighted by mass.
    for (int i = 1; i <= n; ++i) w.shell(i).ltot = s.lburnold(i) + s.lumitdsold(i);
    double neddy = 0, sum = 0;
    int jtop = 0;
    for (int i = 1; i <= n - 1; ++i) {
        const DeutShell& a = w.shell(i);
        const DeutShell& b = w.shell(i + 1);
        DeutInterface& f = w.face(i + 1);
        const double r = mean(a.r, b.r), mm = mean(m(i), m(i + 1)), P = mean(a.P, b.P), T = mean(a.T, b.T);
        const double rho = mean(a.rho, b.rho), kap = mean(a.kappa, b.kappa);
        const double drhodt = mean(a.drhodt, b.drhodt), dtdp = mean(a.dtdp, b.dtdp);
        const double L = b.ltot;
        f.dr = b.r - a.r;
        f.hp = -(f.dr / (b.P - a.P)) * P;
        const double g = kG * mm / (r * r);
        const double delta = -drhodt * T / rho;
        const double gradad = dtdp * P / T;
        const double cp = (P * delta / (T * rho)) / dtdp * T / P;
        f.gradrad = 3 * L * kap * P * 0.0625 / kPi / kArad / kC / kG / (T * T * T * T) / mm;
        const double U = (k3ac * T * T * T / (rho * rho) / kap / (f.hp * f.hp)) / cp * std::sqrt(8 * f.hp / (delta * g));
        const MltGradients mg = mlt_gradients(U, f.gradrad - gradad, gradad);
        f.xi = mg.xi;
        f.cuberoot = mg.cuberoot;
        f.grad = mg.grad;
        f.grad_e = mg.grad_e;
        const double v2 = delta * g * (mg.grad - mg.grad_e) * f.hp * 0.125;
        f.vconv = v2 > 0 ? std::sqrt(v2) : -5.0;
        // A scale height that is not a positive number (pressure not
        // falling outward) describes no eddy.
        const bool scale_ok = f.hp > 0 && std::isfinite(f.hp);
        f.iconv = f.gradrad > gradad ? 1 : 0;
        if (f.iconv) {
            if (f.vconv > 0 && scale_ok) {
                neddy += f.dr / f.hp;
                sum += (m(i + 1) - m(i)) * f.hp / f.vconv;
            }
        } else if (jtop == 0 && i + 1 >= 4) {
            jtop = i;  // top of the inner convective zone
        }
    }

    // 7.-8. Time scales.
    const double mmix = jtop > 0 ? m(jtop) - m(1) : menv;
    s.Neddy = neddy;
    s.tmix = mmix > 0 ? neddy * neddy * sum / mmix : 0.0;
    s.Lburntot = ltot;
    s.tburn = ltot > 0 ? menv * xd(1) * 0.5 / kMu * kQ / ltot : 0.0;

    if (aff) {
        o << fmt::free("Average number of eddys in the planet (vertically)", s.Neddy) << '\n';
        o << fmt::free("Mixing timescale in years:", s.tmix / kYearDays) << '\n';
        o << fmt::free("Burning timescale / years:", s.tburn / kYear) << '\n';
        o << fmt::free("D mass fraction xDeu 1,nf:", xd(1), xd(n)) << '\n';
        o << fmt::free("D burn luminsity/LJ  1,nf:", s.lburnold(1) / kLjupBurn, s.lburnold(n) / kLjupBurn) << '\n';
    }
}

// Inverse of F_1/2 on the built-in grid by linear interpolation, and the
// electron factor thetae = F_-1/2 / (2 F_1/2): 1 for a Boltzmann gas, where
// F_-1/2 -> 2 F_1/2 (both ~ Gamma(j+1) e^psi), falling as 3/(2 psi) for
// complete degeneracy. The tables hold the integrals without 1/Gamma(j+1).
void calctheta(double fhalf, double& thetae, double& psi) {
    using fdtab::kPoints;
    const auto& f = fdtab::fhalf;
    if (fhalf < f.front()) {
        thetae = 1.0;
        psi = -1e90;
        return;
    }
    if (fhalf > f.back()) {
        thetae = 0.0;
        psi = 1e90;
        return;
    }
    // j (0-based here): the last entry with f[j] <= fhalf; the value of the
    // last entry itself uses the last interval.
    auto j = static_cast<std::size_t>(std::upper_bound(f.begin(), f.end(), fhalf) - f.begin()) - 1;
    j = std::min<std::size_t>(j, kPoints - 2);
    const double p0 = fdtab::psi[j], p1 = fdtab::psi[j + 1];
    psi = p0 + (fhalf - f[j]) * (p1 - p0) / (f[j + 1] - f[j]);
    const double h0 = 0.5 * fdtab::fmhalf[j], h1 = 0.5 * fdtab::fmhalf[j + 1];
    thetae = (h0 + (psi - p0) * (h1 - h0) / (p1 - p0)) / fhalf;
}

}  // namespace velkaro::processes
