// The field measurements in the window: imported into the table, a row
// deleted, Accept one undo step.

#include "MainWindowTestSupport.h"

#include <QLineEdit>
#include <QTableWidget>

namespace brenvik::app::testing {
namespace {

using MeasurementsAppTest = WindowTest;

TEST_F(MeasurementsAppTest, ImportDeleteAcceptAndUndo) {
    const std::string csv = write("m.csv", "name,x_m,y_m,value\nA,40,30,1.5\nB,90,50,0.5\n");
    const std::string bad = write("bad.csv", "name,x_m,y_m,value\nA,40,x,1.5\n");
    // (Cancel after the same import and delete: the table of Cancel.)
    QDialog* d = open(cmd::Measurements, "mediciones");
    ASSERT_NE(d, nullptr);
    auto* table = d->findChild<QTableWidget*>("tabla");
    prompts.openPaths.push_back(csv);
    click(d, "importarmed"); // V/m, the unit box's first, for rows without one
    ASSERT_EQ(table->rowCount(), 2);
    // A bad file is refused with its line and leaves the rows.
    prompts.openPaths.push_back(bad);
    click(d, "importarmed");
    EXPECT_NE(prompts.lastMessage().find("line 2: y_m 'x' is not a number"), std::string::npos);
    ASSERT_EQ(table->rowCount(), 2);
    table->selectRow(0);
    click(d, "borrarmed");
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_TRUE(project.Measurements.empty());
    click(d, "Command1");
    ASSERT_EQ(project.Measurements.size(), 1u);
    EXPECT_EQ(project.Measurements[0].Name, "B");
    EXPECT_DOUBLE_EQ(project.Measurements[0].MeasuredUw, 0.25 / 376.73 * 100);
    trigger(cmd::Undo);
    EXPECT_TRUE(project.Measurements.empty());
}

// A logger's own column names and a band's full-load factor, as typed in
// the dialog; a factor that is not a positive number is refused before any
// file is asked for.
TEST_F(MeasurementsAppTest, ColumnsAndBandFactorsAsTyped) {
    const std::string csv = write("logger.csv", "id,x_m,y_m,E,band\nP,40,30,2,LTE800\n");
    QDialog* d = open(cmd::Measurements, "mediciones");
    ASSERT_NE(d, nullptr);
    auto* columns = d->findChild<QLineEdit*>("columns");
    auto* factors = d->findChild<QLineEdit*>("bandFactors");
    ASSERT_TRUE(columns && factors);
    columns->setText("name=id,value=E");
    factors->setText("LTE800=-1");
    click(d, "importarmed");
    EXPECT_NE(prompts.lastMessage().find("the factor of band LTE800 is not a positive number"),
              std::string::npos)
        << prompts.lastMessage();
    EXPECT_EQ(d->findChild<QTableWidget*>("tabla")->rowCount(), 0);
    factors->setText("LTE800=2.5");
    prompts.openPaths.push_back(csv);
    click(d, "importarmed");
    ASSERT_EQ(d->findChild<QTableWidget*>("tabla")->rowCount(), 1);
    click(d, "Command1");
    ASSERT_EQ(project.Measurements.size(), 1u);
    EXPECT_EQ(project.Measurements[0].Name, "P");
    EXPECT_DOUBLE_EQ(project.Measurements[0].MeasuredUw, 4.0 / 376.73 * 100);
    EXPECT_DOUBLE_EQ(project.Measurements[0].Factor, 2.5);
}

} // namespace
} // namespace brenvik::app::testing
