#pragma once

#include "batch/BatchOptions.h"
#include "render/Surface.h"

#include <functional>
#include <string>

namespace brenvik {
class Project;
}

namespace brenvik::batch {

// Draws the current plane of the project as the window redraws it (100 %, no
// scrolling, the fixed drawing area fitted to the image), `overlay` over the
// result, and writes it to `path` in the requested format, whatever the
// file's name. Throws BatchFailure ("Interrupted" once `cancel` is canceled,
// while drawing or writing). Needs a QGuiApplication.
void WriteProjectImage(const Project& p, const ImageRequest& image, const std::string& path,
                       const render::Overlay& overlay = {}, const Feedback* cancel = nullptr);

} // namespace brenvik::batch
