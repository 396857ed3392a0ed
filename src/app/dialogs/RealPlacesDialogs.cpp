#include "app/dialogs/RealPlacesDialogs.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace brenvik {

using namespace dialogui;

PlacesDialog::PlacesDialog(const std::vector<compliance::PlaceRow>& rows, Importer importer,
                           QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("lugares"));
    setWindowTitle(QStringLiteral("Places"));
    auto* note = new QLabel(
        QStringLiteral("Places of sensitive use. x and y: cartesian metres; height: metres "
                       "above the ground there."),
        this);
    note->setWordWrap(true);
    m_table = new QTableWidget(0, 5, this);
    m_table->setObjectName(QStringLiteral("tabla"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Kind"),
                                        QStringLiteral("x (m)"), QStringLiteral("y (m)"),
                                        QStringLiteral("Height (m)")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    setRows(rows);
    auto* import = button("importarlug", QStringLiteral("Import..."), this);
    auto* add = button("anadirlug", QStringLiteral("Add"), this);
    auto* remove = button("borrarlug", QStringLiteral("Delete"), this);
    connect(import, &QPushButton::clicked, this, [this, importer] {
        if (!importer) return;
        if (auto imported = importer()) setRows(*imported);
    });
    connect(add, &QPushButton::clicked, this, [this] { m_table->insertRow(m_table->rowCount()); });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSelectedRows(m_table); });
    layOutTable(note, m_table, {import, add, remove});
    resize(640, 360);
}

void PlacesDialog::setRows(const std::vector<compliance::PlaceRow>& rows) {
    m_table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const compliance::PlaceRow& row = rows[static_cast<std::size_t>(r)];
        const std::string cells[] = {row.name, row.kind, row.x, row.y, row.height};
        for (int c = 0; c < 5; ++c)
            m_table->setItem(r, c, new QTableWidgetItem(QString::fromStdString(cells[c])));
    }
}

std::vector<compliance::PlaceRow> PlacesDialog::rows() const {
    std::vector<compliance::PlaceRow> out;
    const auto text = [this](int r, int c) {
        const QTableWidgetItem* i = m_table->item(r, c);
        return i ? i->text().trimmed().toStdString() : std::string();
    };
    for (int r = 0; r < m_table->rowCount(); ++r)
        out.push_back({text(r, 0), text(r, 1), text(r, 2), text(r, 3), text(r, 4)});
    return out;
}

BuildingHeightDialog::BuildingHeightDialog(int count, const QString& height, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("alturaedificios"));
    setWindowTitle(QStringLiteral("Building height"));
    auto* note = new QLabel(
        (count == 1 ? QStringLiteral("1 building gives")
                    : QStringLiteral("%1 buildings give").arg(count)) +
            QStringLiteral(" neither height nor levels. Their height above the ground (m):"),
        this);
    note->setWordWrap(true);
    m_height = box("altura", QStringLiteral("Metres, from 1 to 500"), this);
    m_height->setText(height);
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_height);
    layout->addLayout(ButtonRow(accept, cancel));
}

QString BuildingHeightDialog::height() const {
    return m_height->text();
}

} // namespace brenvik
