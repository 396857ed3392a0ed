#include "gis/BuildingImport.h"

#include "model/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>

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
