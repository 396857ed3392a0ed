#pragma once

#include <string>
#include <vector>

namespace brenvik {

// One cut of a measured antenna pattern: losses in dB (>= 0, relative to the
// pattern's gain) at angles in degrees, strictly ascending within [0, 360).
// Horizontal: 0 is boresight, increasing clockwise. Vertical: 0 is the front
// horizon, 90 straight down, 180 the back horizon, 270 straight up.
struct PatternCut {
    std::vector<double> Angle;
    std::vector<double> Loss;
    friend bool operator==(const PatternCut&, const PatternCut&) = default;
};

// A pattern imported from a pattern file and kept in the project, so that a
// project carries every pattern its antennas use. Antennas refer to it by Name,
// which is unique within the project.
struct AntennaPattern {
    std::string Name;   // NAME of the file, else the file's stem
    std::string Source; // file name it was imported from (no folders)
    std::string Make;
    double FrequencyMHz = 0.0; // 0: not given
    double GainDbi = 0.0;      // peak gain, dBi (dBd + 2.15)
    double TiltDeg = 0.0;      // electrical tilt the file declares
    std::string Comment;
    PatternCut Horizontal;
    PatternCut Vertical;
    friend bool operator==(const AntennaPattern&, const AntennaPattern&) = default;
};

// How the power density of the antennas is worked out.
enum class ExposureModel {
    Specified, // the program's beam model (8.64 P / r^2 with logistic cut-offs)
    FarField,  // far-field formula with the antennas' patterns
};

// The project's exposure-model choice, kept in the file's extension block.
struct ExposureSettings {
    ExposureModel Model = ExposureModel::Specified;
    double ReflectionFactor = 1.0; // 1, or 2.56 for ground reflection
    friend bool operator==(const ExposureSettings&, const ExposureSettings&) = default;
};

} // namespace brenvik
