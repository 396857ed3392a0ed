#pragma once

#include "measure/Import.h"
#include "model/Project.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::measure {

// The "Measurements" dialog's table: one row per measurement, the position
// in the cartesian metres of the CSV exports, densities in uW/cm^2, numbers
// as the window's locale writes them; the prediction at the point beside.
struct MeasurementRow {
    std::string name, band, x, y, height, measured, factor, uncertainty, predicted, difference;
};
using NumberFormat = std::function<std::string(double)>;
std::vector<MeasurementRow> MeasurementsFormLoad(const Project& p,
                                                 const std::vector<Measurement>& list,
                                                 const NumberFormat& format);

// "Import...": the file's measurements in place of `list`, read as the
// project would read them; the refusal (the list unchanged) or the note of
// points skipped.
struct FormImport {
    std::optional<std::string> refusal;
    std::string note;
};
FormImport MeasurementsFormImport(const Project& p, const std::string& path,
                                  const ImportOptions& options, std::vector<Measurement>& list);

// Accept: the list, as imported and with the rows deleted, becomes the
// project's measurements.
void MeasurementsFormAccept(Project& p, std::vector<Measurement> list);

} // namespace brenvik::measure
