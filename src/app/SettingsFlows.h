#pragma once

#include "app/FlowKit.h"
#include "model/Document.h"

namespace brenvik::app {

// The dialogs of the view, the scale, the grid and the display settings, the
// antenna parameters and the exposure model.
class SettingsFlows {
  public:
    explicit SettingsFlows(const FlowKit& kit) : k_(kit) {}

    void zoom();
    // The dialog a "No" to the save-changes question opens.
    void pending(PendingDialog dialog);
    void scale();
    void scaleCalculation();
    // "Grid size" or "Number of isolines": the one dialog both share.
    void gridValue(SizeFormValue mode);
    void calcColours();
    void dotColours();
    void antennaParameters();
    // Options "Exposure model...": the model and the reflection factor.
    void exposureModel();
    void about();
    // Help "User guide": the short guide kept with the program.
    void userGuide();

  private:
    FlowKit k_;
};

// The geographic dialogs of the GIS menu.
class GeoFlows {
  public:
    explicit GeoFlows(const FlowKit& kit) : k_(kit) {}

    // The GIS dialogs work on the plan at 100 %; refuses with a message otherwise.
    bool precondition();
    void origin();
    void reference();
    void curvature();

  private:
    FlowKit k_;
};

} // namespace brenvik::app
