#include "app/dialogs/DisplayDialogs.h"

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

constexpr LongColour rgb(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}

// The classic console palette entries the colour dialogs offer.
constexpr LongColour QB0 = rgb(0, 0, 0);
constexpr LongColour QB2 = rgb(0, 128, 0);
constexpr LongColour QB9 = rgb(0, 0, 255);
constexpr LongColour QB11 = rgb(0, 255, 255);
constexpr LongColour QB12 = rgb(255, 0, 0);
constexpr LongColour QB13 = rgb(255, 0, 255);
constexpr LongColour QB14 = rgb(255, 255, 0);
constexpr LongColour QB15 = rgb(255, 255, 255);

QLabel* makeSwatch(const char* name, QWidget* parent) {
    auto* swatch = new QLabel(parent);
    swatch->setObjectName(QString::fromLatin1(name));
    swatch->setFixedSize(48, 48);
    swatch->setFrameShape(QFrame::Box);
    swatch->setAutoFillBackground(true);
    return swatch;
}

void fillSwatch(QLabel* swatch, LongColour colour) {
    QPalette pal = swatch->palette();
    pal.setColor(QPalette::Window, toQColor(colour));
    pal.setColor(QPalette::WindowText, toQColor(colour));
    swatch->setPalette(pal);
    swatch->setProperty("colour", static_cast<int>(colour));
    swatch->update();
}

} // namespace

QColor toQColor(LongColour colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// ---------------------------------------------------------------------------
// colorb

const std::array<LongColour, 8>& ColoursDialog::palette() {
    static const std::array<LongColour, 8> colours = {QB11, QB15, QB14, QB0, QB12, QB13, QB2, QB9};
    return colours;
}

ColoursDialog::ColoursDialog(LongColour isolineColour, LongColour markColour, QWidget* parent)
    : BrenvikDialog(parent), m_isoline(isolineColour), m_mark(markColour) {
    setObjectName(QStringLiteral("colorb"));
    setWindowTitle(QStringLiteral("Calculation colours"));

    struct Entry {
        const char* isolineName;
        const char* markName;
        const char* caption;
    };
    static const Entry entries[8] = {{"aguamarinalinea", "aguamarina", "Light blue"},
                                     {"blancolinea", "blanco", "White"},
                                     {"Amarillolinea", "Amarillo", "Yellow"},
                                     {"Grislinea", "gris", "Black"},
                                     {"Rojolinea", "Rojo", "Red"},
                                     {"Fucsialinea", "Fucsia", "Fucsia"},
                                     {"Verdelinea", "Verde", "Green"},
                                     {"azulinea", "Azul", "Blue"}};

    auto* markFrame = new QGroupBox(QStringLiteral("Source colour and maximum point colour"), this);
    markFrame->setObjectName(QStringLiteral("Frame1"));
    auto* isolineFrame = new QGroupBox(QStringLiteral("Isoline colour"), this);
    isolineFrame->setObjectName(QStringLiteral("Frame2"));
    m_markGroup = new QButtonGroup(this);
    m_isolineGroup = new QButtonGroup(this);
    auto* markGrid = new QGridLayout;
    auto* isolineGrid = new QGridLayout;
    for (int n = 0; n < 8; ++n) {
        const QString caption = QString::fromLatin1(entries[n].caption);
        QRadioButton* m = option(entries[n].markName, caption, markFrame);
        QRadioButton* l = option(entries[n].isolineName, caption, isolineFrame);
        m_markGroup->addButton(m, n);
        m_isolineGroup->addButton(l, n);
        markGrid->addWidget(m, n % 4, n / 4);
        isolineGrid->addWidget(l, n % 4, n / 4);
    }
    m_markSwatch = makeSwatch("markSwatch", markFrame);
    m_isolineSwatch = makeSwatch("isolineSwatch", isolineFrame);
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
    layout->addLayout(buttonRow(accept, nullptr));

    // Select the option of each current colour (none when the colour is not
    // one of the eight) and show it.
    const auto& colours = palette();
    for (int n = 0; n < 8; ++n) {
        if (colours[n] == m_isoline) m_isolineGroup->button(n)->setChecked(true);
        if (colours[n] == m_mark) m_markGroup->button(n)->setChecked(true);
    }
    paintSwatch(m_isolineSwatch, m_isoline);
    paintSwatch(m_markSwatch, m_mark);

    connect(m_isolineGroup, &QButtonGroup::idClicked, this, [this](int id) {
        m_isoline = palette()[id];
        paintSwatch(m_isolineSwatch, m_isoline);
        emit isolineColourChosen(m_isoline);
    });
    connect(m_markGroup, &QButtonGroup::idClicked, this, [this](int id) {
        m_mark = palette()[id];
        paintSwatch(m_markSwatch, m_mark);
        emit markColourChosen(m_mark);
    });
}

void ColoursDialog::paintSwatch(QLabel* swatch, LongColour colour) {
    fillSwatch(swatch, colour);
}

// ---------------------------------------------------------------------------
// malla

MallaDialog::MallaDialog(Mode mode, int value, QWidget* parent)
    : BrenvikDialog(parent), m_mode(mode) {
    setObjectName(QStringLiteral("malla"));
    const bool grid = mode == Mode::GridSize;
    setWindowTitle(grid ? QStringLiteral("Grid size") : QStringLiteral("Number of isolines"));

    m_text = box("Text1",
                 grid ? QStringLiteral("Calculation points along the X axis; 3 or more")
                      : QStringLiteral("Number of isoline levels; 1 or more"),
                 this);
    m_text->setText(QString::number(value));
    auto* label = new QLabel(grid ? QStringLiteral("Introduce the number of calculation points in "
                                                   "the X-Axis")
                                  : QStringLiteral("Introduce the number of isolines"),
                             this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(m_text);

    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("cancelar", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_text);
    layout->addLayout(buttonRow(accept, cancel));
}

std::string MallaDialog::valueText() const {
    return m_text->text().toStdString();
}

// ---------------------------------------------------------------------------
// colordifuminado

LongColour DotColoursDialog::swatchColour(int scheme) {
    static const LongColour swatches[18] = {QB0,  QB9,  QB13, QB0,  QB2, QB12, QB14, QB11, QB12,
                                            QB13, QB13, QB9,  QB13, QB0, QB2,  QB12, QB14, QB11};
    return scheme >= 1 && scheme <= 17 ? swatches[scheme] : QB0;
}

DotColoursDialog::DotColoursDialog(const DotSettings& s, QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("colordifuminado"));
    setWindowTitle(QStringLiteral("Colours of the dots"));

    struct Scheme {
        const char* name;
        const char* caption;
    };
    static const Scheme schemes[17] = {{"Azul", "Blue"},
                                       {"Fucsia", "Fucshia"},
                                       {"gris", "Black"},
                                       {"Verde", "Green"},
                                       {"Rojo", "Red"},
                                       {"Amarillo", "Yellow"},
                                       {"aguamarina", "Light blue"},
                                       {"rojoamarillo", "Red-Yellow"},
                                       {"fucsiarojo", "Fucshia-Red"},
                                       {"fucsiaamarillo", "Fucshia-Yellow"},
                                       {"nazul", "Blue"},
                                       {"nfucsia", "Fucshia"},
                                       {"ngris", "Black"},
                                       {"nverde", "Green"},
                                       {"nrojo", "Red"},
                                       {"namarillo", "Yellow"},
                                       {"naguamarina", "Light blue"}};

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
    for (int n = 1; n <= 17; ++n) {
        QRadioButton* b =
            option(schemes[n - 1].name, QString::fromLatin1(schemes[n - 1].caption), colourFrame);
        m_schemes->addButton(b, n);
        // White-based ramps on the first row, the two-colour ramps under them,
        // the black-based ramps last.
        if (n <= 7)
            colourGrid->addWidget(b, 0, n);
        else if (n <= 10)
            colourGrid->addWidget(b, 1, n - 7);
        else
            colourGrid->addWidget(b, 2, n - 10);
    }
    m_swatch = makeSwatch("swatch", colourFrame);
    auto* colourLayout = new QHBoxLayout(colourFrame);
    colourLayout->addWidget(m_swatch);
    colourLayout->addLayout(colourGrid);

    auto* randomFrame = new QGroupBox(QStringLiteral("RANDOM"), this);
    randomFrame->setObjectName(QStringLiteral("Frame2"));
    m_random = new QButtonGroup(this);
    QRadioButton* no = option("Option1", QStringLiteral("No"), randomFrame);
    QRadioButton* yes = option("Option2", QStringLiteral("Yes"), randomFrame);
    QRadioButton* few = option("Option3", QStringLiteral("few"), randomFrame);
    no->setToolTip(QStringLiteral("Every dot sits on its grid point"));
    yes->setToolTip(QStringLiteral("Dots spread up to half a cell around their point"));
    few->setToolTip(QStringLiteral("Dots spread up to a quarter of a cell around their point"));
    m_random->addButton(no, 0);
    m_random->addButton(yes, 2);
    m_random->addButton(few, 1);
    auto* randomLayout = new QVBoxLayout(randomFrame);
    for (QRadioButton* b : {no, yes, few})
        randomLayout->addWidget(b);

    auto* pointsFrame = new QGroupBox(QStringLiteral("Number of points"), this);
    pointsFrame->setObjectName(QStringLiteral("Frame3"));
    m_points = new QButtonGroup(this);
    QRadioButton* one = option("Option4", QStringLiteral("1"), pointsFrame);
    QRadioButton* two = option("Option5", QStringLiteral("2"), pointsFrame);
    m_points->addButton(one, 1);
    m_points->addButton(two, 2);
    auto* pointsLayout = new QVBoxLayout(pointsFrame);
    pointsLayout->addWidget(one);
    pointsLayout->addWidget(two);

    m_rradio =
        box("rradio", QStringLiteral("Radius of every dot in drawing units; 1 or more"), this);
    m_cutcol = box(
        "cutcol", QStringLiteral("Dots from this percentage of the maximum value, 0 to 100"), this);
    m_rradio->setText(dialognum::text(s.radius));
    m_cutcol->setText(dialognum::text(s.fromPercent));
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
    auto* form = new QFormLayout;
    form->addRow(radiusLabel, m_rradio);
    form->addRow(fromLabel, fromRow);

    auto* accept = button("Aceptar", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);

    auto* middle = new QHBoxLayout;
    middle->addWidget(randomFrame);
    middle->addWidget(pointsFrame);
    middle->addLayout(form);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(colourFrame);
    layout->addLayout(middle);
    layout->addLayout(buttonRow(accept, nullptr));

    // On load: the options that match the current settings.
    if (QAbstractButton* b = m_schemes->button(s.scheme)) b->setChecked(true);
    fillSwatch(m_swatch, swatchColour(s.scheme));
    if (s.jitter == 0.0)
        no->setChecked(true);
    else if (s.jitter == 1.0)
        yes->setChecked(true);
    else
        few->setChecked(true);
    (s.count == 2 ? two : one)->setChecked(true);

    connect(m_schemes, &QButtonGroup::idClicked, this, [this](int id) {
        fillSwatch(m_swatch, swatchColour(id));
        emit schemeChosen(id);
    });
}

int DotColoursDialog::scheme() const {
    const int id = m_schemes->checkedId();
    return id < 1 ? 15 : id;
}

int DotColoursDialog::count() const {
    return m_points->checkedId() == 2 ? 2 : 1;
}

double DotColoursDialog::jitter() const {
    switch (m_random->checkedId()) {
    case 0:
        return 0.0;
    case 2:
        return 1.0;
    default:
        return 0.5;
    }
}

std::string DotColoursDialog::fromPercentText() const {
    return m_cutcol->text().toStdString();
}
std::string DotColoursDialog::radiusText() const {
    return m_rradio->text().toStdString();
}

} // namespace brenvik
