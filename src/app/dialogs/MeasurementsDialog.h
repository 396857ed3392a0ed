#pragma once

#include "app/dialogs/DialogBase.h"
#include "measure/MeasurementsForm.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QTableWidget;

namespace brenvik {

// "Measurements" (`mediciones`): the field measurements in a table (`tabla`:
// name, band, x and y in the cartesian metres of the exports, height,
// reading in uW/cm^2, full-load factor, uncertainty, the prediction there
// and the difference in dB), with "Import..." (`importarmed`: a CSV or
// GeoJSON replaces the rows, read with the unit of the box `unidad` where a
// row names none, the file's own column names from `columns`, e.g.
// "value=E_field,unit=Unit", and full-load factors per band from
// `bandFactors`, e.g. "LTE800=2.5") and "Delete" (`borrarmed`: the selected rows).
class MeasurementsDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    // How a file is read: the unit of rows that name none, the renamed
    // columns and the band factors, as typed.
    struct ImportChoices {
        std::string unit, columns, bandFactors;
    };
    // Reads a file so; the new rows, or none when nothing was imported.
    using Importer =
        std::function<std::optional<std::vector<measure::MeasurementRow>>(const ImportChoices&)>;
    MeasurementsDialog(const std::vector<measure::MeasurementRow>& rows, Importer importer,
                       QWidget* parent = nullptr);
    // The rows still in the table, by their place in the rows last loaded.
    std::vector<int> keptRows() const;

  private:
    void setRows(const std::vector<measure::MeasurementRow>& rows);
    QTableWidget* m_table = nullptr;
    QComboBox* m_unit = nullptr;
    QLineEdit* m_columns = nullptr;
    QLineEdit* m_bandFactors = nullptr;
};

} // namespace brenvik
