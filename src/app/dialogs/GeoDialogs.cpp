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
void buildCoordinateFrames(QWidget* dialog, QVBoxLayout* layout, QLineEdit*& x, QLineEdit*& y,
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

ScaleDialog::ScaleDialog(double planWidthM, QWidget* parent) : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("escal"));
    setWindowTitle(QStringLiteral("Scale"));
    m_text1 = box("Text1", QStringLiteral("Width of the whole plan in metres; more than 1"), this);
    m_text1->setText(dialognum::text(planWidthM));
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    auto* form = new QFormLayout;
    form->addRow(label("Label1", QStringLiteral("Width of the plan (m):"), m_text1, this), m_text1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttonRow(accept, cancel));
}

std::string ScaleDialog::widthText() const {
    return m_text1->text().toStdString();
}

// ---------------------------------------------------------------------------
// posicion

ScaleDistanceDialog::ScaleDistanceDialog(double scaleDistance, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("posicion"));
    setWindowTitle(QStringLiteral("Scale calculation"));
    m_text1 = box("Text1",
                  QStringLiteral("Metres between the two points you will click on the plan"), this);
    m_text1->setText(dialognum::text(scaleDistance));
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);
    auto* form = new QFormLayout;
    form->addRow(
        label("Label1", QStringLiteral("Distance between the two points (m):"), m_text1, this),
        m_text1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttonRow(accept, nullptr));
}

std::string ScaleDistanceDialog::distanceText() const {
    return m_text1->text().toStdString();
}

// ---------------------------------------------------------------------------
// cambiocoor

OriginDialog::OriginDialog(double originX, double originY, double originLon, double originLat,
                           QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("cambiocoor"));
    setWindowTitle(QStringLiteral("Origin of coordinates"));
    auto* layout = new QVBoxLayout(this);
    buildCoordinateFrames(this, layout, m_x, m_y, m_lon, m_lat);
    m_x->setText(dialognum::fixed(originX, 2));
    m_y->setText(dialognum::fixed(originY, 2));
    m_lon->setText(dialognum::fixed(originLon, 8));
    m_lat->setText(dialognum::fixed(originLat, 8));
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);
    layout->addLayout(buttonRow(accept, nullptr));
}

CoordinateTexts OriginDialog::texts() const {
    return {m_x->text().toStdString(), m_y->text().toStdString(), m_lon->text().toStdString(),
            m_lat->text().toStdString()};
}

// ---------------------------------------------------------------------------
// referencia

ReferenceDialog::ReferenceDialog(double refX, double refY, double lon, double lat, QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("referencia"));
    setWindowTitle(QStringLiteral("Reference point"));
    auto* layout = new QVBoxLayout(this);
    buildCoordinateFrames(this, layout, m_x, m_y, m_lon, m_lat);
    m_x->setText(dialognum::fixed(refX, 2));
    m_y->setText(dialognum::fixed(refY, 2));
    m_lon->setText(dialognum::fixed(lon, 8));
    m_lat->setText(dialognum::fixed(lat, 8));
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    auto* cancel = button("Command2", QStringLiteral("Cancel"), this);
    makeAcceptButton(accept);
    makeCancelButton(cancel);
    layout->addLayout(buttonRow(accept, cancel));
}

CoordinateTexts ReferenceDialog::texts() const {
    return {m_x->text().toStdString(), m_y->text().toStdString(), m_lon->text().toStdString(),
            m_lat->text().toStdString()};
}

// ---------------------------------------------------------------------------
// curvatura

CurvatureDialog::CurvatureDialog(double earthR, double ellipsoidA, double ellipsoidB,
                                 QWidget* parent)
    : BrenvikDialog(parent) {
    setObjectName(QStringLiteral("curvatura"));
    setWindowTitle(QStringLiteral("Curvature radius"));
    m_r = box("Text1", QStringLiteral("Earth radius in metres"), this);
    m_a = box("Text2", QStringLiteral("Semi-major axis of the ellipsoid in metres"), this);
    m_b = box("Text3", QStringLiteral("Semi-minor axis of the ellipsoid in metres"), this);
    m_r->setText(dialognum::fixed(earthR, 2));
    m_a->setText(dialognum::fixed(ellipsoidA, 2));
    m_b->setText(dialognum::fixed(ellipsoidB, 2));
    auto* form = new QFormLayout;
    form->addRow(label("Label1", QStringLiteral("Curvature radius (m):"), m_r, this), m_r);
    form->addRow(label("Label2", QStringLiteral("Ellipsoid semi-major axis a (m):"), m_a, this),
                 m_a);
    form->addRow(label("Label3", QStringLiteral("Ellipsoid semi-minor axis b (m):"), m_b, this),
                 m_b);
    auto* accept = button("Command1", QStringLiteral("Accept"), this);
    makeAcceptButton(accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttonRow(accept, nullptr));
}

std::string CurvatureDialog::earthRText() const {
    return m_r->text().toStdString();
}
std::string CurvatureDialog::ellipsoidAText() const {
    return m_a->text().toStdString();
}
std::string CurvatureDialog::ellipsoidBText() const {
    return m_b->text().toStdString();
}

} // namespace brenvik
