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

[[noreturn]] void cannot_open(const std::string& name) {
    fatal({"Sbr loadeos: ERROR opening EOS table", "PROBLEME : Filename " + name});
}

// The header of a file: NT, NP, Y, each size within the capacity.
FileData read_header(RecordReader& rd, std::vector<std::string_view>& tok, const std::string& name) {
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
    return fd;
}

// The first header read sets the sizes (and the store of all three tables);
// every other must agree with it.
void agree_sizes(EosTables& tb, const FileData& fd, const std::string& name) {
    if (tb.np == 0) {
        tb.np = fd.np;
        tb.nt = fd.nt;
        for (auto& v : tb.values) v.assign(static_cast<std::size_t>(EosTables::kTables * tb.np * tb.nt), 0.0);
    } else if (fd.np != tb.np || fd.nt != tb.nt) {
        fatal({"Sbr loadeos: EOS tables do not agree",
               tb.names[0] + " has NT, NP = " + std::to_string(tb.nt) + ", " + std::to_string(tb.np) + " but " + name +
                   " has " + std::to_string(fd.nt) + ", " + std::to_string(fd.np),
               "PROBLEME : EOS tables " + tb.names[0] + " and " + name + " differ"});
    }
}

// The records of table k after its header, into the store.
void read_records(EosTables& tb, int k, RecordReader& rd, std::vector<std::string_view>& tok, FileData& fd,
                  const std::string& name) {
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
}

// Entropy-hole flags of table k for every cell the evaluation may use
// (ip = 2..np-2, jt = 2..nt-2).
void find_holes(EosTables& tb, int k) {
    for (int jt = 2; jt <= tb.nt - 2; ++jt)
        for (int ip = 2; ip <= tb.np - 2; ++ip) {
            bool hole = false;
            for (int i = ip; i <= ip + 1; ++i)
                for (int j = jt; j <= jt + 1; ++j) {
                    auto w = [&](int a, int b) { return tb.q(2, k, a, b); };
                    const double prod = w(i, j) * w(i + 1, j) * w(i - 1, j) * w(i, j + 1) * w(i, j - 1) *
                                        w(i + 1, j + 1) * w(i + 1, j - 1) * w(i - 1, j + 1) * w(i - 1, j - 1);
                    hole = hole || prod == 0.0;
                }
            tb.holes[tb.cell_index(ip, jt) * EosTables::kTables + static_cast<std::size_t>(k - 1)] = hole ? 1 : 0;
        }
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

std::shared_ptr<const EosTables> open_eos_tables(const std::array<std::string, 3>& names,
                                                 const std::array<std::filesystem::path, 3>& files) {
    auto tb = std::make_shared<EosTables>();
    tb->names = names;
    tb->files_ = files;
    std::vector<std::string_view> tok;
    FileData last;
    for (int k = 1; k <= 3; ++k) {
        const std::string& name = names[static_cast<std::size_t>(k - 1)];
        input::LineReader in(files[static_cast<std::size_t>(k - 1)]);
        if (!in.is_open()) cannot_open(name);
        RecordReader rd(in);
        FileData fd = read_header(rd, tok, name);
        agree_sizes(*tb, fd, name);
        tb->yval(k) = fd.y;
        // The last file gives the grid, and so is read whole now.
        if (k == 3) {
            read_records(*tb, k, rd, tok, fd, name);
            last = std::move(fd);
        }
    }
    if (!(tb->yval(1) < tb->yval(2) && tb->yval(2) < tb->yval(3)))
        fatal({"Sbr loadeos: ERROR the helium fractions of the EOS tables do not increase",
               fmt::free("Y of " + names[0] + ", " + names[1] + ", " + names[2] + ":", tb->yval(1), tb->yval(2), tb->yval(3)),
               "PROBLEME : Y order of the EOS tables"});
    // Grids: log T from the first pressure block, log P as read.
    tb->logt = Vec1<double>(tb->nt);
    tb->logp = Vec1<double>(tb->np);
    for (int jt = 1; jt <= tb->nt; ++jt) tb->logt(jt) = last.lt_block1[static_cast<std::size_t>(jt - 1)];
    for (int ip = 1; ip <= tb->np; ++ip) tb->logp(ip) = last.lp[static_cast<std::size_t>(ip - 1)];

    // The cells' bicubic coefficients follow on first use.
    tb->holes.assign(static_cast<std::size_t>(tb->np) * static_cast<std::size_t>(tb->nt) * EosTables::kTables, 0);
    tb->prepare_cells();
    find_holes(*tb, 3);
    std::call_once(tb->once_[2], [] {});
    tb->ready_[2].store(true, std::memory_order_release);
    return tb;
}

void EosTables::read_table(int k) const {
    const std::size_t i = static_cast<std::size_t>(k - 1);
    std::call_once(once_[i], [&] {
        // The store was made for all three tables when they were opened and
        // only this call writes table k's part of it: the object is shared
        // as const, not created so.
        EosTables& tb = const_cast<EosTables&>(*this);
        const std::string& name = names[i];
        input::LineReader in(files_[i]);
        if (!in.is_open()) cannot_open(name);
        RecordReader rd(in);
        std::vector<std::string_view> tok;
        FileData fd = read_header(rd, tok, name);
        agree_sizes(tb, fd, name);
        if (fd.y != yval(k))
            fatal({"Sbr loadeos: EOS table " + name + " changed since it was opened",
                   fmt::free("Y was", yval(k), "and is", fd.y), "PROBLEME : EOS table " + name + " changed"});
        read_records(tb, k, rd, tok, fd, name);
        // The grid must agree with the last file's (each already follows
        // the grid rule to within kGridTol; here they must agree with each other).
        bool same = true;
        for (int ip = 1; ip <= np; ++ip) same = same && std::fabs(fd.lp[static_cast<std::size_t>(ip - 1)] - logp(ip)) <= 1e-9;
        for (int jt = 1; jt <= nt; ++jt)
            same = same && std::fabs(fd.lt_block1[static_cast<std::size_t>(jt - 1)] - logt(jt)) <= 1e-9;
        if (!same)
            fatal({"Sbr loadeos: EOS tables do not agree",
                   "the (log P, log T) grids of " + name + " and " + names[2] + " differ",
                   "PROBLEME : EOS tables " + name + " and " + names[2] + " differ"});
        find_holes(tb, k);
        ready_[i].store(true, std::memory_order_release);
    });
}

void EosTables::require_for(double y) const {
    int kl = 0;
    for (int k = 1; k <= kTables; ++k)
        if (yval(k) <= y) kl = k;
    if (y == yval(kTables)) kl = kTables - 1;
    if (kl < 1 || kl >= kTables) return;  // outside the tables: the evaluation says so
    require(kl);
    require(kl + 1);
}

std::shared_ptr<const EosTables> read_eos_tables(const std::array<std::string, 3>& names,
                                                 const std::array<std::filesystem::path, 3>& files) {
    auto tb = open_eos_tables(names, files);
    for (int k = 1; k <= EosTables::kTables; ++k) tb->require(k);
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
    ec.tables = open_eos_tables(names, files);
}

}  // namespace velkaro::eos
