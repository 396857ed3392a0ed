#pragma once

#include "compliance/Contributions.h"
#include "model/Project.h"

#include <QDialog>
#include <QImage>

class QComboBox;
class QLabel;
class QListWidget;

namespace brenvik::app {

struct WindowParts;

// View › "Dominant antenna...": works out who contributes what on the plan
// (a pass of the calculation per antenna, with progress and Cancel) and shows
// it in a window of its own beside the plan.
void ShowDominantAntenna(WindowParts& w);

// The plan's nodes as pixels, north up (row 1 at the top): in the view
// "Dominant antenna" each node in the colour of the antenna whose own
// density is the largest there (white where nothing radiates), with the
// legend naming each antenna and its operator; in an operator's view each
// node by that operator's share of the total density, on the density ramp
// from 0 to 100 %.
class DominantAntennaWindow : public QDialog {
    Q_OBJECT
  public:
    DominantAntennaWindow(const Project& p, compliance::Contributions c, QWidget* parent);
    const QImage& picture() const { return picture_; }
    // The colour the dominant view gives antenna `slot` (0: none).
    QRgb antennaColour(int slot) const;

  private:
    void showView(int view);
    compliance::Contributions c_;
    std::vector<QRgb> colours_; // by antenna number, 0: none
    std::vector<QString> names_;
    QImage picture_;
    QComboBox* view_ = nullptr;
    QLabel* map_ = nullptr;
    QListWidget* legend_ = nullptr;
};

} // namespace brenvik::app
