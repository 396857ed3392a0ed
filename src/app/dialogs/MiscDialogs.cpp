#include "app/dialogs/MiscDialogs.h"

#include "geo/DemHeight.h"
#include "gis/GisExport.h"

#include <QButtonGroup>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtGlobal>
#include <cmath>

namespace brenvik {

using namespace dialogui;

namespace {

void centre(QWidget* w) {
    w->adjustSize();
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    const QSize size = w->frameSize();
    w->move(avail.x() + (avail.width() - size.width()) / 2,
            avail.y() + (avail.height() - size.height()) / 2);
}

} // namespace

// ---------------------------------------------------------------------------
// cambios

QString SaveChangesDialog::questionText() {
    return QStringLiteral(
        "Do you want to save the current work?. The current work will be deleted. ");
}

SaveChangesDialog::SaveChangesDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("cambios"));
    setWindowTitle(QStringLiteral("To save changes"));

    auto* text = new QLabel(questionText(), this);
    text->setObjectName(QStringLiteral("Label1"));
    text->setWordWrap(true);
    auto* yes = button("Command1", QStringLiteral("Yes"), this);
    auto* no = button("Command2", QStringLiteral("No"), this);
    auto* cancel = button("Command3", QStringLiteral("Cancel"), this);
    yes->setDefault(true);
    no->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(yes, &QPushButton::clicked, this, [this] { finishWith(Prompts::Answer::Yes); });
    connect(no, &QPushButton::clicked, this, [this] { finishWith(Prompts::Answer::No); });
    connect(cancel, &QPushButton::clicked, this, [this] { finishWith(Prompts::Answer::Cancel); });
    // Escape or the window's close box: the same as Cancel.
    connect(this, &QDialog::rejected, this, [this] {
        if (m_answer == Prompts::Answer::Cancel) emit answered(Prompts::Answer::Cancel);
    });

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(yes);
    row->addWidget(no);
    row->addWidget(cancel);
    // The look of a question box: its icon beside the text.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(side, side));
    icon->setAlignment(Qt::AlignTop);
    text->setMinimumWidth(300);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(row);
}

void SaveChangesDialog::finishWith(Prompts::Answer answer) {
    m_answer = answer;
    if (answer == Prompts::Answer::Cancel) {
        reject();
        return;
    }
    // Yes and No both close the question; the caller acts on the answer.
    done(answer == Prompts::Answer::Yes ? 1 : 2);
    emit answered(answer);
}

void SaveChangesDialog::showEvent(QShowEvent* event) {
    centre(this);
    QDialog::showEvent(event);
}

// ---------------------------------------------------------------------------
// zoom1

ZoomDialog::ZoomDialog(double zoom, QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("zoom1"));
    setWindowTitle(QStringLiteral("Zoom"));

    auto* group = new QButtonGroup(this);
    auto* frame = new QGroupBox(QStringLiteral("Zoom"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* options = new QVBoxLayout(frame);
    static const char* names[6] = {"Option100", "Option200", "Option300",
                                   "Option400", "Option500", "Option600"};
    for (int n = 0; n < 6; ++n) {
        m_options[n] = option(names[n], QStringLiteral("%1 %").arg((n + 1) * 100), this);
        group->addButton(m_options[n], n + 1);
        options->addWidget(m_options[n]);
    }
    // The nearest whole step (a zoom is always one of them; anything else
    // falls back to the closest one rather than showing no choice at all).
    int step = static_cast<int>(std::lround(zoom));
    step = step < 1 ? 1 : step > 6 ? 6 : step;
    m_options[step - 1]->setChecked(true);

    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(ButtonRow(accept, cancel));
}

double ZoomDialog::zoom() const {
    for (int n = 0; n < 6; ++n)
        if (m_options[n]->isChecked()) return n + 1.0;
    return 1.0;
}

// ---------------------------------------------------------------------------
// canarina

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("canarina"));
    setWindowTitle(QStringLiteral("About Brenvik"));
    setMinimumWidth(320);

    auto* name = new QLabel(QStringLiteral("<b>Brenvik</b>"), this);
    name->setObjectName(QStringLiteral("Label1"));
    auto* version = new QLabel(QStringLiteral("Version 5.0"), this);
    version->setObjectName(QStringLiteral("Label2"));
    auto* maker = new QLabel(QStringLiteral("Brenvik developers"), this);
    maker->setObjectName(QStringLiteral("Label3"));
    auto* what = new QLabel(
        QStringLiteral("Power density of mobile-phone antennas over a site plan (uW/cm^2)"), this);
    what->setObjectName(QStringLiteral("Label4"));
    what->setWordWrap(true);
    auto* libraries = new QLabel(QStringLiteral("Runs with Qt %1, GDAL %2, PROJ %3")
                                     .arg(QString::fromLatin1(qVersion()),
                                          QString::fromStdString(gis::GdalRuntimeVersion()),
                                          QString::fromStdString(geo::ProjRuntimeVersion())),
                                 this);
    libraries->setObjectName(QStringLiteral("libraries"));
    libraries->setWordWrap(true);
    auto* ok = button("Command1", QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* l : {name, version, maker, what, libraries}) {
        l->setAlignment(Qt::AlignHCenter);
        layout->addWidget(l);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addStretch(1);
    layout->addLayout(row);
}

UserGuideDialog::UserGuideDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("userGuide"));
    setWindowTitle(QStringLiteral("Brenvik user guide"));
    resize(640, 720);
    auto* text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("guideText"));
    text->setOpenExternalLinks(true);
    QFile guide(QStringLiteral(":/guide/user-guide.md"));
    if (guide.open(QIODevice::ReadOnly))
        text->setMarkdown(QString::fromUtf8(guide.readAll()));
    else // a build without its resources: say so rather than show a blank page
        text->setPlainText(QStringLiteral("The user guide is missing from this build."));
    auto* close = button("Command1", QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(close);
    layout->addLayout(row);
}

void AboutDialog::showEvent(QShowEvent* event) {
    centre(this);
    QDialog::showEvent(event);
}

} // namespace brenvik
