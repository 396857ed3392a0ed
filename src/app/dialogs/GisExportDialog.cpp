#include "app/dialogs/GisExportDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brenvik {

using namespace dialogui;

GisExportDialog::GisExportDialog(pipeline::OutputKind kind, const std::string& path,
                                 Prompts& prompts, QWidget* parent)
    : BrenvikDialog(parent), m_prompts(prompts) {
    setObjectName(QStringLiteral("gisexport"));
    setWindowTitle(QStringLiteral("GIS export"));

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("gisFormat"));
    for (pipeline::OutputKind k : pipeline::OutputsOfCommand("gisexport")) {
        m_format->addItem(QString::fromStdString(pipeline::outputFormat(k).description),
                          static_cast<int>(k));
        if (k == kind) m_format->setCurrentIndex(m_format->count() - 1);
    }
    m_path = box("gisPath", QStringLiteral("The file to write"), this);
    m_path->setText(QString::fromStdString(path));
    auto* pick = button("gisBrowse", QStringLiteral("Browse..."), this);
    connect(pick, &QPushButton::clicked, this, [this] { browse(); });

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(pick);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Format:"), m_format);
    form->addRow(QStringLiteral("File:"), pathRow);

    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(ButtonRow(accept, cancel));
}

pipeline::OutputKind GisExportDialog::kind() const {
    return static_cast<pipeline::OutputKind>(m_format->currentData().toInt());
}

std::string GisExportDialog::path() const {
    const std::string typed = m_path->text().trimmed().toStdString();
    return typed.empty() ? typed : pipeline::WithExtension(typed, kind());
}

bool GisExportDialog::browse() {
    auto chosen = m_prompts.savePath(pipeline::outputFormat(kind()).filter);
    if (!chosen) return false;
    m_path->setText(QString::fromStdString(pipeline::WithExtension(*chosen, kind())));
    return true;
}

} // namespace brenvik
