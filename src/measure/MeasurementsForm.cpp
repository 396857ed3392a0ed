#include "measure/MeasurementsForm.h"

#include "geo/Geo.h"
#include "measure/Agreement.h"

#include <cmath>

namespace brenvik::measure {

std::vector<MeasurementRow> MeasurementsFormLoad(const Project& p,
                                                 const std::vector<Measurement>& list,
                                                 const NumberFormat& format) {
    std::vector<MeasurementRow> rows;
    for (const Measurement& m : list) {
        const PairedPoint q = PairMeasurement(p, m);
        rows.push_back({m.Name, m.Band, format(q.X), format(q.Y), format(m.HeightM),
                        format(m.MeasuredUw), format(m.Factor), format(m.UncertaintyDb),
                        format(q.predicted),
                        std::isfinite(q.differenceDb) ? format(q.differenceDb) : "-"});
    }
    return rows;
}

FormImport MeasurementsFormImport(const Project& p, const std::string& path,
                                  const ImportOptions& options, std::vector<Measurement>& list) {
    const MeasurementImport r = ReadMeasurementsFile(p, path, options, list);
    return {r.refusal, r.note};
}

void MeasurementsFormAccept(Project& p, std::vector<Measurement> list) {
    p.Measurements = std::move(list);
}

} // namespace brenvik::measure
