#include "app/dialogs/MeasurementsDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace brenvik {

using namespace dialogui;

MeasurementsDialog::MeasurementsDialog(const std::vector<measure::MeasurementRow>& rows,
                                       Importer importer, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("mediciones"));
    setWindowTitle(QStringLiteral("Measurements"));
    auto* note = new QLabel(QStringLiteral("Field measurements beside the prediction at their "
                                           "points. x and y: cartesian metres; densities in "
                                           "uW/cm^2; difference = 10 log10(extrapolated / "
                                           "predicted) in dB."),
                            this);
    note->setWordWrap(true);
    m_table = new QTableWidget(0, 10, this);
    m_table->setObjectName(QStringLiteral("tabla"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Band"), QStringLiteral("x (m)"),
         QStringLiteral("y (m)"), QStringLiteral("Height (m)"), QStringLiteral("Measured"),
         QStringLiteral("Factor"), QStringLiteral("Uncertainty (dB)"), QStringLiteral("Predicted"),
         QStringLiteral("Difference (dB)")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRows(rows);
    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("unidad"));
    m_unit->setToolTip(QStringLiteral("The unit of rows that name none"));
    for (const char* u : {"V/m", "uW/cm^2", "W/m^2", "mW/cm^2"})
        m_unit->addItem(QString::fromLatin1(u));
    m_columns = box("columns",
                    QStringLiteral("The file's own names of the default columns, e.g. "
                                   "value=E_field,unit=Unit"),
                    this);
    m_columns->setPlaceholderText(QStringLiteral("Columns: value=E_field,..."));
    m_bandFactors = box("bandFactors",
                        QStringLiteral("Full-load factors of the bands' readings, e.g. "
                                       "LTE800=2.5,NR3600=4"),
                        this);
    m_bandFactors->setPlaceholderText(QStringLiteral("Band factors: LTE800=2.5,..."));
    auto* import = button("importarmed", QStringLiteral("Import..."), this);
    auto* remove = button("borrarmed", QStringLiteral("Delete"), this);
    connect(import, &QPushButton::clicked, this, [this, importer] {
        if (!importer) return;
        const ImportChoices choices{m_unit->currentText().toStdString(),
                                    m_columns->text().trimmed().toStdString(),
                                    m_bandFactors->text().trimmed().toStdString()};
        if (auto imported = importer(choices)) setRows(*imported);
    });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSelectedRows(m_table); });
    layOutTable(note, m_table, {import, m_unit, m_columns, m_bandFactors, remove});
    resize(900, 400);
}

void MeasurementsDialog::setRows(const std::vector<measure::MeasurementRow>& rows) {
    m_table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const measure::MeasurementRow& row = rows[static_cast<std::size_t>(r)];
        const std::string cells[] = {row.name,      row.band,      row.x,      row.y,
                                     row.height,    row.measured,  row.factor, row.uncertainty,
                                     row.predicted, row.difference};
        for (int c = 0; c < 10; ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(cells[c]));
            // Each row remembers which loaded row it shows, through deletions.
            item->setData(Qt::UserRole, r);
            m_table->setItem(r, c, item);
        }
    }
}

std::vector<int> MeasurementsDialog::keptRows() const {
    std::vector<int> out;
    for (int r = 0; r < m_table->rowCount(); ++r)
        out.push_back(m_table->item(r, 0)->data(Qt::UserRole).toInt());
    return out;
}

} // namespace brenvik
