#include "processes/star.hpp"

#include <cmath>

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "opacity/lookup.hpp"
#include "processes/context.hpp"
#include "processes/tracks.hpp"

namespace velkaro::processes {

namespace {

constexpr double kMassMin = 0.1;            // lightest track [Msun]
constexpr double kMassMax = 7.0;            // heaviest track [Msun]
constexpr double kMassTop = 6.9999999;      // 7.0 itself is taken just below the last track
constexpr double kMassSeam = 1.4;           // last BHAC15 track ...
constexpr double kMassBelowSeam = 1.399999999999;  // ... whose mass is taken from the BHAC15 side
constexpr double kFourPiSigma = 0.0007129622182032914;  // 4 pi sigma [erg cm^-2 s^-1 K^-4]

struct TrackPoint {
    double logl;
    double logteff;
};

// log L and log Teff of one track at log age x, linear in log age between
// the rows that bracket x; the first row before the track starts and the
// last row after it ends. jlo is the remembered row.
TrackPoint along_track(const StellarTrack& t, double x, int& jlo) {
    huntpisa(t.ltvect.data(), x, jlo, t.nt);
    if (jlo <= 0) {
        jlo = 1;
        return {t.logl(1), t.logteff(1)};
    }
    if (jlo >= t.nt) return {t.logl(t.nt), t.logteff(t.nt)};
    const int j = jlo;
    const double tj = t.ltvect(j), tj1 = t.ltvect(j + 1);
    auto lin = [&](const Vec1<double>& v) {
        return v(j) * (x - tj1) / (tj - tj1) + v(j + 1) * (x - tj) / (tj1 - tj);
    };
    return {lin(t.logl), lin(t.logteff)};
}

}  // namespace

void huntpisa(const double* xx, double x, int& jlo, int n) { huntsm(xx, x, jlo, n); }

void interpolstellartrackspisalyon(const StellarTracks& tracks, TrackHints& hints, double age, double mstar,
                                   double& rstar, double& teffstar, double& lstar) {
    double m = mstar / cst::Msun;
    if (m < kMassMin) fatal({fmt::free("SBR interpolstellartracks: too low stellar mass  < 0.1 Msun", m)});
    if (m > kMassMax) fatal({fmt::free("SBR interpolstellartracks: too high stellar mass > 7.0 Msun", m)});
    if (std::isnan(m)) fatal({fmt::free("SBR interpolstellartracks: stellar mass is not a number", m)});
    if (m > kMassTop)
        m = kMassTop;
    else if (m == kMassSeam)
        m = kMassBelowSeam;

    // Mass interval: mtab(i) <= m < mtab(i+1).
    int i = 1;
    while (i < kTrackMasses - 1 && !(m < tracks.mtab(i + 1))) ++i;
    const double m1 = tracks.mtab(i), m2 = tracks.mtab(i + 1);

    // Log age in years; ages below one year (the formation instant) count as one year.
    const double tyr = age / cst::year;
    const double x = tyr >= 1.0 ? std::log10(tyr) : 0.0;

    const TrackPoint lo = along_track(tracks.track(i), x, hints.jlolm);
    const TrackPoint hi = along_track(tracks.track(i + 1), x, hints.jlohm);

    // Linear in mass (not in log mass).
    const double w1 = (m - m2) / (m1 - m2);
    const double w2 = (m - m1) / (m2 - m1);
    const double logl = w1 * lo.logl + w2 * hi.logl;
    const double logteff = w1 * lo.logteff + w2 * hi.logteff;

    lstar = cst::Lsun * std::pow(10.0, logl);
    teffstar = std::pow(10.0, logteff);
    // L = 4 pi R^2 sigma Teff^4.
    const double t2 = teffstar * teffstar;
    rstar = std::sqrt(lstar / (kFourPiSigma * (t2 * t2)));
}

const StellarTracks& stellar_tracks(const Star& star) {
    if (!star.state.tracks) star.state.tracks = StellarTracks::open(star.path.resolve(star.path.path_fichiersdg).string());
    return *star.state.tracks;
}

StarProps starprops(const Star& star, double age, double mstar) {
    StarProps p;
    interpolstellartrackspisalyon(stellar_tracks(star), star.state.trackhints, age, mstar, p.rstar, p.teffstar,
                                  p.lstar);
    p.qstar = star.qstar;
    return p;
}

}  // namespace velkaro::processes
