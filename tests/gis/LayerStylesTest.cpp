// The GeoPackage's stored styles, read back through OGR as a desktop GIS
// reads them: the table has the column such a tool sorts the styles by, each
// layer's symbols are of a kind its geometry can be drawn with, and the
// legend and labels read as a person would write them.
#include "GisTestSupport.h"
#include "calc/GridCalc.h"
#include "compliance/SiteInventory.h"
#include "gis/GisExport.h"
#include "model/TempDir.h"

#include <cpl_minixml.h>
#include <gtest/gtest.h>
#include <map>
#include <ogrsf_frmts.h>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace brenvik;

namespace {

// Every element of the tree named `name`, in document order.
void ElementsNamed(const CPLXMLNode* node, const std::string& name,
                   std::vector<const CPLXMLNode*>& out) {
    for (; node; node = node->psNext) {
        if (node->eType != CXT_Element) continue;
        if (name == node->pszValue) out.push_back(node);
        ElementsNamed(node->psChild, name, out);
    }
}

std::vector<const CPLXMLNode*> ElementsNamed(const CPLXMLNode* root, const std::string& name) {
    std::vector<const CPLXMLNode*> out;
    ElementsNamed(root, name, out);
    return out;
}

// How much of the coverage a point inside every zone loses: each zone holds
// the higher ones, so all the fills lie over it, and the layer's opacity
// scales what they leave.
double OpacityInsideEveryZone(const CPLXMLNode* qml) {
    double through = 1;
    for (const CPLXMLNode* prop : ElementsNamed(qml, "prop"))
        if (std::string(CPLGetXMLValue(prop, "k", "")) == "color") {
            const std::string rgba = CPLGetXMLValue(prop, "v", "");
            through *= 1 - std::stod(rgba.substr(rgba.rfind(',') + 1)) / 255;
        }
    const auto layer = ElementsNamed(qml, "layerOpacity");
    const double opacity =
        layer.empty() || !layer[0]->psChild ? 1.0 : std::stod(layer[0]->psChild->pszValue);
    return opacity * (1 - through);
}

// A far-field site with a tower, a building and a place, calculated, so that
// the file holds every kind of layer: lines, areas (zones, buildings, the
// boundaries) and points.
Project FarFieldSite() {
    Project p;
    std::tie(p.OriginLon, p.OriginLat, p.OriginX, p.OriginY) = std::tuple(10.0, 45.0, 5e5, 5e6);
    p.Exposure.Model = ExposureModel::FarField;
    const std::string rows = "Torre,10.0008,45.0004,,,12,panel,1500,30,4,900,sector A\n";
    EXPECT_EQ(compliance::ImportSites(p, std::string(compliance::SitesHeader) + "\n" + rows,
                                      compliance::ImportMode::Replace),
              std::nullopt);
    std::tie(p.CalcOption, p.CalcHeight) = std::tuple(CalcLevel::AtHeight, 2.0);
    EXPECT_TRUE(RunXYCalculation(p).ok());
    const double c = p.CellSize;
    Building b;
    std::tie(b.Id, b.Name, b.HeightM) = std::tuple("way/1", "Escuela", 9.0);
    b.Outline = {{40 * c, 28 * c}, {44 * c, 28 * c}, {44 * c, 32 * c}, {40 * c, 32 * c}};
    p.Buildings = {b};
    p.Places = {Place{"Parque", "park", 60 * c, 30 * c, 1.5}};
    return p;
}

} // namespace

TEST(LayerStyles, EveryLayerHasADrawableStyleTheDesktopToolCanFind) {
    TempDir dir;
    const std::string path = dir.file("site.gpkg");
    ASSERT_FALSE(gis::WriteGisFile(FarFieldSite(), gis::GisFormat::GeoPackage, path));
    auto gpkg = brenvik::testing::OpenGdal(path, GDAL_OF_VECTOR);
    ASSERT_TRUE(gpkg);
    OGRLayer* styles = gpkg->GetLayerByName("layer_styles");
    ASSERT_TRUE(styles);
    // Without this column the tool's query for the default style fails and
    // every layer opens in a random colour.
    const int updated = styles->GetLayerDefn()->GetFieldIndex("update_time");
    EXPECT_EQ(updated < 0 ? OFTMaxType : styles->GetLayerDefn()->GetFieldDefn(updated)->GetType(),
              OFTDateTime);

    // The symbol kind and the SLD symbolizer a geometry is drawn with.
    const std::map<OGRwkbGeometryType, std::pair<std::string, std::string>> drawnWith{
        {wkbPoint, {"marker", "se:PointSymbolizer"}},
        {wkbLineString, {"line", "se:LineSymbolizer"}},
        {wkbMultiLineString, {"line", "se:LineSymbolizer"}},
        {wkbPolygon, {"fill", "se:PolygonSymbolizer"}},
        {wkbMultiPolygon, {"fill", "se:PolygonSymbolizer"}}};
    std::set<std::string> seen;
    for (auto& row : *styles) {
        const std::string name = row->GetFieldAsString("f_table_name");
        EXPECT_TRUE(updated >= 0 && row->IsFieldSetAndNotNull(updated)) << name;
        OGRLayer* layer = gpkg->GetLayerByName(name.c_str());
        if (!layer) continue; // the coverage
        seen.insert(name);
        const auto kind = drawnWith.find(wkbFlatten(layer->GetGeomType()));
        ASSERT_NE(kind, drawnWith.end()) << name;
        CPLXMLTreeCloser qml(CPLParseXMLString(row->GetFieldAsString("styleQML")));
        CPLXMLTreeCloser sld(CPLParseXMLString(row->GetFieldAsString("styleSLD")));
        ASSERT_TRUE(qml && sld) << name;
        const auto symbols = ElementsNamed(qml.get(), "symbol");
        EXPECT_FALSE(symbols.empty()) << name;
        for (const CPLXMLNode* s : symbols)
            EXPECT_EQ(CPLGetXMLValue(s, "type", ""), kind->second.first) << name;
        for (const char* other :
             {"se:PointSymbolizer", "se:LineSymbolizer", "se:PolygonSymbolizer"})
            EXPECT_EQ(ElementsNamed(sld.get(), other).empty(), other != kind->second.second)
                << name << " " << other;
        // A legend entry names its unit once.
        for (const CPLXMLNode* r : ElementsNamed(qml.get(), "range"))
            EXPECT_EQ(std::string(CPLGetXMLValue(r, "label", "")).find("uW/cm^2 uW/cm^2"),
                      std::string::npos)
                << name;
        // A label written straight from a field is text, never a double's
        // full digits.
        for (const CPLXMLNode* t : ElementsNamed(qml.get(), "text-style")) {
            if (std::string(CPLGetXMLValue(t, "isExpression", "0")) == "1") continue;
            const int field =
                layer->GetLayerDefn()->GetFieldIndex(CPLGetXMLValue(t, "fieldName", ""));
            ASSERT_GE(field, 0) << name;
            EXPECT_NE(layer->GetLayerDefn()->GetFieldDefn(field)->GetType(), OFTReal) << name;
        }
        // The coverage shows through the zones, even where they all overlap.
        if (name == "zones") {
            EXPECT_GE(ElementsNamed(qml.get(), "range").size(), 3u);
            EXPECT_LE(OpacityInsideEveryZone(qml.get()), 0.5);
        }
    }
    EXPECT_EQ(seen, (std::set<std::string>{"isolines", "zones", "antennas", "maximum", "buildings",
                                           "places", "boundaries"}));
}
