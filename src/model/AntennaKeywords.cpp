#include "model/AntennaKeywords.h"

namespace brenvik {

void SetAntennaKeywords(Antenna& a, const std::string& powerMode, const std::string& heightUnit,
                        const std::string& type) {
    a.Verbatim = {};
    if (powerMode == "maxima") {
        a.AntPowerMode = PowerMode::Maximum;
    } else if (powerMode == "media") {
        a.AntPowerMode = PowerMode::Average;
    } else if (powerMode == "otra") {
        a.AntPowerMode = PowerMode::Other;
    } else {
        a.AntPowerMode = PowerMode::Maximum;
        a.Verbatim.powerMode = powerMode;
    }
    a.AntHeightUnit = heightUnit == "pisos" ? HeightUnit::Floors : HeightUnit::Metres;
    if (heightUnit != "pisos" && heightUnit != " ") a.Verbatim.heightUnit = heightUnit;
    if (type == "alta") {
        a.AntType = AntennaKind::Panel;
    } else if (type == "baja") {
        a.AntType = AntennaKind::Stick;
    } else {
        a.AntType = AntennaKind::None;
        a.Verbatim.type = type;
    }
}

std::string PowerModeKeyword(const Antenna& a) {
    if (a.Verbatim.powerMode) return *a.Verbatim.powerMode;
    switch (a.AntPowerMode) {
    case PowerMode::Average:
        return "media";
    case PowerMode::Other:
        return "otra";
    case PowerMode::Maximum:
        break;
    }
    return "maxima";
}

std::string HeightUnitKeyword(const Antenna& a) {
    if (a.Verbatim.heightUnit) return *a.Verbatim.heightUnit;
    return a.AntHeightUnit == HeightUnit::Floors ? "pisos" : " ";
}

std::string AntennaTypeKeyword(const Antenna& a) {
    if (a.Verbatim.type) return *a.Verbatim.type;
    switch (a.AntType) {
    case AntennaKind::Stick:
        return "baja";
    case AntennaKind::None:
        return "";
    case AntennaKind::Panel:
        break;
    }
    return "alta";
}

} // namespace brenvik
