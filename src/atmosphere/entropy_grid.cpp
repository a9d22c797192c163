#include "atmosphere/entropy_grid.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/fatal.hpp"
#include "common/format.hpp"
#include "common/text_input.hpp"

namespace velkaro::atmosphere {
namespace {

constexpr const char* kGridName = "atmos/loggTeff_S_Burrows97_umint.dat";
constexpr const char* kEntropyName = "/table_HHeH2OpartIonZ0000.dat";

[[noreturn]] void bad_table(const std::string& file, const std::string& why) {
    fatal({"PROBLEME : table " + file + ": " + why});
}

// Read `rows` data lines of `cols` numbers each (after `header` lines),
// rejecting short, malformed or over-long files with the file and line named;
// each line's numbers go to row(r, values), r = 0..rows-1, as it is read.
template <class Row>
void read_rows(const std::string& file, int header, int rows, int cols, Row&& row) {
    input::LineReader in(file);
    if (!in.is_open())
        fatal({"The table below could not be opened: check the directories in path.dat.", "PROBLEME : cannot open the table " + file});
    std::string_view line;
    int lineno = 0;
    for (int h = 0; h < header; ++h) {
        if (!in.next(line)) bad_table(file, "the file is empty");
        ++lineno;
    }
    double v[8];
    for (int r = 0; r < rows; ++r) {
        if (!in.next(line))
            bad_table(file, "ends after line " + std::to_string(lineno) + "; expected " + std::to_string(rows) +
                                " data lines");
        ++lineno;
        if (!input::parse_reals(line, v, cols))
            bad_table(file, "line " + std::to_string(lineno) + " does not hold " + std::to_string(cols) +
                                " numbers: \"" + std::string(line) + "\"");
        row(r, static_cast<const double*>(v));
    }
    while (in.next(line)) {
        ++lineno;
        if (!input::first_item(line).empty())
            bad_table(file, "holds more than the " + std::to_string(rows) + " data lines it may have (line " +
                                std::to_string(lineno) + ")");
    }
}

// The same, into one array of rows x cols numbers.
std::vector<double> read_rows(const std::string& file, int header, int rows, int cols) {
    std::vector<double> v(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    read_rows(file, header, rows, cols, [&](int r, const double* x) {
        std::copy(x, x + cols, &v[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols)]);
    });
    return v;
}

// The index computations assume uniform axes; a table that is not would
// silently give wrong values, so it is refused.
void check_uniform(const Vec1<double>& a, const std::string& file, const char* axis) {
    const int n = a.size();
    const double step = (a(n) - a(1)) / (n - 1);
    if (!(step > 0)) bad_table(file, std::string("the ") + axis + " axis does not increase");
    for (int i = 2; i <= n; ++i)
        if (std::fabs(a(i) - a(i - 1) - step) > 1e-3 * step)
            bad_table(file, std::string("the ") + axis + " axis is not uniform near entry " + std::to_string(i));
}

}  // namespace

std::shared_ptr<const AtmosGrid> read_atmos_grid(const std::string& file) {
    constexpr int ng = AtmosGrid::ngrav, nt = AtmosGrid::nteff;
    const auto v = read_rows(file, 1, ng * nt, 3);
    auto g = std::make_shared<AtmosGrid>();
    auto at = [&](int i, int j, int c) { return v[static_cast<std::size_t>(((i - 1) * nt + (j - 1)) * 3 + c)]; };
    for (int i = 1; i <= ng; ++i) g->loggs(i) = at(i, 1, 0);
    for (int j = 1; j <= nt; ++j) g->tefflinlogs(j) = at(1, j, 1);
    for (int i = 1; i <= ng; ++i)
        for (int j = 1; j <= nt; ++j) {
            if (at(i, j, 0) != g->loggs(i) || at(i, j, 1) != g->tefflinlogs(j))
                bad_table(file, "line " + std::to_string(1 + (i - 1) * nt + j) +
                                    " breaks the gravity-major order of the (g, Teff) grid");
            if (!(at(i, j, 0) > 0) || !(at(i, j, 1) > 0))
                bad_table(file, "line " + std::to_string(1 + (i - 1) * nt + j) + ": g and Teff must be positive");
            g->entro(i, j) = at(i, j, 2);
        }
    for (int i = 1; i <= ng; ++i) g->loggs(i) = std::log10(g->loggs(i));
    for (int j = 1; j <= nt; ++j) g->tefflinlogs(j) = std::log10(g->tefflinlogs(j));
    check_uniform(g->loggs, file, "gravity");
    check_uniform(g->tefflinlogs, file, "temperature");
    return g;
}

std::shared_ptr<const EntropyTable> read_entropy_table(const std::string& file) {
    constexpr int nt = EntropyTable::nt, np = EntropyTable::np;
    auto t = std::make_shared<EntropyTable>();
    // Line by line into the table (the file's 178 000 numbers are not kept
    // as read). The axes come from the first line of each temperature and
    // the first temperature's lines, which precede every line that is
    // checked against them; the first line out of order is reported once
    // the whole file has been read, as a check after reading would.
    int first_bad = 0;
    read_rows(file, 0, nt * np, 4, [&](int r, const double* v) {
        const int k = r / np + 1, l = r % np + 1;
        if (l == 1) t->logt(k) = v[0];
        if (k == 1) t->logp(l) = v[1];
        if (first_bad == 0 && (v[0] != t->logt(k) || v[1] != t->logp(l))) first_bad = r + 1;
        t->s(l, k) = v[3];
    });
    if (first_bad != 0)
        bad_table(file, "line " + std::to_string(first_bad) + " breaks the temperature-major order of the (T, P) table");
    check_uniform(t->logt, file, "temperature");
    check_uniform(t->logp, file, "pressure");
    if (std::fabs(t->logp(1) + 2) > 1e-9 || std::fabs(t->logp(np) - 18) > 1e-9)
        bad_table(file, "the pressure axis must run from log P = -2 to 18");
    return t;
}

double linterp_fvonx(int n, const double* f, const double* xx, double x) {
    auto F = [f](int i) { return f[i - 1]; };
    auto X = [xx](int i) { return xx[i - 1]; };
    if (x < X(1) || x > X(n) || std::isnan(x))
        fatal({fmt::free(" ! x nicht im Feld:  xx(1), xx(n), x", X(1), X(n), x),
               fmt::free(" ! Bitte Extrapolation implementieren oder pruefen, ob log/nicht log...")});
    if (x == X(1)) return F(1);
    if (x == X(n)) return F(n);
    int i = static_cast<int>((x - X(1)) / (X(n) - X(1)) * (n - 1)) + 1;
    if (i > n - 1) i = n - 1;  // rounding at the last node
    const double w = (x - X(i)) / (X(i + 1) - X(i));
    return (1 - w) * F(i) + w * F(i + 1);
}

double entropy_from_grid(const AtmosGrid& grid, double g, double teff) {
    constexpr int ng = AtmosGrid::ngrav, nt = AtmosGrid::nteff;
    const auto& lg = grid.loggs;
    const auto& t = grid.tefflinlogs;
    const double x = std::log10(g);
    const double y = std::log10(teff);
    // Cell on the uniform axes; outside the grid the edge cell extrapolates.
    auto cell = [](double v, double lo, double hi, int n) {
        const double u = std::floor((v - lo) / (hi - lo) * (n - 1));
        if (!(u >= 0)) return 1;  // also NaN
        if (u >= n - 2) return n - 1;
        return static_cast<int>(u) + 1;
    };
    const int i = cell(x, lg(1), lg(ng), ng);
    const int j = cell(y, t(1), t(nt), nt);
    const double a = (x - lg(i + 1)) / (lg(i) - lg(i + 1));
    const double b = (x - lg(i)) / (lg(i + 1) - lg(i));
    const double c = (y - t(j + 1)) / (t(j) - t(j + 1));
    const double d = (y - t(j)) / (t(j + 1) - t(j));
    const auto& S = grid.entro;
    return c * (a * S(i, j) + b * S(i + 1, j)) + d * (a * S(i, j + 1) + b * S(i + 1, j + 1));
}

static const AtmosGrid& atmos_grid(AtmosphereContext& ac, const PathModule& path) {
    if (!ac.grid) ac.grid = read_atmos_grid(path.resolve(path.path_fichiersdg + kGridName).string());
    return *ac.grid;
}

double entropie_von_gravteff_reggitt(AtmosphereContext& ac, const PathModule& path, double g, double teff) {
    return entropy_from_grid(atmos_grid(ac, path), g, teff);
}

// The inputs are checked before any table is touched: an entropy outside
// 1..100 k_B/m_H or a pressure outside 1e-2..1e18 dyn/cm2 means wrong units.
static void check_pressure_and_entropy(double P, double S) {
    if (std::isnan(S) || std::isnan(P))
        fatal({fmt::free("ERROR IN SBR TemperaturAusDruckUndEntropie"), fmt::free("Entropy or Pressure is NAN: S, P", S, P)});
    if (S < 1 || S > 100)
        fatal({"", fmt::free(" ! Problem mit den Entropieeinheiten!  S < 1 oder S > 100.  S = ", S),
               fmt::free(" ! Bitte in kB/mH eingeben")});
    if (P <= 0) fatal({fmt::free("ERROR IN SBR TemperaturAusDruckUndEntropie"), fmt::free("Nonpositive pressure", P)});
    const double logp = std::log10(P);
    if (logp < -2 || logp > 18)
        fatal({"", fmt::free(" ! P verdaechtig GROSS oder klein... log P = ", logp),
               fmt::free(" ! Problem mit den P-Einheiten?"), fmt::free(" ! Bitte in cgs (erg/cm^3). 1 bar = 1e6 erg/cm^3")});
}

// Entropy against log T along the pressure log P = logp: sp[k-1] for the
// table's temperatures k = 1..nt.
static void entropy_along_pressure(const EntropyTable& table, double logp, double* sp) {
    constexpr int nt = EntropyTable::nt, np = EntropyTable::np;
    if (logp == -2.0) {
        for (int k = 1; k <= nt; ++k) sp[k - 1] = table.s(1, k);
    } else if (logp == 18.0) {
        for (int k = 1; k <= nt; ++k) sp[k - 1] = table.s(np, k);
    } else {
        int l = static_cast<int>((logp + 2) / 20 * 200) + 1;
        if (l > np - 1) l = np - 1;
        const double w = (logp - table.logp(l)) / (table.logp(l + 1) - table.logp(l));
        for (int k = 1; k <= nt; ++k) sp[k - 1] = (1 - w) * table.s(l, k) + w * table.s(l + 1, k);
    }
}

namespace {

// Bisection in log T of f(log T) = S(T) - S between a and b, where f has
// the values fa and fb of opposite signs, to |f| <= 1e-12 in at most 100
// evaluations; lt is the root's log T. With Quiet, a bracket that loses its
// change of sign or a bisection that does not converge returns false
// instead of stopping the run.
template <bool Quiet, class F>
bool bisect_log_temperature(F& f, double a, double fa, double b, double fb, double& lt) {
    double c = (a + b) / 2;
    double fc = f(c);
    int counter = 1;
    do {
        if (fa * fc < 0) {
            b = c;
            fb = fc;
        } else if (fb * fc < 0) {
            a = c;
            fa = fc;
        } else {
            if constexpr (Quiet) return false;
            fatal({fmt::free(" ! Komisches in Bisektion!"), fmt::free(" a, b, c,  fa, fb, fc  ", a, b, c, fa, fb, fc)});
        }
        c = (a + b) / 2;
        fc = f(c);
        ++counter;
    } while (std::fabs(fc) > 1e-12 && counter < 100);
    if (counter >= 100) {
        if constexpr (Quiet) return false;
        fatal({fmt::free("ERROR in sbr TemperaturAusDruckUndEntropie", counter, 100)});
    }
    lt = c;
    return true;
}

// The inversion T(P, S) at the boundary pressure, as the table's users
// expect it: bracket in log T between an ideal-gas estimate of the adiabat's
// temperature (restarted at 100 K when the estimate is already too hot) and
// a bound well into the interior, then bisection to |S(T) - S| <= 1e-12.
// With Quiet, a case that has no answer returns false instead of stopping
// the run (and allocates nothing); the answer, when there is one, is the
// same bit for bit.
template <bool Quiet>
bool invert_exact(const EntropyTable& table, double P, double S, double& T) {
    constexpr int nt = EntropyTable::nt;
    if constexpr (Quiet) {
        if (!(S >= 1 && S <= 100) || !(P > 0)) return false;
        const double lp = std::log10(P);
        if (!(lp >= -2 && lp <= 18)) return false;
    } else {
        check_pressure_and_entropy(P, S);
    }
    double sp[nt];
    const double logp = std::log10(P);
    entropy_along_pressure(table, logp, sp);
    const double lbot = table.logt(1), ltop = table.logt(nt);
    bool outside = false;
    auto f = [&](double lt) {
        if constexpr (Quiet) {
            if (!(lt >= lbot && lt <= ltop)) {
                outside = true;
                return 0.0;
            }
        }
        return linterp_fvonx(nt, sp, table.logt.data(), lt) - S;
    };
    double tmin = 0.5 * 1000 * std::pow(10.0, (S - 8.8 + logp - 6) * 0.30303030303030304);
    const double tmax = 1e5 * std::pow(P / 2e6, 0.25);
    double a = std::log10(tmin), b = std::log10(tmax);
    double fa = f(a);
    if (outside) return false;
    if (fa > 0) {
        tmin = 100;
        a = 2.0;
        fa = f(a);
    }
    double fb = f(b);
    if (outside) return false;
    if (fa * fb > 0) {
        if constexpr (Quiet) return false;
        fatal({fmt::free(" ! Problem bei der Bisektion! fa*fb > 0"), fmt::free(" ! Tmin, Tmax   ", tmin, tmax),
               fmt::free(" ! a, fa, b, fb", a, fa, b, fb), fmt::free(" ! P, logP, S   ", P, logp, S)});
    }
    double lt = 0;
    if (!bisect_log_temperature<Quiet>(f, a, fa, b, fb, lt)) return false;
    T = std::pow(10.0, lt);
    return true;
}

// The same for the boundary of a trial radius, which must not stop the
// run: an entropy below the coldest adiabat the inversion reaches (100 K at
// this pressure) is raised to it, and the bracket is kept inside the table,
// its upper end moved to the table's top when the root lies above it. Only
// used where the exact inversion has no answer.
double invert_clamped(const EntropyTable& table, double P, double S) {
    // A pressure out of range, or an entropy that is not a number or too
    // high, stops the run as in the exact inversion; a low one is raised.
    check_pressure_and_entropy(P, S < 1 ? 1.0 : S);
    constexpr int nt = EntropyTable::nt;
    double sp[nt];
    const double logp = std::log10(P);
    entropy_along_pressure(table, logp, sp);
    const double Scold = linterp_fvonx(nt, sp, table.logt.data(), 2.0);
    if (S < Scold) S = Scold;
    auto f = [&](double lt) { return linterp_fvonx(nt, sp, table.logt.data(), lt) - S; };
    const double ltop = table.logt(nt);
    double tmin = 0.5 * 1000 * std::pow(10.0, (S - 8.8 + logp - 6) * 0.30303030303030304);
    double tmax = 1e5 * std::pow(P / 2e6, 0.25);
    double a = std::min(std::log10(tmin), ltop);
    double b = std::min(std::log10(tmax), ltop);
    double fa = f(a);
    if (fa > 0) {
        tmin = 100;
        a = 2.0;
        fa = f(a);
    }
    // The entropy raised to that of 100 K has its root at a = 2 exactly,
    // which the bisection below (it needs a strict change of sign) cannot take.
    if (fa == 0) return std::pow(10.0, a);
    double fb = f(b);
    if (fb < 0 && b < ltop) {
        b = ltop;
        tmax = std::pow(10.0, b);
        fb = f(b);
    }
    if (fa * fb > 0)
        fatal({fmt::free(" ! Problem bei der Bisektion! fa*fb > 0"), fmt::free(" ! Tmin, Tmax   ", tmin, tmax),
               fmt::free(" ! a, fa, b, fb", a, fa, b, fb), fmt::free(" ! P, logP, S   ", P, logp, S)});
    double lt = 0;
    bisect_log_temperature<false>(f, a, fa, b, fb, lt);
    return std::pow(10.0, lt);
}

}  // namespace

double temperature_from_table(const EntropyTable& table, double P, double S) {
    double T = 0;
    invert_exact<false>(table, P, S, T);
    return T;
}

double trial_temperature_from_table(const EntropyTable& table, double P, double S, bool& clamped) {
    double T = 0;
    clamped = !invert_exact<true>(table, P, S, T);
    if (clamped) T = invert_clamped(table, P, S);
    return T;
}

static const EntropyTable& entropy_table(AtmosphereContext& ac, const PathModule& path) {
    if (!ac.stable) ac.stable = read_entropy_table(path.resolve(path.path_tableseos + kEntropyName).string());
    return *ac.stable;
}

void load_entropy_tables(AtmosphereContext& ac, const PathModule& path) {
    atmos_grid(ac, path);
    entropy_table(ac, path);
}

double temperaturausdruckundentropie(AtmosphereContext& ac, const PathModule& path, double P, double S) {
    check_pressure_and_entropy(P, S);
    return temperature_from_table(entropy_table(ac, path), P, S);
}

void pt_aus_gravteff(AtmosphereContext& ac, const PathModule& path, double g, double teff, double& P, double& T,
                     double& S, bool* clamped) {
    S = entropie_von_gravteff_reggitt(ac, path, g, teff);
    P = kBoundaryPressure;
    if (!clamped) {
        T = temperaturausdruckundentropie(ac, path, P, S);
        return;
    }
    // A trial radius of a search: the evolution search also tries radii at
    // which the planet would have to expand; their boundary takes the floor
    // luminosity, an intrinsic temperature of about 1 K, far below the grid,
    // where its extrapolation gives entropies that no gas at 100 bar has
    // (even negative ones). Such a boundary is put on the coldest adiabat
    // the inversion reaches (100 K at 100 bar), which is all the search needs
    // to see that the trial radius is too large. The search refuses to accept
    // a structure on such a boundary (refuse_clamped_boundary).
    T = trial_temperature_from_table(entropy_table(ac, path), P, S, *clamped);
}

}  // namespace velkaro::atmosphere
