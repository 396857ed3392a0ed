// What the map writers leave beside their target while they write: the
// library's own side files (overviews and the like) must never appear there
// under a name another user could predict and plant a link at.

#include "GisTestSupport.h"
#include "gis/GisExport.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sys/stat.h>
#include <thread>

using namespace brenvik;
using namespace brenvik::gis;
using brenvik::testing::FillPlan;
using brenvik::testing::OpenGdal;
using brenvik::testing::TempDir;
namespace fs = std::filesystem;

TEST(SideFiles, AGeoTiffExportShowsOnlyItsPrivateFolderBesideTheTarget) {
    TempDir dir;
    Project p;
    // Large enough for the writer to build overviews in a side file.
    p.GridNX = p.GridNY = 1400;
    FillPlan(p, [](int i, int j) { return 1.0 + std::sin(i * 0.01) * std::cos(j * 0.013); });

    // Every name seen beside the target while it is written, with its kind
    // and mode, and every name seen inside the folders found there.
    std::map<std::string, mode_t> beside;
    std::map<std::string, int> inside;
    std::atomic<bool> done{false};
    std::thread watch([&] {
        while (!done.load()) {
            std::error_code ec;
            for (fs::directory_iterator it(dir.path(), ec), end; !ec && it != end;
                 it.increment(ec)) {
                struct stat st {};
                if (::lstat(it->path().c_str(), &st) != 0) continue;
                beside[it->path().filename().string()] = st.st_mode;
                if (!S_ISDIR(st.st_mode)) continue;
                std::error_code ec2;
                for (fs::recursive_directory_iterator in(it->path(), ec2), stop; !ec2 && in != stop;
                     in.increment(ec2))
                    ++inside[in->path().filename().string()];
            }
        }
    });
    const auto failed = WriteGisFile(p, GisFormat::GeoTiff, dir.file("r.tif"));
    done = true;
    watch.join();
    ASSERT_FALSE(failed) << *failed;

    const std::regex privateName(R"(\.r\.tif\.bvtmp\.[A-Za-z0-9]{6})");
    int folders = 0;
    for (const auto& [name, mode] : beside) {
        if (name == "r.tif") continue;
        EXPECT_TRUE(std::regex_match(name, privateName)) << "beside the target: " << name;
        EXPECT_TRUE(S_ISDIR(mode) && (mode & 07777) == 0700)
            << name << " mode " << std::oct << mode;
        ++folders;
    }
    ASSERT_GE(folders, 1) << "the watch never saw the export under way";
    // The library did write its overviews beside the temporary: inside the folder.
    const bool overviews = std::any_of(inside.begin(), inside.end(),
                                       [](const auto& e) { return e.first.ends_with(".ovr.tmp"); });
    EXPECT_TRUE(overviews) << "no side file was seen at all";
    EXPECT_EQ(dir.entries(), 1) << "the private folder is gone";
    auto ds = OpenGdal(dir.file("r.tif"), GDAL_OF_RASTER);
    ASSERT_TRUE(ds);
    EXPECT_GE(ds->GetRasterBand(1)->GetOverviewCount(), 1);
}
