#include "calc/CalcForms.h"
#include "calc/FarFieldHand.h"
#include "calc/GridCalc.h"
#include "compliance/Boundaries.h"
#include "compliance/ComplianceTestSupport.h"
#include "compliance/ComplianceView.h"
#include "compliance/Limits.h"
#include "compliance/ReportLayout.h"
#include "compliance/SiteInventory.h"
#include "model/ResultStamp.h"
#include "model/TestProjects.h"
#include "render/RecordingSurface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace brenvik;
using namespace brenvik::compliance;
using render::Primitive;

namespace {

std::string Fixed2(double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%.2f", v);
    return b;
}

// The plan's y in metres of a height on the page, read from the y axis's
// own ticks (a short line left of the picture, its value written beside it).
double PageToMetres(const render::RecordingSurface& s, double yPage) {
    std::map<double, double> ticks; // page y -> metres
    for (const Primitive& l : s.ofKind(Primitive::Kind::Line)) {
        if (l.y1 != l.y2 || std::fabs(l.x2 - l.x1 - 80) > 1e-9) continue;
        for (const Primitive& t : s.ofKind(Primitive::Kind::Text))
            if (std::fabs(t.y1 - (l.y1 - 70)) < 1e-9 && std::fabs(t.x1 - (l.x2 - 520)) < 1e-9)
                ticks[l.y1] = std::stod(t.text);
    }
    EXPECT_GE(ticks.size(), 2u);
    if (ticks.size() < 2) return NAN;
    const auto a = ticks.begin(), b = std::prev(ticks.end());
    return a->second + (yPage - a->first) / (b->first - a->first) * (b->second - a->second);
}

// The page y of the dashed line: the y most dashes of 140 units share.
double DashedLineY(const render::RecordingSurface& s) {
    std::map<double, int> count;
    for (const Primitive& l : s.ofKind(Primitive::Kind::Line))
        if (l.y1 == l.y2 && std::fabs(l.x2 - l.x1 - 140) < 1e-9) ++count[l.y1];
    double best = NAN;
    int most = 0;
    for (const auto& [y, n] : count)
        if (n > most) best = y, most = n;
    EXPECT_GE(most, 5);
    return best;
}

using brenvik::testing::IcnirpReport;
using brenvik::testing::ShippedLimits;

} // namespace

TEST(SectionReport, DashedLineHeadlineAndVerdictGiveTheSectionsTrueY) {
    // The exports' frame: y = OriginY + (9600 - drawing y) * mpu; the beam
    // model's section lies on grid row floor((cell + 9345 - D / mpu) / cell),
    // the far-field one on y = OriginY + D.
    struct Case {
        ExposureModel model;
        double distance;
    };
    for (const Case c : {Case{ExposureModel::Specified, 48.5}, {ExposureModel::FarField, 31.25}}) {
        Project p;
        ASSERT_EQ(ImportSites(p, std::string(SitesHeader) + "\na,,,40,60,6,panel,800,90,0,900,\n",
                              ImportMode::Replace),
                  std::nullopt);
        p.Exposure.Model = c.model;
        p.OriginY = 12.5;
        ASSERT_FALSE(SetSectionDistance(p, c.distance));
        for (Plane plane : {Plane::XY, Plane::XZ}) {
            brenvik::testing::BlankResult(p, plane);
            PlaneResult& r = p.Result(plane);
            r.Ratio(10, 10) = 0.5;
            r.Density(10, 10) = 225;
            r.MaxDensity = 225;
        }
        const double mpu = p.MetersPerUnit, cell = p.CellSize;
        const double row = std::floor((cell + 9345 - c.distance / mpu) / cell);
        const double want = c.model == ExposureModel::FarField ? 12.5 + c.distance
                                                               : 12.5 + (9600 - row * cell) * mpu;
        SCOPED_TRACE(Fixed2(want));

        const ReportLayout layout = IcnirpReport(p);
        render::RecordingSurface plan, last;
        layout.drawPage(0, plan);
        EXPECT_NEAR(PageToMetres(plan, DashedLineY(plan)), want, 1e-3);

        const std::string at = "ection at y = " + Fixed2(want) + " m";
        const auto verdict = layout.sectionVerdictLine();
        ASSERT_TRUE(verdict);
        EXPECT_NE(verdict->find(at), std::string::npos) << *verdict;
        layout.drawPage(layout.pageCount() - 1, last); // the section's page
        auto texts = last.texts();
        // The summary's section line too.
        const auto summary = SummaryLines(
            p, Summarise(p, ShippedLimits(), "icnirp-2020", Population::Public).summary,
            Unit::MicroWattPerCm2);
        texts.insert(texts.end(), summary.begin(), summary.end());
        EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                                [&](const std::string& t) { return t.rfind("S" + at, 0) == 0; }),
                  c.model == ExposureModel::FarField ? 3 : 2);
    }
}

TEST(SectionReport, BeamModelSectionAlsoGivesTheFarFieldVerdictToSign) {
    // One panel at 900 MHz: ICNIRP 2020's general-public limit there is
    // f / 200 = 4.5 W/m^2, 450 uW/cm^2. The section is computed with the
    // program's beam model on its grid row; the verdict to sign is the
    // far-field formula's on that same row.
    Project p;
    ASSERT_EQ(ImportSites(p, std::string(SitesHeader) + "\na,,,40,60,6,panel,1000,90,4,900,\n",
                          ImportMode::Replace),
              std::nullopt);
    const Antenna& a = p.Antennas[1];
    // Six rows (some 9 m) north of the antenna, beyond its boundary's reach
    // of sqrt(1.64 P / (4 pi S_L)) = 5.4 m: a verdict without crossings.
    ASSERT_FALSE(SetSectionDistance(p, (9345 - a.AntY + 6 * p.CellSize) * p.MetersPerUnit));
    CalcControl ctl;
    ctl.inverseLimit = brenvik::testing::IcnirpInverse(p);
    ASSERT_EQ(ctl.inverseLimit.size(), 2u);
    ASSERT_TRUE(RunXZCalculation(p, ctl).ok());
    const ReportLayout layout = IcnirpReport(p);

    const double mpu = p.MetersPerUnit, cell = p.CellSize, step = cell * mpu;
    const double row = std::floor((cell + 9345 - p.XZDistance / mpu) / cell);
    const double yRow = row * step; // the plan's y of the row, down the plan
    const int top = p.GridNY - p.XZRowOffset - 2;
    double best = 0;
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 0; j <= top; ++j) {
            // From where the inventory puts the antenna: x 40 m, y 60 m up.
            const double S = farfieldhand::Hand(p, a, i * step - 40, -(yRow - (9600 * mpu - 60)),
                                                (top - j) * step - a.AntHeight, 1.0);
            best = std::max(best, S / 450.0 * 100.0);
        }
    ASSERT_GT(best, 1.0);
    ASSERT_LT(best, 100.0);

    const auto indicative = layout.sectionVerdictLine();
    ASSERT_TRUE(indicative);
    EXPECT_EQ(indicative->rfind("Indicative: section at y = ", 0), 0u) << *indicative;
    const auto sign = layout.signedSectionVerdictLine();
    ASSERT_TRUE(sign);
    const std::string head =
        "To sign: far-field model, section at y = " + Fixed2(p.OriginY + 9600 * mpu - yRow) +
        " m: ";
    ASSERT_EQ(sign->rfind(head, 0), 0u) << *sign;

    ASSERT_EQ(sign->find("complies: maximum "), head.size()) << *sign;
    EXPECT_NEAR(std::stod(sign->substr(head.size() + 18)), best, best * 5e-3) << *sign;
}

TEST(SectionReport, ThroughATiltedPanelTheSideViewReachesItsBoundarysFrontExtent) {
    // The boundary cut by the section through the panel along its azimuth:
    // its farthest point in front lies at the boundary's front extent, and
    // the calculation's ratio crosses 100 % there within one grid step.
    Project p;
    p.Exposure.Model = ExposureModel::FarField;
    Antenna& a = brenvik::testing::AddAntenna(p, AntennaKind::Panel, 20000, 30, 120, 30, 35);
    a.AntTilt = 8;
    a.AntHBeamwidthDeg = 65;
    a.AntVBeamwidthDeg = 10;
    ASSERT_FALSE(SetSectionThrough(p, 1));
    const double limit = 10.0; // W/m^2
    CalcControl ctl;
    ctl.inverseLimit = {0.0, 1.0 / (limit * 100)};
    ASSERT_TRUE(RunXZCalculation(p, ctl).ok());
    const double front = Boundaries(p, {0.0, limit}).at(0).extent.front;
    const SectionLine l = SectionLineOf(p);
    ASSERT_GT(front, 10 * l.step);

    const PlaneTraces t = SectionTraces(p, {0.0, limit});
    ASSERT_EQ(t.boundaries.size(), 1u);
    ASSERT_FALSE(t.boundaries[0].empty());
    double traced = -1, computed = -1;
    for (const auto& [u, v] : t.boundaries[0].pieces)
        traced = std::max({traced, l.along(u.i), l.along(v.i)});
    for (int i = l.centre; i <= p.GridNX; ++i)
        for (int j = 0; j <= SectionTopRow(p); ++j)
            if (p.XZ.Ratio(i, j) >= 1.0) computed = std::max(computed, l.along(i));
    EXPECT_NEAR(traced, front, 0.02 * front);
    EXPECT_LE(computed, front + 1e-9);
    EXPECT_GT(computed, front - l.step);
    // Through an antenna the project no longer has: no section along X instead.
    p.XZThrough = 2;
    EXPECT_EQ(RunXZCalculation(p, ctl).message, "Input data error");
}
