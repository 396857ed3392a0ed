// The window's desktop: the selection of a tower, the attribute table and the
// properties panel that edit it in place, and the undo history view.

#include "app/Desktop.h"

#include "app/AntennaTable.h"
#include "app/DocumentHolder.h"
#include "app/PlanCanvas.h"
#include "app/PlanView.h"
#include "app/TowerFlows.h"
#include "app/UndoHistory.h"
#include "model/DrawingArea.h"
#include "model/Prompts.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMainWindow>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QUndoView>

namespace brenvik::app {

Desktop::Desktop(QMainWindow& window, Project& p, Prompts& prompts, PlanView& view,
                 DocumentHolder& document, TowerFlows& editors, Trap trap)
    : project_(p), prompts_(prompts), view_(view), document_(document), editors_(editors),
      trap_(std::move(trap)) {
    buildDocks(window);
}

void Desktop::buildDocks(QMainWindow& window) {
    const FieldEditor editor = [this](int slot, AntennaField f, double v) {
        return editField(slot, f, v);
    };
    tableModel_ = new AntennaTableModel(project_, editor, &window);
    tableProxy_ = new QSortFilterProxyModel(&window);
    tableProxy_->setSourceModel(tableModel_);
    tableProxy_->setSortRole(AntennaTableModel::SortRole);
    table_ = new QTableView(&window);
    table_->setObjectName("antennaTable");
    table_->setModel(tableProxy_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(AntennaTableModel::Slot, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    QObject::connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, &window,
                     [this](const QModelIndex& current) {
                         if (syncingSelection_ || !current.isValid()) return;
                         setSelection(current.data(AntennaTableModel::SlotRole).toInt());
                     });
    tableDock_ = new QDockWidget("Attribute table", &window);
    tableDock_->setObjectName("attributeTable");
    tableDock_->setWidget(table_);
    window.addDockWidget(Qt::BottomDockWidgetArea, tableDock_);

    properties_ = new PropertiesPanel(project_, editor, &window);
    propertiesDock_ = new QDockWidget("Properties", &window);
    propertiesDock_->setObjectName("propertiesDock");
    propertiesDock_->setWidget(properties_);
    window.addDockWidget(Qt::RightDockWidgetArea, propertiesDock_);

    auto* history = new QUndoView(document_.history().stack(), &window);
    history->setObjectName("historyView");
    history->setEmptyLabel("<opened project>");
    historyDock_ = new QDockWidget("History", &window);
    historyDock_->setObjectName("historyDock");
    historyDock_->setWidget(history);
    window.addDockWidget(Qt::RightDockWidgetArea, historyDock_);
    // The plan keeps the room until a dock is asked for.
    for (QDockWidget* d : {tableDock_, propertiesDock_, historyDock_})
        d->hide();
}

std::optional<std::string> Desktop::editField(int slot, AntennaField f, double value) {
    std::optional<std::string> refused;
    trap_([&] {
        Edit e = Edit::antennas(project_);
        refused = SetAntennaField(project_, slot, f, value);
        static const char* const names[] = {"Edit X",    "Edit Y",        "Edit height",
                                            "Edit type", "Edit power",    "Edit direction",
                                            "Edit tilt", "Edit frequency"};
        document_.record(names[int(f)], std::move(e), !refused);
        if (refused) {
            prompts_.message(*refused);
            refresh(); // the boxes show the stored values again
            return;
        }
        view_.redraw();
    });
    return refused;
}

void Desktop::setSelection(int slot) {
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

void Desktop::placeSelectionBox() {
    const bool shown = selected_ > 0 && project_.CurrentPlane == Plane::XY;
    QRectF r;
    if (shown) {
        const Antenna& a = project_.Antennas[std::size_t(selected_)];
        const double z = project_.Zoom;
        const double side = project_.CellSize * z / (a.AntFactor > 0 ? a.AntFactor : 1.0);
        // Around the symbol, where it is drawn (between nodes for an exact position).
        r = QRectF(AntennaDrawingX(project_, a) * z + project_.ScrollOffsetX,
                   AntennaDrawingY(project_, a) * z + project_.ScrollOffsetY, side, side)
                .adjusted(-side / 4, -side / 4, side / 4, side / 4);
    }
    const QLineF sides[] = {{r.topLeft(), r.topRight()},
                            {r.topRight(), r.bottomRight()},
                            {r.bottomRight(), r.bottomLeft()},
                            {r.bottomLeft(), r.topLeft()}};
    PlanCanvas& canvas = view_.canvas();
    for (int k = 0; k < 4; ++k) {
        canvas.setLine(BoxSide(Overlay::Selection1, k), sides[k]);
        canvas.setLineVisible(BoxSide(Overlay::Selection1, k), shown);
    }
}

void Desktop::refresh() {
    if (selected_ > project_.AntennaCount) selected_ = 0;
    if (tableModel_) tableModel_->refresh();
    setSelection(selected_);
    if (properties_) properties_->refresh();
}

void Desktop::openEditor(int slot) {
    if (slot <= 0 || slot > project_.AntennaCount) return;
    if (project_.Antennas[std::size_t(slot)].AntNumber == 0)
        editors_.editAntenna(slot);
    else
        editors_.editTowerAntenna(slot);
}

void Desktop::deleteSelection() {
    if (selected_ <= 0) return;
    view_.ensurePlan();
    Edit e = Edit::antennas(project_);
    const int removed = EraseTower(project_, selected_);
    document_.record("Delete tower", std::move(e), removed > 0);
    selected_ = 0;
    view_.canvas().clear();
    view_.redraw();
}

void Desktop::zoomToSelection() {
    if (selected_ <= 0) {
        prompts_.message("Select a tower first");
        return;
    }
    const Antenna& a = project_.Antennas[std::size_t(selected_)];
    const double zoom = 4.0;
    const double cx = AntennaDrawingX(project_, a) + project_.CellSize / 2.0,
                 cy = AntennaDrawingY(project_, a) + project_.CellSize / 2.0;
    view_.setView(zoom, area::ScaleWidth / 2 - cx * zoom, area::ScaleHeight / 2 - cy * zoom);
}

namespace {

void Raise(QDockWidget* d) {
    d->show();
    d->raise();
}

} // namespace

void Desktop::showTable() {
    Raise(tableDock_);
}

void Desktop::showProperties() {
    Raise(propertiesDock_);
}

void Desktop::showHistory() {
    Raise(historyDock_);
}

} // namespace brenvik::app
