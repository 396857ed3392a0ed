#include "app/dialogs/ComplianceDialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace brenvik {

using namespace dialogui;

ImportModeDialog::ImportModeDialog(QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("importsites"));
    setWindowTitle(QStringLiteral("Import sites"));
    m_replace = option("reemplazar", QStringLiteral("Replace the antennas of the plan"), this);
    m_add = option("anadir", QStringLiteral("Add to the antennas of the plan"), this);
    m_replace->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->addButton(m_replace);
    group->addButton(m_add);
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_replace);
    layout->addWidget(m_add);
    layout->addLayout(ButtonRow(accept, cancel));
}

compliance::ImportMode ImportModeDialog::mode() const {
    return m_add->isChecked() ? compliance::ImportMode::Add : compliance::ImportMode::Replace;
}

ComplianceDialog::ComplianceDialog(const compliance::ComplianceForm& form,
                                   const std::vector<Choice>& standards, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("compliance"));
    setWindowTitle(QStringLiteral("Compliance"));
    m_standard = new QComboBox(this);
    m_standard->setObjectName(QStringLiteral("standard"));
    for (const Choice& c : standards)
        m_standard->addItem(QString::fromStdString(c.second + " (" + c.first + ")"),
                            QString::fromStdString(c.first));
    m_standard->setCurrentIndex(
        std::max(0, m_standard->findData(QString::fromStdString(form.standard))));

    auto* people = new QGroupBox(QStringLiteral("Population"), this);
    m_public = option("publico", QStringLiteral("General public"), people);
    m_occupational = option("laboral", QStringLiteral("Occupational"), people);
    (form.group == Population::Occupational ? m_occupational : m_public)->setChecked(true);
    auto* peopleLayout = new QHBoxLayout(people);
    peopleLayout->addWidget(m_public);
    peopleLayout->addWidget(m_occupational);

    m_site = box("sitio", QStringLiteral("Name of the site"), this);
    m_site->setMaximumWidth(QWIDGETSIZE_MAX);
    m_site->setText(QString::fromStdString(form.siteName));
    m_assessor = box("evaluador", QStringLiteral("Who signs the report"), this);
    m_assessor->setMaximumWidth(QWIDGETSIZE_MAX);
    m_assessor->setText(QString::fromStdString(form.assessor));

    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("unidad"));
    for (compliance::Unit u : compliance::AllUnits())
        m_unit->addItem(QString::fromLatin1(compliance::UnitText(u)), static_cast<int>(u));
    m_unit->setCurrentIndex(m_unit->findData(static_cast<int>(form.unit)));

    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Standard:"), m_standard);
    fields->addRow(people);
    fields->addRow(QStringLiteral("Site:"), m_site);
    fields->addRow(QStringLiteral("Assessor:"), m_assessor);
    fields->addRow(QStringLiteral("Units:"), m_unit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(ButtonRow(accept, cancel));
}

compliance::ComplianceForm ComplianceDialog::form() const {
    compliance::ComplianceForm f;
    f.standard = m_standard->currentData().toString().toStdString();
    f.group = m_occupational->isChecked() ? Population::Occupational : Population::Public;
    f.siteName = m_site->text().toStdString();
    f.assessor = m_assessor->text().toStdString();
    f.unit = static_cast<compliance::Unit>(m_unit->currentData().toInt());
    return f;
}

SummaryDialog::SummaryDialog(const std::vector<std::string>& lines, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("summary"));
    setWindowTitle(QStringLiteral("Compliance summary"));
    for (const std::string& l : lines)
        m_text += QString::fromStdString(l) + '\n';
    auto* view = new QPlainTextEdit(m_text, this);
    view->setObjectName(QStringLiteral("resumen"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setMinimumSize(860, 300);
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view);
    layout->addLayout(ButtonRow(accept, nullptr));
}

QString SummaryDialog::text() const {
    return m_text;
}

RulesDialog::RulesDialog(const std::vector<Choice>& choices, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("rules"));
    setWindowTitle(QStringLiteral("Rules"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("listareglas"));
    m_list->setMinimumSize(560, 160);
    for (const Choice& c : choices)
        addChoice(c);
    auto* file = button("reglasarchivo", QStringLiteral("From file..."), this);
    connect(file, &QPushButton::clicked, this, &RulesDialog::fileRequested);
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("The summary and the report judge the site by the rules checked:"), this));
    layout->addWidget(m_list, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(file);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addLayout(ButtonRow(accept, cancel));
}

void RulesDialog::addChoice(const Choice& c) {
    auto* item = new QListWidgetItem(QString::fromStdString(c.caption), m_list);
    item->setData(Qt::UserRole, QString::fromStdString(c.name));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(c.chosen ? Qt::Checked : Qt::Unchecked);
}

std::vector<std::string> RulesDialog::chosen() const {
    std::vector<std::string> out;
    for (int k = 0; k < m_list->count(); ++k)
        if (m_list->item(k)->checkState() == Qt::Checked)
            out.push_back(m_list->item(k)->data(Qt::UserRole).toString().toStdString());
    return out;
}

void RulesDialog::addFile(const std::string& path) {
    const QString name = QString::fromStdString(path);
    for (int k = 0; k < m_list->count(); ++k)
        if (m_list->item(k)->data(Qt::UserRole).toString() == name) {
            m_list->item(k)->setCheckState(Qt::Checked);
            return;
        }
    addChoice({path, "File " + path, true});
}

} // namespace brenvik
