// Settings and a few results that many subsystems share. Each struct is one
// named group of the original design; all of them live in the RunContext of
// a run, so two planets in one process never see each other's settings.
#pragma once

#include <filesystem>
#include <string>

namespace velkaro {

struct CommonModule {
    bool aff = true;         // verbose console output (on for every run)
    bool keepall = false;    // output switch of the result files
    double dtsave = -1;      // interval between saved structure profiles (<0: none)
    double menveinit = 0;    // initial envelope mass [g]
    bool tides = false;      // tidal migration on
    double qstar = 0;        // tidal quality factor of the star
    double menvemin = 4.779392e21;  // smallest envelope that is evolved [g] (8e-7 Earth masses)
    bool lconst = true;
    bool redopagrains = true;
    double f_opacite = 1e-20;
    int ifirstdt = 1;
    double tempssave = 0;    // age of the next saved structure [s]
};

struct PathModule {
    std::string path_tableseos;   // directory of the EOS tables
    std::string path_fichiersdg;  // directory of the other data files
    /// Directory holding the input files and receiving the result files.
    std::filesystem::path rundir = ".";

    /// A data path as the path file names it: relative paths are taken
    /// relative to the run directory.
    std::filesystem::path resolve(const std::string& p) const {
        std::filesystem::path q(p);
        return q.is_absolute() ? q : rundir / q;
    }
};

struct DualbandModule {
    int modelselect = 0;
    bool kv2kthmanual = false;
    double kv2kth = 0, kv2kth2 = 0;  // visible-to-thermal opacity ratios of the two bands
    double angle = 0, alpha = 0;
    // The outer boundary under an irradiated atmosphere (Guillot 2010) instead
    // of the entropy grid's grey one; line 17 of the atmosphere file, off when
    // absent.
    bool irradiated = false;
};

struct OpacityModule {
    double metallicity = 0;   // [M/H] of the gas opacity (tables 0 .. 1.7)
    double opacityscale = 1;  // factor on the opacity in the convection test
    bool opacity_p = false;   // opacity law switch
};

struct GaslossModule {
    bool gasevap = false;
    int evapmodel = 0;
    double elost1 = 0, elost2 = 0;  // energy bookkeeping of escape [erg]
};

struct DbdboundaryModule {
    bool tauoutmanual = false;
    double tauout = 2.0 / 3.0;   // optical depth of the outer boundary
    double tauoutorig = 2.0 / 3.0;
    bool pedtmanual = false;
    double peddingtion = 0;      // gas pressure at the outer boundary
};

struct DbdtempModule {
    double teq = 0, tirr = 0, tint = 0;  // equilibrium, irradiation, intrinsic temperature [K]
};

}  // namespace velkaro
