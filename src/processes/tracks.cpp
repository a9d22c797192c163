#include "processes/tracks.hpp"

#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "common/fatal.hpp"
#include "common/text_input.hpp"

namespace velkaro::processes {

namespace {

// Grid masses [Msun]: BHAC15 0.1..1.4 every 0.1, then the Pisa masses.
constexpr double kMasses[kTrackMasses] = {
    0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.1, 1.2, 1.3, 1.4,     // BHAC15
    1.5, 1.6, 1.7, 1.8, 1.9, 2.0, 2.2, 2.4, 2.6, 2.8, 3.0, 3.2, 3.4, 3.6,     // Pisa
    3.8, 4.0, 4.5, 5.0, 5.5, 6.0, 6.5, 7.0,
};

constexpr int kLyonHeader = 3;  // header lines of a BHAC15 file
constexpr int kPisaHeader = 6;  // header lines of a Pisa file

[[noreturn]] void bad_file(const std::string& filename, const std::string& why) {
    fatal({"SBR interpolstellartracks: stellar track file " + filename, why,
           "PROBLEME : stellar track file " + filename});
}

}  // namespace

double track_mass(int k) { return kMasses[k - 1]; }

std::string track_file(int k) {
    char buf[100];
    if (k <= kLyonTracks)
        std::snprintf(buf, sizeof buf, "BHAC15/M%.1f.dat", track_mass(k));
    else
        std::snprintf(buf, sizeof buf, "PISA/TRK_M%.2f_Z0.01377_Y0.2533_XD2E5_ML1.68_AS05.DAT", track_mass(k));
    return buf;
}

StellarTrack StellarTracks::read_track(const std::string& filename, int k) {
    input::LineReader lines(filename);
    if (!lines.is_open()) bad_file(filename, "cannot be opened (missing or unreadable)");

    const bool lyon = k <= kLyonTracks;
    const int header = lyon ? kLyonHeader : kPisaHeader;
    const std::size_t ncols = lyon ? 4 : 5;

    std::vector<double> age, logl, logteff;
    std::vector<std::string_view> f;
    std::string_view line;
    int lineno = 0;
    while (lines.next(line)) {
        ++lineno;
        if (lineno <= header) continue;
        // Only the first ncols columns are read; the rest are not split.
        input::split_fields(line, f, ncols);
        if (f.empty()) continue;  // blank lines carry no values
        auto where = [lineno] { return "line " + std::to_string(lineno) + ": "; };
        if (f.size() < ncols)
            bad_file(filename, where() + "expected " + std::to_string(ncols) + " values, found " +
                                   std::to_string(f.size()));
        if (static_cast<int>(age.size()) == kTrackMaxRows)
            bad_file(filename, "holds more than " + std::to_string(kTrackMaxRows) + " data rows");

        double v[5] = {0, 0, 0, 0, 0};
        for (std::size_t c = 0; c < ncols; ++c) {
            bool ok;
            if (!lyon && c == 0) {
                ok = input::parse_int(f[c]).has_value();  // Pisa model number: an integer, not used
            } else {
                const auto x = input::parse_real(f[c]);
                ok = x.has_value();
                if (ok) v[c] = *x;
            }
            if (!ok) bad_file(filename, where() + "cannot read the value '" + std::string(f[c]) + "'");
        }
        // BHAC15: mass, log age, Teff, log L.  Pisa: model, log age, Xc, log L, log Teff.
        const double la = v[1];
        const double ll = v[3];
        double lt;
        if (lyon) {
            if (!(v[2] > 0))
                bad_file(filename, where() + "effective temperature must be positive, found '" +
                                       std::string(f[2]) + "'");
            lt = std::log10(v[2]);
        } else {
            lt = v[4];
        }
        if (!age.empty() && !(la > age.back()))
            bad_file(filename, where() + "log age '" + std::string(f[1]) + "' does not exceed the one before");
        age.push_back(la);
        logl.push_back(ll);
        logteff.push_back(lt);
    }
    if (age.empty()) bad_file(filename, "holds no data rows");

    StellarTrack t;
    t.nt = static_cast<int>(age.size());
    t.ltvect = Vec1<double>(std::move(age));
    t.logl = Vec1<double>(std::move(logl));
    t.logteff = Vec1<double>(std::move(logteff));
    return t;
}

std::shared_ptr<const StellarTracks> StellarTracks::open(const std::string& datadir) {
    auto t = std::make_shared<StellarTracks>();
    t->dir_ = datadir;
    while (!t->dir_.empty() && t->dir_.back() == ' ') t->dir_.pop_back();
    for (int k = 1; k <= kTrackMasses; ++k) t->mtab_(k) = track_mass(k);
    return t;
}

std::shared_ptr<const StellarTracks> StellarTracks::load(const std::string& datadir) {
    auto t = open(datadir);
    for (int k = 1; k <= kTrackMasses; ++k) t->track(k);
    return t;
}

}  // namespace velkaro::processes
