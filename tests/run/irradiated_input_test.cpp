// The switch of the irradiated atmosphere: the optional 17th line of the
// atmosphere file.
#include <gtest/gtest.h>

#include <sstream>

#include "run/context.hpp"
#include "run/input.hpp"
#include "run_dir.hpp"
#include "support/fatal_text.hpp"

using namespace velkaro;
using velkaro::testing::fatal_text;
using velkaro::testing::RunDir;

namespace {

struct Read {
    RunDir dir;
    std::ostringstream out;
    RunContext ctx;
    explicit Read(const std::vector<std::string>& file) {
        ctx.path.rundir = dir.path();
        ctx.console.out = &out;
        dir.write("sivexdualband.in", file);
    }
};

std::vector<std::string> with(std::vector<std::string> lines, std::initializer_list<std::string> more) {
    lines.insert(lines.end(), more);
    return lines;
}

}  // namespace

TEST(IrradiatedSwitch, SixteenAndSeventeenLineFilesRead) {
    const auto atm = velkaro::testing::jupiter_atmosphere_file();
    {  // 16 lines, and 16 lines with blank lines after them: off, echo as before.
        Read r(atm), b(with(atm, {"", "   "}));
        init2bd(r.ctx);
        init2bd(b.ctx);
        EXPECT_FALSE(r.ctx.dualband.irradiated);
        EXPECT_FALSE(b.ctx.dualband.irradiated);
        EXPECT_EQ(r.out.str().find("irradiated"), std::string::npos);
        EXPECT_EQ(r.out.str(), b.out.str());
    }
    {  // 17th line F: off, and the same echo as the 16-line file.
        Read r(atm), f(with(atm, {"F   irradiated"}));
        init2bd(r.ctx);
        init2bd(f.ctx);
        EXPECT_FALSE(f.ctx.dualband.irradiated);
        EXPECT_EQ(r.out.str(), f.out.str());
    }
    for (const char* on : {"T", ".true.  irradiated atmosphere"}) {
        Read t(with(atm, {on}));
        init2bd(t.ctx);
        EXPECT_TRUE(t.ctx.dualband.irradiated);
        EXPECT_NE(t.out.str().find(" irradiated   T\n"), std::string::npos) << t.out.str();
    }
}

TEST(IrradiatedSwitch, MalformedSeventeenthLineStopsNamingFileLineAndValue) {
    const auto atm = velkaro::testing::jupiter_atmosphere_file();
    Read r(with(atm, {"yes  irradiated"}));
    const auto msg = fatal_text([&] { init2bd(r.ctx); });
    EXPECT_NE(msg.find("PROBLEME : input file sivexdualband.in, line 17: expected a logical T or F (irradiated), "
                       "found \"yes\""),
              std::string::npos)
        << msg;
    // The profile needs a positive opacity ratio.
    Read z(with(velkaro::testing::edited(atm, {{13, "0.0  kv2kth"}}), {"T"}));
    EXPECT_NE(fatal_text([&] { init2bd(z.ctx); }).find("line 17: irradiated needs kv2kth > 0"), std::string::npos);
}
