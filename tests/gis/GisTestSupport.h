#pragma once

// Reading written map files back through GDAL, as the other tools do.

#include <cmath>
#include <cpl_minixml.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <set>
#include <string>

namespace brenvik::testing {

inline GDALDatasetUniquePtr OpenGdal(const std::string& path, unsigned flags) {
    return GDALDatasetUniquePtr(GDALDataset::Open(path.c_str(), flags));
}

// The value of the first band's pixel (col, row), NaN when it cannot be read.
inline double PixelValue(GDALDataset& ds, int col, int row, int band = 1) {
    double v = NAN;
    return ds.GetRasterBand(band)->RasterIO(GF_Read, col, row, 1, 1, &v, 1, 1, GDT_Float64, 0, 0,
                                            nullptr) == CE_None
               ? v
               : NAN;
}

// A GeoPackage opens styled: its `layer_styles` table holds, for each of
// its layers and for its coverage, a default style whose QML and SLD are
// well-formed XML of their kinds.
inline void ExpectAStyleForEachLayer(GDALDataset& gpkg) {
    OGRLayer* styles = gpkg.GetLayerByName("layer_styles");
    ASSERT_TRUE(styles);
    std::set<std::string> layers{"density"}, styled;
    for (int k = 0; k < gpkg.GetLayerCount(); ++k)
        if (std::string name = gpkg.GetLayer(k)->GetName(); name != "layer_styles")
            layers.insert(name);
    for (auto& f : *styles) {
        const std::string name = f->GetFieldAsString("f_table_name");
        styled.insert(name);
        EXPECT_EQ(f->GetFieldAsInteger("useAsDefault"), 1) << name;
        for (auto [field, root] :
             {std::pair{"styleQML", "qgis"}, {"styleSLD", "StyledLayerDescriptor"}}) {
            CPLXMLNode* xml = CPLParseXMLString(f->GetFieldAsString(field));
            ASSERT_TRUE(xml) << name << " " << field;
            EXPECT_TRUE(CPLSearchXMLNode(xml, ("=" + std::string(root)).c_str()))
                << name << " " << field;
            CPLDestroyXMLNode(xml);
        }
    }
    EXPECT_EQ(styled, layers);
}

} // namespace brenvik::testing
