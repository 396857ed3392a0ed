// One range per antenna field: the dialogs' boxes, the project's import and
// the tile plan refuse a value at the same bound.
#include "antenna/BeamForm.h"
#include "calc/FieldRules.h"
#include "compliance/SiteInventory.h"
#include "tiles/Inventory.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <tuple>

using namespace brenvik;

namespace {

// Every column both readers know, with lon/lat on the project's plan.
const std::string kHead = "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz,"
                          "h_beamwidth_deg,v_beamwidth_deg,electrical_tilt_deg\n";
const char* const kValues[] = {"s",  "2.3005", "48.8502", "30", "panel", "100",
                               "90", "2",      "900",     "65", "7",     "0"};

std::string RowWith(const std::string& column, const std::string& value) {
    std::istringstream names(kHead.substr(0, kHead.size() - 1));
    std::string row, name;
    for (std::size_t k = 0; std::getline(names, name, ','); ++k)
        row += (k ? "," : "") + (name == column ? value : std::string(kValues[k]));
    return kHead + row + "\n";
}

std::optional<std::string> ProjectRefusal(const std::string& csv) {
    Project p;
    p.OriginLon = 2.3;
    p.OriginLat = 48.85;
    return compliance::ImportSites(p, csv, compliance::ImportMode::Replace);
}

const FieldRule* DialogRule(const std::string& box) {
    for (const auto* rules : {&AntennaFormRules(), &antenna::BeamRules()})
        for (const FieldRule& r : *rules)
            if (r.box == box) return &r;
    return nullptr;
}

} // namespace

TEST(InventoryRanges, EachBoundIsTheSameForTheDialogTheProjectAndTheTiles) {
    struct Case {
        const char* column;
        const char* value;
        bool taken;
        const char* box; // the dialog's box, "" when it has none for this value
    } const cases[] = {
        {"height_m", "10000", true, "mText"},
        {"height_m", "10000.01", false, "mText"},
        {"height_m", "-0.01", false, ""}, // a box drops the sign
        {"erp_w", "10000000", true, "potext"},
        {"erp_w", "10000001", false, "potext"},
        {"azimuth_deg", "360", true, "antang"},
        {"azimuth_deg", "360.01", false, "antang"},
        {"tilt_deg", "-85", true, ""}, // a box stores the bound instead
        {"tilt_deg", "85.01", false, ""},
        {"frequency_mhz", "0.1", true, "freqtext"},
        {"frequency_mhz", "0.0999", false, "freqtext"},
        {"frequency_mhz", "300000", true, "freqtext"},
        {"frequency_mhz", "300000.5", false, "freqtext"},
        {"h_beamwidth_deg", "360", true, "hBeamwidth"},
        {"h_beamwidth_deg", "360.5", false, "hBeamwidth"},
        {"h_beamwidth_deg", "0", false, "hBeamwidth"},
        {"v_beamwidth_deg", "180", true, "vBeamwidth"},
        {"v_beamwidth_deg", "180.5", false, "vBeamwidth"},
        {"v_beamwidth_deg", "0", false, "vBeamwidth"},
        {"electrical_tilt_deg", "-90", true, "electricalTilt"},
        {"electrical_tilt_deg", "90.5", false, "electricalTilt"},
        {"type", "none", true, ""},
        {"type", "dish", false, ""},
    };
    for (const Case& c : cases) {
        const std::string csv = RowWith(c.column, c.value);
        const std::optional<std::string> project = ProjectRefusal(csv);
        const tiles::InventoryRead tiles = tiles::ParseInventory(csv);
        EXPECT_EQ(!project, c.taken) << c.column << "=" << c.value << ": " << project.value_or("");
        EXPECT_EQ(tiles.error.empty(), c.taken)
            << c.column << "=" << c.value << ": " << tiles.error;
        // Both name the column and the line alike.
        if (!c.taken && project) {
            EXPECT_EQ(*project, "Sites not imported:\n" + tiles.error) << c.column;
        }
        if (*c.box) {
            const FieldRule* rule = DialogRule(c.box);
            ASSERT_NE(rule, nullptr) << c.box;
            EXPECT_EQ(FieldAccepts(*rule, c.value, ParseNumberC), c.taken)
                << c.box << " " << c.value;
        }
    }
}

TEST(InventoryRanges, AnUnknownTypeRadiatesNothingInThePlan) {
    const tiles::InventoryRead r = tiles::ParseInventory(RowWith("type", "none"));
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.rows[0].erpW, 0.0);
    EXPECT_FALSE(r.rows[0].stick);
    // The beam the row gives reaches the plan as given.
    EXPECT_EQ(r.rows[0].vBeamwidthDeg, 7.0);
    EXPECT_EQ(r.rows[0].hBeamwidthDeg, 65.0);
}

TEST(InventoryRanges, ThePlanTakesThePowerFactorAndTheArrayOfAnAdaptivePanel) {
    const std::string row = RowWith("", "");
    const auto with = [&](const std::string& columns, const std::string& values) {
        return row.substr(0, kHead.size() - 1) + "," + columns + "\n" +
               row.substr(kHead.size(), row.size() - kHead.size() - 1) + "," + values + "\n";
    };
    const tiles::InventoryRead reduced = tiles::ParseInventory(with("power_factor", "0.25"));
    ASSERT_EQ(reduced.error, "");
    EXPECT_EQ(reduced.rows[0].erpW, 25.0);
    EXPECT_EQ(reduced.rows[0].array, -1);
    // A panel's array is its beam, unless a pattern file is its envelope; a
    // stick stays a stick. Counts are rounded, ranges put in order.
    const std::string cols = "array_rows,array_columns,steer_az_min_deg,steer_az_max_deg,"
                             "power_factor,type,pattern";
    struct Case {
        const char* values;
        bool array;
        int rows, columns;
        double azMin, azMax, erpW;
    };
    const Case cases[] = {
        {"8,8,-60,60,0.25,panel,", true, 8, 8, -60, 60, 25},
        {"4.4,7.6,30,-45,1,panel,", true, 4, 8, -45, 30, 100},
        {"8,8,-60,60,0.5,panel,env.msi", false, 0, 0, 0, 0, 50},
        {"8,8,-60,60,0.5,stick,", false, 0, 0, 0, 0, 50},
        {"0,8,-60,60,1,panel,", false, 0, 0, 0, 0, 100},
    };
    for (const Case& c : cases) {
        const tiles::InventoryRead r = tiles::ParseInventory(with(cols, c.values));
        ASSERT_EQ(r.error, "") << c.values;
        EXPECT_EQ(r.rows[0].erpW, c.erpW) << c.values;
        ASSERT_EQ(r.rows[0].array, c.array ? 0 : -1) << c.values;
        ASSERT_EQ(r.arrays.size(), c.array ? 1u : 0u) << c.values;
        if (!c.array) continue;
        const antenna::ArrayParams& a = r.arrays[0];
        EXPECT_EQ(std::tuple(a.rows, a.columns, a.azMinDeg, a.azMaxDeg),
                  std::tuple(c.rows, c.columns, c.azMin, c.azMax))
            << c.values;
    }
    // Rows of one array share its entry, in the order the arrays first come.
    std::string csv = with(cols, "8,8,-60,60,1,panel,");
    for (const char* values : {"4,8,-60,60,1,panel,", "8,8,-60,60,0.5,panel,",
                               "8,8,-60,60,1,stick,", "4,8,-60,60,1,panel,"})
        csv += row.substr(kHead.size(), row.size() - kHead.size() - 1) + "," + values + "\n";
    const tiles::InventoryRead shared = tiles::ParseInventory(csv);
    ASSERT_EQ(shared.error, "");
    ASSERT_EQ(shared.rows.size(), 5u);
    std::vector<int> at;
    for (const tiles::SiteRow& r : shared.rows)
        at.push_back(r.array);
    EXPECT_EQ(at, (std::vector<int>{0, 1, 0, -1, 1}));
    ASSERT_EQ(shared.arrays.size(), 2u);
    EXPECT_EQ(std::pair(shared.arrays[0].rows, shared.arrays[1].rows), std::pair(8, 4));
}
