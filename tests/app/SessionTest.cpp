// A whole session as a user works through it, offscreen, by the widgets' names.

#include "MainWindowTestSupport.h"
#include "app/dialogs/DialogBase.h"
#include "model/ProjectFile.h"

#include <QFile>
#include <QScrollBar>

namespace brenvik::app::testing {
namespace {

using Session = WindowTest;

TEST_F(Session, FromTowerToSavedProjectAndBack) {
    // A tower of three antennas looking east (the default), south and west.
    defineTower({"", "S", "w"});
    EXPECT_TRUE(window->toolFlags().placing() && window->toolFlags().TowerDialogOpen);
    EXPECT_STREQ(window->activeToolName(), "placeTower");

    clickAt(cell(40, 30));
    ASSERT_EQ(project.AntennaCount, 3);
    EXPECT_EQ(project.TowerCount, 1);
    const double cs = project.CellSize;
    for (int k = 1; k <= 3; ++k) {
        const Antenna& a = project.Antennas[k];
        EXPECT_EQ(std::tie(a.AntX, a.AntY, a.AntNumber, a.AntTower, a.AntDirection),
                  std::make_tuple(40 * cs, 30 * cs, 3, 1, 90.0 * k))
            << k;
    }
    EXPECT_FALSE(pressed("tiempo") || window->toolFlags().placing());

    // A second, single-antenna tower, to be erased later.
    placeTower(70, 20, {"n"});
    ASSERT_EQ(project.AntennaCount, 4);
    EXPECT_EQ(project.Antennas[4].AntDirection, 0);

    // A ground rectangle of 20 m dragged from bottom-right to top-left.
    enter("relieve", "reliev", "Text1", "20");
    EXPECT_TRUE(window->toolFlags().Active == PointerToolKind::Topographic && pressed("relieve"));
    drag(cell(14, 12), cell(10, 10));
    for (int i = 9; i <= 15; ++i)
        for (int j = 9; j <= 13; ++j) {
            const bool inside = i >= 10 && i <= 14 && j >= 10 && j <= 12;
            EXPECT_EQ(project.GroundGrid(i, j), inside ? 20.0 : 0.0) << i << "," << j;
        }
    EXPECT_FALSE(window->canvasWidget()->lineVisible(Overlay::TopoBox1));

    // The XY calculation at surface height.
    trigger("calculo");
    EXPECT_TRUE(pressed("calculo"));
    EXPECT_NE(window->toolFlags().Active,
              PointerToolKind::Topographic); // the command ended the tool
    click(dialog("cal"), "Option1");
    click(dialog("cal"), "a");
    EXPECT_NE(dialog("cal2"), nullptr);
    runCalculation();
    EXPECT_EQ(dialog("cal2"), nullptr);
    ASSERT_EQ(project.XY.Calculated, 1);
    EXPECT_GT(project.XY.MaxDensity, 0.0);
    EXPECT_EQ(project.CalcOption, CalcLevel::AtSurface);
    EXPECT_FALSE(pressed("calculo"));

    // The four display styles; each draws a different picture.
    const std::pair<const char*, ResultStyle> styles[] = {{"colorear1", ResultStyle::Gradient},
                                                          {"mallanum", ResultStyle::NumericalGrid},
                                                          {"u8u", ResultStyle::Dots},
                                                          {"dibujal1", ResultStyle::Isolines}};
    QImage previous = window->areaImage();
    const QImage isolines = previous;
    for (auto [command, style] : styles) {
        trigger(command);
        EXPECT_EQ(project.DisplayMode, style) << command;
        EXPECT_NE(window->areaImage(), previous) << command;
        previous = window->areaImage();
    }
    EXPECT_EQ(previous, isolines);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.lastMessage();

    // The XZ calculation switches to the section.
    QDialog* calperfil = open("c1", "calperfil");
    // The middle of the map is proposed.
    EXPECT_EQ(control<QLineEdit>(calperfil, "Text2")->text(), dialognum::fixed(45.6298828125, 2));
    submit(calperfil, "Text2", "45.63", "a");
    runCalculation();
    ASSERT_EQ(std::tuple(project.XZ.Calculated, project.CurrentPlane), std::tuple(1, Plane::XZ));
    EXPECT_DOUBLE_EQ(project.XZDistance, 45.63);
    EXPECT_FALSE(window->hScroll()->isVisible());

    // Zoom to 300 % (the zoom command goes back to the plan first) and scroll.
    setZoom("Option300");
    EXPECT_EQ(prompts.lastMessage(), "Para realizar esta operación, pasamos primero al plano XY");
    EXPECT_EQ(project.CurrentPlane, Plane::XY);
    EXPECT_EQ(project.Zoom, 3.0);
    EXPECT_EQ(std::pair(window->hScroll()->maximum(), window->vScroll()->maximum()),
              std::pair(29, 29));
    window->hScroll()->setValue(29);
    EXPECT_DOUBLE_EQ(project.ScrollOffsetX, -2.0 * area::ScaleWidth);
    window->vScroll()->setValue(15);
    EXPECT_DOUBLE_EQ(project.ScrollOffsetY, -15.0 / 29 * 2.0 * area::ScaleHeight);

    // Cancel keeps the zoom; back to 100 % the bars cannot move and the
    // offsets return to 0.
    trigger("zoom");
    click(dialog("zoom1"), "Option100");
    click(dialog("zoom1"), "Command2");
    EXPECT_EQ(project.Zoom, 3.0);
    trigger("zoom");
    EXPECT_TRUE(control<QRadioButton>(dialog("zoom1"), "Option300")->isChecked());
    click(dialog("zoom1"), "Option100");
    click(dialog("zoom1"), "Command1");
    EXPECT_EQ(window->hScroll()->maximum(), 0);
    EXPECT_EQ(project.ScrollOffsetX, 0.0);
    window->vScroll()->setValue(5);
    EXPECT_EQ(project.ScrollOffsetY, 0.0);

    // Erase the single antenna; the tower of three stays and the XY result goes.
    trigger("borrar");
    EXPECT_TRUE(pressed("borrar"));
    clickAt(cell(70, 20));
    EXPECT_EQ(std::tuple(project.AntennaCount, project.XY.Calculated), std::tuple(3, 0));
    trigger("borrar"); // releases the eraser
    EXPECT_FALSE(pressed("borrar") || window->toolFlags().Active == PointerToolKind::Erase);

    // Save, New, Open again.
    const std::string path = dir.filePath("site.bvk").toStdString();
    prompts.savePaths.push_back(path);
    trigger("guardar");
    ASSERT_TRUE(QFile::exists(QString::fromStdString(path)));
    EXPECT_EQ(title(), "Brenvik 5.0 english [" + path + "]");
    const Project saved = project;

    prompts.saveChangesAnswers.push_back(Prompts::Answer::No);
    trigger("nuevo");
    EXPECT_EQ(project.AntennaCount, 0);
    EXPECT_EQ(title(), "Brenvik 5.0 english []");

    prompts.saveChangesAnswers.push_back(Prompts::Answer::No);
    prompts.openPaths.push_back(path);
    trigger("abrir");
    std::string reopened, before;
    ASSERT_TRUE(WriteProjectText(project, reopened) && WriteProjectText(saved, before));
    EXPECT_EQ(reopened, before);
    EXPECT_EQ(project.XY.Calculated, 0);
    EXPECT_EQ(title(), "Brenvik 5.0 english [" + path + "]");
}

TEST_F(Session, CancelledCalculationKeepsTheProjectAndReleasesTheButton) {
    placeTower(50, 30);
    project.GridNX = 400; // a fine grid takes long enough to be cancelled
    project.RecomputeDerived();
    project.GroundGrid.resize(project.GridNX, project.GridNY);
    project.XY.Density.resize(project.GridNX, project.GridNY);
    trigger("calculo");
    // Cancel at once: no event is handled between the start and the cancel.
    dialog("cal")->findChild<QAbstractButton*>("a")->click();
    dialog("cal2")->findChild<QAbstractButton*>("Command1")->click();
    runCalculation();
    EXPECT_EQ(project.XY.Calculated, 0);
    EXPECT_FALSE(pressed("calculo"));
}

TEST_F(Session, PrintingWritesAPdfAndImageSaveWritesABitmap) {
    placeTower(50, 30);
    calculate();
    ASSERT_EQ(project.XY.Calculated, 1);

    trigger("imprimir");
    EXPECT_EQ(printer.asked, 1);
    ASSERT_TRUE(QFile::exists(printer.path));
    QFile pdf(printer.path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
    QFile::remove(printer.path);

    trigger("ff456");
    EXPECT_TRUE(QFile::exists(printer.path));
    QFile::remove(printer.path);

    // Every display style prints, the dots included.
    trigger("u8u");
    ASSERT_EQ(project.DisplayMode, ResultStyle::Dots);
    trigger("imprimir");
    EXPECT_EQ(printer.asked, 3);
    EXPECT_TRUE(QFile::exists(printer.path));

    // A printer that cannot be written to reports the failure.
    printer.path = dir.filePath("no/such/folder/print.pdf");
    trigger("imprimir");
    EXPECT_EQ(prompts.lastMessage(), "Error al imprimir");

    // A cancelled print dialog prints nothing and says nothing.
    prompts.messages.clear();
    printer.cancel = true;
    trigger("imprimir");
    EXPECT_TRUE(prompts.messages.empty());

    const QString bmp = dir.filePath("plan.bmp");
    prompts.savePaths.push_back(bmp.toStdString());
    trigger("guardarim");
    QImage saved(bmp);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(1024, 704));
    EXPECT_EQ(prompts.filters.back(), "bmp Files (*.bmp)| *.bmp");
}

TEST_F(Session, BackgroundPictureIsShownAtItsNaturalSizeAndBlocksTheZoom) {
    QImage picture(100, 50, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 40));
    const QString path = dir.filePath("site.bmp");
    ASSERT_TRUE(picture.save(path, "BMP"));

    prompts.openPaths.push_back(path.toStdString());
    trigger("impim");
    EXPECT_EQ(std::tuple(project.BackgroundLoaded, project.Zoom), std::tuple(true, 1.0));
    // 100 × 50 pixels cover 1500 × 750 drawing units: at 15 units a pixel the
    // natural image shows the picture at its own size.
    const QImage area = window->areaImage();
    EXPECT_EQ(area.pixelColor(50, 40), QColor(200, 40, 40));
    EXPECT_NE(area.pixelColor(150, 40), QColor(200, 40, 40));

    trigger("zoom");
    EXPECT_EQ(prompts.lastMessage(), "It is needed not background image to activate the Zoom");
    EXPECT_EQ(dialog("zoom1"), nullptr);

    trigger("eliminafon");
    EXPECT_FALSE(project.BackgroundLoaded);
    EXPECT_NE(window->areaImage().pixelColor(50, 40), QColor(200, 40, 40));
    trigger("zoom");
    EXPECT_NE(dialog("zoom1"), nullptr);

    // An unreadable file changes nothing, without a message.
    prompts.messages.clear();
    const std::string fileName = project.FileName;
    prompts.openPaths.push_back(dir.filePath("missing.bmp").toStdString());
    trigger("impim");
    EXPECT_FALSE(project.BackgroundLoaded);
    EXPECT_EQ(project.FileName, fileName);
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
} // namespace brenvik::app::testing
