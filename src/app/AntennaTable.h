#pragma once

#include "calc/AntennaEdits.h"
#include "model/Project.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;

namespace brenvik::app {

// Hands one edit of a field to the window, which checks it through the core,
// keeps it as one undo step and redraws; the refusal text when refused.
using FieldEditor =
    std::function<std::optional<std::string>(int slot, AntennaField f, double value)>;

// Every placed antenna, one row each, in slot order: its tower, where it
// really stands in plan metres and in longitude/latitude, the fields a user
// edits, and the site and label it was imported with.
// Sorting goes through a proxy on the numeric sort role.
class AntennaTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column {
        Tower,
        Slot,
        XMetres,
        YMetres,
        Longitude,
        Latitude,
        Height,
        Type,
        Power,
        Direction,
        Tilt,
        Frequency,
        Site,  // the inventory's site name (read only)
        Label, // the inventory's label (read only)
        Operator,
        Installation,
        PowerFactor, // the share of the maximum ERP it is assessed with (read only)
        ColumnCount
    };
    static constexpr int SortRole = Qt::UserRole;
    static constexpr int SlotRole = Qt::UserRole + 1;

    AntennaTableModel(const Project& p, FieldEditor editor, QObject* parent = nullptr);

    int rowCount(const QModelIndex& = {}) const override;
    int columnCount(const QModelIndex& = {}) const override { return ColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The project changed: rows added or removed reset the model, otherwise
    // the values are told to change.
    void refresh();
    // The refusal of the last edit that was refused, for the window to show.
    std::optional<std::string> takeRefusal();

  private:
    const Project& p_;
    FieldEditor editor_;
    int rows_ = 0;
    std::optional<std::string> refusal_;
};

// The docked panel that edits the selected tower's antennas in place: which
// antenna of the tower, then every field of the antenna's options.
class PropertiesPanel : public QWidget {
    Q_OBJECT
  public:
    PropertiesPanel(const Project& p, FieldEditor editor, QWidget* parent = nullptr);
    // Shows the tower of `slot` (0: nothing selected).
    void showTower(int slot);
    // Shows the values of the project again (after an undo, a move...).
    void refresh();
    int antennaSlot() const;

  private:
    void commit(AntennaField f);
    const Project& p_;
    FieldEditor editor_;
    std::vector<int> slots_;
    QComboBox* antenna_ = nullptr;
    QComboBox* type_ = nullptr;
    QLabel* lonLat_ = nullptr;
    QLabel* site_ = nullptr;
    std::vector<std::pair<AntennaField, QLineEdit*>> boxes_;
    bool loading_ = false;
};

} // namespace brenvik::app
