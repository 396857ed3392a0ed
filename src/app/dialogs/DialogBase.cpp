#include "app/dialogs/DialogBase.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <functional>
#include <set>

namespace brenvik {

BrenvikDialog::BrenvikDialog(QWidget* parent) : QDialog(parent) {
    // Fixed-size forms: nothing in them gains from resizing.
    setSizeGripEnabled(false);
}

void BrenvikDialog::tryAccept() {
    if (m_inHandler) return; // a second Enter while the handler runs
    if (m_acceptHandler) {
        QPointer<BrenvikDialog> self(this);
        // Cleared however the handler ends, an exception included.
        struct Guard {
            QPointer<BrenvikDialog>& d;
            ~Guard() {
                if (d) d->m_inHandler = false;
            }
        } guard{self};
        m_inHandler = true;
        m_closedInHandler = false;
        const bool mayClose = m_acceptHandler();
        if (!self || !mayClose || m_closedInHandler) return;
    }
    accept();
}

void BrenvikDialog::setFieldRules(const std::vector<FieldRule>& rules) {
    m_rules.clear();
    for (const FieldRule& r : rules) {
        auto* box = findChild<QLineEdit*>(QString::fromStdString(r.box));
        if (!box) continue;
        m_rules.emplace_back(box, r);
        const QString range = QString::fromStdString(FieldRefusal(r));
        if (!box->toolTip().contains(range))
            box->setToolTip(box->toolTip().isEmpty() ? range : box->toolTip() + "\n" + range);
        connect(box, &QLineEdit::textChanged, this, [this, box, r] { markBox(box, r); });
        markBox(box, r);
    }
}

void BrenvikDialog::markBox(QLineEdit* box, const FieldRule& rule) {
    // An empty box is not yet a typo; a disabled one is not read.
    const bool bad = box->isEnabled() && !box->text().trimmed().isEmpty() &&
                     !FieldAccepts(rule, box->text().toStdString(), dialognum::parser());
    box->setProperty("invalidInput", bad);
    box->setStyleSheet(bad ? "QLineEdit { background: #ffd6d6; color: #800000; }" : QString());
}

std::optional<std::string> BrenvikDialog::fieldRefusal() const {
    for (const auto& [box, rule] : m_rules)
        if (box->isEnabled() && !FieldAccepts(rule, box->text().toStdString(), dialognum::parser()))
            return FieldRefusal(rule);
    return std::nullopt;
}

std::optional<BrenvikDialog::BadField> BrenvikDialog::checkFields() {
    for (const auto& [box, rule] : m_rules) {
        if (!box->isEnabled()) continue;
        const FieldVerdict v = FieldCheck(rule, box->text().toStdString(), dialognum::parser());
        if (v == FieldVerdict::Accepted) continue;
        box->setFocus();
        box->selectAll();
        return BadField{FieldRefusal(rule), v == FieldVerdict::NotANumber};
    }
    return std::nullopt;
}

void BrenvikDialog::done(int result) {
    if (m_inHandler) m_closedInHandler = true;
    QDialog::done(result);
}

void BrenvikDialog::makeAcceptButton(QPushButton* button) {
    button->setDefault(true);
    button->setAutoDefault(true);
    connect(button, &QPushButton::clicked, this, &BrenvikDialog::tryAccept);
}

void BrenvikDialog::makeCancelButton(QPushButton* button) {
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &QDialog::reject);
}

void BrenvikDialog::layOutTable(QLabel* note, QTableWidget* table,
                                std::initializer_list<QWidget*> edits) {
    auto* accept = dialogui::button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = dialogui::button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* row = new QHBoxLayout;
    for (QWidget* w : edits)
        row->addWidget(w);
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(table);
    layout->addLayout(row);
    layout->addLayout(dialogui::ButtonRow(accept, cancel));
}

// Every dialog opens centred on the screen, whoever its parent is.
static void CentreOnScreen(QWidget* w) {
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    const QSize size = w->frameSize().isValid() ? w->frameSize() : w->sizeHint();
    w->move(avail.x() + (avail.width() - size.width()) / 2,
            avail.y() + (avail.height() - size.height()) / 2);
}

void BrenvikDialog::showEvent(QShowEvent* event) {
    if (!m_centred) {
        adjustSize();
        CentreOnScreen(this);
        m_centred = true;
    }
    QDialog::showEvent(event);
}

namespace dialognum {

static QLocale UserLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString text(double value) {
    return UserLocale().toString(value, 'g', 15);
}

QString fixed(double value, int decimals) {
    return UserLocale().toString(value, 'f', decimals);
}

std::optional<double> parse(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    bool ok = false;
    double v = QLocale().toDouble(trimmed, &ok);
    if (!ok) {
        // A number typed with a plain "." where the locale uses a comma is
        // still a number to the user.
        v = QLocale::c().toDouble(trimmed, &ok);
    }
    // "inf" and "nan" are words, not numbers a user types for a height.
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> ParseStd(const std::string& text) {
    return parse(QString::fromStdString(text));
}

std::function<std::optional<double>(const std::string&)> parser() {
    return &ParseStd;
}

std::function<std::string(double)> Formatter() {
    return [](double v) { return text(v).toStdString(); };
}

char decimalPoint() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? point.at(0).toLatin1() : '.';
}

} // namespace dialognum

namespace dialogui {

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QRadioButton* option(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLineEdit* box(const char* name, const QString& toolTip, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setToolTip(toolTip);
    e->setMaximumWidth(140);
    return e;
}

QHBoxLayout* ButtonRow(QPushButton* accept, QPushButton* cancel) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(accept);
    if (cancel) row->addWidget(cancel);
    return row;
}

void RemoveSelectedRows(QTableWidget* table) {
    // From the last, so the rows still to go keep their numbers.
    std::set<int, std::greater<int>> doomed;
    for (const QModelIndex& i : table->selectionModel()->selectedIndexes())
        doomed.insert(i.row());
    for (int r : doomed)
        table->removeRow(r);
}

} // namespace dialogui

} // namespace brenvik
