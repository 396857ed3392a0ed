#include "model/DemWindow.h"

#include <cmath>

namespace brenvik {

std::optional<std::string> DemWindowFault(const DemWindow& w) {
    if (w.Width < 1 || w.Height < 1) return "it has no pixel";
    const std::size_t count =
        static_cast<std::size_t>(w.Width) * static_cast<std::size_t>(w.Height);
    if (count > MaxDemWindowPixels)
        return "its " + std::to_string(count) + " pixels are more than " +
               std::to_string(MaxDemWindowPixels);
    if (w.Heights.size() != count) return "it holds a number of heights other than its pixels";
    for (const double v : w.Heights)
        if (!(std::fabs(v) <= MaxDemHeightM)) return "it holds a height no ground has";
    for (const double t : w.Transform)
        if (!std::isfinite(t)) return "its geotransform is not finite";
    const double det = w.Transform[1] * w.Transform[5] - w.Transform[2] * w.Transform[4];
    if (!std::isnormal(det)) return "its geotransform is singular";
    if (w.CrsWkt.empty()) return "it has no coordinate reference system";
    if (w.CrsWkt.find_first_of("\r\n") != std::string::npos)
        return "its coordinate reference system spans lines";
    return std::nullopt;
}

} // namespace brenvik
