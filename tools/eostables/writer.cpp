#include "writer.hpp"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "common/constants.hpp"

namespace velkaro::eosbuild {

namespace {

void append(std::string& s, const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    s += buf;
}

void require_sane(const MixState& st, double lp, double lt) {
    const double v[] = {st.logrho, st.logs, st.logu, st.rhot, st.rhop, st.st, st.sp, st.gradad, st.gamma1};
    for (double x : v)
        if (!std::isfinite(x))
            throw std::runtime_error("non-finite mixture value at log P = " + std::to_string(lp) +
                                     ", log T = " + std::to_string(lt));
    if (!(st.st > 0) || !(st.gradad > 0) || !(st.gamma1 > 0))
        throw std::runtime_error("unphysical mixture (dlogS/dlogT, grad_ad or Gamma_1 not positive) at log P = " +
                                 std::to_string(lp) + ", log T = " + std::to_string(lt));
}

char origin_code(Origin o) {
    switch (o) {
        case Origin::Scvh: return 'S';
        case Origin::Extended: return 'e';
        case Origin::HighP: return 'p';
        case Origin::Cold: return 'c';
        default: return '?';
    }
}

}  // namespace

double hydrogen_atom_mass() { return 1.00782503 * cst::amu; }

std::string eos_table_text(const Mixture& m) {
    std::string s;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%5d%5d%12.8f\n", kNT, kNP, m.y);
    s += buf;
    s.reserve(static_cast<std::size_t>(kNP * kNT * 180));
    for (int ip = 1; ip <= kNP; ++ip)
        for (int jt = 1; jt <= kNT; ++jt) {
            const double lp = table_logp(ip), lt = table_logt(jt);
            const MixState st = evaluate(m, lp, lt);
            require_sane(st, lp, lt);
            append(s, "%5.2f", lt);
            append(s, " %6.2f", lp);
            const double q[9] = {st.logrho, st.logs, st.logu, st.rhot, st.rhop, st.st, st.sp, st.gradad, st.gamma1};
            for (double x : q) append(s, " %15.8e", x);
            s += '\n';
        }
    return s;
}

std::string entropy_table_text(const Mixture& m) {
    const double to_kb_per_mh = hydrogen_atom_mass() / cst::kB;
    // The nuclear-spin entropy of the protons goes back in: this table is
    // matched against entropies of published atmosphere and evolution grids,
    // which follow the SCvH zero point.
    const double spin = (1.0 - m.y) * hydrogen_spin_entropy();
    std::string s;
    s.reserve(static_cast<std::size_t>(kEntropyNT * kEntropyNP * 40));
    for (int k = 1; k <= kEntropyNT; ++k)
        for (int l = 1; l <= kEntropyNP; ++l) {
            const double lt = entropy_logt(k), lp = entropy_logp(l);
            const MixState st = evaluate(m, lp, lt);
            if (!std::isfinite(st.logs) || !std::isfinite(st.logrho))
                throw std::runtime_error("non-finite entropy at log P = " + std::to_string(lp));
            append(s, "%5.3f", lt);
            append(s, " %5.1f", lp);
            append(s, " %10.6f", st.logrho);
            append(s, " %11.6f", (std::pow(10.0, st.logs) + spin) * to_kb_per_mh);
            s += '\n';
        }
    return s;
}

std::string coverage_map_text(const Mixture& m) {
    std::string s =
        "# Origin of the nodes of the H/He tables eosbdp*_pt_F (the same for every Y).\n"
        "# One line per pressure row IP = 1..105 (log P = 3.5 + 0.15 (IP-1)), one character per\n"
        "# temperature column JT = 1..92 (log T = 2.5 + 0.05 (JT-1)); a node is marked by the\n"
        "# least reliable of the published nodes its value is interpolated from:\n"
        "#   S  SCvH 1995 tables with their derivative columns\n"
        "#   e  extended set (log P < 4), derivatives from differences\n"
        "#   p  above log P = 19.0: isotherm continued with its last slopes\n"
        "#   c  cold dense corner: isobar continued to low T with the slopes of its coolest published node\n";
    char buf[32];
    for (int ip = 1; ip <= kNP; ++ip) {
        std::snprintf(buf, sizeof buf, "%6.2f ", table_logp(ip));
        s += buf;
        for (int jt = 1; jt <= kNT; ++jt) s += origin_code(evaluate(m, table_logp(ip), table_logt(jt)).origin);
        s += '\n';
    }
    return s;
}

std::vector<std::pair<std::string, std::string>> build_all(const BuildOptions& o) {
    if (o.ys.size() != 3) throw std::runtime_error("three helium fractions are needed (one per table file)");
    for (std::size_t k = 0; k < o.ys.size(); ++k) {
        if (!(o.ys[k] >= 0 && o.ys[k] <= 1)) throw std::runtime_error("helium fraction outside 0..1");
        if (k > 0 && !(o.ys[k] > o.ys[k - 1])) throw std::runtime_error("helium fractions must increase");
    }
    const Component h = build_component(true, o.sources);
    const Component he = build_component(false, o.sources);
    std::vector<std::pair<std::string, std::string>> out;
    for (std::size_t k = 0; k < o.ys.size(); ++k)
        out.emplace_back("eosbdp" + std::to_string(k) + "_pt_F", eos_table_text(mix(h, he, o.ys[k])));
    const Mixture me = mix(h, he, o.y_entropy);
    out.emplace_back("table_HHeH2OpartIonZ0000.dat", entropy_table_text(me));
    out.emplace_back("eosbdp_coverage.txt", coverage_map_text(me));
    return out;
}

}  // namespace velkaro::eosbuild
