#include "model/AntennaFields.h"

#include <algorithm>
#include <cstdio>

namespace brenvik {

namespace {

using F = AntennaField;
using K = FieldKind;

// A name or a free text: long enough for any real one, short enough to keep a
// table's cell and a report's line readable.
constexpr std::size_t NameLength = 200;

// One row per attribute, in the site inventory's column order. The attribute
// table's columns 0 and 1 (tower, record) are no attribute of the antenna.
// clang-format off
const AntennaFieldRow kRows[] = {
    {F::Site, K::Text, "Site", "Site", 12, 0, 0, false, false, "site-name.", BlockPart::Names,
     "site", InventoryPart::Always, true, StampUse::No, nullptr, &Antenna::AntSite, NameLength},
    {F::Longitude, K::Position, "Longitude", "Longitude", 4, -180.0, 180.0, false, false, "",
     BlockPart::None, "lon", InventoryPart::Always, false, StampUse::No},
    {F::Latitude, K::Position, "Latitude", "Latitude", 5, -90.0, 90.0, false, false, "",
     BlockPart::None, "lat", InventoryPart::Always, false, StampUse::No},
    {F::XMetres, K::Position, "X (m)", "X (m)", 2, -1e9, 1e9, false, true, "", BlockPart::None,
     "x_m", InventoryPart::Always, false, StampUse::No},
    {F::YMetres, K::Position, "Y (m)", "Y (m)", 3, -1e9, 1e9, false, true, "", BlockPart::None,
     "y_m", InventoryPart::Always, false, StampUse::No},
    {F::Height, K::Number, "Height (m)", "Height (m)", 6, 0.0, 10000.0, false, true, "",
     BlockPart::None, "height_m", InventoryPart::Always, true, StampUse::Always, &Antenna::AntHeight},
    {F::Type, K::Kind, "Type", "Type", 7, 1.0, 0.0, false, true, "", BlockPart::None, "type", InventoryPart::Always,
     true, StampUse::No},
    {F::Power, K::Number, "Power (W)", "Power (W)", 8, 0.0, 1e7, false, true, "",
     BlockPart::None, "erp_w", InventoryPart::Always, true, StampUse::Always, &Antenna::AntPower},
    {F::Direction, K::Number, "Direction (degrees)", "Direction", 9, 0.0, 360.0, false, true, "",
     BlockPart::None, "azimuth_deg", InventoryPart::Always, false, StampUse::Always, &Antenna::AntDirection},
    {F::Tilt, K::Number, "Tilt (degrees)", "Tilt", 10, -85.0, 85.0, false, true, "",
     BlockPart::None, "tilt_deg", InventoryPart::Always, false, StampUse::Always, &Antenna::AntTilt},
    {F::FrequencyMHz, K::Number, "Frequency (MHz)", "Frequency (MHz)", 11,
     MinAntennaFrequencyMHz, MaxAntennaFrequencyMHz, false, true, "frequency.",
     BlockPart::Carrier, "frequency_mhz", InventoryPart::Always, true, StampUse::FarFieldOnly, &Antenna::AntFrequencyMHz},
    {F::Label, K::Text, "Label", "Label", 13, 0, 0, false, false, "label.", BlockPart::Names,
     "label", InventoryPart::Always, false, StampUse::No, nullptr, &Antenna::AntLabel, NameLength},
    {F::Pattern, K::Text, "Pattern", "", -1, 0, 0, false, false, "beam-pattern.", BlockPart::Beam,
     "pattern", InventoryPart::Beam, false, StampUse::Always, nullptr, &Antenna::AntPattern, 4096},
    // A half-power width spans at most the full turn horizontally, and at
    // most the half turn from nadir to zenith vertically.
    {F::HBeamwidth, K::Number, "Horizontal width (degrees)", "", -1, 0.0, 360.0, true, false,
     "beam-h-width.", BlockPart::Beam, "h_beamwidth_deg", InventoryPart::Beam, false, StampUse::Always,
     &Antenna::AntHBeamwidthDeg},
    {F::VBeamwidth, K::Number, "Vertical width (degrees)", "", -1, 0.0, 180.0, true, false,
     "beam-v-width.", BlockPart::Beam, "v_beamwidth_deg", InventoryPart::Beam, false, StampUse::Always,
     &Antenna::AntVBeamwidthDeg},
    {F::ElectricalTilt, K::Number, "Electrical tilt (degrees)", "", -1, -90.0, 90.0, false, false,
     "beam-e-tilt.", BlockPart::Beam, "electrical_tilt_deg", InventoryPart::Beam, false, StampUse::Always,
     &Antenna::AntElectricalTiltDeg},
    {F::Operator, K::Text, "Operator", "Operator", 14, 0, 0, false, false, "operator.",
     BlockPart::Names, "operator", InventoryPart::Own, false, StampUse::No, nullptr,
     &Antenna::AntOperator, NameLength},
    {F::Installation, K::Text, "Installation", "Installation", 15, 0, 0, false, false,
     "installation.", BlockPart::Names, "installation", InventoryPart::Own, false, StampUse::No,
     nullptr, &Antenna::AntInstallation, NameLength},
    // The adaptive array: counts of elements, one element's beam, the
    // spacing in wavelengths and how far the beam may be steered.
    {F::ArrayRows, K::Number, "Array rows", "", -1, 0.0, 64.0, false, false, "beam-array-rows.",
     BlockPart::Beam, "array_rows", InventoryPart::Adaptive, false, StampUse::FarFieldOnly,
     &Antenna::AntArrayRows},
    {F::ArrayColumns, K::Number, "Array columns", "", -1, 0.0, 64.0, false, false, "beam-array-columns.",
     BlockPart::Beam, "array_columns", InventoryPart::Adaptive, false, StampUse::FarFieldOnly,
     &Antenna::AntArrayColumns},
    {F::ElementGain, K::Number, "Element gain (dBi)", "", -1, -20.0, 30.0, false, false,
     "beam-element-gain.", BlockPart::Beam, "element_gain_dbi", InventoryPart::Adaptive, false,
     StampUse::FarFieldOnly, &Antenna::AntElementGainDbi},
    {F::ElementHWidth, K::Number, "Element horizontal width (degrees)", "", -1, 0.0, 360.0, true,
     false, "beam-element-h-width.", BlockPart::Beam, "element_h_width_deg", InventoryPart::Adaptive,
     false, StampUse::FarFieldOnly, &Antenna::AntElementHWidthDeg},
    {F::ElementVWidth, K::Number, "Element vertical width (degrees)", "", -1, 0.0, 180.0, true,
     false, "beam-element-v-width.", BlockPart::Beam, "element_v_width_deg", InventoryPart::Adaptive,
     false, StampUse::FarFieldOnly, &Antenna::AntElementVWidthDeg},
    {F::ElementFrontBack, K::Number, "Element front-to-back (dB)", "", -1, 0.0, 100.0, false,
     false, "beam-element-am.", BlockPart::Beam, "element_am_db", InventoryPart::Adaptive, false,
     StampUse::FarFieldOnly, &Antenna::AntElementFrontBackDb},
    {F::ElementSideLobe, K::Number, "Element side-lobe level (dB)", "", -1, 0.0, 100.0, false,
     false, "beam-element-sla.", BlockPart::Beam, "element_sla_db", InventoryPart::Adaptive, false,
     StampUse::FarFieldOnly, &Antenna::AntElementSideLobeDb},
    {F::ArrayHSpacing, K::Number, "Column spacing (wavelengths)", "", -1, 0.0, 10.0, true, false,
     "beam-array-h-spacing.", BlockPart::Beam, "array_h_spacing", InventoryPart::Adaptive, false,
     StampUse::FarFieldOnly, &Antenna::AntArrayHSpacing},
    {F::ArrayVSpacing, K::Number, "Row spacing (wavelengths)", "", -1, 0.0, 10.0, true, false,
     "beam-array-v-spacing.", BlockPart::Beam, "array_v_spacing", InventoryPart::Adaptive, false,
     StampUse::FarFieldOnly, &Antenna::AntArrayVSpacing},
    {F::SteerAzMin, K::Number, "Steering azimuth from (degrees)", "", -1, -90.0, 90.0, false,
     false, "beam-steer-az-min.", BlockPart::Beam, "steer_az_min_deg", InventoryPart::Adaptive, false,
     StampUse::FarFieldOnly, &Antenna::AntSteerAzMinDeg},
    {F::SteerAzMax, K::Number, "Steering azimuth to (degrees)", "", -1, -90.0, 90.0, false,
     false, "beam-steer-az-max.", BlockPart::Beam, "steer_az_max_deg", InventoryPart::Adaptive, false,
     StampUse::FarFieldOnly, &Antenna::AntSteerAzMaxDeg},
    {F::SteerTiltMin, K::Number, "Steering tilt from (degrees)", "", -1, -90.0, 90.0, false,
     false, "beam-steer-tilt-min.", BlockPart::Beam, "steer_tilt_min_deg", InventoryPart::Adaptive,
     false, StampUse::FarFieldOnly, &Antenna::AntSteerTiltMinDeg},
    {F::SteerTiltMax, K::Number, "Steering tilt to (degrees)", "", -1, -90.0, 90.0, false,
     false, "beam-steer-tilt-max.", BlockPart::Beam, "steer_tilt_max_deg", InventoryPart::Adaptive,
     false, StampUse::FarFieldOnly, &Antenna::AntSteerTiltMaxDeg},
    // The reduction of the maximum ERP (0 refused: an antenna that radiates
    // nothing is one of type none), and the rule or study it comes from.
    {F::PowerFactor, K::Number, "Power factor", "Power factor", 16, 0.0, 1.0, true, false,
     "beam-power-factor.", BlockPart::Beam, "power_factor", InventoryPart::Own, false, StampUse::Always,
     &Antenna::AntPowerFactor},
    {F::PowerFactorSource, K::Text, "Power factor source", "Factor source", -1, 0, 0, false, false,
     "power-factor-source.", BlockPart::Names, "power_factor_source", InventoryPart::Own, false,
     StampUse::No, nullptr, &Antenna::AntPowerFactorSource, NameLength},
};
// clang-format on

std::string Shortest(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

} // namespace

std::span<const AntennaFieldRow> AntennaFieldTable() {
    return kRows;
}

const AntennaFieldRow& FieldRow(AntennaField f) {
    for (const AntennaFieldRow& r : kRows)
        if (r.id == f) return r;
    return kRows[0]; // every field has its row
}

const AntennaFieldRow* RowOfColumn(std::string_view column) {
    for (const AntennaFieldRow& r : kRows)
        if (!column.empty() && column == r.column) return &r;
    return nullptr;
}

const AntennaFieldRow* RowOfBlockKey(std::string_view prefix) {
    for (const AntennaFieldRow& r : kRows)
        if (!prefix.empty() && prefix == r.blockKey) return &r;
    return nullptr;
}

bool FieldInRange(const AntennaFieldRow& r, double v) {
    const bool low = r.aboveMin ? v > r.min : v >= r.min;
    return low && v <= r.max;
}

std::string FieldRangeText(const AntennaFieldRow& r) {
    return Shortest(r.min) + " to " + Shortest(r.max);
}

std::string FieldRangeMessage(const AntennaFieldRow& r) {
    return std::string(r.label) + ": between " + Shortest(r.min) + " and " + Shortest(r.max);
}

std::optional<std::string> FieldTextFault(const AntennaFieldRow& r, std::string_view text) {
    if (std::any_of(text.begin(), text.end(), [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return u < 0x20 || u == 0x7F;
        }))
        return std::string("holds a control character");
    if (r.maxLength && text.size() > r.maxLength)
        return "is longer than " + std::to_string(r.maxLength) + " characters";
    return std::nullopt;
}

double FieldNumber(const Antenna& a, const AntennaFieldRow& r) {
    return r.number ? a.*r.number : 0.0;
}

const std::string& FieldText(const Antenna& a, const AntennaFieldRow& r) {
    static const std::string none;
    return r.text ? a.*r.text : none;
}

double FieldDefault(const AntennaFieldRow& r) {
    static const Antenna plain{};
    return FieldNumber(plain, r);
}

bool FieldIsDefault(const Antenna& a, const AntennaFieldRow& r) {
    if (r.text) return (a.*r.text).empty();
    return !r.number || a.*r.number == FieldDefault(r);
}

bool AnyAntennaHas(const Project& p, AntennaField f) {
    const AntennaFieldRow& r = FieldRow(f);
    const int top = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    for (int k = 1; k <= top; ++k)
        if (!FieldIsDefault(p.Antennas[static_cast<std::size_t>(k)], r)) return true;
    return false;
}

} // namespace brenvik
