#include "app/dialogs/DisplayDialogs.h"

#include "render/Dots.h"

#include <QButtonGroup>
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

namespace {

QLabel* MakeSwatch(const char* name, QWidget* parent) {
    auto* swatch = new QLabel(parent);
    swatch->setObjectName(QString::fromLatin1(name));
    swatch->setFixedSize(48, 48);
    swatch->setFrameShape(QFrame::Box);
    swatch->setAutoFillBackground(true);
    return swatch;
}

// A box filled and outlined in the colour; its long value is kept as the
// "colour" property so that what is shown can be checked.
void FillSwatch(QLabel* swatch, render::Rgb colour) {
    QPalette pal = swatch->palette();
    pal.setColor(QPalette::Window, ToQColor(colour));
    pal.setColor(QPalette::WindowText, ToQColor(colour));
    swatch->setPalette(pal);
    swatch->setProperty("colour", QVariant::fromValue<qlonglong>(render::ColourValue(colour)));
    swatch->update();
}

std::optional<int> CheckedOption(const QButtonGroup* group) {
    const int id = group->checkedId();
    return id < 0 ? std::nullopt : std::optional<int>(id);
}

} // namespace

QColor ToQColor(render::Rgb colour) {
    return QColor(colour.r, colour.g, colour.b);
}

// ---------------------------------------------------------------------------
// colorb

ColoursDialog::ColoursDialog(render::Rgb isolineColour, render::Rgb markColour, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("colorb"));
    setWindowTitle(QStringLiteral("Calculation colours"));

    auto* markFrame = new QGroupBox(QStringLiteral("Source colour and maximum point colour"), this);
    markFrame->setObjectName(QStringLiteral("Frame1"));
    auto* isolineFrame = new QGroupBox(QStringLiteral("Isoline colour"), this);
    isolineFrame->setObjectName(QStringLiteral("Frame2"));
    m_markGroup = new QButtonGroup(this);
    m_isolineGroup = new QButtonGroup(this);
    auto* markGrid = new QGridLayout;
    auto* isolineGrid = new QGridLayout;
    const auto options = render::CalcColourOptions();
    for (int n = 0; n < static_cast<int>(options.size()); ++n) {
        const QString caption = QString::fromLatin1(options[n].caption);
        QRadioButton* m = option(options[n].markOption, caption, markFrame);
        QRadioButton* l = option(options[n].isolineOption, caption, isolineFrame);
        m_markGroup->addButton(m, n);
        m_isolineGroup->addButton(l, n);
        markGrid->addWidget(m, n % 4, n / 4);
        isolineGrid->addWidget(l, n % 4, n / 4);
    }
    m_markSwatch = MakeSwatch("markSwatch", markFrame);
    m_isolineSwatch = MakeSwatch("isolineSwatch", isolineFrame);
    auto* markLayout = new QHBoxLayout(markFrame);
    markLayout->addWidget(m_markSwatch);
    markLayout->addLayout(markGrid);
    auto* isolineLayout = new QHBoxLayout(isolineFrame);
    isolineLayout->addWidget(m_isolineSwatch);
    isolineLayout->addLayout(isolineGrid);

    auto* accept = button("Aceptar", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(markFrame);
    layout->addWidget(isolineFrame);
    layout->addLayout(ButtonRow(accept, nullptr));

    // On activation: the option of each stored colour (none when it is not one
    // of the eight) and its swatch.
    if (auto o = render::CalcColourOptionFor(isolineColour))
        m_isolineGroup->button(*o)->setChecked(true);
    if (auto o = render::CalcColourOptionFor(markColour)) m_markGroup->button(*o)->setChecked(true);
    FillSwatch(m_isolineSwatch, isolineColour);
    FillSwatch(m_markSwatch, markColour);

    connect(m_isolineGroup, &QButtonGroup::idClicked, this, [this](int id) {
        FillSwatch(m_isolineSwatch, render::CalcColourOptions()[id].colour);
        emit isolineOptionChosen(id);
    });
    connect(m_markGroup, &QButtonGroup::idClicked, this, [this](int id) {
        FillSwatch(m_markSwatch, render::CalcColourOptions()[id].colour);
        emit markOptionChosen(id);
    });
}

std::optional<int> ColoursDialog::isolineOption() const {
    return CheckedOption(m_isolineGroup);
}
std::optional<int> ColoursDialog::markOption() const {
    return CheckedOption(m_markGroup);
}

// ---------------------------------------------------------------------------
// malla

SizeDialog::SizeDialog(const render::SizeFormTexts& texts, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("malla"));
    setWindowTitle(QString::fromStdString(texts.caption));

    const bool gridSize = texts.caption == "Grid size";
    m_text = box("Text1",
                 gridSize ? QStringLiteral("Calculation points along the X axis: a whole number, "
                                           "3 or more (at most 15360)")
                          : QStringLiteral("Number of isoline levels: a whole number, 1 or more"),
                 this);
    m_text->setText(QString::fromStdString(texts.value));
    auto* label = new QLabel(QString::fromStdString(texts.label), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(m_text);

    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("cancelar", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("Label2"));
    m_note->setWordWrap(true);
    m_cover = button("cubrir", QStringLiteral("Cover the whole plan"), this);
    m_note->hide();
    m_cover->hide();
    connect(m_cover, &QPushButton::clicked, this,
            [this] { m_text->setText(QString::number(m_fullCount)); });
    connect(m_text, &QLineEdit::textChanged, this,
            [this](const QString& t) { emit valueEdited(t.toStdString()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_text);
    layout->addWidget(m_note);
    layout->addWidget(m_cover, 0, Qt::AlignLeft);
    layout->addLayout(ButtonRow(accept, cancel));
}

void SizeDialog::showCoverage(const QString& note, int fullCount) {
    m_fullCount = fullCount;
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
    m_cover->setText(QStringLiteral("Use %1 points").arg(fullCount));
    m_cover->setVisible(!note.isEmpty());
}

std::string SizeDialog::valueText() const {
    return m_text->text().toStdString();
}

// ---------------------------------------------------------------------------
// colordifuminado

DotColoursDialog::DotColoursDialog(const DisplaySettings& s, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("colordifuminado"));
    setWindowTitle(QStringLiteral("Colours of the dots"));

    QGroupBox* colourFrame = makeColourFrame();
    QGroupBox* randomFrame = makeRandomFrame();
    QGroupBox* pointsFrame = makePointsFrame();
    QFormLayout* rows = makeSizeRows(s);

    auto* accept = button("Aceptar", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);

    // One regular grid: the colours across the top, the three groups of
    // options in equal columns under them, the button last.
    auto* layout = new QGridLayout(this);
    layout->addWidget(colourFrame, 0, 0, 1, 3);
    layout->addWidget(randomFrame, 1, 0);
    layout->addWidget(pointsFrame, 1, 1);
    layout->addLayout(rows, 1, 2);
    layout->addLayout(ButtonRow(accept, nullptr), 2, 0, 1, 3);
    for (int c = 0; c < 3; ++c)
        layout->setColumnStretch(c, 1);

    // On activation: the options that match the current settings.
    const int scheme = render::dotScheme(s.DotScheme).scheme;
    m_schemes->button(scheme)->setChecked(true);
    FillSwatch(m_swatch, render::dotScheme(scheme).swatch);
    m_random->button(static_cast<int>(render::JitterOptionFor(s.DotJitter)))->setChecked(true);
    m_points->button(s.DotCount == 2 ? 2 : 1)->setChecked(true);

    connect(m_schemes, &QButtonGroup::idClicked, this, [this](int id) {
        FillSwatch(m_swatch, render::dotScheme(id).swatch);
        emit schemeChosen(id);
    });
    connect(m_random, &QButtonGroup::idClicked, this,
            [this](int id) { emit jitterChosen(static_cast<render::JitterOption>(id)); });
    connect(m_points, &QButtonGroup::idClicked, this, [this](int id) { emit countChosen(id); });
}

// The colour schemes, in their rows, beside the swatch of the chosen one.
QGroupBox* DotColoursDialog::makeColourFrame() {
    auto* colourFrame = new QGroupBox(QStringLiteral("Colour of the points"), this);
    colourFrame->setObjectName(QStringLiteral("Frame1"));
    m_schemes = new QButtonGroup(this);
    auto* colourGrid = new QGridLayout;
    auto* withWhite = new QLabel(QStringLiteral("With white:"), colourFrame);
    withWhite->setObjectName(QStringLiteral("Label4"));
    auto* withBlack = new QLabel(QStringLiteral("With black:"), colourFrame);
    withBlack->setObjectName(QStringLiteral("Label5"));
    colourGrid->addWidget(withWhite, 0, 0);
    colourGrid->addWidget(withBlack, 2, 0);
    int whiteColumn = 1, mixedColumn = 1, blackColumn = 1;
    for (int n = 1; n <= render::kDotSchemeCount; ++n) {
        const render::DotSchemeInfo& info = render::dotScheme(n);
        QRadioButton* b = option(info.optionName, QString::fromLatin1(info.caption), colourFrame);
        m_schemes->addButton(b, n);
        // Ramps from white on the first row, the two-colour ramps under them,
        // the ramps from black last.
        if (info.blackRow)
            colourGrid->addWidget(b, 2, blackColumn++);
        else if (n <= 7)
            colourGrid->addWidget(b, 0, whiteColumn++);
        else
            colourGrid->addWidget(b, 1, mixedColumn++);
    }
    for (int c = 1; c < colourGrid->columnCount(); ++c)
        colourGrid->setColumnStretch(c, 1); // the options in columns of one width
    m_swatch = MakeSwatch("swatch", colourFrame);
    auto* colourLayout = new QHBoxLayout(colourFrame);
    colourLayout->addWidget(m_swatch);
    colourLayout->addLayout(colourGrid);
    return colourFrame;
}

// Whether the dots stray from their grid points, and how far.
QGroupBox* DotColoursDialog::makeRandomFrame() {
    auto* randomFrame = new QGroupBox(QStringLiteral("RANDOM"), this);
    randomFrame->setObjectName(QStringLiteral("Frame2"));
    m_random = new QButtonGroup(this);
    QRadioButton* no = option("Option1", QStringLiteral("No"), randomFrame);
    QRadioButton* yes = option("Option2", QStringLiteral("Yes"), randomFrame);
    QRadioButton* few = option("Option3", QStringLiteral("few"), randomFrame);
    no->setToolTip(QStringLiteral("Every dot sits on its grid point"));
    yes->setToolTip(QStringLiteral("Dots spread up to half a cell around their point"));
    few->setToolTip(QStringLiteral("Dots spread up to a quarter of a cell around their point"));
    m_random->addButton(no, static_cast<int>(render::JitterOption::No));
    m_random->addButton(yes, static_cast<int>(render::JitterOption::Yes));
    m_random->addButton(few, static_cast<int>(render::JitterOption::Few));
    auto* randomLayout = new QVBoxLayout(randomFrame);
    for (QRadioButton* b : {no, yes, few})
        randomLayout->addWidget(b);
    return randomFrame;
}

// One or two dots per grid point.
QGroupBox* DotColoursDialog::makePointsFrame() {
    auto* pointsFrame = new QGroupBox(QStringLiteral("Number of points"), this);
    pointsFrame->setObjectName(QStringLiteral("Frame3"));
    m_points = new QButtonGroup(this);
    QRadioButton* one = option("Option4", QStringLiteral("1"), pointsFrame);
    QRadioButton* two = option("Option5", QStringLiteral("2"), pointsFrame);
    one->setToolTip(QStringLiteral("One dot per grid point"));
    two->setToolTip(QStringLiteral("A second dot half a cell right of and below the first"));
    m_points->addButton(one, 1);
    m_points->addButton(two, 2);
    auto* pointsLayout = new QVBoxLayout(pointsFrame);
    pointsLayout->addWidget(one);
    pointsLayout->addWidget(two);
    return pointsFrame;
}

// The radius of the dots and the share of the maximum they start from.
QFormLayout* DotColoursDialog::makeSizeRows(const DisplaySettings& s) {
    m_rradio =
        box("rradio", QStringLiteral("Radius of every dot in drawing units; 1 or more"), this);
    m_cutcol = box(
        "cutcol", QStringLiteral("Dots from this percentage of the maximum value, 0 to 100"), this);
    m_rradio->setText(dialognum::text(s.DotRadius));
    m_cutcol->setText(dialognum::text(s.DotFromPercent));
    auto* radiusLabel = new QLabel(QStringLiteral("Point radius"), this);
    radiusLabel->setObjectName(QStringLiteral("Label1"));
    radiusLabel->setBuddy(m_rradio);
    auto* fromLabel = new QLabel(QStringLiteral("Colour from:"), this);
    fromLabel->setObjectName(QStringLiteral("Label2"));
    fromLabel->setBuddy(m_cutcol);
    auto* percentLabel = new QLabel(QStringLiteral("% maximum value"), this);
    percentLabel->setObjectName(QStringLiteral("Label3"));
    auto* fromRow = new QHBoxLayout;
    fromRow->addWidget(m_cutcol);
    fromRow->addWidget(percentLabel);
    auto* rows = new QFormLayout;
    rows->addRow(radiusLabel, m_rradio);
    rows->addRow(fromLabel, fromRow);
    return rows;
}

int DotColoursDialog::scheme() const {
    const int id = m_schemes->checkedId();
    return id < 1 ? 15 : id;
}

int DotColoursDialog::count() const {
    return m_points->checkedId() == 2 ? 2 : 1;
}

render::JitterOption DotColoursDialog::jitter() const {
    return static_cast<render::JitterOption>(m_random->checkedId());
}

std::string DotColoursDialog::fromPercentText() const {
    return m_cutcol->text().toStdString();
}
std::string DotColoursDialog::radiusText() const {
    return m_rradio->text().toStdString();
}

} // namespace brenvik
