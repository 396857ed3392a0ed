#include "app/dialogs/BeamBox.h"

#include "antenna/BeamCuts.h"
#include "app/dialogs/DialogBase.h"
#include "app/dialogs/PolarPlot.h"
#include "model/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace brenvik {

namespace {
// Pattern files: MSI/Planet text under its usual names.
constexpr const char* kPatternFilter = "Pattern Files (*.msi *.pln *.txt)| *.msi;*.pln;*.txt";
// The array's boxes by their place in antenna::ArrayFields().
constexpr std::size_t kRowsBox = 0, kColumnsBox = 1;
constexpr std::size_t kFactorBox = antenna::ArrayFieldCount - 1;
// An antenna made adaptive without an array of its own starts as a common
// panel of 8 x 8 elements.
constexpr const char* kFirstArraySide = "8";

bool ArrayGiven(const antenna::BeamForm& f) {
    const auto count = [&f](std::size_t k) {
        return dialognum::ParseStd(f.arrayTexts[k]).value_or(0.0);
    };
    return count(kRowsBox) >= 1 && count(kColumnsBox) >= 1;
}
} // namespace

BeamBox::BeamBox(const antenna::BeamForm& form, QWidget* parent)
    : QGroupBox(QStringLiteral("Beam of the far-field model"), parent), m_form(form) {
    setObjectName(QStringLiteral("beamBox"));
    m_pattern = new QComboBox(this);
    m_pattern->setObjectName(QStringLiteral("pattern"));
    m_pattern->setToolTip(
        QStringLiteral("The parametric beam, a pattern of the project, or a pattern file"));
    auto* patternLabel = new QLabel(QStringLiteral("Pattern:"), this);
    patternLabel->setBuddy(m_pattern);
    m_h = dialogui::box("hBeamwidth", QStringLiteral("Horizontal half-power beamwidth, degrees"),
                        this);
    m_v = dialogui::box(
        "vBeamwidth",
        QStringLiteral("Vertical half-power beamwidth, degrees; empty: twice the open angle"),
        this);
    m_e = dialogui::box("electricalTilt", QStringLiteral("Electrical down-tilt, degrees"), this);
    m_gain = new QLabel(this);
    m_gain->setObjectName(QStringLiteral("beamGain"));
    m_warning = new QLabel(this);
    m_warning->setObjectName(QStringLiteral("patternWarning"));
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; }"));
    m_warning->hide();
    m_hPlot = new PolarPlot(PolarPlot::Kind::Horizontal, this);
    m_hPlot->setObjectName(QStringLiteral("horizontalPlot"));
    m_vPlot = new PolarPlot(PolarPlot::Kind::Vertical, this);
    m_vPlot->setObjectName(QStringLiteral("verticalPlot"));

    auto* boxes = new QGridLayout;
    boxes->addWidget(patternLabel, 0, 0);
    boxes->addWidget(m_pattern, 0, 1, 1, 5);
    const auto caption = [this](const QString& text, QLineEdit* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    boxes->addWidget(caption(QStringLiteral("Horizontal width (°):"), m_h), 1, 0);
    boxes->addWidget(m_h, 1, 1);
    boxes->addWidget(caption(QStringLiteral("Vertical width (°):"), m_v), 1, 2);
    boxes->addWidget(m_v, 1, 3);
    boxes->addWidget(caption(QStringLiteral("Electrical tilt (°):"), m_e), 1, 4);
    boxes->addWidget(m_e, 1, 5);
    auto* plots = new QHBoxLayout;
    plots->addWidget(m_hPlot);
    plots->addWidget(m_vPlot);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addLayout(makeArrayBoxes());
    layout->addLayout(plots, 1);
    layout->addWidget(m_gain);
    layout->addWidget(m_warning);

    connect(m_pattern, &QComboBox::activated, this, &BeamBox::choiceChanged);
    for (QLineEdit* b : {m_h, m_v, m_e})
        connect(b, &QLineEdit::textEdited, this, &BeamBox::replot);
    for (QLineEdit* b : m_array)
        connect(b, &QLineEdit::textEdited, this, &BeamBox::replot);
    connect(m_adaptive, &QCheckBox::clicked, this, &BeamBox::adaptiveToggled);
    showForm();
}

QLayout* BeamBox::makeArrayBoxes() {
    m_adaptive = new QCheckBox(QStringLiteral("Adaptive array (beam steered over a range)"), this);
    m_adaptive->setObjectName(QStringLiteral("adaptive"));
    m_adaptive->setToolTip(
        QStringLiteral("The beam is the envelope of the array steered over its ranges"));
    auto* grid = new QGridLayout;
    grid->addWidget(m_adaptive, 0, 0, 1, 6);
    for (std::size_t k = 0; k < antenna::ArrayFieldCount; ++k) {
        const AntennaFieldRow& r = FieldRow(antenna::ArrayFields()[k]);
        QLineEdit* e = dialogui::box(antenna::ArrayRules()[k].box.c_str(), QString(), this);
        e->setMaximumWidth(90);
        auto* l = new QLabel(QString::fromUtf8(r.label) + QStringLiteral(":"), this);
        l->setBuddy(e);
        const int at = int(k);
        grid->addWidget(l, 1 + at / 3, (at % 3) * 2);
        grid->addWidget(e, 1 + at / 3, (at % 3) * 2 + 1);
        m_array.push_back(e);
    }
    m_factorSource = new QLineEdit(this);
    m_factorSource->setObjectName(QStringLiteral("powerFactorSource"));
    m_factorSource->setToolTip(
        QStringLiteral("The rule or study the power factor comes from, e.g. a national factor"));
    auto* l = new QLabel(QString::fromUtf8(FieldRow(AntennaField::PowerFactorSource).label) +
                             QStringLiteral(":"),
                         this);
    l->setBuddy(m_factorSource);
    const int row = 1 + int(antenna::ArrayFieldCount) / 3 + 1;
    grid->addWidget(l, row, 0);
    grid->addWidget(m_factorSource, row, 1, 1, 5);
    return grid;
}

antenna::BeamForm BeamBox::form() const {
    antenna::BeamForm f = m_form;
    // The array and the power factor hold whatever beam is chosen: an
    // imported envelope is reduced by the factor as a typed array is.
    for (std::size_t k = 0; k < m_array.size() && k < f.arrayTexts.size(); ++k)
        f.arrayTexts[k] = m_array[k]->text().toStdString();
    f.factorSource = m_factorSource->text().toStdString();
    // With a pattern the boxes show the pattern's own figures; the typed
    // beam is kept as it was, ready should the pattern be dropped.
    if (f.choice >= 0) return f;
    f.hText = m_h->text().toStdString();
    f.vText = m_v->text().toStdString();
    f.eText = m_e->text().toStdString();
    return f;
}

void BeamBox::setForm(const antenna::BeamForm& form) {
    m_form = form;
    showForm();
}

void BeamBox::setMounting(bool stick, double tiltDeg, double defaultVBeamwidthDeg) {
    m_stick = stick;
    m_tiltDeg = stick ? 0.0 : tiltDeg;
    m_defaultV = defaultVBeamwidthDeg;
    m_v->setPlaceholderText(dialognum::text(defaultVBeamwidthDeg));
    m_form = form(); // what is typed stays
    showForm();
}

void BeamBox::setCarrier(double frequencyMHz) {
    m_carrierMHz = frequencyMHz;
    replot();
}

void BeamBox::showForm() {
    {
        const QSignalBlocker block(m_pattern);
        m_pattern->clear();
        m_pattern->addItem(QStringLiteral("Parametric"));
        for (const AntennaPattern& p : m_form.patterns)
            m_pattern->addItem(QString::fromStdString(p.Name));
        m_pattern->addItem(QStringLiteral("From file..."));
        m_pattern->setCurrentIndex(m_form.choice + 1);
    }
    m_h->setText(QString::fromStdString(m_form.hText));
    m_v->setText(QString::fromStdString(m_form.vText));
    m_e->setText(QString::fromStdString(m_form.eText));
    showPatternFigures();
    const bool parametric = m_form.choice < 0;
    m_h->setEnabled(parametric && !m_stick);
    m_v->setEnabled(parametric);
    m_e->setEnabled(parametric);
    for (std::size_t k = 0; k < m_array.size() && k < m_form.arrayTexts.size(); ++k)
        m_array[k]->setText(QString::fromStdString(m_form.arrayTexts[k]));
    m_factorSource->setText(QString::fromStdString(m_form.factorSource));
    m_adaptive->setChecked(ArrayGiven(m_form));
    enableArrayBoxes();
    replot();
}

void BeamBox::adaptiveToggled(bool on) {
    m_form = form();
    // Rows and columns of 0 make the antenna a plain one again; the other
    // boxes keep what was typed, ready should the array come back.
    for (const std::size_t k : {kRowsBox, kColumnsBox})
        m_form.arrayTexts[k] = on ? kFirstArraySide : "0";
    showForm();
}

// The array's boxes are greyed unless the antenna is adaptive; the power
// factor and its source apply to every antenna.
void BeamBox::enableArrayBoxes() {
    const bool adaptive = m_adaptive->isChecked();
    for (std::size_t k = 0; k < m_array.size(); ++k)
        m_array[k]->setEnabled(k == kFactorBox || adaptive);
}

void BeamBox::choiceChanged(int index) {
    if (index == m_pattern->count() - 1) { // "From file..."
        if (m_prompts)
            importFrom(*m_prompts);
        else
            emit importRequested();
        return;
    }
    m_form = form();
    m_form.choice = index - 1;
    showForm();
}

void BeamBox::importFrom(Prompts& prompts) {
    m_form = form(); // what is typed stays, whatever the file gives
    antenna::BeamForm f = m_form;
    const auto path = prompts.openPath(kPatternFilter);
    if (!path) {
        showForm(); // the choice goes back to what it was
        return;
    }
    const antenna::BeamImport r = antenna::BeamFormImport(f, *path);
    if (r.error) {
        prompts.message(*r.error);
        showForm();
        return;
    }
    setForm(f);
    for (const std::string& w : r.warnings)
        prompts.message(w);
}

// The greyed boxes of a chosen pattern tell its own widths and tilt.
void BeamBox::showPatternFigures() {
    if (m_form.choice < 0 || m_form.choice >= int(m_form.patterns.size())) return;
    const antenna::PatternFigures fig =
        antenna::PatternOwnFigures(m_form.patterns[std::size_t(m_form.choice)]);
    const auto degrees = [](double d) {
        return d >= 360.0 ? QStringLiteral("no 3 dB fall") : QString::number(d, 'f', 1);
    };
    m_h->setText(m_stick ? QString() : degrees(fig.hWidthDeg));
    m_v->setText(degrees(fig.vWidthDeg));
    m_e->setText(QString::number(fig.tiltDeg, 'f', 1));
}

void BeamBox::replot() {
    const antenna::BeamForm f = form();
    const antenna::Beam b = antenna::BeamFormBeam(f, m_stick, m_defaultV, dialognum::parser());
    const auto note = b.pattern ? antenna::FrequencyWarning(*b.pattern, m_carrierMHz)
                                : std::optional<std::string>();
    m_warning->setText(note ? QStringLiteral("Warning: this pattern was ") +
                                  QString::fromStdString(*note) +
                                  QStringLiteral("; it describes another band's beam.")
                            : QString());
    m_warning->setVisible(note.has_value());
    m_hPlot->setCut(antenna::HorizontalCut(b));
    m_vPlot->setCut(antenna::VerticalCut(b, m_tiltDeg));
    if (b.pattern)
        m_gain->setText(
            QStringLiteral("%1: gain %2 dBi%3")
                .arg(QString::fromStdString(b.pattern->Name))
                .arg(b.pattern->GainDbi, 0, 'f', 2)
                .arg(b.pattern->Source.empty()
                         ? QString()
                         : QStringLiteral(", from ") + QString::fromStdString(b.pattern->Source)));
    else
        m_gain->setText(QStringLiteral("Parametric beam: directivity %1 dBi")
                            .arg(antenna::DirectivityDbi(b), 0, 'f', 1));
}

} // namespace brenvik
