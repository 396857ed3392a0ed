#pragma once

#include "app/CommandNames.h"
#include "compliance/Limits.h"
#include "gis/BuildingImport.h"
#include "model/Edits.h"
#include "model/Project.h"
#include "model/Prompts.h"
#include "render/Dots.h"
#include "render/Scene.h"

#include <QPointF>
#include <functional>
#include <optional>

class QWidget;

namespace brenvik::app {

// What the pointer shows over a measurement drawn at `units` (drawing units,
// as the canvas gives them): "M3: measured 1.5 uW/cm^2, predicted 0.8
// uW/cm^2, difference +2.7 dB"; empty when no measurement is that near.
std::string MeasurementHoverText(const Project& p, QPointF units, double unitsPerPixel);

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

    // On the plan, the buildings filled by their worst floor's level colour,
    // the places labelled with their % of the limit, and the measurements
    // coloured by their difference from the prediction.
    Painter decorate(Painter paint) const;
    // Over a measurement on the plan, its measured, predicted and difference
    // values become the canvas's tooltip; elsewhere the tooltip goes.
    void pointerAt(QPointF units, QWidget& canvas) const;

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
