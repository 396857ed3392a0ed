#pragma once

#include "batch/BatchOptions.h"
#include "render/Surface.h"

#include <atomic>
#include <functional>
#include <string>

namespace brenvik {
class Project;
}

namespace brenvik::batch {

// What the image draws over the plan's buildings and places, as the window
// does: each footprint filled in its worst floor's level colour and each
// place labelled with its % of the limit. Nothing off the plan view, without
// buildings and places, or when the standard does not cover the antennas.
std::function<void(render::Surface&)> realPlacesOverlay(const Project& p);

// Draws the current plane of the project as the window redraws it (100 %, no
// scrolling, the fixed drawing area fitted to the image) and writes it to
// `path` in the requested format, whatever the file's name. Throws
// BatchFailure ("Interrupted" once `cancel` is raised, while drawing or
// writing). Needs a QGuiApplication.
void writeProjectImage(const Project& p, const ImageRequest& image, const std::string& path,
                       const std::atomic<bool>* cancel = nullptr);

} // namespace brenvik::batch
