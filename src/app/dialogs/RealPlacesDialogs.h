#pragma once

#include "app/dialogs/DialogBase.h"
#include "compliance/Places.h"

#include <functional>
#include <vector>

class QLineEdit;
class QTableWidget;

namespace brenvik {

// "Places" (`lugares`): the places of sensitive use in an editable table
// (name, kind, x and y in the cartesian metres of the exports, height above
// the ground), with "Import..." (a places CSV replaces the rows), "Add" and
// "Delete" (the selected rows).
class PlacesDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    using Importer = std::function<std::optional<std::vector<compliance::PlaceRow>>()>;
    PlacesDialog(const std::vector<compliance::PlaceRow>& rows, Importer importer,
                 QWidget* parent = nullptr);
    std::vector<compliance::PlaceRow> rows() const;

  private:
    void setRows(const std::vector<compliance::PlaceRow>& rows);
    QTableWidget* m_table = nullptr;
};

// "Building height" (`alturaedificios`): the height of the footprints whose
// file gives neither height nor levels, in the box `altura`.
class BuildingHeightDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    BuildingHeightDialog(int count, const QString& height, QWidget* parent = nullptr);
    QString height() const;

  private:
    QLineEdit* m_height = nullptr;
};

} // namespace brenvik
