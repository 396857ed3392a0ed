#include "app/dialogs/TowerDialogs.h"

#include "calc/TowerForms.h"
#include "model/AntennaFields.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace brenvik {

using namespace dialogui;

// ---------------------------------------------------------------------------
// torre

TowerDialog::TowerDialog(int antennaCount, bool editingFromMap, QWidget* parent)
    : BrenvikDialog(parent), m_count(antennaCount < 1 ? 1 : antennaCount),
      m_editing(editingFromMap) {
    setObjectName(QStringLiteral("torre"));
    setWindowTitle(QStringLiteral("Mobile phone tower"));

    auto* frame = new QGroupBox(QStringLiteral("Antenna type"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_combo = new QComboBox(frame);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setToolTip(QStringLiteral("The antenna of this tower that \"Options\" edits"));
    m_add = button("Command3", QStringLiteral("Add antenna"), frame);
    m_remove = button("Command4", QStringLiteral("Remove antenna"), frame);
    m_options = button("Command1", QStringLiteral("Options"), frame);
    m_add->setToolTip(QStringLiteral("Adds an antenna, a copy of the last one"));
    m_remove->setToolTip(QStringLiteral("Removes the last antenna of the tower"));
    m_options->setToolTip(QStringLiteral("Type, angle of fall, direction, power and height"));
    for (QPushButton* b : {m_add, m_remove, m_options})
        b->setAutoDefault(false);

    auto* rows = new QFormLayout;
    auto* comboLabel = new QLabel(QStringLiteral("Antenna number"), frame);
    comboLabel->setObjectName(QStringLiteral("Label1"));
    comboLabel->setBuddy(m_combo);
    rows->addRow(comboLabel, m_combo);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addLayout(rows);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addWidget(m_options);
    frameLayout->addLayout(buttons);

    auto* accept = button("Command5", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(ButtonRow(accept, cancel));

    for (int n = 1; n <= m_count; ++n)
        m_combo->addItem(QString::number(n));
    m_combo->setCurrentIndex(m_editing ? 0 : m_count - 1);
    if (m_editing) {
        m_add->setEnabled(false);
        m_remove->setEnabled(false);
    }

    connect(m_add, &QPushButton::clicked, this, &TowerDialog::addAntenna);
    connect(m_remove, &QPushButton::clicked, this, &TowerDialog::removeAntenna);
    connect(m_options, &QPushButton::clicked, this,
            [this] { emit optionsRequested(selectedAntenna()); });
    setTabOrder(m_combo, m_add);
    setTabOrder(m_add, m_remove);
    setTabOrder(m_remove, m_options);
    setTabOrder(m_options, accept);
    setTabOrder(accept, cancel);
}

int TowerDialog::selectedAntenna() const {
    bool ok = false;
    const int n = m_combo->currentText().toInt(&ok);
    return ok ? n : 1;
}

void TowerDialog::addAntenna() {
    // The count is an int16 in the project; beyond it the tower cannot grow.
    if (m_editing || m_count >= 32767) return;
    ++m_count;
    m_combo->addItem(QString::number(m_count));
    m_combo->setCurrentIndex(m_count - 1);
    emit antennaAdded(m_count);
}

void TowerDialog::removeAntenna() {
    if (m_editing || m_count <= 1) return;
    m_combo->removeItem(m_count - 1);
    --m_count;
    m_combo->setCurrentIndex(m_count - 1);
    emit antennaRemoved(m_count);
}

// ---------------------------------------------------------------------------
// fuent

AntennaDialog::AntennaDialog(const AntennaForm& form, QWidget* parent)
    : BrenvikDialog(parent), m_form(form) {
    setObjectName(QStringLiteral("fuent"));
    setWindowTitle(QStringLiteral("Antenna options"));

    QGroupBox* typeFrame = makeTypeFrame();
    makeFallFrame();
    makeDirectionFrame();
    QGroupBox* powerFrame = makePowerFrame();
    QGroupBox* heightFrame = makeHeightFrame();

    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));

    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    auto* grid = new QGridLayout;
    grid->addWidget(typeFrame, 0, 0);
    grid->addWidget(m_fallFrame, 1, 0);
    grid->addWidget(m_dirFrame, 2, 0);
    grid->addWidget(powerFrame, 0, 1, 2, 1);
    grid->addWidget(heightFrame, 2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    auto* bottom = ButtonRow(accept, cancel);
    bottom->insertWidget(0, m_label1);
    layout->addLayout(bottom);

    connectOptions();

    setTabOrder(m_baja, m_alta);
    setTabOrder(m_alta, m_angText);
    setTabOrder(m_angText, m_n);
    setTabOrder(m_n, m_e);
    setTabOrder(m_e, m_s);
    setTabOrder(m_s, m_w);
    setTabOrder(m_w, m_ang);
    setTabOrder(m_ang, m_antang);
    setTabOrder(m_antang, m_max);
    setTabOrder(m_max, m_med);
    setTabOrder(m_med, m_otr);
    setTabOrder(m_otr, m_potext);
    setTabOrder(m_potext, m_altm);
    setTabOrder(m_altm, m_mText);
    setTabOrder(m_mText, m_pisos);
    setTabOrder(m_pisos, m_pText);
    setTabOrder(m_pText, m_freq);
    setTabOrder(m_freq, accept);
    setTabOrder(accept, cancel);

    showForm();
}

// The "Antenna type" frame: stick or panel.
QGroupBox* AntennaDialog::makeTypeFrame() {
    auto* typeFrame = new QGroupBox(QStringLiteral("Antenna type"), this);
    typeFrame->setObjectName(QStringLiteral("Frame1"));
    m_baja = option("baja", QStringLiteral("DTS (stick)"), typeFrame);
    m_alta = option("alta", QStringLiteral("BTS (panel)"), typeFrame);
    auto* typeLayout = new QHBoxLayout(typeFrame);
    typeLayout->addWidget(m_baja);
    typeLayout->addWidget(m_alta);
    auto* typeGroup = new QButtonGroup(this);
    typeGroup->addButton(m_baja);
    typeGroup->addButton(m_alta);
    return typeFrame;
}

// The "Angle of fall" frame: the down-tilt box.
void AntennaDialog::makeFallFrame() {
    m_fallFrame = new QGroupBox(QStringLiteral("Angle of fall"), this);
    m_fallFrame->setObjectName(QStringLiteral("Frame2"));
    const AntennaFieldRow& tilt = FieldRow(AntennaField::Tilt);
    m_angText = box("angText",
                    QStringLiteral("Degrees, %1 to %2; positive tilts the beam down")
                        .arg(tilt.min)
                        .arg(tilt.max),
                    m_fallFrame);
    auto* fallLayout = new QHBoxLayout(m_fallFrame);
    fallLayout->addWidget(m_angText);
    auto* fallUnit = new QLabel(QStringLiteral("(in degrees)"), m_fallFrame);
    fallUnit->setObjectName(QStringLiteral("Label2"));
    fallLayout->addWidget(fallUnit);
    fallLayout->addStretch(1);
}

// The "Antenna direction" frame: the four points and a typed angle.
void AntennaDialog::makeDirectionFrame() {
    m_dirFrame = new QGroupBox(QStringLiteral("Antenna direction"), this);
    m_dirFrame->setObjectName(QStringLiteral("Frame3"));
    m_n = option("n", QStringLiteral("N"), m_dirFrame);
    m_e = option("e", QStringLiteral("E"), m_dirFrame);
    m_s = option("S", QStringLiteral("S"), m_dirFrame);
    m_w = option("w", QStringLiteral("W"), m_dirFrame);
    m_ang = option("ang", QStringLiteral("In degrees"), m_dirFrame);
    m_antang = box("antang", QStringLiteral("Degrees clockwise from the top of the plan (north)"),
                   m_dirFrame);
    m_n->setToolTip(QStringLiteral("0 degrees: top of the plan"));
    m_e->setToolTip(QStringLiteral("90 degrees: right of the plan"));
    m_s->setToolTip(QStringLiteral("180 degrees: bottom of the plan"));
    m_w->setToolTip(QStringLiteral("270 degrees: left of the plan"));
    auto* dirLayout = new QGridLayout(m_dirFrame);
    dirLayout->addWidget(m_n, 0, 1);
    dirLayout->addWidget(m_w, 1, 0);
    dirLayout->addWidget(m_e, 1, 2);
    dirLayout->addWidget(m_s, 2, 1);
    dirLayout->addWidget(m_ang, 3, 0);
    dirLayout->addWidget(m_antang, 3, 1, 1, 2);
    auto* dirGroup = new QButtonGroup(this);
    for (QRadioButton* b : {m_n, m_e, m_s, m_w, m_ang})
        dirGroup->addButton(b);
}

// The power frame: maximum, average or a typed ERP.
QGroupBox* AntennaDialog::makePowerFrame() {
    auto* powerFrame = new QGroupBox(QStringLiteral("Emission power in ERP (Watts)"), this);
    powerFrame->setObjectName(QStringLiteral("Frame4"));
    m_max = option("max", QStringLiteral("Maximum"), powerFrame);
    m_med = option("med", QStringLiteral("Average"), powerFrame);
    m_otr = option("otr", QStringLiteral("Other value"), powerFrame);
    m_potext = box("potext", QStringLiteral("Watts ERP"), powerFrame);
    m_max->setToolTip(QStringLiteral("1600 W"));
    m_med->setToolTip(QStringLiteral("300 W"));
    auto* powerLayout = new QGridLayout(powerFrame);
    powerLayout->addWidget(m_max, 0, 0);
    powerLayout->addWidget(m_med, 1, 0);
    powerLayout->addWidget(m_otr, 2, 0);
    powerLayout->addWidget(m_potext, 2, 1);
    auto* powerGroup = new QButtonGroup(this);
    for (QRadioButton* b : {m_max, m_med, m_otr})
        powerGroup->addButton(b);
    return powerFrame;
}

// The height frame: metres or floors above the ground, and the frequency.
QGroupBox* AntennaDialog::makeHeightFrame() {
    auto* heightFrame =
        new QGroupBox(QStringLiteral("Height of the antenna from the ground"), this);
    heightFrame->setObjectName(QStringLiteral("Frame5"));
    m_altm = option("altm", QStringLiteral("in meters"), heightFrame);
    m_pisos = option("pisos", QStringLiteral("in floors"), heightFrame);
    m_mText = box("mText", QStringLiteral("Metres above the ground"), heightFrame);
    m_pText = box("pText", QStringLiteral("Floors above the ground, 3 m each"), heightFrame);
    auto* heightLayout = new QGridLayout(heightFrame);
    heightLayout->addWidget(m_altm, 0, 0);
    heightLayout->addWidget(m_mText, 0, 1);
    heightLayout->addWidget(m_pisos, 1, 0);
    heightLayout->addWidget(m_pText, 1, 1);
    // Carrier frequency: the limits the exposure is measured against depend on it.
    m_freq = box("freqtext", QStringLiteral("Frequency (MHz)"), heightFrame);
    auto* freqCaption = new QLabel(QStringLiteral("Frequency (MHz):"), heightFrame);
    freqCaption->setBuddy(m_freq);
    heightLayout->addWidget(freqCaption, 2, 0);
    heightLayout->addWidget(m_freq, 2, 1);
    auto* heightGroup = new QButtonGroup(this);
    heightGroup->addButton(m_altm);
    heightGroup->addButton(m_pisos);
    return heightFrame;
}

void AntennaDialog::connectOptions() {
    // Option clicks: the form's rules decide what the boxes show and which
    // controls are enabled; the typed texts are kept across clicks.
    auto onClick = [this](QRadioButton* b, auto rule) {
        connect(b, &QRadioButton::clicked, this, [this, rule] {
            readBoxes();
            rule(m_form);
            showForm();
        });
    };
    onClick(m_alta, [](AntennaForm& f) { AntennaFormClickType(f, FuentType::Alta); });
    onClick(m_baja, [](AntennaForm& f) { AntennaFormClickType(f, FuentType::Baja); });
    onClick(m_n, [](AntennaForm& f) { AntennaFormClickDirection(f, FuentDirection::N); });
    onClick(m_e, [](AntennaForm& f) { AntennaFormClickDirection(f, FuentDirection::E); });
    onClick(m_s, [](AntennaForm& f) { AntennaFormClickDirection(f, FuentDirection::S); });
    onClick(m_w, [](AntennaForm& f) { AntennaFormClickDirection(f, FuentDirection::W); });
    onClick(m_ang, [](AntennaForm& f) { AntennaFormClickDirection(f, FuentDirection::Ang); });
    onClick(m_max, [](AntennaForm& f) { AntennaFormClickPower(f, FuentPower::Max); });
    onClick(m_med, [](AntennaForm& f) { AntennaFormClickPower(f, FuentPower::Med); });
    onClick(m_otr, [](AntennaForm& f) { AntennaFormClickPower(f, FuentPower::Otr); });
    onClick(m_altm, [](AntennaForm& f) { AntennaFormClickHeight(f, FuentHeight::Altm); });
    onClick(m_pisos, [](AntennaForm& f) { AntennaFormClickHeight(f, FuentHeight::Pisos); });
}

void AntennaDialog::setForm(const AntennaForm& form) {
    m_form = form;
    showForm();
}

void AntennaDialog::showForm() {
    const AntennaForm& f = m_form;
    (f.type == FuentType::Alta ? m_alta : m_baja)->setChecked(true);
    QRadioButton* dir[] = {m_n, m_e, m_s, m_w, m_ang};
    dir[static_cast<int>(f.direction)]->setChecked(true);
    QRadioButton* power[] = {m_max, m_med, m_otr};
    power[static_cast<int>(f.power)]->setChecked(true);
    (f.height == FuentHeight::Pisos ? m_pisos : m_altm)->setChecked(true);

    m_angText->setText(QString::fromStdString(f.angText));
    m_antang->setText(QString::fromStdString(f.antang));
    m_potext->setText(QString::fromStdString(f.potext));
    m_mText->setText(QString::fromStdString(f.mText));
    m_pText->setText(QString::fromStdString(f.pText));
    m_freq->setText(QString::fromStdString(f.freqText));

    // A stick antenna has neither tilt nor direction: the two frames and
    // everything in them follow the panel rule.
    m_fallFrame->setEnabled(f.panelControlsEnabled);
    m_dirFrame->setEnabled(f.panelControlsEnabled);
    m_angText->setEnabled(f.panelControlsEnabled);
    for (QRadioButton* b : dir)
        b->setEnabled(f.panelControlsEnabled);
    m_antang->setEnabled(f.antangEnabled);
    m_potext->setEnabled(f.potextEnabled);
    m_mText->setEnabled(f.mTextEnabled);
    m_pText->setEnabled(f.pTextEnabled);
    emit mountingChanged();
}

void AntennaDialog::addBeamBox(QWidget* box) {
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, box, 1);
    connect(m_angText, &QLineEdit::textEdited, this, &AntennaDialog::mountingChanged);
}

void AntennaDialog::readBoxes() {
    m_form.angText = m_angText->text().toStdString();
    m_form.antang = m_antang->text().toStdString();
    m_form.potext = m_potext->text().toStdString();
    m_form.mText = m_mText->text().toStdString();
    m_form.pText = m_pText->text().toStdString();
    m_form.freqText = m_freq->text().toStdString();
}

void AntennaDialog::setEditedIndex(int index) {
    m_label1->setText(QStringLiteral("fuentenumero") + QString::number(index));
}

AntennaForm AntennaDialog::form() const {
    AntennaForm f = m_form;
    f.angText = m_angText->text().toStdString();
    f.antang = m_antang->text().toStdString();
    f.potext = m_potext->text().toStdString();
    f.mText = m_mText->text().toStdString();
    f.pText = m_pText->text().toStdString();
    f.freqText = m_freq->text().toStdString();
    return f;
}

// ---------------------------------------------------------------------------
// pantenas

AntennaParamsDialog::AntennaParamsDialog(const OpenAnglesForm& form, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("pantenas"));
    setWindowTitle(QStringLiteral("Antenna parameters"));

    m_text1 = box("Text1", QStringLiteral("Degrees, 0 to 85"), this);
    m_text2 = box("Text2", QStringLiteral("1/180 of a radian each, 0 to 85"), this);
    m_text1->setText(QString::fromStdString(form.text1));
    m_text2->setText(QString::fromStdString(form.text2));

    auto* rows = new QFormLayout;
    auto* l1 =
        new QLabel(QStringLiteral("Open angle for the BTS antenna (panel) case (degrees)"), this);
    auto* l2 =
        new QLabel(QStringLiteral("Open angle for the DTS antenna (stick) case (1/180 rad)"), this);
    l1->setObjectName(QStringLiteral("Label1"));
    l2->setObjectName(QStringLiteral("Label2"));
    l1->setBuddy(m_text1);
    l2->setBuddy(m_text2);
    rows->addRow(l1, m_text1);
    rows->addRow(l2, m_text2);

    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(ButtonRow(accept, cancel));
}

OpenAnglesForm AntennaParamsDialog::form() const {
    return {m_text1->text().toStdString(), m_text2->text().toStdString()};
}

} // namespace brenvik
