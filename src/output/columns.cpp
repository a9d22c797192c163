#include "output/columns.hpp"

#include <cmath>
#include <cstdint>

#include "atmosphere/classify.hpp"
#include "common/constants.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "eos/eos.hpp"
#include "output/context.hpp"
#include "output/output.hpp"

namespace velkaro::output {

namespace {

using T = TrackView;
using D = DumpView;

constexpr double kBar = 1e6;                       // dyn/cm2
constexpr double kMdotUnit = cst::Mearth / cst::year;  // Earth masses per year in g/s

// Shell n of the model (the outer boundary); 1 for an empty model so that
// the line still reads defined entries.
int outer(const PlanetState& s) { return s.nf >= 1 ? s.nf : 1; }

const char* const kContrastMicron[14] = {"1", "2", "3", "4", "5", "6", "8", "10", "12", "16", "20", "40", "60", "100"};
const char* const kFilters[16] = {"U", "B", "V", "R", "I", "J", "H", "Ks", "L", "M", "N", "Q", "W1", "W2", "W3", "W4"};
const char* const kGridFilters[9] = {"2MASSJ", "2MASSH", "2MASSKs", "NACOJ", "NACOH",
                                     "NACOKs", "NACOLp", "NACOMp", "HiCIAOH"};
const char* const kGridFilterNames[9] = {"2MASS J",          "2MASS H",          "2MASS Ks",
                                         "NACO-CONICA J",    "NACO-CONICA H",    "NACO-CONICA Ks",
                                         "NACO L'",          "NACO M'",          "HiCIAO H"};

std::vector<Column<T>> build_track() {
    std::vector<Column<T>> c;
    c.reserve(193);
    auto add = [&](std::string name, std::string unit, std::string meaning, double (*get)(const T&, int),
                   bool integer = false, int k = 0) {
        c.push_back({std::move(name), std::move(unit), std::move(meaning), integer, get, k});
    };
    // clang-format off
    add("step", "", "time-step number (0: the initial model)", [](const T& t, int) { return double(t.s.istep); }, true);
    add("age_yr", "yr", "age of the planet", [](const T& t, int) { return t.s.temps / cst::year; });
    add("nshells", "", "number of envelope shells n", [](const T& t, int) { return double(t.s.nf); }, true);
    add("Mcore_ME", "M_earth", "mass inside shell 1 (the core)", [](const T& t, int) { return t.s.masse(1) / cst::Mearth; });
    add("Mtot_ME", "M_earth", "mass inside shell n (the planet)", [](const T& t, int) { return t.s.masse(outer(t.s)) / cst::Mearth; });
    add("Rcore_RJ", "R_jup", "radius of shell 1 (core-envelope boundary)", [](const T& t, int) { return t.s.x(kR, 1) / cst::Rjup; });
    add("Rout_RJ", "R_jup", "radius of shell n (outer boundary)", [](const T& t, int) { return t.s.x(kR, outer(t.s)) / cst::Rjup; });
    add("Rcore_RE", "R_earth", "radius of shell 1", [](const T& t, int) { return t.s.x(kR, 1) / cst::Rearth; });
    add("Rout_RE", "R_earth", "radius of shell n", [](const T& t, int) { return t.s.x(kR, outer(t.s)) / cst::Rearth; });
    add("Lceb_LJ", "L_jup", "luminosity at shell 1", [](const T& t, int) { return t.s.x(kL, 1) / cst::Ljup; });
    add("Lout_LJ", "L_jup", "luminosity at shell n (intrinsic luminosity)", [](const T& t, int) { return t.s.x(kL, outer(t.s)) / cst::Ljup; });
    add("Lout_Lsun", "L_sun", "luminosity at shell n", [](const T& t, int) { return t.s.x(kL, outer(t.s)) / cst::Lsun; });
    add("Pceb_bar", "bar", "pressure at shell 1", [](const T& t, int) { return t.s.x(kP, 1) / kBar; });
    add("Pout_bar", "bar", "pressure at shell n", [](const T& t, int) { return t.s.x(kP, outer(t.s)) / kBar; });
    add("Tceb_K", "K", "temperature at shell 1", [](const T& t, int) { return t.s.x(kT, 1); });
    add("Tout_K", "K", "temperature at shell n", [](const T& t, int) { return t.s.x(kT, outer(t.s)); });
    add("tKH_yr", "yr", "Kelvin-Helmholtz time of the time-step control", [](const T& t, int) { return t.s.TKH / cst::year; });
    add("dt_yr", "yr", "current time step", [](const T& t, int) { return t.s.dt / cst::year; });
    add("Etot_erg", "erg", "total energy of the planet (first method)", [](const T& t, int) { return t.s.Etot; });
    add("Etot2_erg", "erg", "total energy of the planet (second method)", [](const T& t, int) { return t.s.Etot2; });
    add("kenerg", "", "auxiliary energy ratio of the energy budget (first method)", [](const T& t, int) { return t.s.kenerg; });
    add("kenerg2", "", "auxiliary energy ratio of the energy budget (second method)", [](const T& t, int) { return t.s.kenerg2; });
    add("cLesti", "", "luminosity correction factor of the energy loop", [](const T& t, int) { return t.s.cLesti; });
    add("cEratio", "", "ratio of achieved to expected total energy", [](const T& t, int) { return t.s.cEratio; });
    add("Lact_LJ", "L_jup", "luminosity from the change of total energy over the step", [](const T& t, int) { return t.s.Lact / cst::Ljup; });
    add("rhocore_gcm3", "g/cm3", "mean density of the core", [](const T& t, int) { return t.s.rhocore; });
    add("Lradio_LJ", "L_jup", "radiogenic luminosity of the core", [](const T& t, int) { return t.s.Lradio / cst::Ljup; });
    add("Sceb_kB", "k_B/baryon", "specific entropy at shell 1", [](const T& t, int) { return cst::entropy_kB_per_baryon(t.s.entro(1)); });
    add("Sout_kB", "k_B/baryon", "specific entropy at shell n", [](const T& t, int) { return cst::entropy_kB_per_baryon(t.s.entro(outer(t.s))); });
    add("Ltds_LJ", "L_jup", "-T dS/dt luminosity at the outer shell (with escape: the last filled shell)", [](const T& t, int) { return t.s.lumitds(t.v.jlumi) / cst::Ljup; });
    add("LDburn_LJ", "L_jup", "deuterium-burning luminosity", [](const T& t, int) { return t.s.Lburntot / cst::Ljup; });
    add("tDburn_yr", "yr", "deuterium-burning time scale", [](const T& t, int) { return t.s.tburn / cst::year; });
    add("tmix_yr", "yr", "convective mixing time scale", [](const T& t, int) { return t.s.tmix / cst::year; });
    add("Neddy", "", "average number of eddies across the envelope", [](const T& t, int) { return t.s.Neddy; });
    add("XD_ceb", "", "deuterium mass fraction at shell 1", [](const T& t, int) { return t.s.xdeu(1); });
    add("tau_out", "", "optical depth at shell n", [](const T& t, int) { return t.s.x(kTau, outer(t.s)); });
    add("M_tau23_ME", "M_earth", "mass inside the tau = 2/3 level", [](const T& t, int) { return t.v.l23.m / cst::Mearth; });
    add("R_tau23_RJ", "R_jup", "radius of the tau = 2/3 level (photosphere)", [](const T& t, int) { return t.v.l23.r / cst::Rjup; });
    add("R_tau23_RE", "R_earth", "radius of the tau = 2/3 level", [](const T& t, int) { return t.v.l23.r / cst::Rearth; });
    add("Mdot_MEyr", "M_earth/yr", "total mass-loss rate by escape (absolute value)", [](const T& t, int) { return std::fabs(t.s.Mdotevap) / kMdotUnit; });
    add("envelopeflag", "", "1 while the planet has an envelope, 0 once it is lost", [](const T& t, int) { return t.s.envelopeflag; });
    add("tau_ceb", "", "optical depth at shell 1", [](const T& t, int) { return t.s.x(kTau, 1); });
    add("rho_ceb_gcm3", "g/cm3", "density at shell 1", [](const T& t, int) { return t.m.state.rho(1); });
    add("rho_out_gcm3", "g/cm3", "density at shell n", [](const T& t, int) { return t.m.state.rho(outer(t.s)); });
    add("conv_ceb", "", "shell 1 convective (1) or radiative (0)", [](const T& t, int) { return t.m.state.conv(1); });
    add("conv_out", "", "shell n convective (1) or radiative (0)", [](const T& t, int) { return t.m.state.conv(outer(t.s)); });
    add("n_convtops", "", "number of tops of convective zones", [](const T& t, int) { return double(t.v.ntops); });
    add("P_tau23_bar", "bar", "pressure at the tau = 2/3 level (0 when the model does not cross it)", [](const T& t, int) { return t.v.l23.P / kBar; });
    add("T_tau23_K", "K", "temperature at the tau = 2/3 level", [](const T& t, int) { return t.v.l23.T; });
    add("Teq_K", "K", "equilibrium temperature", [](const T& t, int) { return t.m.temps.teq; });
    add("a_AU", "AU", "orbital semi-major axis", [](const T& t, int) { return t.s.aplanete / cst::AU; });
    add("fice", "", "ice mass fraction of the core", [](const T& t, int) { return t.s.fract_ice; });
    add("Menv_ME", "M_earth", "envelope mass", [](const T& t, int) { return (t.s.masse(outer(t.s)) - t.s.masse(1)) / cst::Mearth; });
    add("Menv_frac", "", "envelope mass over the initial envelope mass", [](const T& t, int) { return (t.s.masse(outer(t.s)) - t.s.masse(1)) / t.m.common.menveinit; });
    add("Teff_K", "K", "effective temperature from L and r at tau = 2/3", [](const T& t, int) { return t.v.teff; });
    add("water_phase", "", "water at the core-envelope boundary: 0 solid, 1 liquid, 2 vapour, 3 supercritical, 4 out of range, -1 undetermined", [](const T& t, int) { return t.v.water; });
    add("thab_yr", "yr", "time spent with liquid water at the core-envelope boundary", [](const T& t, int) { return t.m.state.thab / cst::year; });
    add("rho_mean_gcm3", "g/cm3", "mean density: total mass over the volume inside tau = 2/3", [](const T& t, int) { return t.v.rhomean; });
    add("Etherm_core_erg", "erg", "thermal energy of the core", [](const T& t, int) { return t.s.EthermCore; });
    add("Egrav_core_erg", "erg", "gravitational energy of the core", [](const T& t, int) { return t.s.EgravCore; });
    add("Ltherm_core_LJ", "L_jup", "luminosity from the change of the core's thermal energy", [](const T& t, int) { return t.s.LthermCore / cst::Ljup; });
    add("Lgrav_core_LJ", "L_jup", "luminosity from the change of the core's gravitational energy", [](const T& t, int) { return t.s.LgravCore / cst::Ljup; });
    add("L_tau23_LJ", "L_jup", "4 pi r^2 sigma T^4 with r and T at tau = 2/3", [](const T& t, int) { return t.v.l23lum / cst::Ljup; });
    add("lambda_peak_um", "micron", "wavelength of the black-body peak at Teff", [](const T& t, int) { return 1e4 * t.v.peak; });
    add("R_roche_RE", "R_earth", "Hill-sphere (Roche) radius", [](const T& t, int) { return t.v.roche / cst::Rearth; });
    add("Mdot_roche_MEyr", "M_earth/yr", "Roche-lobe overflow rate (absolute value)", [](const T& t, int) { return std::fabs(t.s.Mdotroche) / kMdotUnit; });
    add("H_tau23_cm", "cm", "pressure scale height at tau = 2/3", [](const T& t, int) { return t.v.H; });
    add("g_tau23_cgs", "cm/s2", "gravity at tau = 2/3", [](const T& t, int) { return t.v.g; });
    add("R_transit_RE", "R_earth", "transit radius", [](const T& t, int) { return t.v.rtransit / cst::Rearth; });
    add("R_transit_RJ", "R_jup", "transit radius", [](const T& t, int) { return t.v.rtransit / cst::Rjup; });
    add("R_1bar_RE", "R_earth", "radius of the 1-bar level (0 when not crossed)", [](const T& t, int) { return t.v.l1bar.r / cst::Rearth; });
    add("T_1bar_K", "K", "temperature at the 1-bar level", [](const T& t, int) { return t.v.l1bar.T; });
    add("tau_1bar", "", "optical depth at the 1-bar level", [](const T& t, int) { return t.v.l1bar.tau; });
    add("M_1bar_ME", "M_earth", "mass inside the 1-bar level", [](const T& t, int) { return t.v.l1bar.m / cst::Mearth; });
    add("zero", "", "always 0", [](const T&, int) { return 0.0; });
    add("Lint_env_LJ", "L_jup", "luminosity from the change of the envelope's internal energy", [](const T& t, int) { return t.s.Lintenv / cst::Ljup; });
    add("Lgrav_env_LJ", "L_jup", "luminosity from the change of the envelope's gravitational energy", [](const T& t, int) { return t.s.Lgravenv / cst::Ljup; });
    add("Eint_env_erg", "erg", "internal energy of the envelope", [](const T& t, int) { return t.s.Eintenv; });
    add("Egrav_env_erg", "erg", "gravitational energy of the envelope", [](const T& t, int) { return t.s.Egravenv; });
    add("kv2kth", "", "ratio of visible to thermal mean opacity", [](const T& t, int) { return t.m.dualband.kv2kth; });
    add("Rstar_Rsun", "R_sun", "radius of the star", [](const T& t, int) { return t.v.rstar / cst::Rsun; });
    add("Teffstar_K", "K", "effective temperature of the star", [](const T& t, int) { return t.v.teffstar; });
    add("Lstar_Lsun", "L_sun", "luminosity of the star", [](const T& t, int) { return t.v.lstar / cst::Lsun; });
    add("Fhalf_ceb", "", "electron Fermi-Dirac integral F_1/2 at shell 1", [](const T& t, int) { return t.m.state.fhalf(1); });
    add("thetae_ceb", "", "electron degeneracy factor theta_e at shell 1 (1 non-degenerate, 0 fully degenerate)", [](const T& t, int) { return t.m.state.thetae(1); });
    add("psi_ceb", "", "electron degeneracy parameter psi at shell 1", [](const T& t, int) { return t.m.state.psi(1); });
    add("R_rcb_RE", "R_earth", "radius of the first radiative-convective boundary (0 when there is none)", [](const T& t, int) { return t.v.rcb.r / cst::Rearth; });
    add("L_rcb_LJ", "L_jup", "luminosity at the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.L / cst::Ljup; });
    add("P_rcb_bar", "bar", "pressure at the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.P / kBar; });
    add("T_rcb_K", "K", "temperature at the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.T; });
    add("M_rcb_ME", "M_earth", "mass inside the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.m / cst::Mearth; });
    add("tau_rcb", "", "optical depth at the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.tau; });
    add("kappa_rcb_cm2g", "cm2/g", "opacity at the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.kappa; });
    add("rho_rcb_gcm3", "g/cm3", "density at the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.rho; });
    add("nabla_rad_rcb", "", "radiative gradient dlnT/dlnP at the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.nabla; });
    add("nabla_ad_rcb", "", "adiabatic gradient at the radiative-convective boundary", [](const T& t, int) { return t.v.rcb.nabla_ad; });
    add("Erad_erg", "erg", "energy radiated since the start", [](const T& t, int) { return t.s.Erad; });
    for (int k = 0; k < 14; ++k)
        add(std::string("contrast_") + kContrastMicron[k] + "um", "",
            std::string("planet-to-star flux contrast at ") + kContrastMicron[k] + " micron",
            [](const T& t, int i) { return t.v.contrasts[static_cast<std::size_t>(i)]; }, false, k);
    for (int k = 0; k < 36; ++k) {
        const std::string nn = (k < 9 ? "0" : "") + std::to_string(k + 1);
        add("magfit_" + nn, "mag", "fitted absolute magnitude number " + std::to_string(k + 1),
            [](const T& t, int i) { return t.v.magsfit[static_cast<std::size_t>(i)]; }, false, k);
    }
    for (int k = 0; k < 16; ++k)
        add(std::string("bbmag_") + kFilters[k], "mag", std::string("black-body absolute magnitude in ") + kFilters[k],
            [](const T& t, int i) { return t.v.bbmags[static_cast<std::size_t>(i)]; }, false, k);
    for (int k = 0; k < 16; ++k)
        add(std::string("bbflux_") + kFilters[k] + "_Jy", "Jy",
            std::string("black-body flux density at 10 pc at the effective wavelength of ") + kFilters[k],
            [](const T& t, int i) { return t.v.bbfluxes[static_cast<std::size_t>(i)]; }, false, k);
    for (int k = 0; k < 9; ++k)
        add(std::string("gridmag_") + kGridFilters[k], "mag",
            std::string("absolute magnitude in ") + kGridFilterNames[k] +
                " interpolated in the model-atmosphere grid (0 outside the grid)",
            [](const T& t, int i) { return t.v.gridabs[static_cast<std::size_t>(i)]; }, false, k);
    add("Tc_K", "K", "central temperature", [](const T& t, int) { return t.s.Tcentral; });
    add("Pc_bar", "bar", "central pressure", [](const T& t, int) { return t.s.Pcentral / kBar; });
    add("Tint_K", "K", "intrinsic temperature (L/(4 pi r^2 sigma))^(1/4) at shell n", [](const T& t, int) {
        const int n = outer(t.s);
        return std::pow(t.s.x(kL, n) / (cst::fourpi * t.s.x(kR, n) * t.s.x(kR, n) * cst::sigmaSB), 0.25);
    });
    add("logg_out_cgs", "log10(cm/s2)", "log10 of the gravity at shell n", [](const T& t, int) {
        const int n = outer(t.s);
        return std::log10(cst::G * t.s.masse(n) / (t.s.x(kR, n) * t.s.x(kR, n)));
    });
    add("end", "", "end-of-line marker -111", [](const T&, int) { return -111.0; }, true);
    // clang-format on
    return c;
}

std::vector<Column<D>> build_dump() {
    std::vector<Column<D>> c;
    c.reserve(23);
    auto add = [&](std::string name, std::string unit, std::string meaning, double (*get)(const D&, int),
                   bool integer = false) {
        c.push_back({std::move(name), std::move(unit), std::move(meaning), integer, get, 0});
    };
    // clang-format off
    add("shell", "", "shell number i (1: core-envelope boundary)", [](const D& d, int) { return double(d.i); }, true);
    add("r_RJ", "R_jup", "radius", [](const D& d, int) { return d.s.x(kR, d.i) / cst::Rjup; });
    add("m_ME", "M_earth", "enclosed mass", [](const D& d, int) { return d.s.masse(d.i) / cst::Mearth; });
    add("L_LJ", "L_jup", "luminosity", [](const D& d, int) { return d.s.x(kL, d.i) / cst::Ljup; });
    add("Ltds_LJ", "L_jup", "-T dS/dt luminosity integrated from shell 1", [](const D& d, int) { return d.s.lumitds(d.i) / cst::Ljup; });
    add("P_bar", "bar", "pressure", [](const D& d, int) { return d.s.x(kP, d.i) / kBar; });
    add("T_K", "K", "temperature", [](const D& d, int) { return d.s.x(kT, d.i); });
    add("rho_gcm3", "g/cm3", "density", [](const D& d, int) { return d.e.rho; });
    add("Gamma1", "", "first adiabatic exponent (dlnP/dlnrho at constant entropy)", [](const D& d, int) {
        const double p = d.s.x(kP, d.i);
        return -(d.e.rho / p) * d.e.dsdt / (d.e.dsdp * d.e.drhodt - d.e.dsdt * d.e.drhodp);
    });
    add("kappa_cm2g", "cm2/g", "opacity", [](const D& d, int) { return d.kappa; });
    add("conv", "", "convective (1) or radiative (0)", [](const D& d, int) { return d.o.conv(d.i); });
    add("S_kB", "k_B/baryon", "specific entropy", [](const D& d, int) { return cst::entropy_kB_per_baryon(d.s.entro(d.i)); });
    add("dTdP_S", "K cm2/dyn", "adiabatic temperature derivative (dT/dP) at constant entropy", [](const D& d, int) { return d.e.dtdp; });
    add("u_ergg", "erg/g", "specific internal energy", [](const D& d, int) { return d.e.u; });
    add("age_yr", "yr", "age of the planet", [](const D& d, int) { return d.s.temps / cst::year; });
    add("nabla_rad", "", "radiative gradient dlnT/dlnP", [](const D& d, int) { return d.c.nabla; });
    add("nabla_ad", "", "adiabatic gradient dlnT/dlnP", [](const D& d, int) { return d.c.nabla_ad; });
    add("tau", "", "optical depth counted from the outer boundary", [](const D& d, int) { return d.s.x(kTau, d.i); });
    add("dTdr_Kcm", "K/cm", "temperature gradient followed by the structure", [](const D& d, int) { return d.c.dTdr; });
    add("regime", "", "transport regime: 5 radiative diffusion, 6 adiabat", [](const D& d, int) { return double(d.c.regime); });
    add("Fhalf", "", "electron Fermi-Dirac integral F_1/2", [](const D& d, int) { return d.o.fhalf(d.i); });
    add("thetae", "", "electron degeneracy factor theta_e", [](const D& d, int) { return d.o.thetae(d.i); });
    add("psi", "", "electron degeneracy parameter psi", [](const D& d, int) { return d.o.psi(d.i); });
    // clang-format on
    return c;
}

void csv_quoted(std::ostream& os, const std::string& s) {
    os << '"';
    for (char ch : s) {
        if (ch == '"') os << '"';
        os << ch;
    }
    os << '"';
}

}  // namespace

std::vector<Column<T>> build_irradiated() {
    std::vector<Column<T>> c;
    auto add = [&](std::string name, std::string unit, std::string meaning, double (*get)(const T&, int),
                   bool integer = false) { c.push_back({std::move(name), std::move(unit), std::move(meaning), integer, get, 0}); };
    // clang-format off
    add("step", "", "time-step number, as in fort.1", [](const T& t, int) { return double(t.s.istep); }, true);
    add("age_yr", "yr", "age of the planet, as in fort.1", [](const T& t, int) { return t.s.temps / cst::year; });
    add("Rout_irr_RJ", "R_jup", "radius of the outer boundary (fort.1 Rout_RJ): 100 bar, or the RCB when deeper", [](const T& t, int) { return t.s.x(kR, outer(t.s)) / cst::Rjup; });
    add("R_100bar_irr_RJ", "R_jup", "radius of the 100-bar level", [](const T& t, int) { return t.v.irr.r100 / cst::Rjup; });
    add("R_1bar_irr_RJ", "R_jup", "radius of the 1-bar level of the irradiated atmosphere", [](const T& t, int) { return t.v.irr.r1bar / cst::Rjup; });
    add("R_phot_irr_RJ", "R_jup", "radius of the photosphere (thermal optical depth 2/3) of the irradiated atmosphere", [](const T& t, int) { return t.v.irr.rphot / cst::Rjup; });
    add("R_transit_irr_RJ", "R_jup", "transit radius r + H ln(sqrt(2 pi r/H) kv2kth) with r, H at the photosphere of the irradiated atmosphere", [](const T& t, int) { return t.v.irr.rtransit / cst::Rjup; });
    add("R_1bar_irr_RE", "R_earth", "radius of the 1-bar level", [](const T& t, int) { return t.v.irr.r1bar / cst::Rearth; });
    add("R_phot_irr_RE", "R_earth", "radius of the photosphere", [](const T& t, int) { return t.v.irr.rphot / cst::Rearth; });
    add("R_transit_irr_RE", "R_earth", "transit radius", [](const T& t, int) { return t.v.irr.rtransit / cst::Rearth; });
    add("Tint_irr_K", "K", "intrinsic temperature (L/(4 pi R^2 sigma))^(1/4) at the outer boundary", [](const T& t, int) { return t.v.irr.tint; });
    add("Teq_irr_K", "K", "equilibrium temperature of the whole-planet average, Tirr/sqrt(2)", [](const T& t, int) { return t.v.irr.teq; });
    add("Teff_irr_K", "K", "effective temperature with the absorbed starlight, (Tint^4 + Teq^4)^(1/4)", [](const T& t, int) { return t.v.irr.teff; });
    add("T_phot_irr_K", "K", "temperature at the photosphere of the irradiated atmosphere", [](const T& t, int) { return t.v.irr.tphot; });
    add("P_phot_irr_bar", "bar", "pressure at the photosphere", [](const T& t, int) { return t.v.irr.pphot / kBar; });
    add("Pout_irr_bar", "bar", "pressure of the outer boundary: 100 bar, or the RCB when deeper", [](const T& t, int) { return t.v.irr.pbound / kBar; });
    add("Tout_irr_K", "K", "temperature of the outer boundary", [](const T& t, int) { return t.v.irr.tbound; });
    add("tauout_irr", "", "thermal optical depth of the outer boundary", [](const T& t, int) { return t.v.irr.taubound; });
    add("P_rcb_irr_bar", "bar", "pressure of the radiative-convective boundary: the top of the convective layer that reaches the outer boundary, or, when the atmosphere is radiative there, fort.1 P_rcb_bar", [](const T& t, int) { return t.v.irr.prcb / kBar; });
    add("H_phot_irr_cm", "cm", "pressure scale height at the photosphere", [](const T& t, int) { return t.v.irr.H; });
    add("kv2kth_irr", "", "visible-to-thermal opacity ratio gamma of the profile", [](const T& t, int) { return t.m.dualband.kv2kth; });
    add("M_above_irr_ME", "M_earth", "mass of the atmosphere above the outer boundary, 4 pi R^2 P/g; not part of the envelope model (whose mass is the planet's)", [](const T& t, int) { return t.v.irr.mabove / cst::Mearth; });
    // clang-format on
    return c;
}

const std::vector<Column<TrackView>>& irradiated_columns() {
    static const std::vector<Column<TrackView>> cols = build_irradiated();
    return cols;
}

const std::vector<Column<TrackView>>& track_columns() {
    static const std::vector<Column<TrackView>> cols = build_track();
    return cols;
}

const std::vector<Column<DumpView>>& dump_columns() {
    static const std::vector<Column<DumpView>> cols = build_dump();
    return cols;
}

template <typename View>
void write_description(std::ostream& os, const std::vector<Column<View>>& cols) {
    os << "column,name,unit,meaning\n";
    for (std::size_t j = 0; j < cols.size(); ++j) {
        os << (j + 1) << ',' << cols[j].name << ',' << cols[j].unit << ',';
        csv_quoted(os, cols[j].meaning);
        os << '\n';
    }
}

template <typename View>
int append_line(std::string& line, const std::vector<Column<View>>& cols, const View& view, int width, int digits) {
    int bad = 0;
    for (std::size_t j = 0; j < cols.size(); ++j) {
        const double x = cols[j].get(view, cols[j].k);
        if (cols[j].integer) {
            line += fmt::I(static_cast<std::int64_t>(x), width);
        } else {
            if (bad == 0 && !std::isfinite(x)) bad = static_cast<int>(j) + 1;
            line += fmt::G(x, width, digits);
        }
    }
    return bad;
}

template void write_description(std::ostream&, const std::vector<Column<TrackView>>&);
template void write_description(std::ostream&, const std::vector<Column<DumpView>>&);
template int append_line(std::string&, const std::vector<Column<TrackView>>&, const TrackView&, int, int);
template int append_line(std::string&, const std::vector<Column<DumpView>>&, const DumpView&, int, int);

}  // namespace velkaro::output
