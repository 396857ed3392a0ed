#pragma once

#include "app/dialogs/DialogBase.h"
#include "calc/CalcForms.h"

class QLineEdit;
class QRadioButton;

namespace brenvik {

// "Calculation" (`cal`): the two settings of the XY calculation.
class CalcDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    // Shows CalFormLoad's form.
    explicit CalcDialog(const CalForm& form, QWidget* parent = nullptr);

    CalForm form() const;
    int calcOption() const { return form().option1 ? 1 : 0; }

  signals:
    // An option click (1 surface height, 0 certain height). It changes the
    // dialog alone: the window reads the options on Accept (CalFormRead).
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
    // The box after the window's rule has rewritten it (a negative height
    // shows "0").
    void setHeightText(const std::string& text);

  private:
    QLineEdit* m_text1 = nullptr;
};

} // namespace brenvik
