// The real site in the window: the places table and the terrain import,
// each one undo step, a bad input changing nothing.

#include "MainWindowTestSupport.h"
#include "app/RealPlacesFlows.h"

#include <QFile>
#include <QLineEdit>
#include <QTableWidget>

namespace brenvik::app::testing {
namespace {

using RealPlacesAppTest = WindowTest;

TEST_F(RealPlacesAppTest, PlacesTableImportsEditsAndUndoes) {
    const std::string csv = write("p.csv", "name,lon,lat,x_m,y_m,height_m,kind\n"
                                           "School,,,40,30,1.5,school\nHome,,,90,50,4,home\n");
    QDialog* d = open(cmd::Places, "lugares");
    ASSERT_NE(d, nullptr);
    prompts.openPaths.push_back(csv);
    click(d, "importarlug");
    auto* table = d->findChild<QTableWidget*>("tabla");
    ASSERT_EQ(table->rowCount(), 2);
    table->item(1, 4)->setText("six"); // a bad height keeps the dialog open
    click(d, "Command1");
    EXPECT_TRUE(project.Places.empty());
    EXPECT_NE(prompts.lastMessage().find("row 2: the height"), std::string::npos);
    table->item(1, 4)->setText("6");
    click(d, "Command1");
    ASSERT_EQ(project.Places.size(), 2u);
    EXPECT_EQ(project.Places[1].HeightM, 6.0);
    trigger(cmd::Undo);
    EXPECT_TRUE(project.Places.empty());

    // A file that is no elevation model changes nothing.
    prompts.openPaths.push_back(csv);
    trigger(cmd::ImportTerrain);
    EXPECT_NE(prompts.lastMessage().find("Terrain not imported from"), std::string::npos);
    EXPECT_FALSE(project.TerrainDatumM);
}

TEST_F(RealPlacesAppTest, BuildingsWithoutHeightTakeTheHeightTheUserGives) {
    // Two footprints near the default origin (63 E, 64 N): one of 5 levels,
    // one with neither height nor levels.
    const std::string ring = R"("geometry":{"type":"Polygon","coordinates":[[[63.0015,64.0006],
        [63.0017,64.0006],[63.0017,64.00069],[63.0015,64.00069],[63.0015,64.0006]]]}})";
    const std::string path =
        write("b.geojson", R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"@id":"way/1","building:levels":"5"},)" +
                               ring + R"(,{"type":"Feature","properties":{"@id":"way/3"},)" + ring +
                               "]}");
    prompts.openPaths.push_back(path);
    QDialog* d = open(cmd::ImportBuildings, "alturaedificios");
    ASSERT_NE(d, nullptr);
    auto* box = d->findChild<QLineEdit*>("altura");
    ASSERT_NE(box, nullptr);
    box->setText("0.5"); // out of range: the dialog stays, nothing imported
    click(d, "Command1");
    EXPECT_TRUE(project.Buildings.empty());
    EXPECT_NE(prompts.lastMessage().find("from 1 to 500"), std::string::npos);
    box->setText("12");
    click(d, "Command1");
    ASSERT_EQ(project.Buildings.size(), 2u);
    EXPECT_EQ(project.Buildings[0].HeightM, 15.0);
    EXPECT_EQ(project.Buildings[1].HeightM, 12.0);
}

} // namespace
} // namespace brenvik::app::testing
