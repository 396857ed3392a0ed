#pragma once

// The vector layers of the XY result: isolines, zones, antennas and the
// maximum, built once and written into any OGR dataset (not part of the
// public interface).

#include "gis/GdalProgress.h"
#include "gis/NodeRaster.h"

#include <functional>
#include <ogrsf_frmts.h>
#include <string>
#include <vector>

namespace brenvik::gis {

// One connected isoline.
struct IsolineFeature {
    double level = 0.0;
    Colour colour{};
    OGRGeometryUniquePtr line;
};

// The area at or above a threshold: an isoline level or a legal limit.
struct ZoneFeature {
    double min = 0.0, max = 0.0;
    std::string label;
    double areaM2 = 0.0; // m^2 of the nodes above min (compliance::AreaAbove)
    Colour colour{};
    OGRGeometryUniquePtr shape; // a valid MultiPolygon
};

// A number in its shortest exact form, whatever the process's locale.
std::string NumberText(double v);
// Text for XML: & < > " as entities.
std::string XmlEscaped(const std::string& text);

// The isoline levels of the project that the result can cross.
std::vector<double> IsolineLevels(const Project& p, double maximum);
// Every level the map draws: the isolines' and the legal limits' below the
// maximum. Each gets a colour of its own along the density ramp, by rank,
// the same in every file and style that draws it.
std::vector<double> MapLevels(const Project& p, double maximum);
std::function<Colour(double)> levelColours(const Project& p, double maximum);

// Both trace one level at a time and report their progress to the raster's
// feedback within `span` of the whole export.
std::vector<IsolineFeature> MakeIsolines(const Project& p, const NodeRaster& r, GDALDataset& grid,
                                         ProgressSpan span = {});
// Isoline levels first, then the legal limits of the plan's notes; a
// threshold the result never reaches has no zone.
std::vector<ZoneFeature> MakeZones(const Project& p, const NodeRaster& r, GDALDataset& grid,
                                   ProgressSpan span = {});

// The layers. `simpleStyle` adds the web viewers' stroke/fill properties.
// False when GDAL refused a layer or a feature.
bool AddIsolineLayer(GDALDataset& out, const std::vector<IsolineFeature>& lines, bool simpleStyle,
                     CSLConstList options);
bool AddZoneLayer(GDALDataset& out, const std::vector<ZoneFeature>& zones, bool simpleStyle,
                  CSLConstList options);
bool AddAntennaLayer(GDALDataset& out, const Project& p, CSLConstList options);
bool AddMaximumLayer(GDALDataset& out, const Project& p, CSLConstList options);

// An antenna's type as the dialogs name it ("BTS" panel, "DTS" stick).
const char* AntennaTypeName(const Antenna& a);
// An antenna's position: the drawing position the sources table reads.
geo::Geographic AntennaLonLat(const Project& p, const Antenna& a);
geo::Geographic MaximumLonLat(const Project& p);

} // namespace brenvik::gis
