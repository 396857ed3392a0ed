#include "calc/AntennaEdits.h"

#include "calc/Towers.h"
#include "model/DrawingArea.h"
#include "model/Int16.h"
#include "model/Invalidation.h"
#include "model/Messages.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>

namespace brenvik {

namespace {

void RemoveRecord(Project& p, int k) {
    p.Antennas.erase(p.Antennas.begin() + k);
    p.Antennas.emplace_back();
}

} // namespace

void RemoveDuplicateAntennas(Project& p) {
    int count = p.AntennaCount;
    for (int k = 2; k <= count;) {
        bool dup = false;
        for (int m = 1; m < k && !dup; ++m)
            dup = p.Antennas[std::size_t(m)] == p.Antennas[std::size_t(k)];
        if (!dup) {
            ++k;
            continue;
        }
        RemoveRecord(p, k);
        --count;
    }
    p.AntennaCount = static_cast<std::int16_t>(count);
}

int EraseAntennasAt(Project& p, double xs, double ys) {
    int removed = 0;
    for (int k = 1; k <= p.AntennaCount;) {
        const Antenna& a = p.Antennas[std::size_t(k)];
        if (a.AntX == xs && a.AntY == ys && a.AntFactor == p.Zoom) {
            RemoveRecord(p, k);
            --p.AntennaCount;
            ++removed;
        } else {
            ++k;
        }
    }
    return removed;
}

// ---- Selecting, moving and editing placed towers -------------------------------------

namespace {

// The plan's zero point lies on the bottom line of the visible area.
constexpr double kVisibleHeight = area::IconShapeTop - area::HScrollHeight;

bool Placed(const Project& p, int slot) {
    return slot >= 1 && slot <= p.AntennaCount && slot <= p.AntennaSlotBound();
}

// Results computed before an edit of the antennas no longer describe them.
void DiscardResults(Project& p) {
    DropInvalidatedResults(p, ModelChange::AntennaEdited);
}

std::string Shortest(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

} // namespace

std::vector<int> TowerSlots(const Project& p, int slot) {
    std::vector<int> out;
    if (!Placed(p, slot)) return out;
    const Antenna& s = p.Antennas[std::size_t(slot)];
    for (int k = 1; k <= p.AntennaCount; ++k) {
        const Antenna& a = p.Antennas[std::size_t(k)];
        if (a.AntTower == s.AntTower && a.AntX == s.AntX && a.AntY == s.AntY) out.push_back(k);
    }
    return out;
}

int AntennaAtPlan(const Project& p, double xp, double yp) {
    for (int k = 1; k <= std::min<int>(p.AntennaCount, p.AntennaSlotBound()); ++k) {
        const Antenna& a = p.Antennas[std::size_t(k)];
        // The symbol sits in the grid cell of the zoom it was placed at, from
        // where it is drawn: an antenna between nodes is hit where it shows,
        // not at its node.
        const double cell = p.CellSize / (a.AntFactor > 0 ? a.AntFactor : 1.0);
        const double x = AntennaDrawingX(p, a), y = AntennaDrawingY(p, a);
        if (xp >= x && xp < x + cell && yp >= y && yp < y + cell) return k;
    }
    return 0;
}

bool MoveTower(Project& p, int slot, double xs, double ys, double zoom,
               std::optional<PlanPosition> at) {
    const std::vector<int> members = TowerSlots(p, slot);
    if (members.empty()) return false;
    for (int k = 1; k <= p.AntennaCount; ++k) {
        const Antenna& a = p.Antennas[std::size_t(k)];
        if (a.AntX == xs && a.AntY == ys &&
            std::find(members.begin(), members.end(), k) == members.end())
            return false;
    }
    const std::int16_t cellY = CheckedInt16(static_cast<long long>(std::trunc(ys / p.CellSize)));
    // The tower moves as one: antennas of a site that stand a little apart
    // keep their distances to the one the user moved.
    std::vector<PlanPosition> where;
    const PlanPosition from = AntennaPosition(p, p.Antennas[std::size_t(slot)]);
    for (int k : members)
        where.push_back(AntennaPosition(p, p.Antennas[std::size_t(k)]));
    for (std::size_t m = 0; m < members.size(); ++m) {
        Antenna& a = p.Antennas[std::size_t(members[m])];
        a.AntX = xs;
        a.AntY = ys;
        a.AntCellX = Variant::real(xs / p.CellSize);
        a.AntCellY = cellY;
        a.AntFactor = zoom;
        if (at)
            SetExactPosition(p, a,
                             {at->East + (where[m].East - from.East),
                              at->North + (where[m].North - from.North)});
        else
            a.AntExact.reset();
    }
    DiscardResults(p);
    return true;
}

int EraseTower(Project& p, int slot) {
    const std::vector<int> members = TowerSlots(p, slot);
    for (auto it = members.rbegin(); it != members.rend(); ++it)
        RemoveRecord(p, *it);
    p.AntennaCount = static_cast<std::int16_t>(p.AntennaCount - int(members.size()));
    if (!members.empty()) DropInvalidatedResults(p, ModelChange::TowerDeleted);
    return int(members.size());
}

FieldRange AntennaFieldRange(AntennaField f) {
    const AntennaFieldRow& r = FieldRow(f);
    return {r.label, r.min, r.max};
}

std::string RangeMessage(const FieldRange& r) {
    return std::string(r.label) + ": between " + Shortest(r.min) + " and " + Shortest(r.max);
}

double AntennaFieldValue(const Project& p, int slot, AntennaField f) {
    if (!Placed(p, slot)) return 0.0;
    const Antenna& a = p.Antennas[std::size_t(slot)];
    switch (f) {
    case AntennaField::XMetres:
        return p.OriginX + AntennaPosition(p, a).East;
    case AntennaField::YMetres:
        return p.OriginY + AntennaPosition(p, a).North;
    case AntennaField::Type:
        return a.AntType == AntennaKind::Stick ? 1.0 : 0.0;
    default:
        return FieldNumber(a, FieldRow(f));
    }
}

std::optional<AntennaKind> AntennaKindFromText(std::string_view text) {
    std::string t;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (t.starts_with("bts") || t.starts_with("panel")) return AntennaKind::Panel;
    if (t.starts_with("dts") || t.starts_with("stick")) return AntennaKind::Stick;
    return std::nullopt;
}

const char* AntennaKindName(AntennaKind k) {
    switch (k) {
    case AntennaKind::Panel:
        return "BTS (panel)";
    case AntennaKind::Stick:
        return "DTS (stick)";
    case AntennaKind::None:
        break;
    }
    return "none (radiates nothing)";
}

std::optional<std::string> SetAntennaField(Project& p, int slot, AntennaField f, double value) {
    if (!Placed(p, slot)) return std::string("No antenna is selected");
    Antenna& a = p.Antennas[std::size_t(slot)];
    if (f == AntennaField::Type) {
        if (value != 0.0 && value != 1.0) return std::string("Type: BTS (panel) or DTS (stick)");
        const AntennaKind kind = value == 1.0 ? AntennaKind::Stick : AntennaKind::Panel;
        if (a.AntType == kind) return std::nullopt;
        a.AntType = kind;
        a.Verbatim.type.reset();
        DiscardResults(p);
        return std::nullopt;
    }
    const FieldRange r = AntennaFieldRange(f);
    if (!std::isfinite(value) || value < r.min || value > r.max) return RangeMessage(r);
    if (f == AntennaField::XMetres || f == AntennaField::YMetres) {
        // The tower stands at the typed point, on the node a click there at
        // 100 % would choose.
        PlanPosition at = AntennaPosition(p, a);
        (f == AntennaField::XMetres ? at.East : at.North) =
            value - (f == AntennaField::XMetres ? p.OriginX : p.OriginY);
        const double cs = p.CellSize;
        const double ux = at.East / p.MetersPerUnit,
                     uy = kVisibleHeight - at.North / p.MetersPerUnit;
        // A point on a grid line within rounding stays on it.
        const double x = std::floor(ux / cs + 1e-6) * cs, y = std::floor(uy / cs + 1e-6) * cs;
        if (!(ux >= 0 && uy >= 0 && ux < area::ScaleWidth && uy < area::ScaleHeight))
            return RangeMessage(r) + " (outside the plan)";
        if (x == a.AntX && y == a.AntY && a.AntFactor == 1.0 && AntennaPosition(p, a) == at)
            return std::nullopt;
        if (!MoveTower(p, slot, x, y, 1.0, at)) return std::string(msg::SpotTaken);
        return std::nullopt;
    }
    const AntennaFieldRow& row = FieldRow(f);
    if (!row.editable || !row.number) return RangeMessage(r);
    double* field = &(a.*row.number);
    if (*field == value) return std::nullopt;
    *field = value;
    if (f == AntennaField::Height) { // typed in metres
        a.AntHeightUnit = HeightUnit::Metres;
        a.Verbatim.heightUnit.reset();
    }
    DiscardResults(p);
    return std::nullopt;
}

} // namespace brenvik
