#pragma once

#include "app/dialogs/DialogBase.h"
#include "model/DisplaySettings.h"
#include "render/Colour.h"
#include "render/DisplayForms.h"

#include <QColor>
#include <optional>

class QButtonGroup;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace brenvik {

QColor ToQColor(render::Rgb colour);

// "Calculation colours" (`colorb`): the isoline colour and the colour of the
// antennas and of the maximum point. A click shows the colour in the swatch;
// Accept hands the chosen options to render::ChooseIsolineColour /
// ChooseMarkColour and the window redraws. The dialog has no Cancel button:
// Escape or its close box store nothing.
class ColoursDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    // The stored colours (IsolineColour, MarkColour).
    ColoursDialog(render::Rgb isolineColour, render::Rgb markColour, QWidget* parent = nullptr);

    // Index into render::CalcColourOptions() of the selected option of each
    // group; no value while the stored colour is none of the eight.
    std::optional<int> isolineOption() const;
    std::optional<int> markOption() const;

  signals:
    void isolineOptionChosen(int option);
    void markOptionChosen(int option);

  private:
    QButtonGroup* m_isolineGroup = nullptr;
    QButtonGroup* m_markGroup = nullptr;
    QLabel* m_isolineSwatch = nullptr;
    QLabel* m_markSwatch = nullptr;
};

// The shared dialog `malla`: "Grid size" or "Number of isolines", with the
// caption, label and value of render::sizeFormTexts.
class SizeDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit SizeDialog(const render::SizeFormTexts& texts, QWidget* parent = nullptr);

    std::string valueText() const; // the box as typed
    // Grid size: how much of the plan the typed grid covers, and a button
    // that puts the nearest count covering it all in the box. An empty note
    // hides both.
    void showCoverage(const QString& note, int fullCount);

  signals:
    void valueEdited(const std::string& text);

  private:
    QLineEdit* m_text = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_cover = nullptr;
    int m_fullCount = 0;
};

// "Colours of the dots" (`colordifuminado`). Option clicks change the dialog
// alone; Accept hands the options (render::ChooseDotScheme / ChooseJitter /
// ChooseDotCount) and the two boxes (render::AcceptDotColours) to the rules
// together. Escape or the close box store nothing.
class DotColoursDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit DotColoursDialog(const DisplaySettings& settings, QWidget* parent = nullptr);

    int scheme() const;
    int count() const;
    render::JitterOption jitter() const;
    std::string fromPercentText() const; // `cutcol` as typed
    std::string radiusText() const;      // `rradio` as typed

  signals:
    void schemeChosen(int scheme);
    void jitterChosen(brenvik::render::JitterOption option);
    void countChosen(int count);

  private:
    QGroupBox* makeColourFrame();
    QGroupBox* makeRandomFrame();
    QGroupBox* makePointsFrame();
    QFormLayout* makeSizeRows(const DisplaySettings& s);

    QButtonGroup* m_schemes = nullptr;
    QButtonGroup* m_random = nullptr;
    QButtonGroup* m_points = nullptr;
    QLineEdit* m_cutcol = nullptr;
    QLineEdit* m_rradio = nullptr;
    QLabel* m_swatch = nullptr;
};

} // namespace brenvik
