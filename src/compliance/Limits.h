#pragma once

#include "model/Project.h"

#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// Impedance of free space: E^2 = S * 376.73 for S in W/m^2 and E in V/m.
inline constexpr double FreeSpaceImpedance = 376.73;
// The frequencies an antenna may carry, in MHz: 100 kHz to 300 GHz.
inline constexpr double MinFrequencyMHz = MinAntennaFrequencyMHz;
inline constexpr double MaxFrequencyMHz = MaxAntennaFrequencyMHz;

// k * f^n with f in MHz.
struct PowerLaw {
    double k = 0.0, n = 0.0;
    double at(double mhz) const;
};

// One frequency range of a reference level: the power density S in W/m^2
// and/or the field E in V/m. A range with E only takes S from E.
struct LevelPiece {
    double fromMHz = 0.0, toMHz = 0.0;
    std::optional<PowerLaw> S, E;
};

struct Standard {
    std::string id;
    std::string title;
    // A flat value of the plan's legal notes: the same limit at every
    // frequency and for everyone.
    bool national = false;
    std::vector<LevelPiece> publicLevels;
    std::vector<LevelPiece> occupationalLevels; // empty: the public levels
    const std::vector<LevelPiece>& levels(Population g) const {
        return g == Population::Occupational && !occupationalLevels.empty() ? occupationalLevels
                                                                            : publicLevels;
    }
};

// A reference level at one frequency.
struct Level {
    double sWm2 = 0.0; // power density, W/m^2
    double eVm = 0.0;  // field strength, V/m (as the standard gives it, or from S)
};
// Nothing when the frequency lies outside every range of the standard.
std::optional<Level> ReferenceLevel(const Standard& s, Population g, double mhz);

// The standards the program knows: the built-in ones, then those of the
// user's own file (a standard of the same id replaces the built-in one).
class Library {
  public:
    const Standard* find(const std::string& id) const;
    const std::vector<Standard>& standards() const { return standards_; }
    std::vector<std::string> ids() const;
    // Reads the limits file text; on success adds (or replaces) its
    // standards. On failure returns the message, naming `fileName` and the
    // line, and the library is left as it was.
    std::optional<std::string> addFromText(const std::string& text, const std::string& fileName);

  private:
    std::vector<Standard> standards_;
};

// The limits file shipped with the program: share/brenvik/limits.json beside
// the program's folder (the build tree and the installed tree alike).
std::string ShippedLimitsPath();
// The user's own file: $XDG_CONFIG_HOME/brenvik/limits.json, else
// ~/.config/brenvik/limits.json.
std::string UserLimitsPath();

// The shipped file (or, when it cannot be found, the copy built into the
// program) plus the user's file when there is one. A user's file that does
// not read (or is no plain file) leaves the built-in library and gives its
// message in `warning`: "The limits file was refused: " and why.
struct LoadedLibrary {
    Library library;
    std::string warning;
};
LoadedLibrary LoadLibrary();
LoadedLibrary LoadLibrary(const std::string& shippedPath, const std::string& userPath);

// The dialog's rule for a carrier frequency: "Input data error" outside
// 100 kHz .. 300 GHz.
std::optional<std::string> FrequencyRefusal(double mhz);

// Antenna slot k (1..AntennaCount) by its tower and its place on that tower,
// as messages and tables name it: "tower 2, antenna 3".
struct AntennaName {
    int tower = 0;
    int number = 0;
};
AntennaName NameOf(const Project& p, int slot);
std::string NameText(const Project& p, int slot);

// The engine's per-antenna factors 1 / S_L(f) in 1 / (uW/cm^2), slot 0
// unused, or the refusal message (an unknown standard, or an antenna whose
// frequency lies outside every range of the standard).
struct InverseLimitsResult {
    std::vector<double> inverse;
    std::optional<std::string> refusal;
};
InverseLimitsResult InverseLimits(const Project& p, const Library& lib, const std::string& standard,
                                  Population g);

} // namespace brenvik::compliance
