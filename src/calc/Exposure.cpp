#include "calc/Exposure.h"

#include "calc/FarField.h"
#include "calc/PowerDensity.h"

#include <stdexcept>

namespace brenvik {

double AntennaDensityAt(const Project& p, int s, double x, double y, double zAntenna,
                        double zReceptor, antenna::EnvelopeCache* cache) {
    if (s < 1 || s > p.AntennaCount || s > p.AntennaSlotBound())
        throw std::invalid_argument("no antenna in this slot");
    const Antenna& a = p.Antennas[static_cast<std::size_t>(s)];
    const AntennaModel m = AntennaModel::From(a, p);
    if (p.Exposure.Model == ExposureModel::Specified) {
        if (OnVertical(m, x, y)) return 0.0;
        return Contribution(m, x, y, zAntenna, zReceptor);
    }
    if (m.kind == AntennaKind::None) return 0.0;
    const auto beam = farfield::Prepare(p, a, false, cache); // one receptor: no tables
    // From where the antenna really stands; north is towards the top of the
    // plan, where Y decreases.
    const double xs = AntennaDrawingX(p, a) * p.MetersPerUnit;
    const double ys = AntennaDrawingY(p, a) * p.MetersPerUnit;
    return farfield::DensityAt(beam->beam, x - xs, -(y - ys), zReceptor - zAntenna) *
           p.Exposure.ReflectionFactor;
}

} // namespace brenvik
