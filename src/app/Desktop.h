#pragma once

#include "calc/AntennaEdits.h"
#include "model/Project.h"

#include <functional>
#include <optional>
#include <string>

class QDockWidget;
class QMainWindow;
class QSortFilterProxyModel;
class QTableView;

namespace brenvik {
class Prompts;
} // namespace brenvik

namespace brenvik::app {

class AntennaTableModel;
class DocumentHolder;
class PlanView;
class PropertiesPanel;
class TowerFlows;

// The desktop around the plan: the selected tower (kept as the slot of one
// of its antennas and drawn as an overlay box), the attribute table and the
// properties panel that edit it in place, and the undo history's view.
class Desktop {
  public:
    // Runs an edit inside the window's error trap.
    using Trap = std::function<void(const std::function<void()>&)>;
    Desktop(QMainWindow& window, Project& p, Prompts& prompts, PlanView& view,
            DocumentHolder& document, TowerFlows& editors, Trap trap);

    QTableView* table() const { return table_; }
    // The selected tower, as the slot of one of its antennas (0: none).
    int selection() const { return selected_; }
    void setSelection(int slot);
    // The table, the properties and the selection box after any change.
    void refresh();
    // Opens the dialog of the tower or antenna in `slot`.
    void openEditor(int slot);
    void deleteSelection();
    void zoomToSelection();
    // Shows and raises one of the docks.
    void showTable();
    void showProperties();
    void showHistory();

  private:
    void buildDocks(QMainWindow& window);
    void placeSelectionBox();
    // One field edit from the table or the properties: one undo step.
    std::optional<std::string> editField(int slot, AntennaField f, double value);

    Project& project_;
    Prompts& prompts_;
    PlanView& view_;
    DocumentHolder& document_;
    TowerFlows& editors_;
    Trap trap_;
    int selected_ = 0;
    bool syncingSelection_ = false;
    AntennaTableModel* tableModel_ = nullptr;
    QSortFilterProxyModel* tableProxy_ = nullptr;
    QTableView* table_ = nullptr;
    PropertiesPanel* properties_ = nullptr;
    QDockWidget* tableDock_ = nullptr;
    QDockWidget* propertiesDock_ = nullptr;
    QDockWidget* historyDock_ = nullptr;
};

} // namespace brenvik::app
