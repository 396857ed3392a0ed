// The edits that make a result stale drop the same results wherever they are
// made (the window's dialog and eraser, the batch companion), and an undo in
// the window brings the dropped results back.

#include "model/Invalidation.h"

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/UndoHistory.h"
#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"

namespace brenvik::app::testing {
namespace {

using InvalidationTest = WindowTest;

TEST_F(InvalidationTest, DialogEraserAndBatchDropTheSameResultsAndUndoBringsThemBack) {
    struct Row {
        const char* caller;
        ModelChange change;
        ResultPlanes dropped; // what the edit discards, by hand
        bool undoable;
    };
    const Row rows[] = {
        {"exposure dialog", ModelChange::ExposureModel, {true, true}, true},
        {"batch", ModelChange::ExposureModel, {true, true}, false},
        {"eraser", ModelChange::AntennasErased, {true, false}, true},
    };
    placeTower(30, 30);
    calculate();
    ASSERT_TRUE(project.XY.Calculated);
    // A section as if calculated: the edits here only look at its flag.
    project.XZ.Calculated = true;
    const Project calculated = project;

    for (const Row& r : rows) {
        SCOPED_TRACE(r.caller);
        project = calculated;
        window->history().clear();
        window->redrawView();
        EXPECT_EQ(ResultsInvalidatedBy(r.change), r.dropped);
        const std::string caller = r.caller;
        if (caller == "exposure dialog") {
            QDialog* e = open(cmd::ExposureModel, "exposure");
            ASSERT_NE(e, nullptr);
            control<QComboBox>(e, "model")->setCurrentIndex(1);
            click(e, "Command1");
        } else if (caller == "batch") {
            batch::BatchOptions o;
            o.model = ExposureModel::FarField;
            batch::ApplySettings(project, o);
        } else {
            trigger(cmd::EraseButton);
            clickAt(cell(2, 2)); // a miss still discards the plan's result
            trigger(cmd::EraseButton);
            EXPECT_EQ(project.AntennaCount, calculated.AntennaCount);
        }
        EXPECT_EQ(project.XY.Calculated, !r.dropped.xy);
        EXPECT_EQ(project.XZ.Calculated, !r.dropped.xz);
        if (!r.undoable) continue;
        ASSERT_GT(window->history().steps(), 0);
        trigger(cmd::Undo);
        EXPECT_TRUE(project.XY.Calculated && project.XZ.Calculated);
        EXPECT_EQ(project.XY.MaxDensity, calculated.XY.MaxDensity);
        EXPECT_EQ(project.Exposure, calculated.Exposure);
    }
}

} // namespace
} // namespace brenvik::app::testing
