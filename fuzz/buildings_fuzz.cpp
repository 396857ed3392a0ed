// Feeds arbitrary bytes to the buildings reader as a GeoJSON file (or, when
// they start with '<', a file from OpenStreetMap). Besides the sanitizers'
// findings: a refusal stays short, every building accepted has sane numbers
// and a footprint the evaluation can hold, and the project file saves it.
#include "gis/BuildingImport.h"
#include "model/ProjectFile.h"

#include <cmath>
#include <cpl_error.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = "/tmp/buildings_fuzz_" + std::to_string(::getpid());
    static const bool quiet = (CPLSetErrorHandler(CPLQuietErrorHandler), true);
    (void)quiet;
    const std::string path = base + (size > 0 && data[0] == '<' ? ".osm" : ".geojson");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    brenvik::Project p;
    p.RecomputeDerived();
    brenvik::gis::BuildingsImport r = brenvik::gis::ReadBuildings(p, path, 9.0);
    ::unlink(path.c_str());
    if (r.refusal) {
        if (r.refusal->size() > 16384) Fail("refusal too long");
        return 0;
    }
    if (r.note.size() > 2048) Fail("note too long");
    for (const brenvik::Building& b : r.buildings) {
        if (!(b.HeightM > b.BaseM && b.BaseM >= 0.0 &&
              b.HeightM <= 2 * brenvik::gis::MaxBuildingHeightM))
            Fail("building heights out of range");
        if (brenvik::gis::FootprintRefusal(p, b)) Fail("footprint accepted that is refused");
        for (const brenvik::PlanVertex& v : b.Outline)
            if (!std::isfinite(v.x) || !std::isfinite(v.y)) Fail("corner not finite");
    }
    p.Buildings = std::move(r.buildings);
    std::string saved;
    if (!brenvik::WriteProjectText(p, saved)) Fail("imported buildings cannot be saved");
    brenvik::Project back;
    if (!brenvik::ReadProjectText(back, saved) || back.Buildings.size() != p.Buildings.size())
        Fail("saved buildings do not read back");
    return 0;
}
