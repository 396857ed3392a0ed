// "GIS export...": the refusals, the file dialog's extension, and the file
// the dialog writes read back with GDAL.
#include "DialogTestSupport.h"
#include "MainWindowTestSupport.h"
#include "app/GisExportFlow.h"
#include "app/dialogs/GisExportDialog.h"
#include "export/CsvExport.h"
#include "model/Messages.h"
#include "render/DisplayForms.h"

#include <QDir>
#include <gdal_priv.h>

namespace brenvik {
namespace {

using namespace dialogtest;

Project Bump() {
    Project p;
    p.RecomputeDerived();
    p.XY.Density.resize(p.GridNX, p.GridNY);
    for (int i = 1; i <= p.GridNX; ++i)
        for (int j = 1; j <= p.GridNY; ++j)
            p.XY.Density(i, j) = 8.0 / (1.0 + 0.01 * ((i - 50) * (i - 50) + (j - 30) * (j - 30)));
    std::tie(p.XY.Calculated, p.XY.MaxDensity, p.IsolineCount) = std::tuple(1, 8.0, 2);
    p.XY.IsolineLevel = {0.0, 2.0, 4.0};
    return p;
}

TEST(DialogGisExport, RefusedLikeTheTablesThenWritesTheChosenFormat) {
    app::testing::ScriptedPrompts prompts;
    Project p = Bump();
    p.Zoom = 2.0;
    EXPECT_FALSE(app::startGisExport(p, prompts, nullptr));
    p.XY.Calculated = false;
    EXPECT_FALSE(app::startGisExport(p, prompts, nullptr));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{msg::ExportNeedsZoom, msg::NoResult}));

    p = Bump();
    QTemporaryDir dir;
    const std::string base = QDir(dir.path()).filePath("site").toStdString();
    GisExportDialog* d = app::startGisExport(p, prompts, nullptr);
    ASSERT_TRUE(d);
    auto* format = child<QComboBox>(d, "gisFormat");
    format->setCurrentIndex(format->findText(gis::gisFormatCaption(gis::GisFormat::GeoTiff)));
    prompts.savePaths.push_back(base);
    child<QPushButton>(d, "gisBrowse")->click();
    EXPECT_EQ(prompts.filters.back(), gis::gisFormatFilter(gis::GisFormat::GeoTiff));
    EXPECT_EQ(child<QLineEdit>(d, "gisPath")->text().toStdString(), base + ".tif");
    child<QPushButton>(d, "Command1")->click();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(prompts.messages.size(), 2u);

    GDALDatasetUniquePtr ds(GDALDataset::Open((base + ".tif").c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(ds);
    EXPECT_EQ(ds->GetRasterXSize(), p.GridNX);
    double v = 0;
    ASSERT_EQ(
        ds->GetRasterBand(1)->RasterIO(GF_Read, 49, 29, 1, 1, &v, 1, 1, GDT_Float64, 0, 0, nullptr),
        CE_None);
    EXPECT_EQ(v, 8.0); // node (50, 30)
}

} // namespace
} // namespace brenvik
