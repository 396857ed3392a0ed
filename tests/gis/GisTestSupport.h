#pragma once

// Reading written map files back through GDAL, as the other tools do.

#include <array>
#include <cmath>
#include <cpl_minixml.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

namespace brenvik::testing {

inline GDALDatasetUniquePtr OpenGdal(const std::string& path, unsigned flags) {
    return GDALDatasetUniquePtr(GDALDataset::Open(path.c_str(), flags));
}

// A one-band GeoTIFF of `v`, row after row from the north, in EPSG `epsg`
// (none when 0), with `nodata` when that is a number: its path, or "" when
// GDAL could not write it.
template <class T>
std::string WriteGeoTiff(const std::string& path, int cols, int rows, std::array<double, 6> gt,
                         int epsg, std::vector<T> v, double nodata = NAN) {
    GDALAllRegister();
    const GDALDataType type = std::is_same_v<T, float> ? GDT_Float32 : GDT_Float64;
    GDALDatasetUniquePtr ds(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        path.c_str(), cols, rows, 1, type, nullptr));
    ds->SetGeoTransform(gt.data());
    OGRSpatialReference crs;
    if (epsg && crs.importFromEPSG(epsg) == OGRERR_NONE) ds->SetSpatialRef(&crs);
    GDALRasterBand* band = ds->GetRasterBand(1);
    if (!std::isnan(nodata)) band->SetNoDataValue(nodata);
    const bool ok = band->RasterIO(GF_Write, 0, 0, cols, rows, v.data(), cols, rows, type, 0, 0,
                                   nullptr) == CE_None;
    EXPECT_TRUE(ok) << path;
    return ok ? path : "";
}

// The value of the first band's pixel (col, row), NaN when it cannot be read.
inline double PixelValue(GDALDataset& ds, int col, int row, int band = 1) {
    double v = NAN;
    return ds.GetRasterBand(band)->RasterIO(GF_Read, col, row, 1, 1, &v, 1, 1, GDT_Float64, 0, 0,
                                            nullptr) == CE_None
               ? v
               : NAN;
}

// The text of a KMZ's document, read through GDAL's zip reader.
inline std::string KmlText(const std::string& kmz) {
    VSILFILE* f = VSIFOpenL(("/vsizip/" + kmz + "/doc.kml").c_str(), "rb");
    EXPECT_TRUE(f) << kmz;
    if (!f) return "";
    std::string doc(1 << 20, '\0');
    doc.resize(VSIFReadL(doc.data(), 1, doc.size(), f));
    VSIFCloseL(f);
    return doc;
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
