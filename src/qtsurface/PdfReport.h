#pragma once

#include "render/Surface.h"

#include <functional>
#include <string>

namespace brenvik::qtsurface {

// Writes a PDF of `pageCount` landscape A4 pages, fonts embedded; page k is
// drawn by `drawPage(k, surface)` on a drawing surface whose drawing area
// (15360 x 10560 drawing units) is fitted to the page. Returns the reason of
// a failure, or an empty text. Needs a QGuiApplication.
std::string WritePdf(const std::string& path, const std::string& title, int pageCount,
                     const std::function<void(int, render::Surface&)>& drawPage);

} // namespace brenvik::qtsurface
