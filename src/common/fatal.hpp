// The one way a run stops on a fatal condition. Library code throws
// FatalError carrying the lines to print; the program's main() prints them
// and exits with status 1. Nothing in the library calls exit().
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace velkaro {

class FatalError : public std::runtime_error {
public:
    enum class Stream { Out, Err };

    explicit FatalError(std::vector<std::string> lines, Stream stream = Stream::Out)
        : std::runtime_error(join(lines)), lines_(std::move(lines)), stream_(stream) {}
    FatalError(std::initializer_list<std::string> lines, Stream stream = Stream::Out)
        : FatalError(std::vector<std::string>(lines), stream) {}

    const std::vector<std::string>& lines() const noexcept { return lines_; }
    /// Where main() prints the lines: standard output, or standard error for
    /// the few routines that report there.
    Stream stream() const noexcept { return stream_; }

private:
    static std::string join(const std::vector<std::string>& lines) {
        std::string s;
        for (const auto& l : lines) {
            if (!s.empty()) s += '\n';
            s += l;
        }
        return s;
    }
    std::vector<std::string> lines_;
    Stream stream_;
};

/// Throw a FatalError with the given lines (printed on standard output).
[[noreturn]] inline void fatal(std::vector<std::string> lines) { throw FatalError(std::move(lines)); }

}  // namespace velkaro

namespace velkaro {

/// Stop the run at a capability that this build of the program does not
/// have yet, naming it, rather than pretending to compute it.
[[noreturn]] inline void not_built(const std::string& capability, const std::string& routine) {
    throw FatalError({"", "velkaro: the run needs " + capability + " (" + routine + "),",
                      "which this version of the program does not provide yet.",
                      "PROBLEME : not built: " + routine});
}

}  // namespace velkaro
