// velkaro: internal structure and evolution of one planet.
//
//   velkaro [--quiet] [RUNDIR]    run the planet whose input files lie in
//                                 RUNDIR (default: the working directory)
#include <cstring>
#include <filesystem>
#include <iostream>

#include "common/fatal.hpp"
#include "run/context.hpp"
#include "run/driver.hpp"

namespace {

const char* kUsage =
    "usage: velkaro [--quiet] [RUNDIR]\n"
    "\n"
    "Computes the structure and evolution of the planet described by the input\n"
    "files in RUNDIR (default: the working directory):\n"
    "  sivex.in          planet, star and run-control values\n"
    "  path.dat          the EOS directory and the data directory\n"
    "  sivexdualband.in  outer boundary, opacity, escape and tide switches\n"
    "Results are written to RUNDIR (fort.1, fort.13, fort.14); the running\n"
    "account goes to standard output.\n"
    "\n"
    "options:\n"
    "  --quiet    print only warnings, a fatal message and the final message\n"
    "             with its stop code, not the running account\n"
    "  --help     show this text\n"
    "  --version  show the program version\n";

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path rundir = ".";
    int positional = 0;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "velkaro " VELKARO_VERSION "\n";
            return 0;
        }
        if (std::strcmp(argv[i], "--quiet") == 0) {
            quiet = true;
            continue;
        }
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::cerr << "velkaro: unknown option " << argv[i] << "\n" << kUsage;
            return 1;
        }
        if (++positional > 1) {
            std::cerr << "velkaro: only one run directory may be given\n" << kUsage;
            return 1;
        }
        rundir = argv[i];
    }
    if (!std::filesystem::is_directory(rundir)) {
        std::cerr << "velkaro: run directory " << rundir.string() << " does not exist\n";
        return 1;
    }

    std::ios::sync_with_stdio(false);
    velkaro::RunContext ctx;
    ctx.path.rundir = rundir;
    if (quiet) ctx.console.quiet();
    try {
        velkaro::run_planet(ctx);
    } catch (const velkaro::FatalError& e) {
        std::cout.flush();
        std::ostream& os = e.stream() == velkaro::FatalError::Stream::Err ? std::cerr : std::cout;
        for (const auto& l : e.lines()) os << l << '\n';
        os.flush();
        return 1;
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "PROBLEME : internal error: " << e.what() << '\n';
        return 1;
    }
    std::cout.flush();
    return 0;
}
