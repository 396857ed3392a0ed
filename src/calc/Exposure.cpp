#include "calc/Exposure.h"

#include "calc/FarField.h"
#include "calc/PowerDensity.h"

#include <stdexcept>

namespace brenvik {

double AntennaDensityAt(const Project& p, int s, double x, double y, double zAntenna,
                        double zReceptor) {
    if (s < 1 || s > p.AntennaCount || s > p.AntennaSlotBound())
        throw std::invalid_argument("no antenna in this slot");
    const Antenna& a = p.Antennas[static_cast<std::size_t>(s)];
    const AntennaModel m = AntennaModel::From(a, p);
    if (p.Exposure.Model == ExposureModel::Specified) {
        if (OnVertical(m, x, y)) return 0.0;
        return Contribution(m, x, y, zAntenna, zReceptor);
    }
    if (m.kind == AntennaKind::None) return 0.0;
    const auto beam = farfield::Prepare(p, a, false); // one receptor: no tables
    // North is towards the top of the plan, where Y decreases.
    return farfield::DensityAt(beam->beam, x - m.xs, -(y - m.ys), zReceptor - zAntenna) *
           p.Exposure.ReflectionFactor;
}

} // namespace brenvik
