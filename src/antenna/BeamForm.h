#pragma once

// The rules of the beam part of "Antenna options" (the pattern an antenna
// uses, or its parametric beamwidths) and of "Exposure model...". The dialogs
// show these forms and hand them back; the rules check and store them.
#include "antenna/Pattern.h"
#include "model/AntennaFields.h"
#include "model/FieldRule.h"
#include "model/Numbers.h"
#include "model/Project.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::antenna {

// ---- Beam of one antenna -----------------------------------------------------------

// The adaptive array's fields and its power factor, in the order of the
// form's boxes.
inline constexpr std::size_t ArrayFieldCount = 14;
const std::array<AntennaField, ArrayFieldCount>& ArrayFields();
// Their boxes' rules (objectNames "arrayRows", "arrayColumns", ...), apart
// from BeamRules: not every window shows them.
const std::vector<FieldRule>& ArrayRules();

struct BeamForm {
    // The patterns the "Pattern" choice offers: the project's, then those
    // read from files while the dialog is open.
    std::vector<AntennaPattern> patterns;
    int choice = -1;          // index into `patterns`; -1: the parametric beam
    std::string hText = "90"; // phi3, degrees
    std::string vText;        // theta3, degrees; empty: twice the type's open angle
    std::string eText = "0";  // electrical tilt, degrees down
    // An adaptive antenna: one box per field of ArrayFields() (rows and
    // columns 0: not adaptive; an empty box takes the field's default), and
    // where its power factor comes from.
    std::vector<std::string> arrayTexts = std::vector<std::string>(ArrayFieldCount);
    std::string factorSource;
};

// The form of antenna slot `slot` (a slot beyond the arrays shows a new
// antenna's parametric beam).
BeamForm BeamFormLoad(const Project& p, int slot, const NumberFormatter& fmt = FormatNumberC);

// Reads a pattern file into the form and chooses it; a pattern equal to one
// the form already offers is chosen rather than added twice. The refusal
// leaves the form as it was. Warnings of an accepted file are handed back.
struct BeamImport {
    std::optional<std::string> error;
    std::vector<std::string> warnings;
};
BeamImport BeamFormImport(BeamForm& f, const std::string& path);

// Checks the boxes of the parametric beam (also kept while a pattern is
// chosen, so that they are right should the pattern be dropped): the
// refusal text, or no value.
std::optional<std::string> BeamFormCheck(const BeamForm& f,
                                         const NumberParser& parse = ParseNumberC);

// The ranges of the beam's boxes, the ones BeamFormCheck applies.
const std::vector<FieldRule>& BeamRules();

// Checks, then stores the beam into `slot` (which must exist): the chosen
// pattern joins Project::Patterns once and the antenna refers to it by name;
// patterns that no antenna refers to any more leave the project.
std::optional<std::string> BeamFormAccept(Project& p, const BeamForm& f, int slot,
                                          const NumberParser& parse = ParseNumberC);

// Adds `pattern` to the project unless an equal one (whatever file it came
// from) is there; a different pattern of the same name is added under a
// distinct name ("NAME (2)"). Returns the name the project knows it by.
std::string AddPattern(Project& p, const AntennaPattern& pattern);

// Drops the patterns no antenna slot refers to.
void DropUnusedPatterns(Project& p);

// The beam the form shows, for the plots: the chosen pattern, or the
// parametric beam of the boxes (a box that does not read keeps the default).
// `defaultVBeamwidthDeg` stands in for an empty vertical box. The pattern
// pointer points into `f`.
Beam BeamFormBeam(const BeamForm& f, bool stick, double defaultVBeamwidthDeg,
                  const NumberParser& parse = ParseNumberC);

// ---- "Exposure model..." -------------------------------------------------------------

struct ExposureForm {
    ExposureModel model = ExposureModel::Specified;
    bool groundReflection = false; // reflection factor 2.56 instead of 1
};
inline constexpr double GroundReflectionFactor = 2.56;

ExposureForm ExposureFormLoad(const Project& p);
// Stores the choice into Project::Exposure.
void ExposureFormAccept(Project& p, const ExposureForm& f);

} // namespace brenvik::antenna
