#pragma once

#include "app/dialogs/DialogBase.h"
#include "geo/GeoForms.h"

class QLineEdit;

namespace brenvik {

// The geographic dialogs show the forms of geo/GeoForms.h (Open...Form, with the
// locale's decimal point) and hand them back for the Accept... rules.

// "Scale" (`escal`): the width of the plan in metres.
class ScaleDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ScaleDialog(const geo::ScaleForm& form, QWidget* parent = nullptr);
    geo::ScaleForm form() const;

  private:
    QLineEdit* m_text1 = nullptr;
};

// "Scale calculation" (`posicion`): the known distance between two points the
// user then clicks on the plan.
class ScaleDistanceDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ScaleDistanceDialog(const geo::ScaleCalculationForm& form, QWidget* parent = nullptr);
    geo::ScaleCalculationForm form() const;

  private:
    QLineEdit* m_text1 = nullptr;
};

// "Origin of coordinates" (`cambiocoor`).
class OriginDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit OriginDialog(const geo::OriginForm& form, QWidget* parent = nullptr);
    geo::OriginForm form() const;

  private:
    QLineEdit* m_x = nullptr;
    QLineEdit* m_y = nullptr;
    QLineEdit* m_lon = nullptr;
    QLineEdit* m_lat = nullptr;
};

// "Reference point" (`referencia`): a point of known Coordinates, clicked next.
class ReferenceDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ReferenceDialog(const geo::ReferenceForm& form, QWidget* parent = nullptr);
    geo::ReferenceForm form() const;

  private:
    QLineEdit* m_x = nullptr;
    QLineEdit* m_y = nullptr;
    QLineEdit* m_lon = nullptr;
    QLineEdit* m_lat = nullptr;
};

// "Curvature radius" (`curvatura`): earth radius and the ellipsoid axes.
class CurvatureDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit CurvatureDialog(const geo::CurvatureForm& form, QWidget* parent = nullptr);
    geo::CurvatureForm form() const;

  private:
    QLineEdit* m_r = nullptr;
    QLineEdit* m_a = nullptr;
    QLineEdit* m_b = nullptr;
};

} // namespace brenvik
