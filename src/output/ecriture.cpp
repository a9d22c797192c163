// The result files: one evolution-track line per output call, structure
// dumps at logarithmically spaced ages, and the levels and observables that
// are derived from the model on the way (photosphere, 1-bar level, first
// radiative-convective boundary, transit radius, magnitudes, contrast).
#include <algorithm>
#include <cmath>
#include <fstream>

#include "atmosphere/classify.hpp"
#include "atmosphere/irradiated.hpp"
#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/model_state.hpp"
#include "eos/eos.hpp"
#include "opacity/opacity.hpp"
#include "output/columns.hpp"
#include "output/observables.hpp"
#include "output/output.hpp"
#include "processes/deuterium.hpp"
#include "processes/star.hpp"
#include "structure/roche.hpp"

namespace velkaro::output {

namespace {

constexpr double kTwoThirds = 2.0 / 3.0;
constexpr double kOneBar = 1e6;            // dyn/cm2
constexpr double kMinSaveGap = 3.15576e11; // 1e4 years [s]
constexpr int kTrackWidth = 22, kTrackDigits = 10;
constexpr int kDumpWidth = 19, kDumpDigits = 9;

// Electrons per gram of a fully ionised H/He mixture times h^3 / (4 pi
// (2 m_e k T)^1.5): the Fermi-Dirac integral F_1/2 of the electron gas at
// density rho [g/cm3] and temperature T [K].
double fermi_half(double rho, double T, double Y) {
    const double X = 1.0 - Y;
    const double ne_per_gram = ((4 * X + 2 * Y) / (3 * Y + 8 * X)) * ((0.75 * Y + 2 * X) / cst::amu);
    return rho * ne_per_gram * 2.90933425496728e-79 * 0.25 / cst::pi / std::pow(2.5153239656000004e-43 * T, 1.5);
}

void check_written(const PathModule& path, const std::ofstream& f, const char* name) {
    if (!f) fatal({"PROBLEME : cannot write the result file " + (path.rundir / name).string()});
}

void open_result(const PathModule& path, std::ofstream& f, const char* name) {
    f.open(path.rundir / name, std::ios::out | std::ios::trunc);
    if (!f) fatal({"PROBLEME : cannot open the result file " + (path.rundir / name).string()});
}

// Start a structure dump: without keepall both files are opened afresh for
// every dump (so they hold the latest one); with keepall they are opened at
// the first dump of the run and every dump is appended.
void begin_dump(const OutputModel& m) {
    auto& o = m.state;
    for (auto [f, name] : {std::pair{&o.fort13, "fort.13"}, std::pair{&o.fort14, "fort.14"}}) {
        if (!m.common.keepall && f->is_open()) f->close();
        if (!f->is_open()) open_result(m.path, *f, name);
        *f << '\n';
    }
}

// Finish one file of a dump: written to disk, closed unless keepall.
void end_dump(const OutputModel& m, std::ofstream& f, const char* name) {
    f.flush();
    check_written(m.path, f, name);
    if (!m.common.keepall) f.close();
}

// Step through the shells: density, opacity, convection flag and electron
// degeneracy of each, and its line of the dump.
void scan_shells(const OutputModel& m, const PlanetState& s, int n, bool dump) {
    auto& o = m.state;
    const auto& cols = dump_columns();
    eos::EosOut e;
    for (int i = 1; i <= n; ++i) {
        const double P = s.x(kP, i), T = s.x(kT, i);
        eos::eos(m.eos, 0.0, s.YHe, P, T, e);
        o.rho(i) = e.rho;
        // The classification and the dump take the gas of the remembered
        // EOS evaluation (the density and gradient the envelope equations
        // had) and the opacity at its density.
        const double kappa = opacity::opacites(m.opacity, e.rho, T);
        const atmosphere::ShellClass c = atmosphere::calcconvradwithdb(
            m.io, P, T, s.x(kL, i), s.masse(i), s.YHe, 0.0, s.x(kTau, i), s.x(kR, i), e.rho, e.dtdp, kappa);
        if (c.cls == 'C')
            o.conv(i) = 1;
        else if (c.cls == 'R')
            o.conv(i) = 0;
        else
            fatal({"PROBLEME: undefined convect in ecriture"});
        o.fhalf(i) = fermi_half(e.rho, T, s.YHe);
        processes::calctheta(o.fhalf(i), o.thetae(i), o.psi(i));
        if (dump) {
            o.line.clear();
            const int bad = append_line(o.line, cols, DumpView{s, o, i, e, c, kappa}, kDumpWidth, kDumpDigits);
            if (bad)
                m.io.note() << fmt::free("WARNING: ecriture: fort.13 column", bad, cols[bad - 1].name, "of shell", i,
                                       "is not a number")
                          << '\n';
            o.fort13 << o.line << '\n';
        }
    }
}

// The first radiative-convective boundary: means of the two shells around
// it, with the opacity and the gradients evaluated at the mean state.
RcbValues rcb_values(const OutputModel& m, const PlanetState& s, int i) {
    RcbValues b;
    const auto mean = [](double a, double c) { return 0.5 * (a + c); };
    b.rho = mean(m.state.rho(i), m.state.rho(i + 1));
    b.r = mean(s.x(kR, i), s.x(kR, i + 1));
    b.L = mean(s.x(kL, i), s.x(kL, i + 1));
    b.P = mean(s.x(kP, i), s.x(kP, i + 1));
    b.T = mean(s.x(kT, i), s.x(kT, i + 1));
    b.m = mean(s.masse(i), s.masse(i + 1));
    b.tau = mean(s.x(kTau, i), s.x(kTau, i + 1));
    b.kappa = opacity::opacites(m.opacity, b.rho, b.T);
    const atmosphere::ShellClass c = atmosphere::calcconvradwithdb(m.eos, m.opacity, m.io, b.P, b.T, b.L, b.m, s.YHe, 0.0, b.tau, b.r);
    b.nabla = c.nabla;
    b.nabla_ad = c.nabla_ad;
    return b;
}

// The shell whose -T dS/dt luminosity the track reports: the outer one, or
// with escape the last shell filled before the first exact zero.
int lumitds_shell(const OutputModel& m, const PlanetState& s, int n) {
    if (!m.gasloss.gasevap) return n >= 1 ? n : 1;
    for (int i = 2; i <= kMaxShells; ++i)
        if (s.lumitds(i) == 0.0) return i - 1;
    return kMaxShells;
}

void noevo_summary(const OutputModel& m, const PlanetState& s) {
    const auto& v = m.state.v;
    const int n = s.nf >= 1 ? s.nf : 1;
    auto& os = m.io.con();
    const double RE = cst::Rearth, ME = cst::Mearth;
    os << '\n';
    os << fmt::free("Noevo is true: Properties core-envelope-boundary, 1 bar, tau 2/3, top:") << '\n';
    os << fmt::free("Radius/Rearth   ", s.x(kR, 1) / RE, v.l1bar.r / RE, v.l23.r / RE, s.x(kR, n) / RE) << '\n';
    os << fmt::free("Masse/Mearth    ", s.masse(1) / ME, v.l1bar.m / ME, v.l23.m / ME, s.masse(n) / ME) << '\n';
    os << fmt::free("Temperature     ", s.x(kT, 1), v.l1bar.T, v.l23.T, s.x(kT, n)) << '\n';
    os << fmt::free("Pressure/bar    ", s.x(kP, 1) / kOneBar, 1.0, v.l23.P / kOneBar, s.x(kP, n) / kOneBar) << '\n';
    os << fmt::free("Tau             ", s.x(kTau, 1), v.l1bar.tau, kTwoThirds, s.x(kTau, n)) << '\n';
    os << fmt::free("Entropy at c-e-b", cst::entropy_kB_per_baryon(s.entro(1))) << '\n';
    os << fmt::free("Central P/bar, T", s.Pcentral / kOneBar, s.Tcentral) << '\n';
    os << fmt::free("Transit radius (Re, Rj)", v.rtransit / RE, v.rtransit / cst::Rjup) << '\n';
}

}  // namespace

double next_save_time(double tempssave, double dtsave) {
    const double tnext = std::pow(10.0, std::log10((tempssave + 1.0) / cst::year) + dtsave) * cst::year;
    if (std::isnan(tnext) || tnext < tempssave + kMinSaveGap) return tempssave + kMinSaveGap;
    return tnext;
}

void find_levels(const PlanetState& s, int n, Level& l23, Level& l1bar) {
    const int nn = n >= 1 ? n : 1;
    l23 = Level{};
    l1bar = Level{};
    l23.m = s.masse(nn);
    l23.r = s.x(kR, nn);
    l23.L = s.x(kL, nn);
    l23.T = std::pow(s.x(kL, nn) / (cst::fourpi * s.x(kR, nn) * s.x(kR, nn) * cst::sigmaSB), 0.25);
    const Level base{s.x(kR, 1), s.x(kL, 1), s.x(kP, 1), s.x(kT, 1), s.x(kTau, 1), s.masse(1)};
    if (n < 2) {
        l23 = base;
        l1bar = base;
        return;
    }
    const auto lerp = [](double a, double b, double w) { return a + w * (b - a); };
    for (int i = 1; i < n; ++i) {
        const double t0 = s.x(kTau, i), t1 = s.x(kTau, i + 1);
        if (t0 > kTwoThirds && kTwoThirds >= t1) {
            const double w = (kTwoThirds - t0) / (t1 - t0);
            l23.r = lerp(s.x(kR, i), s.x(kR, i + 1), w);
            l23.L = lerp(s.x(kL, i), s.x(kL, i + 1), w);
            l23.P = lerp(s.x(kP, i), s.x(kP, i + 1), w);
            l23.T = lerp(s.x(kT, i), s.x(kT, i + 1), w);
            l23.m = lerp(s.masse(i), s.masse(i + 1), w);
        }
        const double p0 = s.x(kP, i), p1 = s.x(kP, i + 1);
        if (p0 > kOneBar && kOneBar >= p1) {
            const double w = (kOneBar - p0) / (p1 - p0);
            l1bar.r = lerp(s.x(kR, i), s.x(kR, i + 1), w);
            l1bar.tau = lerp(s.x(kTau, i), s.x(kTau, i + 1), w);
            l1bar.T = lerp(s.x(kT, i), s.x(kT, i + 1), w);
            l1bar.m = lerp(s.masse(i), s.masse(i + 1), w);
        }
    }
    if (base.tau < kTwoThirds) {
        l23.r = base.r;
        l23.L = base.L;
        l23.P = base.P;
        l23.T = base.T;
        l23.m = base.m;
    }
    if (base.P < kOneBar) {
        l1bar.r = base.r;
        l1bar.tau = base.tau;
        l1bar.T = base.T;
        l1bar.m = base.m;
    }
}

int convective_tops(const double* conv, int n) {
    int count = 0;
    for (int i = 0; i + 1 < n; ++i)
        if (conv[i] == 1.0 && conv[i + 1] == 0.0) ++count;
    if (count == 0 && n >= 1 && conv[n - 1] == 1.0) count = 1;
    return count;
}

int first_rcb(const double* conv, int n) {
    for (int i = 0; i + 1 < n; ++i)
        if (conv[i] == 1.0 && conv[i + 1] == 0.0) return i + 1;
    return 0;
}

void write_column_descriptions(const PathModule& path) {
    const auto write = [&](const char* name, auto&& body) {
        std::ofstream f;
        open_result(path, f, name);
        body(f);
        f.flush();
        check_written(path, f, name);
    };
    write("fort.1.columns", [](std::ostream& f) { write_description(f, track_columns()); });
    write("fort.13.columns", [](std::ostream& f) { write_description(f, dump_columns()); });
}

namespace {

// The levels of the irradiated atmosphere above the model's outer boundary
// (shell n): the column is integrated afresh for this very model, with the
// intrinsic temperature of its outer luminosity and radius.
IrradiatedValues irradiated_levels(const OutputModel& m, const PlanetState& s, const RcbValues& rcb) {
    IrradiatedValues v;
    const int n = s.nf;
    if (n < 2) return v;
    const double R = s.x(kR, n), M = s.masse(n), L = s.x(kL, n), Pb = s.x(kP, n);
    if (!(R > 0) || !(M > 0) || !(L > 0) || !(Pb > 1.0)) return v;
    v.tint = std::pow(L / (cst::fourpi * R * R * cst::sigmaSB), 0.25);
    v.teq = m.temps.teq;
    v.teff = std::pow(std::pow(v.tint, 4) + std::pow(v.teq, 4), 0.25);
    // The same column as the boundary's, down to the boundary's pressure.
    const atmosphere::IrradiatedColumn c =
        atmosphere::irradiated_column(m.eos, m.opacity, cst::G * M / (R * R), v.tint, v.teq, m.dualband.kv2kth, s.YHe, 1e8, Pb);
    v.pbound = Pb;
    v.mabove = cst::fourpi * R * R * Pb / (cst::G * M / (R * R));
    v.tbound = s.x(kT, n);
    v.taubound = s.x(kTau, n);
    v.prcb = c.convective ? c.p_rcb : rcb.P;
    v.r100 = atmosphere::level_radius(c, c.hundred_bar, R, M);
    v.r1bar = atmosphere::level_radius(c, c.one_bar, R, M);
    v.rphot = atmosphere::level_radius(c, c.photosphere, R, M);
    if (v.rphot > 0) {
        v.tphot = c.photosphere.T;
        v.pphot = c.photosphere.P;
        const double g = cst::G * M / (v.rphot * v.rphot);
        const double mu = 1.0 / ((1.0 - s.YHe) / 2.006 + s.YHe / 4.008);
        v.H = cst::kB * v.tphot / (mu * cst::amu * g);
        const double rtr = v.rphot + v.H * std::log(std::sqrt(2.0 * cst::pi * v.rphot / v.H) * m.dualband.kv2kth);
        v.rtransit = std::isnan(rtr) ? v.rphot : std::max(s.x(kR, 1), rtr);
    }
    return v;
}

void write_irradiated_track(const OutputModel& m, PlanetState& s) {
    auto& o = m.state;
    if (!o.irrtrack.is_open()) {
        std::ofstream f;
        open_result(m.path, f, "irradiated.track.columns");
        write_description(f, irradiated_columns());
        f.flush();
        check_written(m.path, f, "irradiated.track.columns");
        open_result(m.path, o.irrtrack, "irradiated.track");
    }
    o.v.irr = irradiated_levels(m, s, o.v.rcb);
    const auto& cols = irradiated_columns();
    o.line.clear();
    const int bad = append_line(o.line, cols, TrackView{m, s, o.v}, kTrackWidth, kTrackDigits);
    if (bad)
        m.io.note() << fmt::free("WARNING: ecriture: irradiated.track column", bad, cols[bad - 1].name,
                               "is not a number at step", s.istep)
                  << '\n';
    o.line.push_back('\n');
    o.irrtrack.write(o.line.data(), static_cast<std::streamsize>(o.line.size()));
    o.irrtrack.flush();
    check_written(m.path, o.irrtrack, "irradiated.track");
}

}  // namespace

void ecriture(const OutputModel& m, PlanetState& s) {
    auto& o = m.state;
    auto& com = m.common;
    if (!o.columns_written) {
        write_column_descriptions(m.path);
        o.columns_written = true;
    }
    const int n = s.nf;
    const double age = s.temps;

    // 1-2. Fresh work arrays and derived values; the level defaults.
    // (The shells the last call scanned are cleared; the rest are zero.)
    for (Vec1<double>* a : {&o.rho, &o.conv, &o.fhalf, &o.thetae, &o.psi})
        std::fill(a->data(), a->data() + o.scanned, 0.0);
    o.v = TrackValues{};
    TrackValues& v = o.v;

    // 3-4. Is a structure dump due?
    if (com.dtsave < 0) com.tempssave = 1e100;
    const bool dump = age >= com.tempssave;
    if (dump) begin_dump(m);

    // 5-7. Shells and levels.
    find_levels(s, n, v.l23, v.l1bar);
    o.scanned = 0;
    if (n >= 2) {
        o.scanned = n;
        scan_shells(m, s, n, dump);
    }

    // 8-9. Convective zones and the first radiative-convective boundary.
    v.ntops = convective_tops(o.conv.data(), n);
    if (const int i = first_rcb(o.conv.data(), n); i > 0) v.rcb = rcb_values(m, s, i);

    // 10. The next save time.
    if (dump) {
        end_dump(m, o.fort13, "fort.13");
        com.tempssave = next_save_time(com.tempssave, com.dtsave);
    }

    // 11-13.
    v.jlumi = lumitds_shell(m, s, n);
    const double r23 = v.l23.r;
    if (r23 > 0) {
        v.teff = std::pow(v.l23.L / (cst::fourpi * r23 * r23 * cst::sigmaSB), 0.25);
        v.rhomean = 3.0 * s.masse(n >= 1 ? n : 1) / (cst::fourpi * r23 * r23 * r23);
        v.l23lum = cst::fourpi * r23 * r23 * cst::sigmaSB * std::pow(v.l23.T, 4);
    }
    v.water = waterpt(s.x(kP, 1), s.x(kT, 1));
    if (v.water == 1.0) o.thab += s.dt;

    // 14. Contrast (with the spectrum of a dump).
    if (r23 > 0)
        contrast(m.star, dump, age, s.Mstar, v.teff, r23, s.aplanete, v.peak, v.contrasts, dump ? &o.fort14 : nullptr);
    // A body that radiates nothing of its own (a bare core has L = 0, so
    // Teff = 0) has no black-body peak: 0 like every value not computed,
    // rather than Wien's 0.29/0 = infinity in the track.
    if (!(v.teff > 0)) v.peak = 0;
    if (dump) end_dump(m, o.fort14, "fort.14");

    // 15-16. Hill sphere; photosphere gravity, scale height, transit radius
    // and magnitudes.
    const double mtot = s.masse(n >= 1 ? n : 1);
    v.roche = structure::roche(mtot, s.Mstar, s.aplanete);
    if (r23 > 0) {
        v.g = cst::G * v.l23.m / (r23 * r23);
        const double mu = 1.0 / ((1.0 - s.YHe) / 2.006 + s.YHe / 4.008);
        v.H = cst::kB * v.l23.T / (mu * cst::amu * v.g);
        const double rtr = r23 + v.H * std::log(std::sqrt(2.0 * cst::pi * r23 / v.H) * m.dualband.kv2kth);
        v.rtransit = std::isnan(rtr) ? s.x(kR, 1) : std::max(s.x(kR, 1), rtr);
        const double logg = std::log10(v.g);
        magnitudesfit(v.teff, logg, r23, v.magsfit);
        interpolmagnitudesgridco(m.photometry, m.path, v.teff, logg, r23, v.gridabs, v.gridmags);
        blackbodymagsv2(m.photometry, m.path, m.star, v.teff, r23, s.aplanete, age, s.Mstar, v.bbmags, v.bbfluxes);
    }

    // 17. The host star.
    const processes::StarProps st = processes::starprops(m.star, age, s.Mstar);
    v.rstar = st.rstar;
    v.teffstar = st.teffstar;
    v.lstar = st.lstar;

    // 18. The track line, on disk at once.
    const auto& cols = track_columns();
    o.line.clear();
    const int bad = append_line(o.line, cols, TrackView{m, s, v}, kTrackWidth, kTrackDigits);
    if (bad)
        m.io.note() << fmt::free("WARNING: ecriture: fort.1 column", bad, cols[bad - 1].name, "is not a number at step",
                               s.istep)
                  << '\n';
    // The whole line, newline included, goes to the file in one write and is
    // flushed at once: a run killed at any moment leaves only complete lines.
    o.line.push_back('\n');
    o.fort1.write(o.line.data(), static_cast<std::streamsize>(o.line.size()));
    o.fort1.flush();
    check_written(m.path, o.fort1, "fort.1");
    if (m.dualband.irradiated) write_irradiated_track(m, s);
    if (s.Noevo) noevo_summary(m, s);
}

}  // namespace velkaro::output
