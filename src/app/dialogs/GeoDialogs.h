#pragma once

#include "app/dialogs/DialogBase.h"

class QLineEdit;

namespace brenvik {

// "Scale" (`escal`): the width of the plan in metres.
class ScaleDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ScaleDialog(double planWidthM, QWidget* parent = nullptr);
    std::string widthText() const;

  private:
    QLineEdit* m_text1 = nullptr;
};

// "Scale calculation" (`posicion`): the known distance between two points the
// user then clicks on the plan.
class ScaleDistanceDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ScaleDistanceDialog(double scaleDistance, QWidget* parent = nullptr);
    std::string distanceText() const;

  private:
    QLineEdit* m_text1 = nullptr;
};

// Four boxes of a coordinate pair dialog, as typed.
struct CoordinateTexts {
    std::string x, y;     // cartesian, metres
    std::string lon, lat; // geographic, decimal degrees
};

// "Origin of coordinates" (`cambiocoor`).
class OriginDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    OriginDialog(double originX, double originY, double originLon, double originLat,
                 QWidget* parent = nullptr);
    CoordinateTexts texts() const;

  private:
    QLineEdit* m_x = nullptr;
    QLineEdit* m_y = nullptr;
    QLineEdit* m_lon = nullptr;
    QLineEdit* m_lat = nullptr;
};

// "Reference point" (`referencia`): a point of known coordinates, clicked next.
class ReferenceDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    ReferenceDialog(double refX, double refY, double lon, double lat, QWidget* parent = nullptr);
    CoordinateTexts texts() const;

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
    CurvatureDialog(double earthR, double ellipsoidA, double ellipsoidB, QWidget* parent = nullptr);
    std::string earthRText() const;
    std::string ellipsoidAText() const;
    std::string ellipsoidBText() const;

  private:
    QLineEdit* m_r = nullptr;
    QLineEdit* m_a = nullptr;
    QLineEdit* m_b = nullptr;
};

} // namespace brenvik
