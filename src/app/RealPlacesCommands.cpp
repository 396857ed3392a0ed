// The rows of the real places: the terrain, the buildings and the places.

#include "app/Commands.h"
#include "app/MeasurementsFlow.h"
#include "app/PlanView.h"
#include "app/RealPlacesFlows.h"
#include "app/ToolBench.h"
#include "app/WindowParts.h"

#include <algorithm>

namespace brenvik::app {

void AddRealPlacesCommands(std::vector<Command>& t) {
    using W = WindowParts;
    using P = app::Place;
    const auto at =
        std::find_if(t.begin(), t.end(), [](const Command& c) { return c.place == P::Tools; });
    // At the end of the Tools menu.
    auto last = t.end();
    for (auto it = at; it != t.end(); ++it)
        if (it->place == P::Tools) last = it + 1;
    const std::vector<Command> rows = {{cmd::ImportTerrain,
                                        "Import terrain...",
                                        P::Tools,
                                        [](W& w) {
                                            w.view.ensurePlan();
                                            w.tools.reset();
                                            w.realPlaces.importTerrain();
                                        },
                                        {},
                                        {},
                                        "sepreales"},
                                       {cmd::ImportBuildings, "Import buildings...", P::Tools,
                                        [](W& w) {
                                            w.view.ensurePlan();
                                            w.tools.reset();
                                            w.realPlaces.importBuildings();
                                        }},
                                       {cmd::Places, "Places...", P::Tools,
                                        [](W& w) {
                                            w.view.ensurePlan();
                                            w.tools.reset();
                                            w.realPlaces.places();
                                        }},
                                       {cmd::Measurements, "Measurements...", P::Tools, [](W& w) {
                                            w.view.ensurePlan();
                                            w.tools.reset();
                                            EditMeasurements(w);
                                        }}};
    t.insert(last, rows.begin(), rows.end());
}

} // namespace brenvik::app
