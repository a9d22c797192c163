#include "run/context.hpp"

namespace velkaro {

std::filesystem::path RunContext::resolve(const std::string& p) const {
    std::filesystem::path q(p);
    if (q.is_absolute()) return q;
    return rundir / q;
}

}  // namespace velkaro
