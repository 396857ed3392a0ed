#include "antenna/BeamForm.h"

#include "model/AntennaFields.h"
#include "model/Messages.h"

#include <algorithm>
#include <filesystem>

namespace brenvik::antenna {

namespace {

constexpr double DefaultHBeamwidthDeg = 90.0;

bool SameData(const AntennaPattern& a, AntennaPattern b) {
    b.Source = a.Source; // the same pattern may come from files of other names
    return a == b;
}

// Where `pattern` stands in `list`: an equal one already there, or the new
// last one under a name no other pattern of the list has.
std::size_t Place(std::vector<AntennaPattern>& list, AntennaPattern pattern) {
    if (pattern.Name.empty()) pattern.Name = "pattern";
    const std::string base = pattern.Name;
    for (int k = 2;; ++k) {
        const auto same = std::find_if(list.begin(), list.end(), [&](const AntennaPattern& q) {
            return q.Name == pattern.Name;
        });
        if (same == list.end()) break;
        if (SameData(*same, pattern)) return static_cast<std::size_t>(same - list.begin());
        pattern.Name = base + " (" + std::to_string(k) + ")";
    }
    list.push_back(std::move(pattern));
    return list.size() - 1;
}

enum BeamBoxIndex { HBox, VBox, EBox };

// A box's number when its rule accepts it.
std::optional<double> InRange(const NumberParser& parse, const std::string& text,
                              BeamBoxIndex box) {
    if (!FieldAccepts(BeamRules()[box], text, parse)) return std::nullopt;
    return parse(text);
}

struct BeamValues {
    double h = DefaultHBeamwidthDeg, v = 0.0, e = 0.0;
    std::array<double, ArrayFieldCount> array{};
};

// The array's boxes: each empty box takes its field's default.
std::optional<std::string> ReadArrayBoxes(const BeamForm& f, const NumberParser& parse,
                                          BeamValues& out) {
    for (std::size_t k = 0; k < ArrayFieldCount; ++k) {
        const AntennaFieldRow& r = FieldRow(ArrayFields()[k]);
        const std::string& text = k < f.arrayTexts.size() ? f.arrayTexts[k] : std::string();
        out.array[k] = FieldDefault(r);
        if (text.find_first_not_of(" \t") == std::string::npos) continue;
        if (!FieldAccepts(ArrayRules()[k], text, parse)) return FieldRefusal(ArrayRules()[k]);
        out.array[k] = *parse(text);
    }
    const AntennaFieldRow& source = FieldRow(AntennaField::PowerFactorSource);
    if (auto fault = FieldTextFault(source, f.factorSource))
        return std::string(source.label) + " " + *fault;
    return std::nullopt;
}

std::optional<std::string> ReadBoxes(const BeamForm& f, const NumberParser& parse,
                                     BeamValues& out) {
    const auto h = InRange(parse, f.hText, HBox);
    if (!h) return "The horizontal beamwidth must be above 0 and at most 360 degrees";
    out.h = *h;
    if (f.vText.find_first_not_of(" \t") != std::string::npos) {
        const auto v = InRange(parse, f.vText, VBox);
        if (!v)
            return "The vertical beamwidth must be above 0 and at most 180 degrees, or empty for "
                   "twice the open angle";
        out.v = *v;
    }
    const auto e = InRange(parse, f.eText, EBox);
    if (!e) return "The electrical tilt must be between -90 and 90 degrees";
    out.e = *e;
    return ReadArrayBoxes(f, parse, out);
}

} // namespace

const std::array<AntennaField, ArrayFieldCount>& ArrayFields() {
    using F = AntennaField;
    static const std::array<AntennaField, ArrayFieldCount> fields = {
        F::ArrayRows,     F::ArrayColumns,     F::ElementGain,     F::ElementHWidth,
        F::ElementVWidth, F::ElementFrontBack, F::ElementSideLobe, F::ArrayHSpacing,
        F::ArrayVSpacing, F::SteerAzMin,       F::SteerAzMax,      F::SteerTiltMin,
        F::SteerTiltMax,  F::PowerFactor};
    return fields;
}

const std::vector<FieldRule>& ArrayRules() {
    static const std::vector<FieldRule> rules = [] {
        const char* const boxes[ArrayFieldCount] = {
            "arrayRows",     "arrayColumns",     "elementGain",     "elementHWidth",
            "elementVWidth", "elementFrontBack", "elementSideLobe", "arrayHSpacing",
            "arrayVSpacing", "steerAzMin",       "steerAzMax",      "steerTiltMin",
            "steerTiltMax",  "powerFactor"};
        std::vector<FieldRule> v;
        for (std::size_t k = 0; k < ArrayFieldCount; ++k) {
            const AntennaFieldRow& r = FieldRow(ArrayFields()[k]);
            v.push_back(FieldRule{.box = boxes[k],
                                  .label = r.label,
                                  .min = r.min,
                                  .max = r.max,
                                  .aboveMin = r.aboveMin,
                                  .mayBeEmpty = true});
        }
        return v;
    }();
    return rules;
}

const std::vector<FieldRule>& BeamRules() {
    const auto box = [](const char* name, AntennaField f) {
        const AntennaFieldRow& r = FieldRow(f);
        return FieldRule{
            .box = name, .label = r.label, .min = r.min, .max = r.max, .aboveMin = r.aboveMin};
    };
    static const std::vector<FieldRule> rules = [&] {
        std::vector<FieldRule> v{box("hBeamwidth", AntennaField::HBeamwidth),
                                 box("vBeamwidth", AntennaField::VBeamwidth),
                                 box("electricalTilt", AntennaField::ElectricalTilt)};
        v[1].mayBeEmpty = true; // empty: twice the open angle
        return v;
    }();
    return rules;
}

BeamForm BeamFormLoad(const Project& p, int slot, const NumberFormatter& fmt) {
    BeamForm f;
    f.patterns = p.Patterns;
    if (slot < 0 || static_cast<std::size_t>(slot) >= p.Antennas.size()) return f;
    const Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
    for (std::size_t k = 0; k < f.patterns.size(); ++k)
        if (!a.AntPattern.empty() && f.patterns[k].Name == a.AntPattern)
            f.choice = static_cast<int>(k);
    f.hText = fmt(a.AntHBeamwidthDeg);
    f.vText = a.AntVBeamwidthDeg > 0.0 ? fmt(a.AntVBeamwidthDeg) : std::string();
    f.eText = fmt(a.AntElectricalTiltDeg);
    for (std::size_t k = 0; k < ArrayFieldCount; ++k)
        f.arrayTexts[k] = fmt(FieldNumber(a, FieldRow(ArrayFields()[k])));
    f.factorSource = a.AntPowerFactorSource;
    return f;
}

BeamImport BeamFormImport(BeamForm& f, const std::string& path) {
    BeamImport out;
    PatternRead r = ReadPatternFile(path);
    if (!r.pattern) {
        const std::string file = std::filesystem::path(path).filename().string();
        out.error = r.line > 0 ? file + ", " + r.error : r.error;
        return out;
    }
    f.choice = static_cast<int>(Place(f.patterns, std::move(*r.pattern)));
    out.warnings = std::move(r.warnings);
    return out;
}

std::optional<std::string> BeamFormCheck(const BeamForm& f, const NumberParser& parse) {
    BeamValues v;
    return ReadBoxes(f, parse, v);
}

std::optional<std::string> BeamFormAccept(Project& p, const BeamForm& f, int slot,
                                          const NumberParser& parse) {
    BeamValues v;
    if (auto err = ReadBoxes(f, parse, v)) return err;
    if (slot < 0 || static_cast<std::size_t>(slot) >= p.Antennas.size()) return msg::InputDataError;
    std::string name;
    if (f.choice >= 0 && static_cast<std::size_t>(f.choice) < f.patterns.size())
        name = AddPattern(p, f.patterns[static_cast<std::size_t>(f.choice)]);
    Antenna& a = p.Antennas[static_cast<std::size_t>(slot)];
    a.AntPattern = name;
    a.AntHBeamwidthDeg = v.h;
    a.AntVBeamwidthDeg = v.v;
    a.AntElectricalTiltDeg = v.e;
    for (std::size_t k = 0; k < ArrayFieldCount; ++k)
        a.*FieldRow(ArrayFields()[k]).number = v.array[k];
    a.AntPowerFactorSource = f.factorSource;
    DropUnusedPatterns(p);
    return std::nullopt;
}

std::string AddPattern(Project& p, const AntennaPattern& pattern) {
    return p.Patterns[Place(p.Patterns, pattern)].Name;
}

void DropUnusedPatterns(Project& p) {
    std::erase_if(p.Patterns, [&](const AntennaPattern& q) {
        return std::none_of(p.Antennas.begin(), p.Antennas.end(),
                            [&](const Antenna& a) { return a.AntPattern == q.Name; });
    });
}

Beam BeamFormBeam(const BeamForm& f, bool stick, double defaultVBeamwidthDeg,
                  const NumberParser& parse) {
    Beam b;
    if (f.choice >= 0 && static_cast<std::size_t>(f.choice) < f.patterns.size())
        b.pattern = &f.patterns[static_cast<std::size_t>(f.choice)];
    b.parametric.stick = stick;
    b.parametric.hBeamwidthDeg = InRange(parse, f.hText, HBox).value_or(DefaultHBeamwidthDeg);
    b.parametric.vBeamwidthDeg = InRange(parse, f.vText, VBox).value_or(defaultVBeamwidthDeg);
    b.parametric.electricalTiltDeg = InRange(parse, f.eText, EBox).value_or(0.0);
    // An adaptive panel's envelope, from the array's boxes that read.
    Antenna a;
    for (std::size_t k = 0; k < ArrayFieldCount && k < f.arrayTexts.size(); ++k) {
        const AntennaFieldRow& r = FieldRow(ArrayFields()[k]);
        const auto v = parse(f.arrayTexts[k]);
        if (v && FieldAccepts(ArrayRules()[k], f.arrayTexts[k], parse)) a.*r.number = *v;
    }
    if (!b.pattern && !stick && IsAdaptive(a)) b.envelope = MakeEnvelope(ArrayOf(a));
    return b;
}

ExposureForm ExposureFormLoad(const Project& p) {
    return {p.Exposure.Model, p.Exposure.ReflectionFactor != 1.0};
}

void ExposureFormAccept(Project& p, const ExposureForm& f) {
    p.Exposure.Model = f.model;
    p.Exposure.ReflectionFactor = f.groundReflection ? GroundReflectionFactor : 1.0;
}

} // namespace brenvik::antenna
