#pragma once

#include "app/CommandNames.h"
#include "compliance/Limits.h"
#include "gis/BuildingImport.h"
#include "model/Edits.h"
#include "model/Project.h"
#include "model/Prompts.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <functional>
#include <optional>

class QWidget;

namespace brenvik::app {

// The real site around the antennas: the elevation model, the buildings and
// the places of sensitive use, and their exposure drawn on the plan.
class RealPlacesFlows {
  public:
    using Painter = std::function<std::optional<render::SceneControls>(
        const Project&, render::Surface&, render::DotRandom&)>;
    using Recorder = std::function<void(const char* text, Edit edit, bool applied)>;

    RealPlacesFlows(Project& p, Prompts& prompts, QWidget& window, const compliance::Library& lib,
                    std::function<void()> redraw, Recorder record);

    // Tools "Places...": the editable table; one undo step.
    void places();
    // Tools "Import terrain...": the ground grid from an elevation model; one undo step.
    void importTerrain();
    // Tools "Import buildings...": footprints from a vector file; one undo
    // step. When some footprints give neither height nor levels, "Building
    // height" asks how high they stand first.
    void importBuildings();

    // On the plan, the buildings filled by their worst floor's level colour
    // and the places labelled with their % of the limit.
    Painter decorate(Painter paint) const;

  private:
    void storeBuildings(gis::BuildingsImport r);
    Project& project_;
    Prompts& prompts_;
    QWidget& window_;
    const compliance::Library& lib_;
    std::function<void()> redraw_;
    Recorder record_;
};

} // namespace brenvik::app
