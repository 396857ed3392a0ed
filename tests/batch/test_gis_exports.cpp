// The map-layer exports of a run: staged like every output, refused without
// an XY result.

#include "BatchTestSupport.h"
#include "batch/BatchRun.h"

#include <gdal_priv.h>

using namespace brenvik;
using namespace brenvik::batch;
using namespace batchtest;

class GisExports : public ScratchTest {};

TEST_F(GisExports, EveryKindOpensInGdalAndNeedsAnXYResult) {
    writeSite(makeSite(50, 2), dir / "site.bvk");
    const struct {
        const char* kind;
        const char* file;
        unsigned open;
    } kinds[] = {{"geotiff", "r.tif", GDAL_OF_RASTER},
                 {"isolines-geojson", "i.geojson", GDAL_OF_VECTOR},
                 {"zones-geojson", "z.geojson", GDAL_OF_VECTOR},
                 {"gpkg", "r.gpkg", GDAL_OF_VECTOR},
                 {"kmz", "r.kmz", GDAL_OF_VECTOR}};
    std::vector<std::string> args{at("site.bvk")};
    for (const auto& k : kinds) {
        RunOutcome refused = runBatch(
            options({at("site.bvk"), "--export", std::string(k.kind) + "=" + at(k.file)}), {});
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.message, "There is not a calculated electromagnetic pollution");
        args.insert(args.end(), {"--export", std::string(k.kind) + "=" + at(k.file)});
    }
    EXPECT_EQ(files(), std::vector<std::string>{"site.bvk"});

    args.insert(args.end(), {"--xy", "surface"});
    RunOutcome r = runBatch(options(args), {});
    ASSERT_EQ(r.status, 0) << r.message;
    for (const auto& k : kinds) {
        GDALDatasetUniquePtr ds(GDALDataset::Open(at(k.file).c_str(), k.open));
        ASSERT_TRUE(ds) << k.kind;
        if (k.open == GDAL_OF_VECTOR) {
            EXPECT_GT(ds->GetLayerCount(), 0) << k.kind;
        }
    }
}
