#include "calc/TowerForms.h"

#include "model/AntennaFields.h"
#include "model/Int16.h"
#include "model/Messages.h"

#include <algorithm>
#include <cmath>

namespace brenvik {

namespace {

void FillDefaults(const Project& p, Antenna& a) {
    a.AntType = p.DefType;
    a.AntHeight = p.DefHeight;
    a.AntHeightUnit = p.DefHeightUnit;
    a.AntPowerMode = p.DefPowerMode;
    a.AntPower = p.DefPower;
    a.AntTilt = p.DefTilt;
    a.AntDirection = p.DefDirection;
    // A slot used before may still name a pattern the project no longer
    // holds, or another antenna's names: a new antenna starts from the
    // parametric beam, with no name.
    for (const AntennaFieldRow& r : AntennaFieldTable()) {
        if (r.block != BlockPart::Beam && r.block != BlockPart::Names) continue;
        if (r.text) (a.*r.text).clear();
        if (r.number) a.*r.number = FieldDefault(r);
    }
}

void PreparePendingSlot(Project& p) {
    const std::int16_t slot = AddInt16(p.AntennaCount, 1);
    p.EnsureAntennaSlots(slot);
    Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
    FillDefaults(p, a);
    a.AntTower = AddInt16(p.TowerCount, 1);
}

} // namespace

// ---- Mobile phone tower ----------------------------------------------------------------

void TowerBeginNew(Project& p) {
    PreparePendingSlot(p);
    p.TowerAntCount = 1;
}

void TowerBeginEdit(Project& p, int pickedSlot) {
    PreparePendingSlot(p);
    if (pickedSlot >= 1 && pickedSlot <= p.AntennaSlotBound())
        p.TowerAntCount = p.Antennas[static_cast<std::size_t>(pickedSlot)].AntNumber;
}

void TowerAddAntenna(Project& p) {
    const std::int16_t count = AddInt16(p.TowerAntCount, 1);
    const std::int16_t slot = AddInt16(p.AntennaCount, count);
    p.EnsureAntennaSlots(slot);
    p.Antennas[static_cast<std::size_t>(slot)] = p.Antennas[static_cast<std::size_t>(slot - 1)];
    p.TowerAntCount = count;
}

bool TowerRemoveAntenna(Project& p) {
    if (p.TowerAntCount <= 1) return false;
    p.TowerAntCount = static_cast<std::int16_t>(p.TowerAntCount - 1);
    return true;
}

std::vector<std::string> TowerComboItems(const Project& p) {
    std::vector<std::string> items;
    for (int k = 1; k <= p.TowerAntCount; ++k)
        items.push_back(std::to_string(k));
    return items;
}

int TowerOptionsSlot(const Project& p, int sel, int editTowerAntenna) {
    if (sel < 1) return -1;
    if (editTowerAntenna <= 0) {
        const int slot = p.AntennaCount + sel;
        return slot <= p.AntennaSlotBound() ? slot : -1;
    }
    if (editTowerAntenna > p.AntennaCount) return -1;
    const std::int16_t tower = p.Antennas[static_cast<std::size_t>(editTowerAntenna)].AntTower;
    int seen = 0;
    for (int k = 1; k <= p.AntennaCount; ++k)
        if (p.Antennas[static_cast<std::size_t>(k)].AntTower == tower && ++seen == sel) return k;
    return -1;
}

// ---- Antenna options ------------------------------------------------------------------

AntennaForm AntennaFormLoad(const Project& p, int slot, const NumberFormatter& fmt) {
    const bool exists = slot >= 0 && slot <= p.AntennaSlotBound();
    Antenna fresh;
    if (!exists) FillDefaults(p, fresh);
    const Antenna& a = exists ? p.Antennas[static_cast<std::size_t>(slot)] : fresh;
    AntennaForm f;
    AntennaFormClickType(f, a.AntType == AntennaKind::Stick ? FuentType::Baja : FuentType::Alta);
    AntennaFormClickPower(f, a.AntPowerMode == PowerMode::Average ? FuentPower::Med
                             : a.AntPowerMode == PowerMode::Other ? FuentPower::Otr
                                                                  : FuentPower::Max);
    f.potext = fmt(a.AntPower);
    const double d = a.AntDirection;
    const FuentDirection dir = d == 0.0     ? FuentDirection::N
                               : d == 90.0  ? FuentDirection::E
                               : d == 180.0 ? FuentDirection::S
                               : d == 270.0 ? FuentDirection::W
                                            : FuentDirection::Ang;
    AntennaFormClickDirection(f, dir);
    f.antang = fmt(d);
    f.angText = fmt(a.AntTilt);
    // Both height boxes show the height, each in its unit, so neither holds a
    // stale text when the user switches units.
    AntennaFormClickHeight(f, a.AntHeightUnit == HeightUnit::Floors ? FuentHeight::Pisos
                                                                    : FuentHeight::Altm);
    f.mText = fmt(a.AntHeight);
    f.pText = fmt(a.AntHeight / 3.0);
    f.freqText = fmt(a.AntFrequencyMHz);
    return f;
}

void AntennaFormClickType(AntennaForm& f, FuentType t) {
    f.type = t;
    // The panel option enables the direction box along with its frame, even
    // under a compass button; the next compass click disables it again.
    f.panelControlsEnabled = t == FuentType::Alta;
    f.antangEnabled = f.panelControlsEnabled;
}

void AntennaFormClickDirection(AntennaForm& f, FuentDirection d) {
    f.direction = d;
    f.antangEnabled = d == FuentDirection::Ang && f.panelControlsEnabled;
    switch (d) {
    case FuentDirection::N:
        SetText(f.antang, "0");
        break;
    case FuentDirection::E:
        SetText(f.antang, "90");
        break;
    case FuentDirection::S:
        SetText(f.antang, "180");
        break;
    case FuentDirection::W:
        SetText(f.antang, "270");
        break;
    case FuentDirection::Ang:
        break;
    }
}

void AntennaFormClickPower(AntennaForm& f, FuentPower pw) {
    f.power = pw;
    f.potextEnabled = pw == FuentPower::Otr;
    if (pw == FuentPower::Max) SetText(f.potext, "1600");
    if (pw == FuentPower::Med) SetText(f.potext, "300");
}

void AntennaFormClickHeight(AntennaForm& f, FuentHeight h) {
    f.height = h;
    f.mTextEnabled = h == FuentHeight::Altm;
    f.pTextEnabled = h == FuentHeight::Pisos;
}

std::optional<std::string> AntennaFormAccept(Project& p, AntennaForm& f, int slot, bool newSlot,
                                             const NumberParser& parse,
                                             const NumberFormatter& fmt) {
    // Normalise what is numeric; a box that is not a number is reported when
    // its field is stored, so the fields before it are kept.
    const AntennaFieldRow& tiltRow = FieldRow(AntennaField::Tilt);
    if (auto v = parse(f.angText)) {
        if (*v > tiltRow.max) f.angText = fmt(tiltRow.max);
        if (*v < tiltRow.min) f.angText = fmt(tiltRow.min);
    }
    for (std::string* box : {&f.mText, &f.pText, &f.potext, &f.antang})
        if (auto v = parse(*box); v && *v < 0.0) *box = fmt(std::fabs(*v));

    if (newSlot) p.EnsureAntennaSlots(slot);
    if (slot < 0 || slot > p.AntennaSlotBound()) return std::string(msg::InputDataError);
    Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];

    a.AntType = f.type == FuentType::Alta ? AntennaKind::Panel : AntennaKind::Stick;
    a.AntPowerMode = f.power == FuentPower::Med   ? PowerMode::Average
                     : f.power == FuentPower::Max ? PowerMode::Maximum
                                                  : PowerMode::Other;
    const bool floors = f.height == FuentHeight::Pisos;
    a.AntHeightUnit = floors ? HeightUnit::Floors : HeightUnit::Metres;
    a.Verbatim = {}; // the dialog's choices replace any keyword the file held

    const auto number = [&](const std::string& box) { return parse(box); };
    const auto height = number(floors ? f.pText : f.mText);
    if (!height) return std::string(msg::InputDataError);
    // A height in floors too large to be held in metres is refused like a box
    // that is not a number, rather than stored as an infinite height.
    const double metres = floors ? std::fabs(*height) * 3.0 : std::fabs(*height);
    if (!std::isfinite(metres)) return std::string(msg::InputDataError);
    a.AntHeight = metres;

    const auto tilt = number(f.angText);
    if (!tilt) return std::string(msg::InputDataError);
    a.AntTilt = std::clamp(*tilt, tiltRow.min, tiltRow.max);

    const auto power = number(f.potext);
    if (!power) return std::string(msg::InputDataError);
    a.AntPower = std::fabs(*power);

    const auto direction = number(f.antang);
    if (!direction) return std::string(msg::InputDataError);
    a.AntDirection = std::fabs(*direction);

    // A carrier outside what any limit is defined for is refused.
    const auto mhz = number(f.freqText);
    if (!mhz || !FieldInRange(FieldRow(AntennaField::FrequencyMHz), *mhz))
        return std::string(msg::InputDataError);
    a.AntFrequencyMHz = *mhz;
    return std::nullopt;
}

// ---- Antenna parameters ----------------------------------------------------------------

OpenAnglesForm OpenAnglesFormLoad(const Project& p, const NumberFormatter& fmt) {
    return OpenAnglesForm{fmt(p.OpenAngleBTS), fmt(p.OpenAngleDTS)};
}

std::optional<std::string> OpenAnglesFormAccept(Project& p, OpenAnglesForm& f,
                                                const NumberParser& parse,
                                                const NumberFormatter& fmt) {
    const auto bts = parse(f.text1);
    const auto dts = parse(f.text2);
    if (!bts || !dts) return std::string(msg::InputDataError);
    SetOpenAngles(p, bts, dts);
    f.text1 = fmt(p.OpenAngleBTS);
    f.text2 = fmt(p.OpenAngleDTS);
    return std::nullopt;
}

void SetOpenAngles(Project& p, std::optional<double> bts, std::optional<double> dts) {
    if (bts) p.OpenAngleBTS = std::min(std::fabs(*bts), 85.0);
    if (dts) p.OpenAngleDTS = std::min(std::fabs(*dts), 85.0);
}
} // namespace brenvik
