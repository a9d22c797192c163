// Phase of water from its phase boundaries: the sublimation curve over ice
// (Goff-Gratch), the vapour-pressure curve (Wagner & Pruss 2002) and the
// melting curves of ices Ih, III, V, VI and VII (IAPWS 2011). Used for the
// state of water at the core-envelope boundary.
#include <cmath>

#include "output/output.hpp"

namespace velkaro::output {

namespace {

constexpr double kTt = 273.16;       // triple point [K]
constexpr double kPt = 611.657;      // triple point [Pa]
constexpr double kTcrit = 647.096;   // critical point [K]
constexpr double kPcrit = 2.2064e7;  // critical point [Pa]
constexpr double kPIII = 2.08566e8;  // Ih-III-liquid triple point [Pa]

// Sublimation pressure over ice [Pa] (Goff-Gratch).
double psub(double T) {
    const double x = kTt / T;
    return 100.0 * std::pow(10.0, -9.09718 * (x - 1) - 3.56654 * std::log10(x) + 0.876793 * (1 - T / kTt) +
                                      0.7858350313586662);
}

// Saturation vapour pressure [Pa] (Wagner-Pruss).
double psat(double T) {
    const double v = 1 - T / kTcrit;
    return kPcrit * std::exp((kTcrit / T) * (-7.85951783 * v + 1.84408259 * std::pow(v, 1.5) -
                                             11.7866497 * std::pow(v, 3) + 22.6807411 * std::pow(v, 3.5) -
                                             15.9618719 * std::pow(v, 4) + 1.80122502 * std::pow(v, 7.5)));
}

// Melting pressures [Pa] of the ices (IAPWS 2011).
double pIh(double T) {
    const double th = T / kTt;
    return kPt * (1 + 1195393.37 * (1 - std::pow(th, 3)) + 80818.3159 * (1 - std::pow(th, 25.75)) +
                  3338.2686 * (1 - std::pow(th, 103.75)));
}
double pIII(double T) { return kPIII * (1 - 0.299948 * (1 - std::pow(T / 251.165, 60))); }
double pV(double T) { return 3.501e8 * (1 - 1.18721 * (1 - std::pow(T / 256.164, 8))); }
double pVI(double T) { return 6.324e8 * (1 - 1.07476 * (1 - std::pow(T / 273.31, 4.6))); }
double pVII(double T) {
    const double th = T / 355.0;
    // Above 732 K the fit is held at its value there.
    if (th > 2.0619718309859154) return 20168719505.860832;
    return 2.216e9 * std::exp(1.73683 * (1 - 1 / th) - 0.0544606 * (1 - std::pow(th, 5)) +
                              8.06106e-8 * (1 - std::pow(th, 22)));
}

}  // namespace

double waterpt(double p, double T) {
    const double P = p / 10.0;  // dyn/cm2 -> Pa
    if (P < 0.1 || P > 1e12 || T < 1 || T > 800) return 4;
    if (P <= kPt) return P > psub(T) ? 0 : 2;
    if (P < kPcrit) {
        if (T > kTt && T < kTcrit) return P > psat(T) ? 1 : 2;
        if (T > kTcrit) return 2;
    } else if (P > kPcrit && T > kTcrit) {
        return P > pVII(T) ? 0 : 3;
    }
    // Cold or compressed liquid against the ices: the melting curves.
    if (T >= 355 && P > kPcrit) return P > pVII(T) ? 0 : 1;
    if (T < 355 && P < kPIII) return P > pIh(T) ? 1 : 0;
    if (T <= 251.165 && P > kPIII) return 0;
    if (T >= 251.165 && T <= 256.164) return P > pIII(T) ? 0 : 1;
    if (T >= 256.164 && T <= 273.31) return P > pV(T) ? 0 : 1;
    if (T >= 273.31 && T <= 355) return P > pVI(T) ? 0 : 1;
    return -1;
}

}  // namespace velkaro::output
