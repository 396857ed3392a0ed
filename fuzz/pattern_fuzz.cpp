// Feeds arbitrary bytes to the pattern-file reader. Besides the sanitizers'
// findings, every pattern the reader accepts must be sound (finite values,
// ascending angles, names without control characters), give no gain above
// its peak in any direction, and be saved in a project and read back the
// same: a pattern the reader lets in must never make a later save fail.
#include "antenna/BeamCuts.h"
#include "antenna/Pattern.h"
#include "model/Project.h"
#include "model/ProjectFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

bool SoundCut(const brenvik::PatternCut& c) {
    if (c.Angle.empty() || c.Angle.size() != c.Loss.size() || c.Angle.size() > 720) return false;
    for (std::size_t k = 0; k < c.Angle.size(); ++k) {
        if (!(c.Angle[k] >= 0.0 && c.Angle[k] < 360.0)) return false;
        if (k > 0 && !(c.Angle[k] > c.Angle[k - 1])) return false;
        if (!std::isfinite(c.Loss[k]) || c.Loss[k] < 0.0) return false;
    }
    return true;
}

bool Printable(const std::string& s) {
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u == 0x7F) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace brenvik;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const antenna::PatternRead r = antenna::ParsePattern(text);
    if (!r.pattern) {
        if (r.error.empty()) Fail("refused without a reason");
        return 0;
    }
    AntennaPattern q = *r.pattern;
    if (!SoundCut(q.Horizontal) || !SoundCut(q.Vertical)) Fail("accepted cut is not sound");
    if (!Printable(q.Name) || !Printable(q.Make) || !Printable(q.Comment))
        Fail("accepted name holds a control character");
    if (!std::isfinite(q.FrequencyMHz) || !std::isfinite(q.GainDbi) || !std::isfinite(q.TiltDeg))
        Fail("accepted header value is not finite");

    for (int phi = -180; phi <= 180; phi += 15)
        for (int theta = -90; theta <= 90; theta += 15) {
            const double g = antenna::PatternGainDb(q, phi, theta);
            if (!(g <= 0.0)) Fail("gain above the peak, or not a number");
        }
    const antenna::Beam beam{&q, {}};
    for (const antenna::PlotCut& c :
         {antenna::HorizontalCut(beam, 2.0), antenna::VerticalCut(beam, 5.0, 2.0)})
        if (!(c.beamwidthDeg >= 0.0 && c.beamwidthDeg <= 360.0))
            Fail("half-power width out of range");
    (void)antenna::PatternWarnings(q);

    // Saved in a project (as an import would name it) and read back.
    if (q.Name.empty()) q.Name = "stem";
    Project p;
    p.Patterns.push_back(q);
    std::string saved;
    if (!WriteProjectText(p, saved)) Fail("accepted pattern cannot be saved");
    Project back;
    if (!ReadProjectText(back, saved)) Fail("saved pattern cannot be read");
    if (!(back.Patterns == p.Patterns)) Fail("pattern read back differs");
    return 0;
}
