#pragma once

// The shipped limits and the report as the compliance and map tests judge a
// project: by ICNIRP 2020 for the general public.

#include "compliance/Limits.h"
#include "compliance/ReportLayout.h"
#include "compliance/Summary.h"
#include "model/ResultStamp.h"
#include "render/RecordingSurface.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace brenvik::testing {

inline const compliance::Library& ShippedLimits() {
    static const compliance::LoadedLibrary lib =
        compliance::LoadLibrary(compliance::ShippedLimitsPath(), "");
    return lib.library;
}

// Each antenna's inverse limit in W/m^2, slot 0 unused.
inline std::vector<double> IcnirpInverse(const Project& p) {
    return compliance::InverseLimits(p, ShippedLimits(), "icnirp-2020", Population::Public).inverse;
}

inline compliance::ReportLayout IcnirpReport(const Project& p, const std::string& file = "site.bvk",
                                             const std::string& date = "2026-12-06 10:00") {
    const compliance::SummaryResult s =
        compliance::Summarise(p, ShippedLimits(), "icnirp-2020", Population::Public);
    EXPECT_FALSE(s.refusal) << *s.refusal;
    return compliance::ReportLayout(compliance::ReportInput{&p, s.summary, file, date});
}

// A plane given as calculated for the project as it stands: density and
// ratio of zero at the project's grid and the nodes' metres at zero, for
// the test to set the values it needs.
inline void BlankResult(Project& p, Plane plane) {
    PlaneResult& r = p.Result(plane);
    r.Calculated = true;
    r.Density.resize(p.GridNX, p.GridNY);
    r.Ratio.resize(p.GridNX, p.GridNY);
    p.GridXm.assign(std::size_t(p.GridNX) + 1, 0.0);
    p.GridYm.assign(std::size_t(p.GridNY) + 1, 0.0);
    StampResult(p, plane, true);
}

// The texts of every page, page after page.
inline std::vector<std::string> ReportTexts(const compliance::ReportLayout& layout) {
    std::vector<std::string> texts;
    for (int k = 0; k < layout.pageCount(); ++k) {
        render::RecordingSurface s;
        layout.drawPage(k, s);
        for (const std::string& t : s.texts())
            texts.push_back(t);
    }
    return texts;
}

} // namespace brenvik::testing
