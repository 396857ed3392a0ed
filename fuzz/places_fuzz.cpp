// Feeds arbitrary bytes to the places file reader. Besides the sanitizers'
// findings: a refusal stays short whatever the file holds, and every set of
// places the reader accepts can be saved in the project file and read back.
#include "compliance/Places.h"
#include "model/ProjectFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    brenvik::Project p;
    p.RecomputeDerived();
    const brenvik::compliance::PlacesImport r =
        brenvik::compliance::ImportPlaces(p, text, "places.csv");
    if (r.refusal) {
        // Twenty lines of at most a few quoted fields, and the count after.
        if (r.refusal->size() > 16384) {
            std::fprintf(stderr, "refusal of %zu bytes\n", r.refusal->size());
            std::abort();
        }
        return 0;
    }
    if (r.note.size() > 512) {
        std::fprintf(stderr, "note of %zu bytes\n", r.note.size());
        std::abort();
    }
    std::string saved;
    if (!brenvik::WriteProjectText(p, saved)) {
        std::fprintf(stderr, "imported places cannot be saved\n");
        std::abort();
    }
    brenvik::Project back;
    if (!brenvik::ReadProjectText(back, saved) || back.Places != p.Places) {
        std::fprintf(stderr, "saved places do not read back\n");
        std::abort();
    }
    return 0;
}
