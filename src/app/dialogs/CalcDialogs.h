#pragma once

#include "app/dialogs/DialogBase.h"

class QLineEdit;
class QRadioButton;

namespace brenvik {

// "Calculation" (`cal`): the two settings of the XY calculation.
class CalcDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    // calcOption 1 = at surface height, 0 = at a certain height.
    CalcDialog(int calcOption, double calcHeight, QWidget* parent = nullptr);

    int calcOption() const;         // 1 when `Option1` is selected, else 0
    std::string heightText() const; // `Text1` as typed

  signals:
    // An option click; the window may store CalcOption (and CalcHeight = 0 for
    // surface height) at once.
    void calcOptionChanged(int calcOption);

  private:
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QLineEdit* m_text1 = nullptr;
};

// "XZ-Calculation" (`calperfil`): the distance of the section plane.
class SectionDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    // Shows `distance` with two decimals (the window proposes the middle of the
    // map area the first time).
    explicit SectionDialog(double distance, QWidget* parent = nullptr);

    std::string distanceText() const; // `Text2` as typed

  private:
    QLineEdit* m_text2 = nullptr;
};

// "Topographic line" (`reliev`): the height the next ground rectangles receive.
class ReliefDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ReliefDialog(double contourHeight, QWidget* parent = nullptr);

    std::string heightText() const; // `Text1` as typed

  private:
    QLineEdit* m_text1 = nullptr;
};

} // namespace brenvik
