#include "app/dialogs/ExposureDialog.h"

#include "model/Messages.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brenvik {

ExposureDialog::ExposureDialog(const antenna::ExposureForm& form, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("exposure"));
    setWindowTitle(QStringLiteral("Exposure model"));
    setMinimumWidth(460); // the formula reads on one line

    m_model = new QComboBox(this);
    m_model->setObjectName(QStringLiteral("model"));
    m_model->addItem(QString::fromUtf8(msg::ModelSimplified));
    m_model->addItem(QString::fromUtf8(msg::ModelFarField));
    m_model->setCurrentIndex(form.model == ExposureModel::FarField ? 1 : 0);
    m_reflection = new QComboBox(this);
    m_reflection->setObjectName(QStringLiteral("reflection"));
    m_reflection->addItem(QStringLiteral("1 (no ground reflection)"));
    m_reflection->addItem(QStringLiteral("2.56 (ground reflection)"));
    m_reflection->setCurrentIndex(form.groundReflection ? 1 : 0);

    auto* rule = new QLabel(this);
    rule->setObjectName(QStringLiteral("modelRule"));
    rule->setWordWrap(true);
    const auto show = [this, rule] {
        const bool far = m_model->currentIndex() == 1;
        m_reflection->setEnabled(far);
        rule->setText(
            far ? QStringLiteral("S = 100 · RF · 1.64 · P · g(φ, θ) / (4π r²) µW/cm², with "
                                 "each antenna's pattern or parametric beam")
                : QStringLiteral("The simplified beam: 8.64 · P / r² µW/cm² within "
                                 "each antenna's open angle"));
    };
    connect(m_model, &QComboBox::currentIndexChanged, this, show);
    show();

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Model:"), m_model);
    fields->addRow(QStringLiteral("Reflection factor:"), m_reflection);
    auto* accept = dialogui::button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = dialogui::button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(rule);
    layout->addLayout(dialogui::ButtonRow(accept, cancel));
}

antenna::ExposureForm ExposureDialog::form() const {
    return {m_model->currentIndex() == 1 ? ExposureModel::FarField : ExposureModel::Specified,
            m_reflection->currentIndex() == 1};
}

} // namespace brenvik
