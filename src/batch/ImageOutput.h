#pragma once

#include "batch/BatchOptions.h"

#include <string>

namespace brenvik {
class Project;
}

namespace brenvik::batch {

// Draws the current plane of the project as the window redraws it (100 %, no
// scrolling, the fixed drawing area fitted to the image) and writes it to
// `path` in the requested format, whatever the file's name. Throws
// BatchFailure. Needs a QGuiApplication.
void writeProjectImage(const Project& p, const ImageRequest& image, const std::string& path);

} // namespace brenvik::batch
