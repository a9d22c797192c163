// Reading the three H/He EOS tables.
//
// File layout (free format: values separated by blanks, commas or line
// ends; a header or a record starts on a new line, may run over several
// lines, and values left over on its last line are ignored):
//   header: NT NP Y
//   then for IP = 1..NP, for JT = 1..NT, one record of 11 values:
//   log T, log P, quantities 1..9.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/fatal.hpp"
#include "common/text_input.hpp"
#include "common/format.hpp"
#include "eos/eos.hpp"

namespace velkaro::eos {

namespace {

// Reads records the way a Fortran list-directed READ does. The tokens are
// views into the current line; a record that runs over several lines is
// gathered into a string of its own first (its lines joined by blanks).
class RecordReader {
public:
    explicit RecordReader(input::LineReader& in) : in_(in) {}

    /// Tokens of the next record of n values; false at end of file.
    bool next(int n, std::vector<std::string_view>& tok) { return next(n, tok, nullptr) != Record::End; }

    enum class Record { End, Tokens, Values };
    /// The next record of n values. The common record, n numbers on one
    /// line, is read straight into v (Values, tok left empty); any other
    /// (over several lines, or a value that does not parse) comes as its
    /// tokens, as next(n, tok) gives them. End: end of file, tok as next
    /// leaves it.
    Record next(int n, std::vector<std::string_view>& tok, double* v) {
        tok.clear();
        std::string_view line;
        if (!in_.next(line)) return Record::End;
        ++line_;
        if (v && input::parse_reals(line, v, n)) return Record::Values;
        input::split_fields(line, tok, static_cast<std::size_t>(n));
        if (static_cast<int>(tok.size()) == n) return Record::Tokens;
        joined_.assign(line);
        while (static_cast<int>(tok.size()) < n) {
            if (!in_.next(line)) {
                input::split_fields(joined_, tok, static_cast<std::size_t>(n));
                return Record::End;
            }
            ++line_;
            joined_ += ' ';
            joined_ += line;
            input::split_fields(joined_, tok, static_cast<std::size_t>(n));
        }
        return Record::Tokens;
    }
    int line() const { return line_; }

private:
    input::LineReader& in_;
    int line_ = 0;
    std::string joined_;
};

bool parse_real(std::string_view s, double& v) {
    const auto x = input::parse_real(s);
    if (x) v = *x;
    return x.has_value();
}

bool parse_int(std::string_view s, int& v) {
    const auto l = input::parse_int(s);
    if (!l || *l < -1000000 || *l > 1000000) return false;
    v = static_cast<int>(*l);
    return true;
}

// One file as read, before it is merged into the store.
struct FileData {
    int nt = 0, np = 0;
    double y = 0;
    std::vector<double> lt_block1;  // log T of the first pressure block
    std::vector<double> lp;         // log P of each block (as in its last record)
};

// Grid rule of the tables (the evaluation relies on it).
double rule_logp(int ip) { return 3.5 + 0.15 * (ip - 1); }
double rule_logt(int jt) { return 2.5 + 0.05 * (jt - 1); }
constexpr double kGridTol = 1e-4;

FileData read_one(EosTables& tb, int k, const std::string& name, const std::filesystem::path& file) {
    input::LineReader in(file);
    if (!in.is_open()) fatal({"Sbr loadeos: ERROR opening EOS table", "PROBLEME : Filename " + name});
    RecordReader rd(in);
    std::vector<std::string_view> tok;
    FileData fd;
    if (!rd.next(3, tok) || !parse_int(tok[0], fd.nt) || !parse_int(tok[1], fd.np) || !parse_real(tok[2], fd.y)) {
        const std::string what =
            tok.size() < 3 ? "end of file" : "'" + std::string(tok[0]) + " " + std::string(tok[1]) + " " + std::string(tok[2]) + "'";
        fatal({"Sbr loadeos: ERROR reading EOS table",
               "the header (NT, NP, Y) of " + name + " cannot be read, line " + std::to_string(rd.line()) + ": " + what,
               "PROBLEME : header of EOS table " + name});
    }
    if (fd.np > EosTables::kCapacity || fd.nt > EosTables::kCapacity || fd.np < 4 || fd.nt < 4)
        fatal({"Sbr loadeos: ERROR in EOS table header",
               "file " + name + ": NT = " + std::to_string(fd.nt) + ", NP = " + std::to_string(fd.np) +
                   " (each must lie between 4 and " + std::to_string(EosTables::kCapacity) + ")",
               "PROBLEME : EOS table size: " + name});
    if (k == 1) {
        tb.np = fd.np;
        tb.nt = fd.nt;
        for (auto& v : tb.values) v.assign(static_cast<std::size_t>(EosTables::kTables * tb.np * tb.nt), 0.0);
    } else if (fd.np != tb.np || fd.nt != tb.nt) {
        fatal({"Sbr loadeos: EOS tables do not agree",
               tb.names[0] + " has NT, NP = " + std::to_string(tb.nt) + ", " + std::to_string(tb.np) + " but " + name +
                   " has " + std::to_string(fd.nt) + ", " + std::to_string(fd.np),
               "PROBLEME : EOS tables " + tb.names[0] + " and " + name + " differ"});
    }
    fd.lp.assign(static_cast<std::size_t>(fd.np), 0.0);
    fd.lt_block1.assign(static_cast<std::size_t>(fd.nt), 0.0);
    for (int ip = 1; ip <= fd.np; ++ip) {
        for (int jt = 1; jt <= fd.nt; ++jt) {
            auto bad = [&](const std::string& detail) {
                fatal({"Sbr loadeos: ERROR reading EOS table",
                       "file " + name + ", line " + std::to_string(rd.line()) + ": " + detail,
                       fmt::free("PROBLEME : IP, JT ", ip, jt)});
            };
            double v[11];
            const RecordReader::Record r = rd.next(11, tok, v);
            if (r == RecordReader::Record::End) {
                if (tok.empty())
                    fatal({"Sbr loadeos: ERROR reading EOS table",
                           "file " + name + " ends after line " + std::to_string(rd.line()) +
                               ", before the record IP, JT = " + std::to_string(ip) + ", " + std::to_string(jt),
                           "PROBLEME : EOS table too short: " + name});
                bad("the record ends early (" + std::to_string(tok.size()) + " of 11 values)");
            }
            if (r == RecordReader::Record::Tokens)
                for (int i = 0; i < 11; ++i)
                    if (!parse_real(tok[static_cast<std::size_t>(i)], v[i]))
                        bad("cannot read value " + std::to_string(i + 1) + ": '" + std::string(tok[static_cast<std::size_t>(i)]) + "'");
            if (std::fabs(v[0] - rule_logt(jt)) > kGridTol || std::fabs(v[1] - rule_logp(ip)) > kGridTol)
                bad(fmt::free("log T, log P =", v[0], v[1]) + " off the grid log P = 3.5 + 0.15 (IP-1), log T = 2.5 + 0.05 (JT-1)");
            if (ip == 1) fd.lt_block1[static_cast<std::size_t>(jt - 1)] = v[0];
            fd.lp[static_cast<std::size_t>(ip - 1)] = v[1];
            for (int n = 1; n <= 8; ++n) tb.q(n, k, ip, jt) = v[n + 1];
            // The ninth column is kept as its logarithm (0 where not positive).
            tb.q(9, k, ip, jt) = v[10] > 0 ? std::log10(v[10]) : 0.0;
        }
    }
    return fd;
}

}  // namespace

CellData cell_data(const EosTables& tb, int n, int k, int ip, int jt) {
    CellData c;
    c.d1 = tb.logp(ip + 1) - tb.logp(ip);
    c.d2 = tb.logt(jt + 1) - tb.logt(jt);
    auto w = [&](int i, int j) { return tb.q(n, k, i, j); };
    const int ci[5] = {0, ip, ip + 1, ip + 1, ip};
    const int cj[5] = {0, jt, jt, jt + 1, jt + 1};
    for (int l = 1; l <= 4; ++l) {
        const int i = ci[l], j = cj[l];
        c.y(l) = w(i, j);
        c.y1(l) = (w(i + 1, j) - w(i - 1, j)) / (2.0 * c.d1);
        c.y2(l) = (w(i, j + 1) - w(i, j - 1)) / (2.0 * c.d2);
        c.y12(l) = (w(i + 1, j + 1) - w(i + 1, j - 1) - w(i - 1, j + 1) + w(i - 1, j - 1)) / (4.0 * c.d1 * c.d2);
    }
    return c;
}

void EosTables::prepare_cells() {
    const std::size_t n = static_cast<std::size_t>(np) * static_cast<std::size_t>(nt) * kTables;
    // new T[n] with no initialiser: a large block comes straight from the
    // system as untouched zero pages, and only the cells used cost memory.
    cell_blocks.reset(new CellBlock[n]);
    cell_state = std::make_unique<std::atomic<std::uint8_t>[]>(n);
}

const EosTables::CellBlock& EosTables::store_cell(int k, int ip, int jt, std::size_t slot, CellBlock& scratch) const {
    for (int n = 1; n <= kInterpolated; ++n) {
        const CellData c = cell_data(*this, n, k, ip, jt);
        scratch[static_cast<std::size_t>(n - 1)] = bcucof(c.y, c.y1, c.y2, c.y12, c.d1, c.d2);
    }
    // The first caller to claim the cell stores it; a caller that finds it
    // claimed but not yet stored uses its own copy (the same numbers).
    std::uint8_t expected = kCellEmpty;
    if (cell_state[slot].compare_exchange_strong(expected, kCellWriting, std::memory_order_relaxed)) {
        cell_blocks[slot] = scratch;
        cell_state[slot].store(kCellStored, std::memory_order_release);
    }
    return scratch;
}

std::shared_ptr<const EosTables> read_eos_tables(const std::array<std::string, 3>& names,
                                                 const std::array<std::filesystem::path, 3>& files) {
    auto tb = std::make_shared<EosTables>();
    tb->names = names;
    FileData fd[3];
    for (int k = 1; k <= 3; ++k) {
        fd[k - 1] = read_one(*tb, k, names[static_cast<std::size_t>(k - 1)], files[static_cast<std::size_t>(k - 1)]);
        tb->yval(k) = fd[k - 1].y;
    }
    // The grids of the three files must agree (each already follows the
    // grid rule to within kGridTol; here they must agree with each other).
    for (int k = 2; k <= 3; ++k) {
        bool same = true;
        for (int ip = 1; ip <= tb->np; ++ip) same = same && std::fabs(fd[k - 1].lp[ip - 1] - fd[0].lp[ip - 1]) <= 1e-9;
        for (int jt = 1; jt <= tb->nt; ++jt)
            same = same && std::fabs(fd[k - 1].lt_block1[jt - 1] - fd[0].lt_block1[jt - 1]) <= 1e-9;
        if (!same)
            fatal({"Sbr loadeos: EOS tables do not agree",
                   "the (log P, log T) grids of " + names[0] + " and " + names[static_cast<std::size_t>(k - 1)] + " differ",
                   "PROBLEME : EOS tables " + names[0] + " and " + names[static_cast<std::size_t>(k - 1)] + " differ"});
    }
    if (!(tb->yval(1) < tb->yval(2) && tb->yval(2) < tb->yval(3)))
        fatal({"Sbr loadeos: ERROR the helium fractions of the EOS tables do not increase",
               fmt::free("Y of " + names[0] + ", " + names[1] + ", " + names[2] + ":", tb->yval(1), tb->yval(2), tb->yval(3)),
               "PROBLEME : Y order of the EOS tables"});
    // Grids: log T from the first pressure block, log P as read (the last file's).
    tb->logt = Vec1<double>(tb->nt);
    tb->logp = Vec1<double>(tb->np);
    for (int jt = 1; jt <= tb->nt; ++jt) tb->logt(jt) = fd[2].lt_block1[static_cast<std::size_t>(jt - 1)];
    for (int ip = 1; ip <= tb->np; ++ip) tb->logp(ip) = fd[2].lp[static_cast<std::size_t>(ip - 1)];

    // Entropy-hole flags for every cell the evaluation may use (ip = 2..np-2,
    // jt = 2..nt-2); the cells' bicubic coefficients follow on first use.
    const std::size_t ncell = static_cast<std::size_t>(tb->np) * static_cast<std::size_t>(tb->nt);
    tb->holes.assign(ncell * EosTables::kTables, 0);
    tb->prepare_cells();
    for (int jt = 2; jt <= tb->nt - 2; ++jt)
        for (int ip = 2; ip <= tb->np - 2; ++ip) {
            const std::size_t cell = tb->cell_index(ip, jt);
            for (int k = 1; k <= 3; ++k) {
                bool hole = false;
                for (int i = ip; i <= ip + 1; ++i)
                    for (int j = jt; j <= jt + 1; ++j) {
                        auto w = [&](int a, int b) { return tb->q(2, k, a, b); };
                        const double prod = w(i, j) * w(i + 1, j) * w(i - 1, j) * w(i, j + 1) * w(i, j - 1) *
                                            w(i + 1, j + 1) * w(i + 1, j - 1) * w(i - 1, j + 1) * w(i - 1, j - 1);
                        hole = hole || prod == 0.0;
                    }
                tb->holes[cell * EosTables::kTables + static_cast<std::size_t>(k - 1)] = hole ? 1 : 0;
            }
        }
    return tb;
}

void loadeos(EosContext& ec, const PathModule& path) {
    if (ec.tables) return;
    std::string dir = path.path_tableseos;
    while (!dir.empty() && (dir.back() == ' ' || dir.back() == '\t')) dir.pop_back();
    std::array<std::string, 3> names;
    std::array<std::filesystem::path, 3> files;
    for (std::size_t k = 0; k < 3; ++k) {
        names[k] = dir + kTableNames[k];
        files[k] = path.resolve(names[k]);
    }
    ec.tables = read_eos_tables(names, files);
}

}  // namespace velkaro::eos
