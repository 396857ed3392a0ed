#pragma once

#include "app/dialogs/DialogBase.h"

#include <QColor>
#include <array>
#include <cstdint>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace brenvik {

// A colour as the program keeps it: RGB(r, g, b) = r + 256 g + 65536 b.
using LongColour = std::int32_t;
QColor toQColor(LongColour colour);

// "Calculation colours" (`colorb`): the isoline colour and the colour of the
// antennas and of the maximum point. A click stores at once (the window listens
// to the signals); the dialog has no Cancel.
class ColoursDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    ColoursDialog(LongColour isolineColour, LongColour markColour, QWidget* parent = nullptr);

    LongColour isolineColour() const { return m_isoline; }
    LongColour markColour() const { return m_mark; }

    // The eight colours offered, in the order of the options.
    static const std::array<LongColour, 8>& palette();

  signals:
    void isolineColourChosen(LongColour colour);
    void markColourChosen(LongColour colour);

  private:
    void paintSwatch(QLabel* swatch, LongColour colour);

    QButtonGroup* m_isolineGroup = nullptr;
    QButtonGroup* m_markGroup = nullptr;
    QLabel* m_isolineSwatch = nullptr;
    QLabel* m_markSwatch = nullptr;
    LongColour m_isoline = 0;
    LongColour m_mark = 0;
};

// The shared dialog `malla`: "Grid size" (GridNX) or "Number of isolines".
class MallaDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    enum class Mode { GridSize = 0, IsolineCount = 1 }; // MallaMode
    MallaDialog(Mode mode, int value, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    std::string valueText() const; // the box as typed

  private:
    Mode m_mode;
    QLineEdit* m_text = nullptr;
};

// The settings of the dots of colours, as the dialog shows and returns them.
struct DotSettings {
    int scheme = 15;           // DotScheme 1..17
    int count = 1;             // DotCount 1 or 2
    double fromPercent = 15.0; // DotFromPercent
    double radius = 30.0;      // DotRadius
    double jitter = 0.5;       // DotJitter 0, 0.5 or 1.0
};

// "Colours of the dots" (`colordifuminado`).
class DotColoursDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit DotColoursDialog(const DotSettings& settings, QWidget* parent = nullptr);

    int scheme() const;
    int count() const;
    double jitter() const;
    std::string fromPercentText() const; // `cutcol` as typed
    std::string radiusText() const;      // `rradio` as typed

    // The swatch colour of a scheme 1..17.
    static LongColour swatchColour(int scheme);

  signals:
    void schemeChosen(int scheme);

  private:
    QButtonGroup* m_schemes = nullptr;
    QButtonGroup* m_random = nullptr;
    QButtonGroup* m_points = nullptr;
    QLineEdit* m_cutcol = nullptr;
    QLineEdit* m_rradio = nullptr;
    QLabel* m_swatch = nullptr;
};

} // namespace brenvik
