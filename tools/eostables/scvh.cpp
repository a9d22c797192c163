#include "scvh.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/constants.hpp"

namespace velkaro::eosbuild {

namespace {

[[noreturn]] void bad(const std::filesystem::path& f, int line, const std::string& what) {
    throw std::runtime_error(f.string() + ", line " + std::to_string(line) + ": " + what);
}

// Lattice index of a coordinate, which must sit on the lattice.
int on_lattice(double x, double x0, double dx, int n, const std::filesystem::path& f, int line) {
    const double r = (x - x0) / dx;
    const long i = std::lround(r);
    if (std::fabs(r - static_cast<double>(i)) > 1e-6 || i < 0 || i >= n)
        bad(f, line, "coordinate " + std::to_string(x) + " is not on the lattice");
    return static_cast<int>(i);
}

bool real(const Node& n) { return n.origin == Origin::Scvh || n.origin == Origin::Extended; }

// The extended set: log T, log P, two fractions, log rho, log U, log S.
void read_extended(Component& c, const std::filesystem::path& f) {
    std::ifstream in(f);
    if (!in) throw std::runtime_error("cannot open " + f.string());
    std::string line;
    int ln = 0;
    while (std::getline(in, line)) {
        ++ln;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream is(line);
        double v[7];
        for (double& x : v)
            if (!(is >> x) || !std::isfinite(x)) bad(f, ln, "expected 7 numbers");
        const int i = on_lattice(v[0], Lattice::lt0, Lattice::dlt, Lattice::nT, f, ln);
        const int j = on_lattice(v[1], Lattice::lp0, Lattice::dlp, Lattice::nP, f, ln);
        Node& n = c.at(i, j);
        n.f1 = v[2];
        n.f2 = v[3];
        n.logrho = v[4];
        n.logu = v[5];
        n.logs = v[6];
        n.origin = Origin::Extended;
    }
}

// The SCvH tables: isotherm blocks "log T NP", then NP lines of log P, two
// fractions, log rho, log S, log U, rho_T, rho_P, S_T, S_P, grad_ad.
void read_scvh(Component& c, const std::filesystem::path& f) {
    std::ifstream in(f);
    if (!in) throw std::runtime_error("cannot open " + f.string());
    std::string line;
    int ln = 0, blocks = 0;
    while (std::getline(in, line)) {
        ++ln;
        std::istringstream hs(line);
        double lt;
        int np;
        if (!(hs >> lt)) continue;  // blank line
        if (!(hs >> np) || np < 1 || np > Lattice::nP) bad(f, ln, "expected an isotherm header 'log T NP'");
        const int i = on_lattice(lt, Lattice::lt0, Lattice::dlt, Lattice::nT, f, ln);
        ++blocks;
        for (int r = 0; r < np; ++r) {
            if (!std::getline(in, line)) bad(f, ln, "file ends inside an isotherm");
            ++ln;
            std::istringstream is(line);
            double v[11];
            for (double& x : v)
                if (!(is >> x) || !std::isfinite(x)) bad(f, ln, "expected 11 numbers");
            const int j = on_lattice(v[0], Lattice::lp0, Lattice::dlp, Lattice::nP, f, ln);
            Node& n = c.at(i, j);
            // The extended set repeats these nodes; the two must agree.
            if (n.origin == Origin::Extended &&
                (std::fabs(n.logrho - v[3]) > 2e-4 || std::fabs(n.logs - v[4]) > 2e-4 || std::fabs(n.logu - v[5]) > 2e-4))
                bad(f, ln, "disagrees with the extended table at the same node");
            n.f1 = v[1];
            n.f2 = v[2];
            n.logrho = v[3];
            n.logs = v[4];
            n.logu = v[5];
            n.rhot = v[6];
            n.rhop = v[7];
            n.st = v[8];
            n.sp = v[9];
            n.origin = Origin::Scvh;
        }
    }
    if (blocks != 63) bad(f, ln, "expected 63 isotherms, found " + std::to_string(blocks));
}

// Limited difference quotient of a node field along T (dir 0) or P (dir 1):
// the harmonic mean of the two one-sided slopes when they agree in sign,
// zero when they do not, the one-sided slope at the lattice edge.
template <typename Get>
double slope(const Component& c, int i, int j, int dir, Get get) {
    const int di = dir == 0 ? 1 : 0, dj = dir == 0 ? 0 : 1;
    const double h = dir == 0 ? Lattice::dlt : Lattice::dlp;
    auto ok = [&](int a, int b) { return a >= 0 && a < Lattice::nT && b >= 0 && b < Lattice::nP; };
    const bool lo = ok(i - di, j - dj), hi = ok(i + di, j + dj);
    const double f0 = get(c.at(i, j));
    const double sl = lo ? (f0 - get(c.at(i - di, j - dj))) / h : 0.0;
    const double sh = hi ? (get(c.at(i + di, j + dj)) - f0) / h : 0.0;
    if (!lo) return sh;
    if (!hi) return sl;
    if (sl * sh <= 0) return 0.0;
    return 2.0 * sl * sh / (sl + sh);
}

// Thin-plate continuation of one field into the nodes that have no data:
// minimise the sum over the lattice of the squared second differences
// f(i-1) - 2 f(i) + f(i+1) along both axes and of twice the squared mixed
// differences, with the data nodes fixed (index units on both axes). The
// normal equations are solved by conjugate gradients from the start values
// given in f.
void thin_plate_fill(std::vector<double>& f, const std::vector<char>& known) {
    const int nT = Lattice::nT, nP = Lattice::nP;
    auto id = [nT](int i, int j) { return static_cast<std::size_t>(i + nT * j); };
    // g = D^T D v over the whole lattice.
    auto apply = [&](const std::vector<double>& v, std::vector<double>& g) {
        std::fill(g.begin(), g.end(), 0.0);
        for (int j = 0; j < nP; ++j)
            for (int i = 1; i + 1 < nT; ++i) {
                const double r = v[id(i - 1, j)] - 2 * v[id(i, j)] + v[id(i + 1, j)];
                g[id(i - 1, j)] += r;
                g[id(i, j)] -= 2 * r;
                g[id(i + 1, j)] += r;
            }
        for (int j = 1; j + 1 < nP; ++j)
            for (int i = 0; i < nT; ++i) {
                const double r = v[id(i, j - 1)] - 2 * v[id(i, j)] + v[id(i, j + 1)];
                g[id(i, j - 1)] += r;
                g[id(i, j)] -= 2 * r;
                g[id(i, j + 1)] += r;
            }
        for (int j = 0; j + 1 < nP; ++j)
            for (int i = 0; i + 1 < nT; ++i) {
                const double r = 2 * (v[id(i + 1, j + 1)] - v[id(i + 1, j)] - v[id(i, j + 1)] + v[id(i, j)]);
                g[id(i + 1, j + 1)] += r;
                g[id(i + 1, j)] -= r;
                g[id(i, j + 1)] -= r;
                g[id(i, j)] += r;
            }
    };
    const std::size_t n = f.size();
    std::vector<double> r(n), p(n, 0.0), ap(n);
    apply(f, r);
    for (std::size_t k = 0; k < n; ++k) r[k] = known[k] ? 0.0 : -r[k];
    p = r;
    double rr = 0;
    for (double x : r) rr += x * x;
    const double rr0 = rr;
    for (int it = 0; it < 50000 && rr > 1e-26 * rr0 && rr > 0; ++it) {
        apply(p, ap);
        double pap = 0;
        for (std::size_t k = 0; k < n; ++k)
            if (!known[k]) pap += p[k] * ap[k];
        const double alpha = rr / pap;
        double rr_new = 0;
        for (std::size_t k = 0; k < n; ++k) {
            if (known[k]) continue;
            f[k] += alpha * p[k];
            r[k] -= alpha * ap[k];
            rr_new += r[k] * r[k];
        }
        const double beta = rr_new / rr;
        rr = rr_new;
        for (std::size_t k = 0; k < n; ++k) p[k] = known[k] ? 0.0 : r[k] + beta * p[k];
    }
}

}  // namespace

double hydrogen_spin_entropy() { return cst::kB * std::log(4.0) / cst::mH2; }

Component build_component(bool hydrogen, const std::filesystem::path& scvh_table,
                          const std::filesystem::path& extended_table) {
    Component c;
    c.hydrogen = hydrogen;
    read_extended(c, extended_table);
    read_scvh(c, scvh_table);

    // Nuclear-spin entropy out of the hydrogen nodes that contain it (all
    // nodes from log T = 2.10 up; the extended set's cooler isotherms lack it).
    if (hydrogen) {
        const double sspin = hydrogen_spin_entropy();
        for (int j = 0; j < Lattice::nP; ++j)
            for (int i = 0; i < Lattice::nT; ++i) {
                Node& n = c.at(i, j);
                if (!real(n) || Lattice::lt(i) < 2.095) continue;
                const double s_old = std::pow(10.0, n.logs);
                const double s_new = s_old - sspin;
                n.logs = std::log10(s_new);
                n.st *= s_old / s_new;  // dS/dlnT is unchanged, S is not
                n.sp *= s_old / s_new;
            }
    }

    // Fill the nodes without data, field by field, starting from the
    // values of the nearest published node.
    const std::size_t n = c.nodes.size();
    std::vector<char> known(n);
    std::vector<std::pair<int, int>> data;
    for (int j = 0; j < Lattice::nP; ++j)
        for (int i = 0; i < Lattice::nT; ++i)
            if (real(c.at(i, j))) data.emplace_back(i, j);
    for (std::size_t k = 0; k < n; ++k) known[k] = real(c.nodes[k]) ? 1 : 0;
    for (int j = 0; j < Lattice::nP; ++j)
        for (int i = 0; i < Lattice::nT; ++i) {
            Node& nd = c.at(i, j);
            if (real(nd)) continue;
            int best = -1;
            long dbest = 0;
            for (std::size_t k = 0; k < data.size(); ++k) {
                const long di = data[k].first - i, dj = data[k].second - j;
                const long d = di * di + dj * dj;
                if (best < 0 || d < dbest) {
                    best = static_cast<int>(k);
                    dbest = d;
                }
            }
            const Node& s0 = c.at(data[static_cast<std::size_t>(best)].first, data[static_cast<std::size_t>(best)].second);
            nd.logrho = s0.logrho;
            nd.logs = s0.logs;
            nd.logu = s0.logu;
            nd.f1 = s0.f1;
            nd.f2 = s0.f2;
            nd.origin = Lattice::lp(j) > 19.01 ? Origin::HighP : Origin::Cold;
        }
    double Node::*fields[] = {&Node::logrho, &Node::logs, &Node::logu, &Node::f1, &Node::f2};
    for (double Node::*fld : fields) {
        std::vector<double> f(n);
        for (std::size_t k = 0; k < n; ++k) f[k] = c.nodes[k].*fld;
        thin_plate_fill(f, known);
        for (std::size_t k = 0; k < n; ++k) c.nodes[k].*fld = f[k];
    }
    // Number fractions stay fractions: each between 0 and 1, and at most
    // one particle per nucleus of the component.
    for (Node& nd : c.nodes) {
        if (real(nd)) continue;
        nd.f1 = std::clamp(nd.f1, 0.0, 1.0);
        nd.f2 = std::clamp(nd.f2, 0.0, 1.0);
        const double w = hydrogen ? 1.0 : 2.0;  // x_H2 + x_H <= 1; x_He + 2 x_He+ <= 1
        if (nd.f1 + w * nd.f2 > 1.0) nd.f2 = (1.0 - nd.f1) / w;
    }

    // Derivatives the tables do not give: all of them away from the SCvH
    // nodes, the energy derivatives everywhere.
    for (int j = 0; j < Lattice::nP; ++j)
        for (int i = 0; i < Lattice::nT; ++i) {
            Node& nd = c.at(i, j);
            nd.ut = slope(c, i, j, 0, [](const Node& x) { return x.logu; });
            nd.up = slope(c, i, j, 1, [](const Node& x) { return x.logu; });
            if (nd.origin != Origin::Scvh) {
                nd.rhot = slope(c, i, j, 0, [](const Node& x) { return x.logrho; });
                nd.rhop = slope(c, i, j, 1, [](const Node& x) { return x.logrho; });
                nd.st = slope(c, i, j, 0, [](const Node& x) { return x.logs; });
                nd.sp = slope(c, i, j, 1, [](const Node& x) { return x.logs; });
            }
        }
    for (const Node& nd : c.nodes)
        if (!std::isfinite(nd.logrho) || !std::isfinite(nd.logs) || !std::isfinite(nd.logu))
            throw std::runtime_error("non-finite value in the filled lattice");
    return c;
}

Component build_component(bool hydrogen, const std::filesystem::path& dir) {
    if (hydrogen) return build_component(true, dir / "H_TAB_I.A", dir / "extended" / "hydrogen_scvh_extended.data");
    return build_component(false, dir / "HE_TAB_I.A", dir / "extended" / "helium_scvh_extended.data");
}

}  // namespace velkaro::eosbuild
