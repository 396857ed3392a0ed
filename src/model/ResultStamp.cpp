#include "model/ResultStamp.h"

#include "model/AntennaFields.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace brenvik {

namespace {

// A two-lane 64-bit mixer over 64-bit words (multiply, rotate, xor in the
// manner of the well-known fast non-cryptographic hashes): every input word
// changes both lanes, and the final avalanche spreads each bit over the
// output. Fast enough to fingerprint a fine ground grid on every redraw.
class Hasher {
  public:
    void word(std::uint64_t w) {
        a_ = std::rotl(a_ ^ (w * kP2), 31) * kP1;
        b_ = std::rotl(b_ + w * kP3, 27) * kP4 + a_;
        ++n_;
    }
    void u(std::uint64_t v) { word(v); }
    void i(std::int64_t v) { word(static_cast<std::uint64_t>(v)); }
    // -0 and 0 are one value to every calculation.
    void d(double v) { word(std::bit_cast<std::uint64_t>(v == 0.0 ? 0.0 : v)); }
    void s(const std::string& text) {
        u(text.size());
        for (std::size_t k = 0; k < text.size(); k += 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, text.data() + k, std::min<std::size_t>(8, text.size() - k));
            word(w);
        }
    }
    void v(const Variant& x) {
        i(static_cast<int>(x.kind));
        i(x.i);
        d(x.d);
    }
    void doubles(const double* data, std::size_t n) {
        u(n);
        for (std::size_t k = 0; k < n; ++k)
            d(data[k]);
    }
    void grid(const Grid2D<double>& g) {
        i(g.nx());
        i(g.ny());
        doubles(g.data(), g.size());
    }
    void cut(const PatternCut& c) {
        doubles(c.Angle.data(), c.Angle.size());
        doubles(c.Loss.data(), c.Loss.size());
    }
    std::uint64_t finish() const {
        std::uint64_t h = a_ ^ std::rotl(b_, 17) ^ (n_ * kP5);
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ULL;
        h ^= h >> 33;
        // 0 means "no stamp", 1 "out of date".
        return h < 2 ? h + 2 : h;
    }

  private:
    static constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ULL, kP2 = 0xC2B2AE3D27D4EB4FULL,
                                   kP3 = 0x165667B19E3779F9ULL, kP4 = 0x85EBCA77C2B2AE63ULL,
                                   kP5 = 0x27D4EB2F165667C5ULL;
    std::uint64_t a_ = 0x243F6A8885A308D3ULL, b_ = 0x13198A2E03707344ULL, n_ = 0;
};

int AntennaTop(const Project& p) {
    return std::clamp<int>(p.AntennaCount, 0, p.AntennaSlotBound());
}

// The record's layout (where it stands, its tower, its kind and options),
// then every field the table marks as an input of the density.
void AddAntenna(Hasher& h, const Antenna& a, bool farField) {
    h.i(static_cast<int>(a.AntPowerMode));
    h.i(static_cast<int>(a.AntHeightUnit));
    h.i(static_cast<int>(a.AntType));
    h.i(a.AntTower);
    h.i(a.AntNumber);
    h.d(a.AntX);
    h.d(a.AntY);
    h.d(a.AntFactor);
    h.v(a.AntCellX);
    h.i(a.AntCellY);
    if (a.AntExact) {
        h.d(a.AntExact->East);
        h.d(a.AntExact->North);
    }
    for (const AntennaFieldRow& r : AntennaFieldTable()) {
        if (r.stamp == StampUse::No) continue;
        const bool counts = r.stamp == StampUse::Always || farField;
        if (r.text)
            h.s(a.*r.text);
        else if (r.number)
            h.d(counts ? a.*r.number : 0.0);
    }
}

void AddPattern(Hasher& h, const AntennaPattern& t) {
    h.s(t.Name);
    h.s(t.Source);
    h.s(t.Make);
    h.d(t.FrequencyMHz);
    h.d(t.GainDbi);
    h.d(t.TiltDeg);
    h.s(t.Comment);
    h.cut(t.Horizontal);
    h.cut(t.Vertical);
}

const ResultStamps& StampsOf(const Project& p, Plane plane) {
    return p.Result(plane).Stamp;
}

bool Calculated(const Project& p, Plane plane) {
    return p.Result(plane).Calculated;
}

} // namespace

std::uint64_t DensityStampOf(const Project& p, Plane plane) {
    Hasher h;
    h.i(static_cast<int>(plane));
    h.d(p.PlanWidthM);
    h.d(p.MetersPerUnit);
    h.i(p.GridNX);
    h.i(p.GridNY);
    h.i(p.CellSize);
    h.i(p.XZRowOffset);
    const bool farField = p.Exposure.Model == ExposureModel::FarField;
    h.i(static_cast<int>(p.Exposure.Model));
    h.d(p.Exposure.ReflectionFactor);
    h.d(p.OpenAngleBTS);
    h.d(p.OpenAngleDTS);
    const int top = AntennaTop(p);
    h.i(top);
    for (int k = 1; k <= top; ++k)
        AddAntenna(h, p.Antennas[static_cast<std::size_t>(k)], farField);
    // The patterns an antenna names, in the project's order.
    for (const AntennaPattern& t : p.Patterns) {
        bool used = false;
        for (int k = 1; k <= top && !used; ++k)
            used = p.Antennas[static_cast<std::size_t>(k)].AntPattern == t.Name;
        if (used) AddPattern(h, t);
    }
    h.grid(p.GroundGrid);
    // The view the calculation covered, which the result keeps with it: a
    // later zoom or scroll shows the same result, it does not change it.
    h.d(p.XYCalcZoom);
    h.d(p.XYCalcOffsetX);
    h.d(p.XYCalcOffsetY);
    if (plane == Plane::XY) {
        h.i(static_cast<int>(p.CalcOption));
        h.d(p.CalcHeight);
    } else {
        h.i(p.XZPlaneRow);
        // Where the section is not tied to a grid row, its own line counts.
        if (p.XZThrough > 0)
            h.i(1000000 + p.XZThrough);
        else if (p.Exposure.Model == ExposureModel::FarField)
            h.d(p.XZDistance);
    }
    return h.finish();
}

std::uint64_t RatioStampOf(const Project& p) {
    Hasher h;
    h.s(p.Compliance.Standard);
    h.i(static_cast<int>(p.Compliance.Group));
    const int top = AntennaTop(p);
    h.i(top);
    for (int k = 1; k <= top; ++k)
        h.d(p.Antennas[static_cast<std::size_t>(k)].AntFrequencyMHz);
    return h.finish();
}

void StampResult(Project& p, Plane plane, bool withRatio) {
    ResultStamps& s = p.Result(plane).Stamp;
    s.density = DensityStampOf(p, plane);
    s.ratio = withRatio ? RatioStampOf(p) : 0;
}

bool ResultCurrent(const Project& p, Plane plane) {
    return Calculated(p, plane) && StampsOf(p, plane).density == DensityStampOf(p, plane);
}

bool ResultStale(const Project& p, Plane plane) {
    return Calculated(p, plane) && !ResultCurrent(p, plane);
}

bool RatioCurrent(const Project& p, Plane plane) {
    const bool xy = plane == Plane::XY;
    const Grid2D<double>& d = xy ? p.XY.Density : p.XZ.Density;
    const Grid2D<double>& r = xy ? p.XY.Ratio : p.XZ.Ratio;
    const std::uint64_t ratio = StampsOf(p, plane).ratio;
    return ratio != 0 && r.nx() == d.nx() && r.ny() == d.ny() && r.nx() > 0 &&
           ratio == RatioStampOf(p) && ResultCurrent(p, plane);
}

} // namespace brenvik
