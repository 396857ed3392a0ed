#include "app/dialogs/CalcDialogs.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace brenvik {

using namespace dialogui;

// ---------------------------------------------------------------------------
// cal

CalcDialog::CalcDialog(const CalForm& form, QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("cal"));
    setWindowTitle(QStringLiteral("Calculation"));

    m_option1 = option("Option1", QStringLiteral("Calculation at surface height"), this);
    m_option2 = option("Option2", QStringLiteral("Calculation at a certain height"), this);
    m_option1->setToolTip(QStringLiteral("Every point is evaluated on the local ground"));
    m_option2->setToolTip(
        QStringLiteral("A flat plane at an absolute height; points under the ground get 0"));
    auto* group = new QButtonGroup(this);
    group->addButton(m_option1);
    group->addButton(m_option2);

    m_text1 =
        box("Text1", QStringLiteral("Metres above the zero ground level, whole metres"), this);
    auto* label = new QLabel(QStringLiteral("Height of the calculation plane (m):"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(m_text1);

    auto* accept = button("a", QStringLiteral("Accept"), this);
    auto* cancel = button("Command1", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    auto* rows = new QFormLayout;
    rows->addRow(label, m_text1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_option1);
    layout->addWidget(m_option2);
    layout->addLayout(rows);
    layout->addLayout(ButtonRow(accept, cancel));

    (form.option1 ? m_option1 : m_option2)->setChecked(true);
    m_text1->setEnabled(form.text1Enabled);
    m_text1->setText(QString::fromStdString(form.text1));

    connect(m_option1, &QRadioButton::clicked, this, [this] {
        m_text1->setEnabled(false);
        m_text1->setText(QStringLiteral("0"));
        emit calcOptionChanged(1);
    });
    connect(m_option2, &QRadioButton::clicked, this, [this] {
        m_text1->setEnabled(true);
        emit calcOptionChanged(0);
    });

    setTabOrder(m_option1, m_option2);
    setTabOrder(m_option2, m_text1);
    setTabOrder(m_text1, accept);
    setTabOrder(accept, cancel);
}

CalForm CalcDialog::form() const {
    CalForm f;
    f.option1 = m_option1->isChecked();
    f.text1Enabled = m_text1->isEnabled();
    f.text1 = m_text1->text().toStdString();
    return f;
}

// ---------------------------------------------------------------------------
// calperfil

SectionDialog::SectionDialog(double distance, QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("calperfil"));
    setWindowTitle(QStringLiteral("XZ-Calculation"));

    m_text2 = box("Text2",
                  QStringLiteral("Metres from the bottom line of the plan, above 0 and at most "
                                 "the plan's height"),
                  this);
    m_text2->setText(dialognum::fixed(distance, 2));
    auto* label = new QLabel(QStringLiteral("Distance from the origin to the XZ-Plane (m):"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(m_text2);

    auto* accept = button("a", QStringLiteral("Accept"), this);
    auto* cancel = button("Command1", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    auto* rows = new QFormLayout;
    rows->addRow(label, m_text2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(ButtonRow(accept, cancel));
}

std::string SectionDialog::distanceText() const {
    return m_text2->text().toStdString();
}

// ---------------------------------------------------------------------------
// reliev

ReliefDialog::ReliefDialog(double contourHeight, QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("reliev"));
    setWindowTitle(QStringLiteral("Topographic line"));

    m_text1 = box("Text1",
                  QStringLiteral("Ground height in whole metres for the next rectangles; "
                                 "0 or more"),
                  this);
    m_text1->setText(dialognum::text(contourHeight));
    auto* label = new QLabel(QStringLiteral("Height of the contour line (m):"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(m_text1);

    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    auto* rows = new QFormLayout;
    rows->addRow(label, m_text1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(ButtonRow(accept, cancel));
}

std::string ReliefDialog::heightText() const {
    return m_text1->text().toStdString();
}

void ReliefDialog::setHeightText(const std::string& text) {
    m_text1->setText(QString::fromStdString(text));
}

} // namespace brenvik
