// The observables the output reports for one model: magnitudes from the
// model-atmosphere grids and from fits, black-body photometry and the
// planet-to-star contrast.
#include "output/observables.hpp"

#include <cmath>
#include <ostream>

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"
#include "output/magnitude_grids.hpp"
#include "output/photometry.hpp"
#include "output/photometry_context.hpp"
#include "processes/star.hpp"

namespace velkaro::output {

namespace {

// Fits of 36 absolute magnitudes in x = Teff/100 and y = log g:
// m = -(c0 + c1 x^c2 y^c3 + c4 x + c5 y) - radius term.
constexpr double kFit[36][6] = {
    {38.889868461233, -29.4601181717457, -0.705106148305364, 0.0400739406942694, 0.0400325841227412, 0.0529484458466531}, // 1
    {45.528467989398, -27.1463402443613, -0.410182934125817, 0.170417898642373, -0.00705115274952984, 0.326498910198039}, // 2
    {45.0057875146676, -46.4328026698115, -0.675143901834987, 0.143135240616495, -0.0310075732186183, 0.073734281819653}, // 3
    {40.5474591594502, -33.576101133797, -0.611351979627519, -0.0712647095583397, 0.0330066128581534, -0.058279248620804}, // 4
    {47.4527440616457, -29.7995602944828, -0.365753573321881, 0.125406215916671, -0.0107582702719538, 0.287568623069297}, // 5
    {45.5552023853821, -44.7241391748905, -0.626880189707784, 0.135470347764943, -0.0318762288083063, 0.0939786775367453}, // 6
    {60.3897902945466, -36.2783370035166, -0.172808460268714, -0.00225658366962376, -0.0421377094126925, -0.0205248027723245}, // 7
    {43.7188606186578, -17.6266611983026, -0.343186047992211, -0.0239667606385469, 0.00877175828403839, -0.0090349935326637}, // 8
    {35.1084331588708, -26.1366924308091, -0.968792440601142, 0.116922454730741, 0.0823520406317815, 0.0718105259917876}, // 9
    {38.9551540531239, -29.8876579301389, -0.699907651438693, 0.0301947340579969, 0.0401729738528211, 0.0470555584346865}, // 10
    {46.9211143954369, -29.189915483494, -0.375763398502032, 0.123806428254792, -0.0092338395022817, 0.271439695673085}, // 11
    {59.0578342614566, -48.4979973132044, -0.314469358765873, 0.0945455531122824, -0.0891681148339976, 0.324800238252598}, // 12
    {62.9509901105163, -181.512463715606, -0.651191449314626, -0.177519417230462, -0.221174901097435, -0.717585562223548}, // 13
    {50.2476390183948, -130.814266433201, -0.73864300438991, -0.225486950075371, -0.0801517563376703, -0.432439882736544}, // 14
    {41.9530378196482, -109.981454588615, -0.982393332196653, -0.257219040326504, 0.00613702489781189, -0.21181059478495}, // 15
    {60.8169980276382, -172.659900268591, -0.659983065065369, -0.173673504667396, -0.196972696434655, -0.648831180816574}, // 16
    {49.2849765415903, -124.558035598913, -0.743473709681495, -0.21564195784753, -0.067808219183091, -0.392882055301517}, // 17
    {41.5546272122796, -112.04919200984, -1.00144740858291, -0.257910838078683, 0.0122414153680111, -0.206109602981079}, // 18
    {36.9949843468736, -53.8807181376824, -1.55533626294124, 0.119957705188289, 0.0489041040942366, 0.14719463206153}, // 19
    {36.2471619402721, -69.1353603258393, -2.09462421730092, 0.133188722860183, 0.0679260523687386, 0.102101554816464}, // 20
    {148.328557890601, -183.39182916973, -0.175636005111009, -0.032307438782332, -0.392651068803934, -0.694275194091141}, // 21
    {151.10205623652, -181.816922600604, -0.166072680370116, -0.0481883320595869, -0.41553056428771, -1.0251132359573}, // 22
    {50.3170038589258, -131.235621682254, -0.73644850806928, -0.22308041168916, -0.0803077648123749, -0.42828962702901}, // 23
    {42.0538507312727, -106.986034970486, -0.974530731825139, -0.246472535699286, 0.00379067545245488, -0.208567314263919}, // 24
    {48.4124899267443, -38.5958082506921, -0.341662962042048, -0.14867827669776, 0.0055717528307608, -0.315320543367561}, // 25
    {50.4732678707181, -41.817726758031, -0.366293264883533, -0.0854838910103044, -0.0224254953724596, -0.210824914778763}, // 26
    {42.0588833703196, -38.1845290896102, -0.729309792846765, 0.154191835670183, -0.00285686660224764, 0.129717160004204}, // 27
    {51.4612116371639, -40.910690748366, -0.295888834039608, -0.134587000805904, -0.0019161442164356, -0.367856512548579}, // 28
    {51.5101047987757, -42.7983150388415, -0.350318880077514, -0.0787760491282343, -0.0250987145365538, -0.212810379132141}, // 29
    {42.2108162588021, -37.9417391704806, -0.710279862529358, 0.151761205437697, -0.00319525825378874, 0.134927782214249}, // 30
    {44.1639271377929, -23.9374116531121, -0.462916793908048, -0.0135868487819564, -0.00973078834083786, -0.0109943043962889}, // 31
    {63.681130560851, -39.0197094565262, -0.12854459418183, -0.0750243426986344, -0.0195219292388774, -0.418582606606155}, // 32
    {55.9597508720409, -45.7682848996618, -0.227136749028879, -0.172476734115095, 0.00845294918025345, -0.659849765347706}, // 33
    {49.2796919251688, -39.2412356447835, -0.327358786677556, -0.144080347888728, 0.00322187346050368, -0.330475701706866}, // 34
    {50.4013304699868, -41.8616096093226, -0.366611509548821, -0.0842281298893854, -0.021276941726552, -0.204695549260289}, // 35
    {42.1432759138538, -38.3931752097943, -0.72740343898367, 0.153521523718941, -0.00407095441763789, 0.129341685582025}, // 36
};

}  // namespace

void magnitudesfit(double teff, double logg, double r, std::array<double, 36>& mags) {
    if (!(logg > 0.0 && logg <= 7.0 && teff >= 10.0 && teff <= 10000.0)) {
        mags.fill(-9e99);  // outside the range of the fits
        return;
    }
    const double x = teff / 100.0, y = logg;
    const double d = 2.5 * std::log10(r * r / kTenParsec2);
    for (std::size_t k = 0; k < 36; ++k) {
        const double* c = kFit[k];
        mags[k] = -(c[0] + c[1] * std::pow(x, c[2]) * std::pow(y, c[3]) + c[4] * x + c[5] * y) - d;
    }
}

void interpolmagnitudesgridco(PhotometryContext& pc, const PathModule& path, double teff, double logg, double r,
                              std::array<double, 9>& mags, std::array<double, 9>& gridmags) {
    interpolmagnitudesgrid(magnitude_grids(pc, path), teff, logg, r, mags, gridmags);
}

void blackbodymagsv2(PhotometryContext& pc, const PathModule& path, const processes::Star& star, double tp, double r,
                     double a, double age, double mstar, std::array<double, 16>& mags, std::array<double, 16>& fluxes) {
    const processes::StarProps st = processes::starprops(star, age, mstar);
    blackbodymags(filter_curves(pc, path), pc.jlolm, pc.nodes,
                  BodyLight{tp, r, a, st.rstar, st.teffstar}, mags, fluxes);
}

void contrast(const processes::Star& star, bool dump, double age, double mstar, double tp, double r, double a,
              double& peak, std::array<double, 14>& contrasts, std::ostream* spectrum) {
    const processes::StarProps st = processes::starprops(star, age, mstar);
    const BodyLight b{tp, r, a, st.rstar, st.teffstar};
    peak = 0.29 / tp;  // Wien's displacement law [cm]
    const double area = (r / st.rstar) * (r / st.rstar);
    const double reflected = (r / a) * (r / a) * kReflected;
    // Thermal emission relative to the star's, plus the reflected share.
    auto ratio = [&](double lambda) { return area * planck(lambda, tp) / planck(lambda, st.teffstar) + reflected; };
    for (std::size_t k = 0; k < contrasts.size(); ++k) contrasts[k] = ratio(kContrastWavelengths[k] * 1e-4);

    if (!dump || spectrum == nullptr) return;
    // The spectrum from 0.1 to 1000 micron, 250 points per decade.
    const double dstar = (st.rstar / kTenParsec) * (st.rstar / kTenParsec);
    const double dplanet = (r / kTenParsec) * (r / kTenParsec);
    const double tyr = age / cst::year;
    std::string line;
    for (int i = 0; i <= 1000; ++i) {
        const double lum = std::pow(10.0, 4.0 * i / 1000.0 - 1.0);
        const double lambda = lum * 1e-4;
        const double c = ratio(lambda);
        // Stellar flux density at 10 pc [Jy] (c taken as 3e10 cm/s here).
        const double fstar = lambda * lambda * kPi * planck(lambda, st.teffstar) * dstar * 3333333333333.3335;
        const double flam = dplanet * fluxbb(lambda, b);
        line.clear();
        for (double v : {lum, tyr, c, fstar, c * fstar, flam, flam * lambda * lambda * kToJansky}) line += fmt::ES(v, 15, 5);
        line += '\n';
        *spectrum << line;
    }
}

}  // namespace velkaro::output
