// Placeholders until the observables are built.
#include "common/fatal.hpp"
#include "output/observables.hpp"

namespace velkaro::output {
void contrast(RunContext&, bool, double, double, double, double, double, double&, std::array<double, 14>&,
              std::ostream*) {
    not_built("the planet-to-star contrast", "contrast");
}
void magnitudesfit(double, double, double, std::array<double, 36>&) {
    not_built("the fitted magnitudes", "magnitudesfit");
}
void interpolmagnitudesgridco(RunContext&, double, double, double, std::array<double, 9>&, std::array<double, 9>&) {
    not_built("the model-atmosphere magnitudes", "interpolmagnitudesgridco");
}
void blackbodymagsv2(RunContext&, double, double, double, double, double, std::array<double, 16>&,
                     std::array<double, 16>&) {
    not_built("the black-body photometry", "blackbodymagsv2");
}
}  // namespace velkaro::output
