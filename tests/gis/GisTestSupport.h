#pragma once

// Reading written map files back through GDAL, as the other tools do.

#include <cmath>
#include <gdal_priv.h>
#include <string>

namespace brenvik::testing {

inline GDALDatasetUniquePtr OpenGdal(const std::string& path, unsigned flags) {
    return GDALDatasetUniquePtr(GDALDataset::Open(path.c_str(), flags));
}

// The value of the first band's pixel (col, row), NaN when it cannot be read.
inline double PixelValue(GDALDataset& ds, int col, int row) {
    double v = NAN;
    return ds.GetRasterBand(1)->RasterIO(GF_Read, col, row, 1, 1, &v, 1, 1, GDT_Float64, 0, 0,
                                         nullptr) == CE_None
               ? v
               : NAN;
}

} // namespace brenvik::testing
