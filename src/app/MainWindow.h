#pragma once

#include "app/Commands.h"
#include "app/ComplianceFlows.h"
#include "app/PointerTools.h"
#include "app/RealPlacesFlows.h"
#include "calc/AntennaEdits.h"
#include "pipeline/Outputs.h"
#include "model/Edits.h"
#include "model/Project.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDockWidget;
class QLabel;
class QSortFilterProxyModel;
class QTableView;
class QMenu;
class QPrinter;
class QScrollBar;
class QToolBar;

namespace brenvik {
class Prompts;
class BrenvikDialog;
} // namespace brenvik

namespace brenvik::app {

class AntennaTableModel;
class CalcRunner;
class DialogFlows;
class PropertiesPanel;
class PlanCanvas;
class PrintService;
class ResultState;
class UndoHistory;

// The objectNames of the read-out labels of the status bar.
namespace label {
inline constexpr char X[] = "Labelx";
inline constexpr char Y[] = "Labely";
inline constexpr char Lon[] = "geox";
inline constexpr char Lat[] = "geoy";
inline constexpr char Z[] = "labelz";
inline constexpr char Density[] = "h";
inline constexpr char Height[] = "h1";
inline constexpr char Source[] = "LETRERO";
// What the armed pointer tool waits for, or what a pressed button does.
inline constexpr char Hint[] = "toolHint";
} // namespace label

// The main window `Form2`: the menu bar, the toolbar of picture buttons, the
// drawing area with its two scroll bars, and the read-out labels. It routes
// every command to the module that does the work and keeps the toolbar's
// pressed/released state and the tool mode. The commands are the rows of
// commandTable(); the dialogs they open are the flows of DialogFlows.
class MainWindow : public QMainWindow, private ToolHost {
    Q_OBJECT
  public:
    MainWindow(Project& project, Prompts& prompts, PrintService& printer,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- Window operations used by every command ------------------------------
    // Ends every tool, closes the tool dialogs, hides the rubber bands and
    // releases every pressed toolbar picture.
    void resetTools();
    // Leaves the section for the plan, with its message, when needed.
    void ensurePlanView();
    // Clear, then the current plane's scene and result.
    void redrawView();

    // ---- Access for the tests and the application ------------------------------
    Project& doc() { return project_; }
    PlanCanvas* canvasWidget() const { return canvas_; }
    CalcRunner* calcRunner() const { return runner_; }
    ComplianceFlows& compliance() { return *compliance_; } // limits, % display, report
    ResultState& results() { return *results_; } // out-of-date results and their gate
    RealPlacesFlows& realPlaces() { return *realPlaces_; } // terrain, buildings, places
    QAction* item(const QString& objectName) const; // menu item or toolbar button
    QScrollBar* hScroll() const { return hscroll_; }
    QScrollBar* vScroll() const { return vscroll_; }
    QString labelText(const QString& objectName) const;
    // Feeds pointer events in drawing units, as the canvas does.
    void pointerPress(QPointF units);
    void pointerMove(QPointF units);
    void pointerRelease(QPointF units);
    const char* activeToolName();
    ToolFlags& toolFlags() { return toolFlags_; }
    // The picture drawn on the area at its natural size (15 units a pixel).
    QImage areaImage() const;

    // ---- Unsaved work ---------------------------------------------------------------------
    UndoHistory& history() { return *history_; }
    // Edits not undone since the last save, or a calculation since then.
    bool hasUnsavedWork() const;
    // Opens the project at `path` (named on the command line or dropped on the
    // window); with `ask`, the save-changes question comes first when there is
    // unsaved work. True when read.
    bool openFile(const QString& path, bool ask);
    QStringList recentFiles() const { return recent_; }

    // ---- Selection, navigation and the docks -------------------------------------------------
    // The selected tower, as the slot of one of its antennas (0: none).
    int selection() const { return selected_; }
    void setSelection(int slot) override;
    // Zooms by `factor` keeping the plan point under `units` where it is.
    void zoomAt(QPointF units, double factor);
    // Moves the view by `delta` drawing units.
    void panBy(QPointF delta);
    void zoomToPlan();
    void zoomToSelection();
    void deleteSelection();
    // File › Export picture: the whole plan as PNG, SVG or PDF for a report.
    void cmdExportPicture();
    QTableView* antennaTable() const { return table_; }

  protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    // The command table and the dialog flows drive the window through its
    // operations below.
    friend std::vector<Command> commandTable();
    friend void addOutputCommands(std::vector<Command>& t);
    friend class DialogFlows;

    // ToolHost
    Project& project() override { return project_; }
    ToolFlags& tools() override { return toolFlags_; }
    PlanCanvas& canvas() override { return *canvas_; }
    Prompts& prompts() override { return prompts_; }
    void redrawPlan() override { redrawView(); }
    void recordEdit(const char* text, Edit edit, bool applied) override;
    void redrawPlanScene() override;
    void releaseTowerTool() override;
    void releaseAntennaTool() override;
    void editAntenna(int index) override;
    void editTowerAntenna(int index) override;
    void scaleMeasured() override;
    void showReadout(const Readout& r) override;
    int selectedSlot() override { return selected_; }
    void openEditor(int slot) override;

    // The view at a zoom and offsets (clamped to the plan), scroll bars
    // following.
    void setView(double zoom, double offsetX, double offsetY);
    void buildDocks();
    // The table, the properties and the selection box after any change.
    void refreshDesktop();
    void placeSelectionBox();
    // One field edit from the table or the properties: one undo step.
    std::optional<std::string> editField(int slot, AntennaField f, double value);

    void buildCommands();
    QAction* addToolButton(Command& c);
    // Runs a command inside the window's error trap.
    void guarded(const Handler& command);
    void buildStatusArea();
    void setPressed(const char* name, bool pressed);
    void setLabel(const char* name, const QString& text);
    void updateTitle();
    void warn(const std::string& text);

    // Drawing: `paint` draws one step of the picture from a project. The step
    // is drawn on the canvas and kept, with a snapshot of the project, so that
    // resizing, saving and printing show exactly what was drawn. Steps that
    // leave the window's line objects as they are return nothing.
    using Painter = std::function<std::optional<render::SceneControls>(
        const Project&, render::Surface&, render::DotRandom&)>;
    void paintSteps(const Painter& paint, bool clearFirst);
    void applySceneControls(const render::SceneControls& c);
    void placeOriginMarker();
    void applyBackground();

    // Commands without a dialog of their own.
    void showResults(ResultStyle style, bool resetFirst, const char* toolbarName);
    void dotsOfColours();
    void cmdNew();
    void cmdOpen();
    void cmdSave();
    void saveProject();
    void cmdSaveAs();
    // Open without leaving the section first, as the toolbar's picture does.
    void openAsked();
    void cmdImportImage();
    void cmdSaveImage();
    void cmdPrint();
    void cmdPrintImage();
    void setWhiteBackground(bool white);
    void setGridLines(bool on);
    void applyZoom(double zoom);
    void scrolled();
    void cmdXYPlane();
    void cmdXZPlane();
    void cmdErase();
    void cmdScale();
    void cmdAverage();
    void cmdExport(pipeline::OutputKind kind);
    void askSaveChanges(PendingCommand action);
    // The save-changes question before unsaved work is dropped: true to go on
    // (saved, or "No"), false to stay.
    bool confirmDiscard();
    bool saveAs();
    // Writes onto `path`; on failure the project keeps its file name.
    bool saveTo(const std::string& path);
    void documentReplaced();
    void calculated();
    void updateModified();
    void afterHistoryStep();
    void clearReadouts();
    bool hasResult() const; // of the plane on view
    void updateHint();
    void addRecent(const QString& path);
    void rebuildRecentMenu();
    void printWith(const std::function<bool(QPrinter&)>& print);

    // Opens a dialog made for this window, modal (window-modal, never
    // blocking) or modeless; it is deleted when it closes.
    void showDialog(QDialog* d, bool modal);
    QDialog* openDialogNamed(const QString& name) const;

    Project& project_;
    // The pointer tools' state: the window's, not the document's.
    ToolFlags toolFlags_;
    Prompts& prompts_;
    PrintService& printer_;
    PlanCanvas* canvas_ = nullptr;
    QScrollBar* hscroll_ = nullptr;
    QScrollBar* vscroll_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QMap<QString, QAction*> items_;
    QMap<QString, QLabel*> labels_;
    CalcRunner* runner_ = nullptr;
    std::unique_ptr<PointerTools> tools_;
    std::unique_ptr<DialogFlows> flows_;
    std::unique_ptr<ComplianceFlows> compliance_;
    std::unique_ptr<ResultState> results_;
    std::unique_ptr<RealPlacesFlows> realPlaces_;
    render::DotRandom dots_;
    bool resetting_ = false;
    UndoHistory* history_ = nullptr;
    bool calculatedSinceSave_ = false;
    QMenu* recentMenu_ = nullptr;
    QStringList recent_;
    int selected_ = 0;
    bool syncingSelection_ = false;
    AntennaTableModel* tableModel_ = nullptr;
    QSortFilterProxyModel* tableProxy_ = nullptr;
    QTableView* table_ = nullptr;
    PropertiesPanel* properties_ = nullptr;
    QDockWidget* tableDock_ = nullptr;
    QDockWidget* propertiesDock_ = nullptr;
    QDockWidget* historyDock_ = nullptr;
    int editAntenna_ = 0;      // EditAntenna
    int editTowerAntenna_ = 0; // EditTowerAntenna
};

} // namespace brenvik::app
