#include "calc/CalcForms.h"
#include "compliance/ReportLayout.h"
#include "compliance/SiteInventory.h"
#include "model/ResultStamp.h"
#include "render/RecordingSurface.h"

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

} // namespace

TEST(SectionReport, DashedLineHeadlineAndVerdictGiveTheSectionsTrueY) {
    // The exports' frame: y = OriginY + (9600 - drawing y) * mpu; the beam
    // model's section lies on grid row floor((cell + 9345 - D / mpu) / cell),
    // the far-field one on y = OriginY + D.
    struct Case {
        ExposureModel model;
        double distance;
    };
    static const LoadedLibrary lib = LoadLibrary(ShippedLimitsPath(), "");
    for (const Case c : {Case{ExposureModel::Specified, 48.5}, {ExposureModel::Specified, 23.7},
                         {ExposureModel::FarField, 48.5}, {ExposureModel::FarField, 31.25}}) {
        Project p;
        ASSERT_EQ(ImportSites(p, std::string(SitesHeader) + "\na,,,40,60,6,panel,800,90,0,900,\n",
                              ImportMode::Replace),
                  std::nullopt);
        p.Exposure.Model = c.model;
        p.OriginY = 12.5;
        ASSERT_FALSE(SetSectionDistance(p, c.distance));
        for (Plane plane : {Plane::XY, Plane::XZ}) {
            PlaneResult& r = p.Result(plane);
            r.Calculated = true;
            r.Density.resize(p.GridNX, p.GridNY);
            r.Ratio.resize(p.GridNX, p.GridNY);
            r.Ratio(10, 10) = 0.5;
            r.Density(10, 10) = 225;
            r.MaxDensity = 225;
        }
        p.GridXm.assign(p.GridNX + 1, 0.0);
        p.GridYm.assign(p.GridNY + 1, 0.0);
        StampResult(p, Plane::XY, true);
        StampResult(p, Plane::XZ, true);
        const double mpu = p.MetersPerUnit, cell = p.CellSize;
        const double row = std::floor((cell + 9345 - c.distance / mpu) / cell);
        const double want = c.model == ExposureModel::FarField
                                ? 12.5 + c.distance
                                : 12.5 + (9600 - row * cell) * mpu;
        SCOPED_TRACE(Fixed2(want));

        SummaryResult sum = Summarise(p, lib.library, "icnirp-2020", Population::Public);
        ASSERT_FALSE(sum.refusal);
        const ReportLayout layout(ReportInput{&p, sum.summary, "site.bvk", "2026-12-06 10:00"});
        render::RecordingSurface plan;
        layout.drawPage(0, plan);
        EXPECT_NEAR(PageToMetres(plan, DashedLineY(plan)), want, 1e-3);

        const std::string at = "ection at y = " + Fixed2(want) + " m";
        const auto verdict = layout.sectionVerdictLine();
        ASSERT_TRUE(verdict);
        EXPECT_NE(verdict->find(at), std::string::npos) << *verdict;
        bool headline = false;
        for (int k = 0; k < layout.pageCount(); ++k) {
            render::RecordingSurface page;
            layout.drawPage(k, page);
            for (const std::string& t : page.texts())
                headline = headline || t.rfind("S" + at, 0) == 0;
        }
        EXPECT_TRUE(headline);
    }
}
