// Feeds arbitrary bytes to the field measurements reader (CSV, or GeoJSON
// when the text opens with a brace). Besides the sanitizers' findings: a
// refusal stays short whatever the file holds, and every set of
// measurements the reader accepts can be saved in the project file and read
// back.
#include "measure/Import.h"
#include "model/ProjectFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    brenvik::Project p;
    p.RecomputeDerived();
    brenvik::measure::ImportOptions options;
    options.unit = brenvik::measure::FieldUnit::VoltPerMetre;
    options.bandFactors = {{"B", 2.0}};
    const brenvik::measure::MeasurementImport r =
        brenvik::measure::ImportMeasurements(p, text, "m.csv", options);
    if (r.refusal) {
        if (r.refusal->size() > 16384) {
            std::fprintf(stderr, "refusal of %zu bytes\n", r.refusal->size());
            std::abort();
        }
        return 0;
    }
    std::string saved;
    if (!brenvik::WriteProjectText(p, saved)) {
        std::fprintf(stderr, "imported measurements cannot be saved\n");
        std::abort();
    }
    brenvik::Project back;
    if (!brenvik::ReadProjectText(back, saved) || back.Measurements != p.Measurements) {
        std::fprintf(stderr, "saved measurements do not read back\n");
        std::abort();
    }
    return 0;
}
