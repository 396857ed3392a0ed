#include "compliance/ReportLayout.h"

#include "compliance/SiteInventory.h"
#include "model/ResultStamp.h"
#include "render/RecordingSurface.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;
using namespace brenvik::compliance;
using render::Primitive;

namespace {

// A plan result given by hand: two towers, a ratio of 150 % at node (10, 10)
// and 0.5 % at node (20, 20), nothing elsewhere.
Project HandResult(int extraAntennas) {
    Project p;
    std::string csv = std::string(SitesHeader) + "\na,,,40,60,6,panel,800,90,0,900,\n"
                                                 "b,,,100,30,5,stick,900,,,3500,\n";
    for (int k = 0; k < extraAntennas; ++k)
        csv += "b,,,100,30,5,stick,10,,,700,\n";
    EXPECT_EQ(ImportSites(p, csv, ImportMode::Replace), std::nullopt);
    p.XYCalculated = 1;
    p.CalcHeight = 5;
    p.RatioGrid.resize(p.GridNX, p.GridNY);
    p.RatioGrid(10, 10) = 1.5;
    p.RatioGrid(20, 20) = 0.005;
    p.DensityGrid(10, 10) = 675;
    p.MaxDensity = 675;
    p.GridXm.assign(p.GridNX + 1, 0.0);
    p.GridYm.assign(p.GridNY + 1, 0.0);
    StampResult(p, Plane::XY, true);
    return p;
}

ReportLayout Layout(const Project& p) {
    static const LoadedLibrary lib = LoadLibrary(ShippedLimitsPath(), "");
    SummaryResult s = Summarise(p, lib.library, "icnirp-2020", Population::Public);
    EXPECT_FALSE(s.refusal);
    return ReportLayout(ReportInput{&p, s.summary, "site.bvk", "2026-12-06 10:00"});
}

bool Has(const std::vector<std::string>& texts, const std::string& t) {
    return std::find(texts.begin(), texts.end(), t) != texts.end();
}

} // namespace

TEST(ReportLayout, EveryPageNamesTheProjectDateStandardAndHeight) {
    struct Case {
        int extra;
        bool section;
        int pages;
    } cases[] = {{0, false, 2}, {0, true, 3}, {20, false, 3}, {40, true, 5}};
    for (const Case& c : cases) {
        Project p = HandResult(c.extra);
        if (c.section) {
            p.XZCalculated = 1;
            p.XZRatioGrid.resize(p.GridNX, p.GridNY);
            StampResult(p, Plane::XZ, true);
        }
        const ReportLayout layout = Layout(p);
        ASSERT_EQ(layout.pageCount(), c.pages);
        for (int k = 0; k < c.pages; ++k) {
            SCOPED_TRACE(std::to_string(c.extra) + " page " + std::to_string(k));
            render::RecordingSurface s;
            layout.drawPage(k, s);
            for (const char* says : {"Project: site.bvk", "Date: 2026-12-06 10:00",
                                     "Standard: ICNIRP 2020 (whole body, 30 min), general public",
                                     "Calculation height: h=5 m"})
                EXPECT_TRUE(Has(s.texts(), says)) << says;
        }
    }
}

TEST(ReportLayout, PlanPageShowsTheBandsTheMaximumAndTheVerdict) {
    const Project p = HandResult(0);
    render::RecordingSurface s;
    Layout(p).drawPage(0, s);
    for (const char* says : {"ICNIRP 2020 (whole body, 30 min) general public: exceeds the limit "
                             "over 2.2 m^2, maximum 150 %",
                             "Maximum 150 % of the limit", "max 150 %", "N"})
        EXPECT_TRUE(Has(s.texts(), says)) << says;
    // Only the node above the limit is coloured, in the top band; the legend
    // shows every band once more.
    int top = 0, cells = 0;
    for (const Primitive& b : s.ofKind(Primitive::Kind::Box)) {
        for (int band = 0; band <= 5; ++band)
            if (b.fill == BandColour(band)) ++cells;
        if (b.fill == BandColour(5)) ++top;
    }
    EXPECT_EQ(std::tuple(top, cells), std::tuple(2, 1 + 6));
}
