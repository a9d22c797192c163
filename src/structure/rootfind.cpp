// Messages of the two-tolerance Brent search.
#include "structure/rootfind.hpp"

#include "common/constants.hpp"
#include "common/fatal.hpp"
#include "common/format.hpp"

namespace velkaro::structure::detail {

void zbrent_unbracketed(double x1, double f1, double x2, double f2) {
    fatal({fmt::free("ERROR IN ZBRENT2TOL: root must be bracketed"), fmt::free(x1, f1, x2, f2)});
}

void zbrent_maxiter(double b, double fb, double xm, double tol1, double tolf, double tolx) {
    // The report divides by round numbers (7.15e9 cm, 6e27 g) close to a
    // Jupiter radius and an Earth mass: it is meant to be read, not compared.
    fatal({fmt::free("ERROR: zbrent2tol exceeding maximum iterations"),
           fmt::free(b / 7.15e9, fb / 6e27, xm / 7.15e9),
           fmt::free(tol1 / 7.15e9, tolf / 6e27, tolx / 7.15e9, xm / tol1, fb / tolf)});
}

void zbrent_converged(const SearchLog& report, int iterations, double b, double xm, double fb, double tolx, double tolf) {
    report.compteur_shooting = iterations;
    if (!report.verbose) return;
    auto& o = report.io.con();
    o << fmt::free("Brave Brent found the structure at R/RJ", b / cst::Rjup) << '\n';
    o << fmt::free("tolerance in M/Me, error in M/Me, ratio", tolf / cst::Mearth, std::fabs(fb) / cst::Mearth,
                   std::fabs(fb / tolf))
      << '\n';
    o << fmt::free("tolerance in R/RJ, error in R/RJ, ratio", tolx / cst::Rjup, std::fabs(xm) / cst::Rjup,
                   std::fabs(xm / tolx))
      << '\n';
}

void zbrent_resolution(const SearchLog& report, double b, double fb, double fc, double tolf, double tolf_floor) {
    if (!report.verbose) return;
    report.io.note() << fmt::free("Brent: the mismatch jumps across the root at R/RJ; accepted within the resolution",
                           b / cst::Rjup)
              << '\n';
    report.io.note() << fmt::free("jump in M/Me, tolerance in M/Me, resolution in M/Me", (fb - fc) / cst::Mearth,
                           tolf / cst::Mearth, tolf_floor / cst::Mearth)
              << '\n';
}

}  // namespace velkaro::structure::detail
