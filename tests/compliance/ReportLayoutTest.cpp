#include "compliance/ReportLayout.h"

#include "compliance/ComplianceTestSupport.h"
#include "compliance/SiteInventory.h"
#include "model/ResultStamp.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <cmath>
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
    p.CalcHeight = 5;
    brenvik::testing::BlankResult(p, Plane::XY);
    p.XY.Ratio(10, 10) = 1.5;
    p.XY.Ratio(20, 20) = 0.005;
    p.XY.Density(10, 10) = 675;
    p.XY.MaxDensity = 675;
    return p;
}

ReportLayout Layout(const Project& p) {
    return brenvik::testing::IcnirpReport(p);
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
    } cases[] = {{0, false, 3}, {0, true, 4}, {20, false, 5}, {40, true, 8}};
    for (const Case& c : cases) {
        Project p = HandResult(c.extra);
        if (c.section) brenvik::testing::BlankResult(p, Plane::XZ);
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
    for (const char* says : {"Indicative: ICNIRP 2020 (whole body, 30 min) general public, plan at "
                             "h=5 m: exceeds the limit over 2.2 m^2, maximum 150 %",
                             "Maximum 150 % of the limit", "max 150 %", "N"})
        EXPECT_TRUE(Has(s.texts(), says)) << says;
    Project surface = p;
    surface.CalcOption = CalcLevel::AtSurface;
    StampResult(surface, Plane::XY, true);
    EXPECT_NE(Layout(surface).planVerdictLine().find("public, plan at surface height: "),
              std::string::npos);
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

TEST(ReportLayout, StatesTheMethodAndExplainsTheVerdictPerModel) {
    // Both antennas isotropic in the far-field case: antenna a (800 W,
    // 900 MHz, S_L 4.5 W/m^2) reaches sqrt(1.64 * 800 / (4 pi 4.5)) = 4.82 m
    // at its own height, 6 m, the plane's; the stick (900 W, 3500 MHz, S_L
    // 17.5 W/m^2) 2.59 m, 1 m below the plane, so the plane crosses both. A
    // node of 200 % next to antenna a lies inside; (10, 10) at 150 % far away.
    struct Case {
        ExposureModel model;
        std::vector<std::string> says;
    };
    const double cell = std::pow(HandResult(0).CellSize * HandResult(0).MetersPerUnit, 2);
    const std::string both = FormatFixed(2 * cell, 1), one = FormatFixed(cell, 1);
    const Case cases[] = {
        {ExposureModel::Specified,
         {"Indicative: ICNIRP 2020 (whole body, 30 min) general public, plan at h=6 m: exceeds "
          "the limit over " +
              both + " m^2, maximum 200 %",
          "Exposure model: Simplified beam (indicative)", "Indicative: this model's blind spots:",
          "  - no field at all above a down-tilted panel's height, nor below an up-tilted one's",
          "  - a stick antenna's vertical beam is taken as 12.0/180 radians (3.8 deg) wide",
          "Distance (m)", "Compliance distance (m)", "parametric"}},
        {ExposureModel::FarField,
         {"ICNIRP 2020 (whole body, 30 min) general public, plan at h=6 m: exceeds the limit "
          "outside the compliance boundaries over " +
              one + " m^2, maximum there 150 %",
          "The plan crosses the compliance boundaries of T1 A1, T2 A1: " + both +
              " m^2 above 100 %, " + one +
              " m^2 of it inside their compliance boundaries; maximum outside them 150 %.",
          "Exposure model: Far-field (IEC 62232)", "Reflection factor RF: 2.56",
          "Pattern iso: file iso.msi, gain 0.00 dBi", "Boundary front (m)", "iso",
          "Program: " + ProgramVersion(), "Assessor: A. Tester", "Front (m)",
          FormatFixed(std::sqrt(2.56 * 1.64 * 800 / (4 * 3.14159265358979 * 4.5)), 2)}},
    };
    for (const Case& c : cases) {
        Project p = HandResult(0);
        p.CalcHeight = 6;
        p.Exposure = {c.model, 2.56};
        p.Compliance.Assessor = "A. Tester";
        const Antenna& a = p.Antennas[1];
        p.XY.Ratio(static_cast<int>(std::lround(a.AntX / p.CellSize)) + 1,
                   static_cast<int>(std::lround(a.AntY / p.CellSize))) = 2.0;
        if (c.model == ExposureModel::FarField) {
            p.Patterns = {brenvik::testing::IsotropicPattern()};
            p.Patterns[0].Source = "iso.msi";
            p.Antennas[1].AntPattern = p.Antennas[2].AntPattern = "iso";
        }
        StampResult(p, Plane::XY, true); // the result was computed for these inputs
        const std::vector<std::string> texts = brenvik::testing::ReportTexts(Layout(p));
        for (const std::string& says : c.says)
            EXPECT_TRUE(Has(texts, says)) << says;
    }
}

TEST(ReportLayout, TheAntennaTableShowsAnOperatorOnlyWhenOneIsSet) {
    for (bool named : {false, true}) {
        Project p = HandResult(0);
        if (named) p.Antennas[2].AntOperator = "Telco";
        const std::vector<std::string> texts = brenvik::testing::ReportTexts(Layout(p));
        EXPECT_TRUE(Has(texts, "Distance (m)"));
        EXPECT_EQ(Has(texts, "Operator"), named);
        EXPECT_EQ(Has(texts, "Telco"), named);
    }
}
