#pragma once

#include "model/Project.h"

#include <string>
#include <vector>

namespace brenvik::measure {

// A measurement set against the prediction at the very same point.
struct PairedPoint {
    std::string name, band, timestamp, instrument;
    double lon = 0.0, lat = 0.0; // degrees
    double X = 0.0, Y = 0.0;     // cartesian, metres
    double heightM = 0.0;
    double measured = 0.0;     // as read, uW/cm^2
    double extrapolated = 0.0; // to full load, uW/cm^2
    double predicted = 0.0;    // the model's, uW/cm^2
    // 10 log10(extrapolated / predicted): above 0 the model under-predicts;
    // infinite when either is 0.
    double differenceDb = 0.0;
    double uncertaintyDb = 0.0;
    // The extrapolated measurement exceeds the prediction by more than the
    // measurement's uncertainty.
    bool flagged = false;
    // The value the point is assessed by: the larger of the two.
    double assessed = 0.0;
    bool assessedMeasured = false;
};

// Each measurement of the project paired with the prediction there,
// evaluated as a place of sensitive use is: every antenna with the
// project's exposure model, at its height over the ground at its foot, the
// receptor at its height over the ground at the point.
std::vector<PairedPoint> PairMeasurements(const Project& p);
PairedPoint PairMeasurement(const Project& p, const Measurement& m);

// "measurement" or "prediction": where a point's assessed value comes from.
const char* AssessedSource(const PairedPoint& q);
// Why a point is flagged: "+4.2 dB above the prediction, beyond its 2.0 dB
// uncertainty"; empty when it is not.
std::string FlagReason(const PairedPoint& q);

// The agreement of a set of points (all, or one band's), over the points
// whose difference is finite.
struct AgreementStats {
    std::string band; // empty: every point
    int count = 0;    // points compared
    int uncompared = 0;
    double meanDb = 0.0, medianDb = 0.0;
    double stdDevDb = 0.0;          // the sample's (n - 1), 0 below two points
    double conservativeShare = 0.0; // of points with predicted >= extrapolated
    int flagged = 0;
    // Up to five points (indices into the pairs) the model under-predicts
    // most, the worst first.
    std::vector<int> worst;
};
struct Agreement {
    AgreementStats all;
    std::vector<AgreementStats> bands; // by band name, when any point names one
};
Agreement Summarise(const std::vector<PairedPoint>& points);

// The measurements export: `name,lon,lat,x_m,y_m,height_m,measured,
// extrapolated,predicted,difference_db,flag` (uW/cm^2, flag 1 or 0), then
// uncertainty_db, band, timestamp, instrument, assessed, assessed_source and
// reason; numbers with 17 significant digits, lines ending in CR LF.
std::string MeasurementsCsv(const std::vector<PairedPoint>& points);
// The same as GeoJSON points in longitude/latitude.
std::string MeasurementsGeoJson(const std::vector<PairedPoint>& points);

} // namespace brenvik::measure
