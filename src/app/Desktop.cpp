// The window's desktop: the selection of a tower, the attribute table and the
// properties panel that edit it in place, the undo history view, and the
// navigation of the plan with the wheel and by dragging.

#include "app/AntennaTable.h"
#include "app/MainWindow.h"
#include "app/PlanCanvas.h"
#include "app/ScrollView.h"
#include "app/UndoHistory.h"
#include "app/dialogs/PictureDialog.h"
#include "model/Document.h"
#include "model/DrawingArea.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "pipeline/Outputs.h"
#include "qtsurface/PictureExport.h"
#include "render/Surface.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QUndoView>
#include <algorithm>
#include <cmath>

namespace brenvik::app {

void MainWindow::buildDocks() {
    const FieldEditor editor = [this](int slot, AntennaField f, double v) {
        return editField(slot, f, v);
    };
    tableModel_ = new AntennaTableModel(project_, editor, this);
    tableProxy_ = new QSortFilterProxyModel(this);
    tableProxy_->setSourceModel(tableModel_);
    tableProxy_->setSortRole(AntennaTableModel::SortRole);
    table_ = new QTableView(this);
    table_->setObjectName("antennaTable");
    table_->setModel(tableProxy_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(AntennaTableModel::Slot, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (syncingSelection_ || !current.isValid()) return;
                setSelection(current.data(AntennaTableModel::SlotRole).toInt());
            });
    tableDock_ = new QDockWidget("Attribute table", this);
    tableDock_->setObjectName("attributeTable");
    tableDock_->setWidget(table_);
    addDockWidget(Qt::BottomDockWidgetArea, tableDock_);

    properties_ = new PropertiesPanel(project_, editor, this);
    propertiesDock_ = new QDockWidget("Properties", this);
    propertiesDock_->setObjectName("propertiesDock");
    propertiesDock_->setWidget(properties_);
    addDockWidget(Qt::RightDockWidgetArea, propertiesDock_);

    auto* view = new QUndoView(history_->stack(), this);
    view->setObjectName("historyView");
    view->setEmptyLabel("<opened project>");
    historyDock_ = new QDockWidget("History", this);
    historyDock_->setObjectName("historyDock");
    historyDock_->setWidget(view);
    addDockWidget(Qt::RightDockWidgetArea, historyDock_);
    // The plan keeps the room until a dock is asked for.
    for (QDockWidget* d : {tableDock_, propertiesDock_, historyDock_})
        d->hide();
}

std::optional<std::string> MainWindow::editField(int slot, AntennaField f, double value) {
    std::optional<std::string> refused;
    guarded([&](MainWindow& w) {
        Edit e = Edit::antennas(w.project_);
        refused = SetAntennaField(w.project_, slot, f, value);
        static const char* const names[] = {"Edit X",    "Edit Y",        "Edit height",
                                            "Edit type", "Edit power",    "Edit direction",
                                            "Edit tilt", "Edit frequency"};
        w.recordEdit(names[int(f)], std::move(e), !refused);
        if (refused) {
            w.warn(*refused);
            w.refreshDesktop(); // the boxes show the stored values again
            return;
        }
        w.redrawView();
    });
    return refused;
}

void MainWindow::setSelection(int slot) {
    if (slot < 0 || slot > project_.AntennaCount) slot = 0;
    selected_ = slot;
    placeSelectionBox();
    if (properties_) properties_->showTower(slot);
    if (!table_) return;
    // The table shows the same tower, every antenna of it selected.
    syncingSelection_ = true;
    QItemSelection rows;
    for (int k : TowerSlots(project_, slot)) {
        const QModelIndex i = tableProxy_->mapFromSource(tableModel_->index(k - 1, 0));
        rows.select(i, i.siblingAtColumn(AntennaTableModel::ColumnCount - 1));
    }
    table_->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty()) table_->scrollTo(rows.indexes().first());
    syncingSelection_ = false;
}

void MainWindow::placeSelectionBox() {
    const bool shown = selected_ > 0 && project_.CurrentPlane == Plane::XY;
    QRectF r;
    if (shown) {
        const Antenna& a = project_.Antennas[std::size_t(selected_)];
        const double z = project_.Zoom;
        const double side = project_.CellSize * z / (a.AntFactor > 0 ? a.AntFactor : 1.0);
        r = QRectF(a.AntX * z + project_.ScrollOffsetX, a.AntY * z + project_.ScrollOffsetY, side,
                   side)
                .adjusted(-side / 4, -side / 4, side / 4, side / 4);
    }
    const QLineF sides[] = {{r.topLeft(), r.topRight()},
                            {r.topRight(), r.bottomRight()},
                            {r.bottomRight(), r.bottomLeft()},
                            {r.bottomLeft(), r.topLeft()}};
    for (int k = 0; k < 4; ++k) {
        canvas_->setLine(boxSide(Overlay::Selection1, k), sides[k]);
        canvas_->setLineVisible(boxSide(Overlay::Selection1, k), shown);
    }
}

void MainWindow::refreshDesktop() {
    if (selected_ > project_.AntennaCount) selected_ = 0;
    if (tableModel_) tableModel_->refresh();
    setSelection(selected_);
    if (properties_) properties_->refresh();
}

void MainWindow::openEditor(int slot) {
    if (slot <= 0 || slot > project_.AntennaCount) return;
    if (project_.Antennas[std::size_t(slot)].AntNumber == 0)
        editAntenna(slot);
    else
        editTowerAntenna(slot);
}

void MainWindow::deleteSelection() {
    if (selected_ <= 0) return;
    ensurePlanView();
    Edit e = Edit::antennas(project_);
    const int removed = EraseTower(project_, selected_);
    recordEdit("Delete tower", std::move(e), removed > 0);
    selected_ = 0;
    canvas_->clear();
    redrawView();
}

// ---- Navigation ---------------------------------------------------------------------------

void MainWindow::setView(double zoom, double offsetX, double offsetY) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    // The section is shown at 100 % without scrolling.
    if (project_.CurrentPlane != Plane::XY) return;
    project_.Zoom = zoom;
    project_.ScrollOffsetX = clampOffset(offsetX, zoom, area::ScaleWidth);
    project_.ScrollOffsetY = clampOffset(offsetY, zoom, area::ScaleHeight);
    const ScrollRange range = scrollRange(zoom);
    const std::pair<QScrollBar*, std::pair<double, double>> bars[] = {
        {hscroll_, {project_.ScrollOffsetX, area::ScaleWidth}},
        {vscroll_, {project_.ScrollOffsetY, area::ScaleHeight}}};
    for (auto& [bar, off] : bars) {
        const QSignalBlocker block(bar);
        bar->setRange(0, range.maximum);
        bar->setPageStep(range.pageStep);
        bar->setValue(scrollValue(off.first, range.maximum, zoom, off.second));
    }
    redrawView();
}

void MainWindow::zoomAt(QPointF u, double factor) {
    const double z = std::clamp(project_.Zoom * factor, kMinZoom, kMaxZoom);
    // Near 100 % the view snaps to the whole plan, which the calculations,
    // the exports and the section need.
    const double zoom = z < 1.05 ? 1.0 : z;
    if (zoom == project_.Zoom) return;
    setView(zoom,
            offsetKeeping(u.x(), project_.ScrollOffsetX, project_.Zoom, zoom, area::ScaleWidth),
            offsetKeeping(u.y(), project_.ScrollOffsetY, project_.Zoom, zoom, area::ScaleHeight));
}

void MainWindow::panBy(QPointF delta) {
    if (project_.Zoom == 1.0) return;
    setView(project_.Zoom, project_.ScrollOffsetX + delta.x(), project_.ScrollOffsetY + delta.y());
}

void MainWindow::zoomToPlan() {
    setView(1.0, 0.0, 0.0);
}

void MainWindow::zoomToSelection() {
    if (selected_ <= 0) {
        warn("Select a tower first");
        return;
    }
    const Antenna& a = project_.Antennas[std::size_t(selected_)];
    const double zoom = 4.0;
    const double cx = a.AntX + project_.CellSize / 2.0, cy = a.AntY + project_.CellSize / 2.0;
    setView(zoom, area::ScaleWidth / 2 - cx * zoom, area::ScaleHeight / 2 - cy * zoom);
}

// ---- Export picture -------------------------------------------------------------------------

void MainWindow::cmdExportPicture() {
    resetTools();
    auto* d = new PictureDialog(3072, 1760, 150, this);
    d->setAcceptHandler([this, d] {
        if (const std::optional<std::string> bad = d->fieldRefusal()) {
            warn(std::string(msg::InputDataError) + "\n" + *bad);
            return false;
        }
        const std::string& filter = pipeline::outputFormat(pipeline::OutputKind::Image).filter;
        std::optional<std::string> path = prompts_.savePath(filter);
        if (!path) return false; // back to the sizes
        *path = WithDefaultSuffix(*path, filter);
        const std::optional<qtsurface::PictureFormat> format = qtsurface::pictureFormatFor(*path);
        if (!format) {
            warn("The picture's name must end in .png, .svg or .pdf");
            return false;
        }
        if (QFileInfo::exists(QFile::decodeName(path->c_str())) && !prompts_.confirmReplace(*path))
            return false;
        qtsurface::PictureRequest r;
        r.pixels = QSize(d->pictureWidth(), d->pictureHeight());
        r.dpi = d->dpi();
        r.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
        r.standard = project_.Compliance.Standard;
        const QImage picture = canvas_->backgroundPicture();
        if (!picture.isNull()) r.backgroundPicture = &picture;
        // The picture the batch companion draws, with the same traces,
        // buildings and places over the result as the plan shows.
        pipeline::OutputContext ctx = compliance_->outputContext();
        ctx.drawPicture = [&r, format](const Project& p, const std::string& to,
                                       const render::Overlay& overlay,
                                       Feedback& fb) -> std::optional<std::string> {
            r.overlay = overlay;
            try {
                return qtsurface::writePicture(p, to, *format, r, &fb);
            } catch (const render::DrawingCancelled&) {
                return std::string(msg::Interrupted);
            }
        };
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Feedback feedback;
        const std::optional<std::string> failed =
            pipeline::WriteOutput(project_, pipeline::OutputKind::Image, *path, feedback, ctx);
        QApplication::restoreOverrideCursor();
        if (failed) {
            warn(*failed);
            return false;
        }
        return true;
    });
    showDialog(d, true);
}

} // namespace brenvik::app
