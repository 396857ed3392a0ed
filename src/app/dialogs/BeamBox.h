#pragma once

#include "antenna/BeamForm.h"

#include <QGroupBox>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;

namespace brenvik {

class Prompts;
class PolarPlot;

// The beam of one antenna in the far-field model: "Pattern:" (Parametric,
// the patterns at hand, "From file..."), the parametric beamwidths and
// electrical tilt, and the polar plots of its horizontal and vertical cuts
// with their half-power widths and the gain; for an adaptive antenna the
// array whose steering envelope is its beam, and for every antenna the
// factor its maximum power is reduced by, with its source. It shows a BeamForm and hands
// it back; the rules are antenna::BeamForm*.
class BeamBox : public QGroupBox {
    Q_OBJECT
  public:
    explicit BeamBox(const antenna::BeamForm& form, QWidget* parent = nullptr);

    antenna::BeamForm form() const;
    void setForm(const antenna::BeamForm& form);

    // The antenna the beam belongs to: a stick has no horizontal beam and no
    // tilt; an empty vertical box stands for `defaultVBeamwidthDeg`.
    void setMounting(bool stick, double tiltDeg, double defaultVBeamwidthDeg);
    // The antenna's carrier, MHz (0: not given): a pattern of another band
    // shows a warning beside the plots.
    void setCarrier(double frequencyMHz);

    // "From file..." asks for a file through `prompts` and reads it; a
    // refusal is told and leaves the box as it was. Without prompts the box
    // only signals importRequested().
    void setPrompts(Prompts* prompts) { m_prompts = prompts; }
    void importFrom(Prompts& prompts);

  signals:
    void importRequested();

  private:
    void showForm();
    void choiceChanged(int index);
    void replot();
    void showPatternFigures();
    void adaptiveToggled(bool on);
    void enableArrayBoxes();
    QLayout* makeArrayBoxes();

    antenna::BeamForm m_form;
    Prompts* m_prompts = nullptr;
    bool m_stick = false;
    double m_tiltDeg = 0.0;
    double m_defaultV = 7.2;
    double m_carrierMHz = 0.0;
    QComboBox* m_pattern = nullptr;
    QLineEdit* m_h = nullptr;
    QLineEdit* m_v = nullptr;
    QLineEdit* m_e = nullptr;
    QCheckBox* m_adaptive = nullptr;
    // One box per field of antenna::ArrayFields(), named by its rule.
    std::vector<QLineEdit*> m_array;
    QLineEdit* m_factorSource = nullptr;
    QLabel* m_gain = nullptr;
    QLabel* m_warning = nullptr;
    PolarPlot* m_hPlot = nullptr;
    PolarPlot* m_vPlot = nullptr;
};

} // namespace brenvik
