// Populations with the irradiated atmosphere: the table sets the optional
// 17th line of the atmosphere file by name, and the summary finds the
// columns of irradiated.track by name beside fort.1's.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "grid/grid.hpp"
#include "support/files.hpp"

using velkaro::testing::read_file;
namespace fs = std::filesystem;
using namespace velkaro::grid;

namespace {

void put(const fs::path& f, const std::string& s) {
    std::ofstream out(f, std::ios::binary | std::ios::trunc);
    out << s;
}

std::vector<std::string> lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> v;
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

}  // namespace

TEST(IrradiatedGrid, TableColumnAddsTheSeventeenthLine) {
    const fs::path jupiter = fs::path(VELKARO_SOURCE_DIR) / "examples" / "jupiter";  // a 16-line base
    const auto on = lines(make_inputs(jupiter, {"irradiated", "Mcore"}, {"T", "20"}).dualband);
    ASSERT_EQ(on.size(), 17u);
    EXPECT_EQ(on[16].substr(0, 2), "T ");
    EXPECT_EQ(lines(make_inputs(jupiter, {"irradiated"}, {""}).dualband).size(), 16u);  // empty cell: the base
    // A 17-line base keeps its line, the table's value replaces it.
    const fs::path hot = fs::path(VELKARO_SOURCE_DIR) / "examples" / "hot-jupiter-irradiated";
    const auto off = lines(make_inputs(hot, {"IRRADIATED"}, {"F"}).dualband);
    ASSERT_EQ(off.size(), 17u);
    EXPECT_EQ(off[16].substr(0, 2), "F ");
    EXPECT_NE(off[16].find("irradiated"), std::string::npos);  // the comment stays
}

TEST(IrradiatedGrid, SummaryFindsTheIrradiatedColumnsByName) {
    const fs::path out = fs::path(VELKARO_BINARY_DIR) / "test_grid_tmp" / "irradiated-summary";
    fs::remove_all(out);
    const fs::path run = out / "runs" / run_name(1);
    fs::create_directories(run);
    auto field = [](const char* s) { return std::string(22 - std::string(s).size(), ' ') + s; };
    put(run / "fort.1.columns", "column,name,unit,meaning\n1,step,,n\n2,age_yr,yr,age\n");
    put(run / "fort.1", field("0") + field("0.1000000000E+07") + "\n" + field("1") + field("0.1000000000E+09") + "\n");
    put(run / "irradiated.track.columns",
        "column,name,unit,meaning\n1,step,,n\n2,age_yr,yr,age\n3,R_transit_irr_RJ,R_jup,transit radius\n");
    put(run / "irradiated.track", field("0") + field("5.0") + field("1.400000000") + "\n" + field("1") + field("6.0") +
                                      field("1.200000000") + "\n");
    put(run / kMarker, "status completed\nwall_s 1.000\n");
    const auto track = read_track(run);
    ASSERT_TRUE(track);
    const int j = track->column("R_transit_irr_RJ");
    ASSERT_GE(j, 0);
    EXPECT_EQ(track->rows[1][static_cast<std::size_t>(j)], 1.2);
    EXPECT_EQ(track->rows[1][static_cast<std::size_t>(track->column("age_yr"))], 1e8);  // fort.1's age, not the copy's
    PlanetTable t;
    t.columns = {"irradiated"};
    t.rows = {{"T"}};
    write_summary(t, out, {"1e7", "tmax"});
    const auto l = lines(read_file(out / "summary.csv"));
    ASSERT_EQ(l.size(), 2u);
    EXPECT_NE(l[0].find("R_transit_irr_RJ@1e7"), std::string::npos) << l[0];
    EXPECT_NE(l[0].find("P_rcb_irr_bar@tmax"), std::string::npos);
    // 1e7 lies halfway in log age: 1.3; at the end 1.2.
    EXPECT_NE(l[1].find("1.300000000E+00"), std::string::npos) << l[1];
    EXPECT_NE(l[1].find("1.200000000E+00"), std::string::npos) << l[1];
}
