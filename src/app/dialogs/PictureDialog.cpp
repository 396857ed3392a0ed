#include "app/dialogs/PictureDialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace brenvik {

namespace {
// Width over height of a picture whose band of decorations takes a sixth.
constexpr double kAspect = 15360.0 / 10560.0 * 5.0 / 6.0;
} // namespace

PictureDialog::PictureDialog(int width, int height, double dpi, QWidget* parent)
    : BrenvikDialog(parent) {
    using namespace dialogui;
    setObjectName(QStringLiteral("exportPicture"));
    setWindowTitle(QStringLiteral("Export picture"));
    m_width = box("pictureWidth", QStringLiteral("Pixels across"), this);
    m_height = box("pictureHeight", QStringLiteral("Pixels down"), this);
    m_dpi = box("pictureDpi", QStringLiteral("Dots per inch: the size of a PDF page"), this);
    m_width->setText(QString::number(width));
    m_height->setText(QString::number(height));
    m_dpi->setText(dialognum::text(dpi));
    connect(m_width, &QLineEdit::textEdited, this, [this] {
        if (m_heightTyped) return;
        if (const auto w = dialognum::parse(m_width->text()))
            m_height->setText(QString::number(std::lround(*w / kAspect)));
    });
    connect(m_height, &QLineEdit::textEdited, this, [this] { m_heightTyped = true; });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Width (pixels)"), m_width);
    form->addRow(QStringLiteral("Height (pixels)"), m_height);
    form->addRow(QStringLiteral("Resolution (dpi)"), m_dpi);
    auto* note = new QLabel(
        QStringLiteral("The whole plan, with the legend, a scale bar, a north arrow and the "
                       "title block.\nPNG, SVG or PDF by the name's extension."),
        this);
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addLayout(ButtonRow(accept, cancel));
    setFieldRules(PictureRules());
}

int PictureDialog::pictureWidth() const {
    return int(std::lround(dialognum::parse(m_width->text()).value_or(0)));
}
int PictureDialog::pictureHeight() const {
    return int(std::lround(dialognum::parse(m_height->text()).value_or(0)));
}
double PictureDialog::dpi() const {
    return dialognum::parse(m_dpi->text()).value_or(0);
}

} // namespace brenvik
