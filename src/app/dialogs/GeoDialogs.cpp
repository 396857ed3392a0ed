#include "app/dialogs/GeoDialogs.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brenvik {

using namespace dialogui;

namespace {

QLabel* label(const char* name, const QString& caption, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    return l;
}

// The cartesian and geographic frames shared by the origin and reference
// point dialogs.
void BuildCoordinateFrames(QWidget* dialog, QVBoxLayout* layout, QLineEdit*& x, QLineEdit*& y,
                           QLineEdit*& lon, QLineEdit*& lat) {
    auto* cart = new QGroupBox(QStringLiteral("Cartesian coordinates"), dialog);
    cart->setObjectName(QStringLiteral("Frame1"));
    x = box("Text1", QStringLiteral("X in metres"), cart);
    y = box("Text2", QStringLiteral("Y in metres"), cart);
    auto* cartForm = new QFormLayout(cart);
    cartForm->addRow(label("Label1", QStringLiteral("X:"), x, cart), x);
    cartForm->addRow(label("Label2", QStringLiteral("Y:"), y, cart), y);

    auto* geo = new QGroupBox(QStringLiteral("Geographic coordinates"), dialog);
    geo->setObjectName(QStringLiteral("Frame2"));
    lon = box("Text3", QStringLiteral("Longitude in decimal degrees"), geo);
    lat = box("Text4", QStringLiteral("Latitude in decimal degrees, -89 to 89"), geo);
    auto* geoForm = new QFormLayout(geo);
    geoForm->addRow(label("Label3", QStringLiteral("X(long):"), lon, geo), lon);
    geoForm->addRow(label("Label4", QStringLiteral("Y(lat):"), lat, geo), lat);

    layout->addWidget(cart);
    layout->addWidget(geo);
}

} // namespace

// ---------------------------------------------------------------------------
// escal

ScaleDialog::ScaleDialog(const geo::ScaleForm& form, QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("escal"));
    setWindowTitle(QStringLiteral("Scale"));
    m_text1 = box("Text1", QStringLiteral("Width of the whole plan in metres; at least 1"), this);
    m_text1->setText(QString::fromStdString(form.width));
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* rows = new QFormLayout;
    rows->addRow(label("Label1", QStringLiteral("Width of the plan (m):"), m_text1, this), m_text1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(ButtonRow(accept, cancel));
}

geo::ScaleForm ScaleDialog::form() const {
    return {m_text1->text().toStdString()};
}

// ---------------------------------------------------------------------------
// posicion

ScaleDistanceDialog::ScaleDistanceDialog(const geo::ScaleCalculationForm& form, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("posicion"));
    setWindowTitle(QStringLiteral("Scale calculation"));
    m_text1 = box("Text1",
                  QStringLiteral("Metres between the two points you will click on the plan"), this);
    m_text1->setText(QString::fromStdString(form.distance));
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);
    auto* rows = new QFormLayout;
    rows->addRow(
        label("Label1", QStringLiteral("Distance between the two points (m):"), m_text1, this),
        m_text1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(ButtonRow(accept, nullptr));
}

geo::ScaleCalculationForm ScaleDistanceDialog::form() const {
    return {m_text1->text().toStdString()};
}

// ---------------------------------------------------------------------------
// cambiocoor

OriginDialog::OriginDialog(const geo::OriginForm& form, QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("cambiocoor"));
    setWindowTitle(QStringLiteral("Origin of coordinates"));
    auto* layout = new QVBoxLayout(this);
    BuildCoordinateFrames(this, layout, m_x, m_y, m_lon, m_lat);
    m_x->setText(QString::fromStdString(form.x));
    m_y->setText(QString::fromStdString(form.y));
    m_lon->setText(QString::fromStdString(form.lon));
    m_lat->setText(QString::fromStdString(form.lat));
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);
    layout->addLayout(ButtonRow(accept, nullptr));
}

geo::OriginForm OriginDialog::form() const {
    return {m_x->text().toStdString(), m_y->text().toStdString(), m_lon->text().toStdString(),
            m_lat->text().toStdString()};
}

// ---------------------------------------------------------------------------
// referencia

ReferenceDialog::ReferenceDialog(const geo::ReferenceForm& form, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("referencia"));
    setWindowTitle(QStringLiteral("Reference point"));
    auto* layout = new QVBoxLayout(this);
    BuildCoordinateFrames(this, layout, m_x, m_y, m_lon, m_lat);
    m_x->setText(QString::fromStdString(form.x));
    m_y->setText(QString::fromStdString(form.y));
    m_lon->setText(QString::fromStdString(form.lon));
    m_lat->setText(QString::fromStdString(form.lat));
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    layout->addLayout(ButtonRow(accept, cancel));
}

geo::ReferenceForm ReferenceDialog::form() const {
    return {m_x->text().toStdString(), m_y->text().toStdString(), m_lon->text().toStdString(),
            m_lat->text().toStdString()};
}

// ---------------------------------------------------------------------------
// curvatura

CurvatureDialog::CurvatureDialog(const geo::CurvatureForm& form, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("curvatura"));
    setWindowTitle(QStringLiteral("Curvature radius"));
    m_r = box("Text1", QStringLiteral("Earth radius in metres"), this);
    m_a = box("Text2", QStringLiteral("Semi-major axis of the ellipsoid in metres"), this);
    m_b = box("Text3", QStringLiteral("Semi-minor axis of the ellipsoid in metres"), this);
    m_r->setText(QString::fromStdString(form.earthR));
    m_a->setText(QString::fromStdString(form.a));
    m_b->setText(QString::fromStdString(form.b));
    auto* rows = new QFormLayout;
    rows->addRow(label("Label1", QStringLiteral("Curvature radius (m):"), m_r, this), m_r);
    rows->addRow(label("Label2", QStringLiteral("Ellipsoid semi-major axis a (m):"), m_a, this),
                 m_a);
    rows->addRow(label("Label3", QStringLiteral("Ellipsoid semi-minor axis b (m):"), m_b, this),
                 m_b);
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addLayout(ButtonRow(accept, nullptr));
}

geo::CurvatureForm CurvatureDialog::form() const {
    return {m_r->text().toStdString(), m_a->text().toStdString(), m_b->text().toStdString()};
}

} // namespace brenvik
