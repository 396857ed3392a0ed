// The one table of outputs: each is offered by the batch's help and by a
// window command, and its operation writes a file.
#include "../batch/tools/Sites.h"
#include "MainWindowTestSupport.h"
#include "app/GisExportFlow.h"
#include "app/dialogs/GisExportDialog.h"
#include "batch/BatchOptions.h"
#include "calc/CalcForms.h"
#include "compliance/Limits.h"
#include "pipeline/Calculations.h"
#include "pipeline/Outputs.h"
#include "qtsurface/PictureExport.h"

#include <QDir>
#include <QFileInfo>

namespace brenvik::app::testing {
namespace {

// A site with every kind of result: XY and XZ with their ratio, a place, a
// building and a measurement beside the towers.
Project FullSite() {
    Project p = batchsites::SpreadSite(120, 2, 300.0);
    const auto inv = compliance::InverseLimits(p, compliance::LoadLibrary().library,
                                               p.Compliance.Standard, p.Compliance.Group);
    EXPECT_FALSE(inv.refusal);
    Feedback none;
    EXPECT_TRUE(pipeline::RunCalculation(p, Plane::XY, none, inv.inverse).ok());
    XZDialogDistance(p);
    EXPECT_FALSE(XZDialogAccept(p, "40"));
    EXPECT_TRUE(pipeline::RunCalculation(p, Plane::XZ, none, inv.inverse).ok());
    p.CurrentPlane = Plane::XY;
    p.Places.push_back({"Yard", "school", 3000.0, 2000.0, 1.5});
    p.Measurements.push_back({"Gate", 3000.0, 2100.0, 1.5, 0.2, 1.0, 1.0, "LTE", "", ""});
    p.Buildings.push_back(
        {"way/1", "School", 9.0, 0.0, {{4000, 4000}, {4600, 4000}, {4600, 4600}}, {}});
    return p;
}

class OutputTable : public WindowTest {};

TEST_F(OutputTable, EveryOutputIsOfferedByTheBatchAndTheWindowAndWritesAFile) {
    const std::string help = batch::UsageText();
    const Project site = FullSite();
    Project layered = site;
    GisExportDialog* gis = StartGisExport(layered, prompts, window.get());
    ASSERT_TRUE(gis);
    auto* layers = gis->findChild<QComboBox*>("gisFormat");
    // The window's painters; the picture with the overlay the core gives it.
    pipeline::OutputContext ctx = window->compliance().outputContext();
    bool overlaid = false;
    ctx.drawPicture = [&overlaid](const Project& p, const std::string& to, const auto& overlay,
                                  Feedback&) {
        overlaid = bool(overlay);
        return qtsurface::writePicture(p, to, qtsurface::PictureFormat::Png, {});
    };
    for (const pipeline::OutputFormat& f : pipeline::OutputFormats()) {
        SCOPED_TRACE(f.keyword);
        EXPECT_NE(help.find(f.keyword), std::string::npos) << "the batch's help";
        QAction* item = window->item(f.command);
        ASSERT_TRUE(item) << "the window's command " << f.command;
        // The menus add their own keyboard accelerators.
        EXPECT_EQ(item->text().remove('&'), QString(f.caption).remove('&'));
        if (std::string(f.command) == "gisexport") {
            EXPECT_GE(layers->findText(QString::fromStdString(f.description)), 0);
        }
        EXPECT_NE(f.filter.find(f.extension), std::string::npos) << f.filter;
        const std::string path = QDir(dir.path()).filePath(f.keyword).toStdString() + f.extension;
        Feedback none;
        const auto failed = pipeline::WriteOutput(site, f.kind, path, none, ctx);
        EXPECT_FALSE(failed) << *failed;
        EXPECT_GT(QFileInfo(QString::fromStdString(path)).size(), 0);
    }
    gis->close();
    EXPECT_TRUE(overlaid) << "the places and the building over the picture";

    // The window's own command asks with the format's filter and writes.
    project = site;
    const std::string path = QDir(dir.path()).filePath("grid.csv").toStdString();
    prompts.savePaths.push_back(path);
    trigger("gridxy");
    EXPECT_EQ(prompts.filters.back(), pipeline::outputFormat(pipeline::OutputKind::GridXY).filter);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_GT(QFileInfo(QString::fromStdString(path)).size(), 0);
}

} // namespace
} // namespace brenvik::app::testing
