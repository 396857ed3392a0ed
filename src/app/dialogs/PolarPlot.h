#pragma once

#include "antenna/BeamCuts.h"

#include <QWidget>

namespace brenvik {

// A polar diagram of one cut of an antenna's beam, in dB below its peak
// (rings every 10 dB down to -40 dB). A horizontal cut has the boresight at
// the top and turns clockwise; a vertical cut has the front horizon on the
// right and "down" at the bottom. Under the diagram: the half-power width
// read from the cut.
class PolarPlot : public QWidget {
    Q_OBJECT
  public:
    enum class Kind { Horizontal, Vertical };
    PolarPlot(Kind kind, QWidget* parent = nullptr);

    void setCut(antenna::PlotCut cut);
    const antenna::PlotCut& cut() const { return m_cut; }
    // "Half-power width 65.0°" (or "no 3 dB fall" for a cut that never falls 3 dB).
    QString beamwidthText() const;
    // The text beside a ring `dbBelowPeak` under the peak: "0 dB", "-10 dB"...
    static QString ringLabel(double dbBelowPeak);

    QSize sizeHint() const override { return {190, 210}; }
    QSize minimumSizeHint() const override { return {140, 160}; }

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    QPointF point(QPointF centre, double radius, double angleDeg, double gainDb) const;

    Kind m_kind;
    antenna::PlotCut m_cut;
};

} // namespace brenvik
