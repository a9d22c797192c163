// The grid of stellar evolution tracks of the host star: 36 tracks for
// masses 0.1 to 7.0 Msun, each a table of log L/Lsun and log Teff against
// log age. 0.1-1.4 Msun: Baraffe et al. (2015, BHAC15); 1.5-7.0 Msun: the
// Pisa tracks (Tognelli et al. 2011). See data/BHAC15 and data/PISA.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "common/arrays.hpp"

namespace velkaro::processes {

inline constexpr int kTrackMasses = 36;     // number of tracks in the grid
inline constexpr int kTrackMaxRows = 1500;  // most age rows a track file may hold
inline constexpr int kLyonTracks = 14;      // tracks 1..14 are BHAC15, 15..36 Pisa

/// Grid mass of track k = 1..36 [Msun], ascending.
double track_mass(int k);
/// File name of track k, relative to the data directory, e.g.
/// "BHAC15/M0.1.dat" or "PISA/TRK_M1.50_Z0.01377_Y0.2533_XD2E5_ML1.68_AS05.DAT".
std::string track_file(int k);

/// One track: nt rows of (log10 age [yr], log10 L/Lsun, log10 Teff [K]),
/// ages strictly ascending.
struct StellarTrack {
    int nt = 0;
    Vec1<double> ltvect;   // log10 age [yr]
    Vec1<double> logl;     // log10 L/Lsun
    Vec1<double> logteff;  // log10 Teff [K]
};

class StellarTracks {
public:
    /// Read the 36 track files. `datadir` is the data directory as the path
    /// file gives it (trailing blanks ignored); each file name is appended to
    /// it as it stands, so the directory ends with its own separator.
    /// A missing or empty file, a file with more than 1500 data rows, an
    /// unreadable value or ages that do not rise throw FatalError naming the
    /// file (and the line).
    static std::shared_ptr<const StellarTracks> load(const std::string& datadir);

    /// The same grid, each track read from its file the first time it is
    /// asked for. A run needs the two tracks around its star's mass, which
    /// are a twentieth of the 4 MB of text; the others are never read. The
    /// object stays shareable between threads: each track is read once
    /// (std::call_once), and a file that cannot be read throws the same
    /// FatalError as load, when its track is first asked for.
    static std::shared_ptr<const StellarTracks> open(const std::string& datadir);

    /// Read one track file in the layout of track k (BHAC15 for k <= 14,
    /// Pisa otherwise). Exposed for the file checks.
    static StellarTrack read_track(const std::string& filename, int k);

    double mtab(int k) const { return mtab_(k); }
    const StellarTrack& track(int k) const {
        std::call_once(read_[static_cast<std::size_t>(k - 1)], [&] { tracks_(k) = read_track(dir_ + track_file(k), k); });
        return tracks_(k);
    }

private:
    std::string dir_;
    Arr1<double, kTrackMasses> mtab_;
    // Filled once per track, under read_ (see track()).
    mutable Arr1<StellarTrack, kTrackMasses> tracks_;
    mutable std::array<std::once_flag, kTrackMasses> read_;
};

}  // namespace velkaro::processes
