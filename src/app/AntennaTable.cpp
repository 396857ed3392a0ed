#include "app/AntennaTable.h"

#include "app/dialogs/DialogBase.h"
#include "geo/Geo.h"

#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace brenvik::app {

namespace {

// The attribute table's own columns, before the antenna's fields.
const char* const kLeadingHeaders[] = {"Tower", "Antenna"};

// The field shown in a column; none for the tower and the record.
const AntennaFieldRow* rowOf(int column) {
    for (const AntennaFieldRow& r : AntennaFieldTable())
        if (r.tableColumn == column) return &r;
    return nullptr;
}

// The editable columns and the field each edits.
std::optional<AntennaField> FieldOf(int column) {
    const AntennaFieldRow* r = rowOf(column);
    if (!r || !r->editable) return std::nullopt;
    return r->id;
}

geo::Geographic lonLat(const Project& p, int slot) {
    const double x = AntennaFieldValue(p, slot, AntennaField::XMetres) - p.OriginX;
    const double y = AntennaFieldValue(p, slot, AntennaField::YMetres) - p.OriginY;
    return geo::ToGeographic(p, geo::Metres{x, y});
}

QString number(double v, int decimals = 2) {
    // Without digit grouping: the text goes back into a number box as it is.
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(v, 'f', decimals);
}

} // namespace

AntennaTableModel::AntennaTableModel(const Project& p, FieldEditor editor, QObject* parent)
    : QAbstractTableModel(parent), p_(p), editor_(std::move(editor)) {
    rows_ = rowCount();
}

int AntennaTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return std::max(0, std::min<int>(p_.AntennaCount, p_.AntennaSlotBound()));
}

QVariant AntennaTableModel::data(const QModelIndex& index, int role) const {
    const int slot = index.row() + 1;
    if (!index.isValid() || slot > rowCount()) return {};
    const Antenna& a = p_.Antennas[std::size_t(slot)];
    if (role == SlotRole) return slot;
    if (role == Qt::TextAlignmentRole)
        return index.column() == Type ? QVariant()
                                      : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    double value = 0;
    int decimals = 2;
    switch (index.column()) {
    case Tower:
        value = a.AntTower, decimals = 0;
        break;
    case Slot:
        value = slot, decimals = 0;
        break;
    case Longitude:
        value = lonLat(p_, slot).lon, decimals = 7;
        break;
    case Latitude:
        value = lonLat(p_, slot).lat, decimals = 7;
        break;
    case Type:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return QString::fromUtf8(AntennaKindName(a.AntType));
        if (role == SortRole) return static_cast<int>(a.AntType);
        return {};
    default: {
        const AntennaFieldRow* r = rowOf(index.column());
        if (!r) return {};
        // The names are read only: shown and sorted as they are.
        if (r->kind == FieldKind::Text)
            return role == Qt::DisplayRole || role == SortRole
                       ? QVariant(QString::fromStdString(FieldText(a, *r)))
                       : QVariant();
        value = AntennaFieldValue(p_, slot, r->id);
        break;
    }
    }
    if (role == SortRole) return value;
    if (role == Qt::DisplayRole || role == Qt::EditRole) return number(value, decimals);
    return {};
}

QVariant AntennaTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal && section >= 0 && section < ColumnCount) {
        if (section <= Slot) return kLeadingHeaders[section];
        if (const AntennaFieldRow* r = rowOf(section)) return r->header;
        return {};
    }
    return o == Qt::Vertical ? QVariant(section + 1) : QVariant();
}

Qt::ItemFlags AntennaTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (FieldOf(index.column())) f |= Qt::ItemIsEditable;
    return f;
}

bool AntennaTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const std::optional<AntennaField> field = FieldOf(index.column());
    if (role != Qt::EditRole || !field || !editor_) return false;
    // An editor closed on the text it opened with changes nothing: the shown
    // position is rounded, and must not move an antenna that stands between.
    if (value.toString() == data(index, Qt::EditRole).toString()) return true;
    const FieldRange range = AntennaFieldRange(*field);
    std::optional<std::string> refused;
    if (*field == AntennaField::Type) {
        const std::optional<AntennaKind> kind = AntennaKindFromText(value.toString().toStdString());
        refused = !kind ? std::optional<std::string>("Type: BTS (panel) or DTS (stick)")
                        : editor_(index.row() + 1, *field, *kind == AntennaKind::Stick ? 1 : 0);
    } else if (const std::optional<double> v = dialognum::parse(value.toString())) {
        refused = editor_(index.row() + 1, *field, *v);
    } else {
        refused = RangeMessage(range);
    }
    refusal_ = refused;
    return !refused;
}

void AntennaTableModel::refresh() {
    if (rowCount() != rows_) {
        beginResetModel();
        rows_ = rowCount();
        endResetModel();
    } else if (rows_ > 0) {
        emit dataChanged(index(0, 0), index(rows_ - 1, ColumnCount - 1));
    }
}

std::optional<std::string> AntennaTableModel::takeRefusal() {
    std::optional<std::string> r;
    r.swap(refusal_);
    return r;
}

// ---- The properties panel -------------------------------------------------------------------

PropertiesPanel::PropertiesPanel(const Project& p, FieldEditor editor, QWidget* parent)
    : QWidget(parent), p_(p), editor_(std::move(editor)) {
    setObjectName("propertiesPanel");
    auto* form = new QFormLayout(this);
    antenna_ = new QComboBox(this);
    antenna_->setObjectName("propAntenna");
    form->addRow("Antenna", antenna_);
    connect(antenna_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    type_ = new QComboBox(this);
    type_->setObjectName("propType");
    type_->addItems({"BTS (panel)", "DTS (stick)"});
    form->addRow("Type", type_);
    connect(type_, &QComboBox::activated, this, [this] { commit(AntennaField::Type); });
    const std::pair<AntennaField, const char*> fields[] = {
        {AntennaField::XMetres, "propX"},
        {AntennaField::YMetres, "propY"},
        {AntennaField::Height, "propHeight"},
        {AntennaField::Power, "propPower"},
        {AntennaField::Direction, "propDirection"},
        {AntennaField::Tilt, "propTilt"},
        {AntennaField::FrequencyMHz, "propFrequency"}};
    for (auto [field, name] : fields) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        const FieldRange r = AntennaFieldRange(field);
        auto* v = new QDoubleValidator(r.min, r.max, 6, e);
        v->setNotation(QDoubleValidator::StandardNotation);
        e->setValidator(v);
        e->setToolTip(QString::fromStdString(RangeMessage(r)));
        form->addRow(r.label, e);
        boxes_.emplace_back(field, e);
        const AntennaField f = field;
        connect(e, &QLineEdit::editingFinished, this, [this, f] { commit(f); });
    }
    lonLat_ = new QLabel(this);
    lonLat_->setObjectName("propLonLat");
    form->addRow("Long./lat.", lonLat_);
    site_ = new QLabel(this);
    site_->setObjectName("propSite");
    form->addRow("Site / label", site_);
    // The beam and the pattern have their own widget in the antenna's options.
    showTower(0);
}

int PropertiesPanel::antennaSlot() const {
    const int i = antenna_->currentIndex();
    return i >= 0 && i < int(slots_.size()) ? slots_[std::size_t(i)] : 0;
}

void PropertiesPanel::showTower(int slot) {
    const std::vector<int> now = TowerSlots(p_, slot);
    if (now != slots_) {
        loading_ = true;
        slots_ = now;
        antenna_->clear();
        for (std::size_t k = 0; k < slots_.size(); ++k)
            antenna_->addItem(QString("%1 (record %2)").arg(k + 1).arg(slots_[k]));
        loading_ = false;
    }
    refresh();
}

void PropertiesPanel::refresh() {
    if (loading_) return;
    loading_ = true;
    const int slot = antennaSlot();
    setEnabled(slot > 0);
    for (auto& [field, box] : boxes_)
        box->setText(slot > 0 ? number(AntennaFieldValue(p_, slot, field), 4) : QString());
    type_->setCurrentIndex(
        slot > 0 && p_.Antennas[std::size_t(slot)].AntType == AntennaKind::Stick ? 1 : 0);
    if (slot > 0) {
        const geo::Geographic g = lonLat(p_, slot);
        lonLat_->setText(number(g.lon, 7) + " / " + number(g.lat, 7));
        const Antenna& a = p_.Antennas[std::size_t(slot)];
        site_->setText(
            QString::fromStdString(a.AntSite + (a.AntLabel.empty() ? "" : " / " + a.AntLabel)));
    } else {
        lonLat_->clear();
        site_->clear();
    }
    loading_ = false;
}

void PropertiesPanel::commit(AntennaField f) {
    const int slot = antennaSlot();
    if (loading_ || slot <= 0 || !editor_) return;
    if (f == AntennaField::Type) {
        editor_(slot, f, type_->currentIndex() == 1 ? 1 : 0);
        return;
    }
    for (auto& [field, box] : boxes_) {
        if (field != f) continue;
        const std::optional<double> v = dialognum::parse(box->text());
        // Nothing to do when the box shows the stored value.
        if (v && number(*v, 4) == number(AntennaFieldValue(p_, slot, f), 4)) return;
        editor_(slot, f, v ? *v : std::nan(""));
    }
}

} // namespace brenvik::app
