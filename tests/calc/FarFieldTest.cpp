#include "antenna/Pattern.h"
#include "calc/CalcForms.h"
#include "calc/Exposure.h"
#include "calc/GridCalc.h"
#include "calc/TowerForms.h"
#include "calc/Towers.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace brenvik;

namespace {

// ---- The far-field density written from the model's formulas ------------------------

double HandLoss(const PatternCut& c, double deg) {
    double x = std::fmod(deg, 360.0);
    if (x < 0) x += 360.0;
    if (x < c.Angle.front()) x += 360.0;
    const std::size_t n = c.Angle.size();
    for (std::size_t k = 0; k < n; ++k) {
        const double a0 = c.Angle[k], a1 = k + 1 < n ? c.Angle[k + 1] : c.Angle[0] + 360.0;
        const double l1 = k + 1 < n ? c.Loss[k + 1] : c.Loss[0];
        if (x >= a0 && x <= a1) return c.Loss[k] + (x - a0) / (a1 - a0) * (l1 - c.Loss[k]);
    }
    return NAN;
}

// Density of one antenna at offsets east e, north n, up u (metres).
double Hand(const Project& p, const Antenna& a, double e, double n, double u, double rf) {
    const double pi = std::numbers::pi, deg = pi / 180;
    const bool stick = a.AntType == "baja";
    const double az = stick ? 0 : a.AntDirection * deg, t = stick ? 0 : a.AntTilt * deg;
    const double f = e * std::sin(az) + n * std::cos(az), s = e * std::cos(az) - n * std::sin(az);
    const double f1 = f * std::cos(t) - u * std::sin(t), u1 = f * std::sin(t) + u * std::cos(t);
    const double phi = std::atan2(s, f1) / deg;
    const double theta = std::atan2(-u1, std::sqrt(f1 * f1 + s * s)) / deg;
    double G;
    if (!a.AntPattern.empty()) {
        const AntennaPattern& q = *std::find_if(p.Patterns.begin(), p.Patterns.end(),
                                                [&](auto& x) { return x.Name == a.AntPattern; });
        const auto gh = [&](double x) { return -HandLoss(q.Horizontal, x); };
        const auto gv = [&](double x) { return -HandLoss(q.Vertical, x); };
        const double w = std::fabs(phi) / 180;
        G = gh(phi) - ((1 - w) * (gh(0) - gv(theta)) + w * (gh(180) - gv(180 - theta)));
    } else {
        const double t3 = a.AntVBeamwidthDeg > 0 ? a.AntVBeamwidthDeg
                                                 : 2 * (stick ? p.OpenAngleDTS : p.OpenAngleBTS);
        const double x = (theta - a.AntElectricalTiltDeg) / t3, y = phi / a.AntHBeamwidthDeg;
        const double av = -std::min(12 * x * x, 20.0), ah = -std::min(12 * y * y, 25.0);
        G = stick ? av : -std::min(-(ah + av), 25.0);
    }
    const double r = std::max(std::sqrt(e * e + n * n + u * u), 0.1);
    return 100 * rf * 1.64 * a.AntPower * std::pow(10.0, G / 10) / (4 * pi * r * r);
}

double HandSum(const Project& p, double x, double y, double z, double rf) {
    double sum = 0;
    for (int s = 1; s <= p.AntennaCount; ++s) {
        const Antenna& a = p.Antennas[s];
        const double xs = a.AntX * p.MetersPerUnit, ys = a.AntY * p.MetersPerUnit;
        sum += Hand(p, a, x - xs, -(y - ys), z - a.AntHeight, rf);
    }
    return sum;
}

void AddAntenna(Project& p, int i, int j, const std::string& type, double height, double tilt,
                double direction, double power, const std::string& pattern = "") {
    TowerBeginNew(p);
    Antenna& a = p.Antennas[p.AntennaCount + 1];
    a.AntType = type;
    a.AntHeight = height;
    a.AntTilt = tilt;
    a.AntDirection = direction;
    a.AntPower = power;
    a.AntPattern = pattern;
    PlaceTower(p, i * p.CellSize, j * p.CellSize, 1.0);
}

// Imported patterns (a panel and a stick), parametric panels and a stick.
Project FarFieldSite(double reflection = 1.0) {
    Project p;
    for (const char* file : {"panel-65deg-0t.msi", "omni-10deg-halfstep.msi"}) {
        const auto r = antenna::ReadPatternFile(std::string(BRENVIK_PATTERNS_DIR) + "/" + file);
        EXPECT_TRUE(r.pattern) << file << ": " << r.error;
        if (r.pattern) p.Patterns.push_back(*r.pattern);
    }
    p.Exposure = {ExposureModel::FarField, reflection};
    AddAntenna(p, 30, 30, "alta", 12, 4, 30, 1500, p.Patterns[0].Name);
    AddAntenna(p, 62, 21, "baja", 20, 7, 99, 300, p.Patterns[1].Name);
    AddAntenna(p, 45, 50, "alta", 10, -2, 200, 800);
    p.Antennas[3].AntHBeamwidthDeg = 65;
    p.Antennas[3].AntElectricalTiltDeg = 3;
    AddAntenna(p, 75, 40, "baja", 10, 15, 60, 200); // on the plane's height
    AddAntenna(p, 80, 10, "alta", 25, 0, 333, 900);
    p.Antennas[5].AntVBeamwidthDeg = 10;
    p.CalcOption = 0;
    p.CalcHeight = 10;
    return p;
}

CalcControl Control(unsigned threads, bool scalar) {
    CalcControl c;
    c.threads = threads;
    c.scalarReference = scalar;
    return c;
}

} // namespace

TEST(FarField, XYAndXZNodesMatchTheFormulas) {
    Project p = FarFieldSite();
    ASSERT_TRUE(RunXYCalculation(p, Control(2, false)).ok());
    const double z = p.CalcHeight;
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= p.GridNY; ++j) {
            const double want = HandSum(p, p.GridXm[i], p.GridYm[j], z, 1.0);
            ASSERT_NEAR(p.DensityGrid(i, j), want, 1e-9 * want) << i << "," << j;
        }
    // The stick's node on its vertical at its own height: r taken as 0.1 m.
    EXPECT_GT(p.DensityGrid(75, 40), 1000.0);
    // One antenna alone, as the other parts ask for it.
    for (int s = 1; s <= p.AntennaCount; ++s) {
        const Antenna& a = p.Antennas[s];
        const double x = 47 * p.CellSize * p.MetersPerUnit, y = 33 * p.CellSize * p.MetersPerUnit;
        const double want = Hand(p, a, x - a.AntX * p.MetersPerUnit,
                                 -(y - a.AntY * p.MetersPerUnit), 1.5 - 7, 1.0);
        EXPECT_NEAR(AntennaDensityAt(p, s, x, y, 7, 1.5), want, 1e-9 * want) << s;
    }

    ASSERT_FALSE(XZDialogAccept(p, "40"));
    ASSERT_TRUE(RunXZCalculation(p, Control(3, false)).ok());
    const int ny = p.GridNY, off = p.XZRowOffset;
    const double cell = p.CellSize * p.MetersPerUnit, yPlane = p.XZPlaneRow * cell;
    // Stored row ny - j - offset, then moved two rows towards row 0.
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= ny - off - 2; ++j) {
            const double want = HandSum(p, i * cell, yPlane, j * cell, 1.0);
            ASSERT_NEAR(p.XZDensityGrid(i, ny - j - off - 2), want, 1e-9 * want) << i << "," << j;
        }
}

TEST(FarField, ReflectionScalesExactlyAndEveryPathAgrees) {
    Project one = FarFieldSite(), reflected = FarFieldSite(2.56), plain = FarFieldSite();
    CalcControl vector = Control(1, false), threads = Control(3, false), scalar = Control(2, true);
    const std::vector<double> inverse = {0, 1 / 450.0, 1 / 900.0, 1 / 450.0, 1 / 600.0, 1 / 450.0};
    for (CalcControl* c : {&vector, &threads, &scalar})
        c->inverseLimit = inverse;
    for (auto* xz : {&RunXYCalculation, &RunXZCalculation}) {
        for (Project* p : {&one, &reflected, &plain})
            ASSERT_FALSE(XZDialogAccept(*p, "35"));
        ASSERT_TRUE((*xz)(one, vector).ok());
        ASSERT_TRUE((*xz)(reflected, threads).ok());
        ASSERT_TRUE((*xz)(plain, scalar).ok());
        const bool section = xz == &RunXZCalculation;
        const auto& d1 = section ? one.XZDensityGrid : one.DensityGrid;
        const auto& d2 = section ? reflected.XZDensityGrid : reflected.DensityGrid;
        const auto& d3 = section ? plain.XZDensityGrid : plain.DensityGrid;
        const auto& r1 = section ? one.XZRatioGrid : one.RatioGrid;
        const auto& r2 = section ? reflected.XZRatioGrid : reflected.RatioGrid;
        ASSERT_EQ(d1.size(), d3.size());
        for (std::size_t k = 0; k < d1.size(); ++k) {
            ASSERT_EQ(d2.data()[k], d1.data()[k] * 2.56) << k;
            ASSERT_EQ(r2.data()[k], r1.data()[k] * 2.56) << k;
            ASSERT_NEAR(d3.data()[k], d1.data()[k], 1e-12 * d1.data()[k]) << k;
        }
    }
    // A pattern the project does not hold fails the calculation cleanly.
    one.Antennas[1].AntPattern = "missing";
    EXPECT_EQ(RunXYCalculation(one).status, CalcStatus::Failed);
}
