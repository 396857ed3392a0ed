#pragma once

#include "app/Commands.h"
#include "app/ComplianceFlows.h"
#include "app/RealPlacesFlows.h"
#include "app/StatusReadouts.h"
#include "app/ToolFlags.h"
#include "calc/AntennaEdits.h"
#include "model/Edits.h"
#include "model/Project.h"
#include "pipeline/Outputs.h"

#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <memory>

class QAction;
class QScrollBar;
class QTableView;

namespace brenvik {
class Prompts;
} // namespace brenvik

namespace brenvik::app {

class CalcRunner;
class ComplianceFlows;
class PlanCanvas;
class PrintService;
class UndoHistory;

// The main window `Form2`: the menu bar, the toolbar of picture buttons, the
// drawing area with its two scroll bars, and the read-out labels. It builds
// the services that do the work (the view, the tools, the document, the
// desktop, the dialog flows, the compliance and real-places flows), wires
// them together, and runs the command table's rows on them (WindowParts).
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(Project& project, Prompts& prompts, PrintService& printer,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Ends every tool, closes the tool dialogs, hides the rubber bands and
    // releases every pressed toolbar picture.
    void resetTools();
    // Clear, then the current plane's scene and result.
    void redrawView();

    // ---- Access for the tests and the application ------------------------------
    Project& doc() { return project_; }
    PlanCanvas* canvasWidget() const;
    CalcRunner* calcRunner() const;
    ComplianceFlows& compliance();                  // limits, % display, report
    QAction* item(const QString& objectName) const; // menu item or toolbar button
    QScrollBar* hScroll() const;
    QScrollBar* vScroll() const;
    QString labelText(const QString& objectName) const;
    const char* activeToolName();
    ToolFlags& toolFlags();
    // The picture drawn on the area at its natural size (15 units a pixel).
    QImage areaImage() const;
    QTableView* antennaTable() const;

    // ---- Unsaved work ---------------------------------------------------------------------
    UndoHistory& history();
    // Edits not undone since the last save, or a calculation since then.
    bool hasUnsavedWork() const;
    // Opens the project at `path` (named on the command line or dropped on the
    // window); with `ask`, the save-changes question comes first when there is
    // unsaved work. True when read.
    bool openFile(const QString& path, bool ask);
    QStringList recentFiles() const;

    // The selected tower, as the slot of one of its antennas (0: none).
    int selection() const;
    void setSelection(int slot);

  protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    struct Services;
    // What the services built first ask of the ones built after them.
    void wireHooks();
    void connectCanvas();

    Project& project_;
    std::unique_ptr<Services> s_;
};

} // namespace brenvik::app
