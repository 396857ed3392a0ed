#pragma once

#include "app/dialogs/DialogBase.h"

#include <string>
#include <vector>

class QComboBox;

namespace brenvik::app {

struct WindowParts;

// "Dominant antenna": the plan's result drawn with each node in the colour of
// the antenna whose own density is the largest there. Who contributes what is
// worked out once (a pass of the calculation per antenna, with progress and
// Cancel) and kept with the plan's result; a Cancel leaves the display as it
// was.
void ShowDominantAntenna(WindowParts& w);

// "Operator share...": the plan's result drawn by one operator's share of the
// total density. With more than one operator it first asks which one.
void ShowOperatorShare(WindowParts& w);

// The operators of the plan's antennas, in the order their first antenna
// appears (an antenna without one counts under the empty name), as the
// contributions hold them.
std::vector<std::string> PlanOperators(const Project& p);

// Which operator's share to show: the operators in, the chosen place in the
// list back.
class OperatorShareDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    OperatorShareDialog(const std::vector<std::string>& operators, int current, QWidget* parent);
    int chosen() const;

  private:
    QComboBox* list_ = nullptr;
};

} // namespace brenvik::app
