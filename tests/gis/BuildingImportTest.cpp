#include "gis/BuildingImport.h"

#include "compliance/Limits.h"
#include "gis/Terrain.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brenvik;
using brenvik::testing::TempDir;

// A file straight from OpenStreetMap: a school of 4 levels (a tag the
// reader keeps among its other tags), a park, a footway and a node with a
// tag, near the default origin (63 E, 64 N). Only the school is a building.
TEST(BuildingImport, OpenStreetMapFileGivesItsBuildingsAlone) {
    TempDir dir;
    const std::string path = dir.file("site.osm");
    std::ofstream(path) << R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="hand">
 <node id="1" lat="64.0003" lon="63.0010"/><node id="2" lat="64.0003" lon="63.0012"/>
 <node id="3" lat="64.0004" lon="63.0012"/><node id="4" lat="64.0004" lon="63.0010"/>
 <node id="5" lat="64.0005" lon="63.0005"><tag k="amenity" v="school"/></node>
 <node id="6" lat="64.0001" lon="63.0003"/><node id="7" lat="64.0001" lon="63.0006"/>
 <node id="8" lat="64.0002" lon="63.0006"/>
 <way id="10"><nd ref="1"/><nd ref="2"/><nd ref="3"/><nd ref="4"/><nd ref="1"/>
  <tag k="building" v="school"/><tag k="building:levels" v="4"/><tag k="min_height" v="1.5"/>
  <tag k="name" v="School"/></way>
 <way id="11"><nd ref="6"/><nd ref="7"/><nd ref="8"/><nd ref="6"/><tag k="leisure" v="park"/></way>
 <way id="12"><nd ref="6"/><nd ref="8"/><tag k="highway" v="footway"/></way>
</osm>
)";
    Project p;
    p.RecomputeDerived();
    const gis::BuildingsImport r = gis::ReadBuildings(p, path, 9.0);
    ASSERT_FALSE(r.refusal) << *r.refusal;
    ASSERT_EQ(r.buildings.size(), 1u);
    const Building& b = r.buildings[0];
    EXPECT_EQ(std::tuple(b.Id, b.Name, b.HeightM, b.BaseM, r.defaultHeight),
              std::tuple("way/10", "School", 12.0, 1.5, 0));
}

namespace {

// A GeoJSON file of one footprint: a rectangle of `w` x `h` degrees centred
// on the school of the file above, with the given properties.
std::string OneFootprint(const std::string& path, const std::string& props, double w = 0.0002,
                         double h = 0.0001) {
    const double lon = 63.0011, lat = 64.00035;
    const auto corner = [&](double sx, double sy) {
        return "[" + std::to_string(lon + sx * w / 2) + "," + std::to_string(lat + sy * h / 2) +
               "]";
    };
    std::ofstream(path) << R"({"type":"FeatureCollection","features":[{"type":"Feature",)"
                        << R"("properties":{)" << props << R"(},"geometry":{"type":"Polygon",)"
                        << R"("coordinates":[[)" << corner(-1, -1) << "," << corner(1, -1) << ","
                        << corner(1, 1) << "," << corner(-1, 1) << "," << corner(-1, -1)
                        << "]]}}]}";
    return path;
}

} // namespace

// Numbers beyond any building, names that would break the project file's
// lines and footprints kilometres wide refuse the file, each message short.
TEST(BuildingImport, AbsurdFeaturesAreRefusedAndWhatImportsSaves) {
    TempDir dir;
    Project p;
    p.RecomputeDerived();
    const std::string huge(5 << 20, 'n');
    const struct {
        std::string props;
        double w, h;
        const char* why;
    } refused[] = {
        {R"("height":1e9)", 0.0002, 0.0001, "height 1e+09 is beyond 1000 m"},
        {R"("height":"1e308")", 0.0002, 0.0001, "height 1e+308 is beyond 1000 m"},
        {R"("building:levels":1e8)", 0.0002, 0.0001, "building:levels 1e+08 is beyond 300 floors"},
        {R"("min_height":-2000)", 0.0002, 0.0001, "min_height -2000 is beyond 1000 m"},
        {R"("height":"inf")", 0.0002, 0.0001, "is not a number"},
        {R"("height":9,"name":"Sch\rool")", 0.0002, 0.0001, "its name holds a control character"},
        {R"("height":9,"name":"a\u0001b")", 0.0002, 0.0001, "its name holds a control character"},
        // 100 x 40 degrees, and 0.1 degree (4.9 km at 64 N) wide.
        {R"("height":9,"id":"way/5")", 100.0, 40.0, "building way/5: its footprint is wider"},
        {R"("height":9,"name":")" + huge + "\"", 0.1, 0.0001, "its footprint is wider than 3000 m"},
    };
    for (const auto& r : refused) {
        const std::string path = OneFootprint(dir.file("b.geojson"), r.props, r.w, r.h);
        const gis::BuildingsImport b = gis::ReadBuildings(p, path, 9.0);
        ASSERT_TRUE(b.refusal) << r.why;
        EXPECT_NE(b.refusal->find(r.why), std::string::npos) << *b.refusal;
        EXPECT_LT(b.refusal->size(), 400u) << r.why;
    }
    // At the edge of the ranges: kept, and the project file holds them.
    const gis::BuildingsImport ok = gis::ReadBuildings(
        p,
        OneFootprint(dir.file("ok.geojson"), R"("height":1000,"min_level":300,"name":"Tò, \"x\"")"),
        9.0);
    ASSERT_FALSE(ok.refusal) << *ok.refusal;
    // The batch's Ctrl-C stops a reading.
    Feedback raised;
    raised.cancel();
    const auto stopped = gis::ReadBuildings(p, dir.file("ok.geojson"), 9.0, &raised);
    ASSERT_TRUE(stopped.refusal);
    EXPECT_TRUE(stopped.refusal->ends_with(": cancelled")) << *stopped.refusal;
    p.Buildings = ok.buildings;
    ASSERT_EQ(p.Buildings.size(), 1u);
    EXPECT_EQ(std::tuple(p.Buildings[0].HeightM, p.Buildings[0].BaseM), std::tuple(1000.0, 900.0));
    EXPECT_EQ(brenvik::testing::ReadBack(p).Buildings, p.Buildings);
}

// A named pipe would block each reader, a device would feed it without end,
// a folder reads as nothing: every reader refuses them at once, and the
// project is left as it was. The alarm fails the test if a reader blocks.
TEST(InputFiles, EveryReaderRefusesWhatIsNoPlainFileAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Project p;
    p.RecomputeDerived();
    p.Places.push_back(Place{"Kept", "", 1, 1, 1.5});
    const Project before = p;
    const std::function<std::optional<std::string>(const std::string&)> readers[] = {
        [&](const std::string& f) { return compliance::ImportPlacesFile(p, f).refusal; },
        [&](const std::string& f) { return gis::ReadBuildings(p, f, 9.0).refusal; },
        [&](const std::string& f) { return gis::SampleTerrain(p, f).refusal; },
        [&](const std::string& f) -> std::optional<std::string> {
            const compliance::LoadedLibrary lib =
                compliance::LoadLibrary(compliance::ShippedLimitsPath(), f);
            // The built-in standards stand.
            EXPECT_NE(lib.library.find("icnirp-2020"), nullptr);
            if (lib.warning.empty()) return std::nullopt;
            return lib.warning;
        },
    };
    ::alarm(30);
    for (const std::string& special : {fifo, std::string("/dev/zero"), dir.path().string()})
        for (std::size_t k = 0; k < std::size(readers); ++k) {
            const auto refused = readers[k](special);
            ASSERT_TRUE(refused) << "reader " << k << " took " << special;
            EXPECT_NE(refused->find("is not a plain file"), std::string::npos) << *refused;
            EXPECT_EQ(p.Places, before.Places);
        }
    // A plain file that names the pipe for GDAL to open (a virtual dataset)
    // is no way round.
    std::ofstream(dir.file("dem.vrt"))
        << R"(<VRTDataset rasterXSize="4000" rasterYSize="4000"><SRS>EPSG:4326</SRS>)"
        << "<GeoTransform>62, 0.001, 0, 65, 0, -0.001</GeoTransform>"
        << R"(<VRTRasterBand dataType="Float64" band="1"><SimpleSource>)"
        << R"(<SourceFilename relativeToVRT="0">)" << fifo << "</SourceFilename>"
        << "<SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>";
    std::ofstream(dir.file("b.vrt")) << R"(<OGRVRTDataSource><OGRVRTLayer name="b"><SrcDataSource>)"
                                     << fifo << "</SrcDataSource></OGRVRTLayer></OGRVRTDataSource>";
    const auto terrain = gis::SampleTerrain(p, dir.file("dem.vrt")).refusal;
    const auto buildings = gis::ReadBuildings(p, dir.file("b.vrt"), 9.0).refusal;
    ASSERT_TRUE(terrain && buildings);
    EXPECT_NE(terrain->find("GDAL cannot read it"), std::string::npos) << *terrain;
    EXPECT_NE(buildings->find("OGR cannot read it"), std::string::npos) << *buildings;
    ::alarm(0);
}
