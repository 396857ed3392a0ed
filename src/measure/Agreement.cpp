#include "measure/Agreement.h"

#include "compliance/Csv.h"
#include "compliance/GeoJson.h"
#include "compliance/Places.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <numeric>

namespace brenvik::measure {

PairedPoint PairMeasurement(const Project& p, const Measurement& m) {
    // The prediction comes from the places' own exact evaluation; no limits
    // are needed for the density alone.
    const Place at{m.Name, "", m.X, m.Y, m.HeightM};
    const compliance::PlaceValue v = compliance::EvaluatePlace(p, at, {});
    PairedPoint q;
    q.name = m.Name;
    q.band = m.Band;
    q.timestamp = m.Timestamp;
    q.instrument = m.Instrument;
    q.lon = v.lon;
    q.lat = v.lat;
    q.X = v.X;
    q.Y = v.Y;
    q.heightM = m.HeightM;
    q.measured = m.MeasuredUw;
    q.extrapolated = m.MeasuredUw * m.Factor;
    q.predicted = v.sUw;
    q.differenceDb = 10.0 * std::log10(q.extrapolated / q.predicted);
    if (std::isnan(q.differenceDb)) q.differenceDb = 0.0; // nothing measured, nothing predicted
    q.uncertaintyDb = m.UncertaintyDb;
    q.flagged = q.differenceDb > m.UncertaintyDb;
    q.assessedMeasured = q.extrapolated > q.predicted;
    q.assessed = std::max(q.extrapolated, q.predicted);
    return q;
}

std::vector<PairedPoint> PairMeasurements(const Project& p) {
    std::vector<PairedPoint> out;
    out.reserve(p.Measurements.size());
    for (const Measurement& m : p.Measurements)
        out.push_back(PairMeasurement(p, m));
    return out;
}

const char* AssessedSource(const PairedPoint& q) {
    return q.assessedMeasured ? "measurement" : "prediction";
}

std::string FlagReason(const PairedPoint& q) {
    if (!q.flagged) return "";
    char buf[160];
    if (std::isinf(q.differenceDb))
        std::snprintf(buf, sizeof buf, "measured where nothing is predicted");
    else
        std::snprintf(buf, sizeof buf,
                      "%+.1f dB above the prediction, beyond its %.1f dB uncertainty",
                      q.differenceDb, q.uncertaintyDb);
    return buf;
}

namespace {

AgreementStats StatsOf(const std::vector<PairedPoint>& points, const std::vector<int>& members) {
    AgreementStats s;
    std::vector<double> d;
    int conservative = 0;
    for (int k : members) {
        const PairedPoint& q = points[static_cast<std::size_t>(k)];
        if (q.flagged) ++s.flagged;
        if (!std::isfinite(q.differenceDb)) {
            ++s.uncompared;
            continue;
        }
        d.push_back(q.differenceDb);
        if (q.predicted >= q.extrapolated) ++conservative;
    }
    s.count = static_cast<int>(d.size());
    if (d.empty()) return s;
    const double n = static_cast<double>(d.size());
    s.meanDb = std::accumulate(d.begin(), d.end(), 0.0) / n;
    double squares = 0.0;
    for (double v : d)
        squares += (v - s.meanDb) * (v - s.meanDb);
    s.stdDevDb = d.size() > 1 ? std::sqrt(squares / (n - 1.0)) : 0.0;
    std::sort(d.begin(), d.end());
    const std::size_t h = d.size() / 2;
    s.medianDb = d.size() % 2 ? d[h] : (d[h - 1] + d[h]) / 2.0;
    s.conservativeShare = conservative / n;
    std::vector<int> under;
    for (int k : members)
        if (points[static_cast<std::size_t>(k)].differenceDb > 0.0) under.push_back(k);
    std::stable_sort(under.begin(), under.end(), [&](int a, int b) {
        return points[static_cast<std::size_t>(a)].differenceDb >
               points[static_cast<std::size_t>(b)].differenceDb;
    });
    if (under.size() > 5) under.resize(5);
    s.worst = std::move(under);
    return s;
}

std::string Number17(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v == 0.0 ? 0.0 : v);
    return buf;
}

} // namespace

Agreement Summarise(const std::vector<PairedPoint>& points) {
    Agreement a;
    std::vector<int> every(points.size());
    std::iota(every.begin(), every.end(), 0);
    a.all = StatsOf(points, every);
    std::map<std::string, std::vector<int>> byBand;
    for (int k : every)
        if (!points[static_cast<std::size_t>(k)].band.empty())
            byBand[points[static_cast<std::size_t>(k)].band].push_back(k);
    for (const auto& [band, members] : byBand) {
        a.bands.push_back(StatsOf(points, members));
        a.bands.back().band = band;
    }
    return a;
}

std::string MeasurementsCsv(const std::vector<PairedPoint>& points) {
    std::string out = "name,lon,lat,x_m,y_m,height_m,measured,extrapolated,predicted,"
                      "difference_db,flag,uncertainty_db,band,timestamp,instrument,assessed,"
                      "assessed_source,reason\r\n";
    for (const PairedPoint& q : points) {
        out += compliance::CsvQuoted(q.name);
        for (double d : {q.lon, q.lat, q.X, q.Y, q.heightM, q.measured, q.extrapolated, q.predicted,
                         q.differenceDb})
            out += "," + Number17(d);
        out += q.flagged ? ",1," : ",0,";
        out += Number17(q.uncertaintyDb) + "," + compliance::CsvQuoted(q.band) + "," +
               compliance::CsvQuoted(q.timestamp) + "," + compliance::CsvQuoted(q.instrument) +
               "," + Number17(q.assessed) + "," + AssessedSource(q) + "," +
               compliance::CsvQuoted(FlagReason(q)) + "\r\n";
    }
    return out;
}

std::string MeasurementsGeoJson(const std::vector<PairedPoint>& points) {
    nlohmann::ordered_json features = nlohmann::ordered_json::array();
    for (const PairedPoint& q : points) {
        nlohmann::ordered_json props;
        props["name"] = q.name;
        props["lon"] = q.lon;
        props["lat"] = q.lat;
        props["x_m"] = q.X;
        props["y_m"] = q.Y;
        props["height_m"] = q.heightM;
        props["measured"] = q.measured;
        props["extrapolated"] = q.extrapolated;
        props["predicted"] = q.predicted;
        // JSON has no infinity: a difference against nothing is null.
        props["difference_db"] = std::isfinite(q.differenceDb)
                                     ? nlohmann::ordered_json(q.differenceDb)
                                     : nlohmann::ordered_json(nullptr);
        props["flag"] = q.flagged ? 1 : 0;
        props["uncertainty_db"] = q.uncertaintyDb;
        props["band"] = q.band;
        props["timestamp"] = q.timestamp;
        props["instrument"] = q.instrument;
        props["assessed"] = q.assessed;
        props["assessed_source"] = AssessedSource(q);
        props["reason"] = FlagReason(q);
        features.push_back(compliance::GeoJsonFeature(
            std::move(props), {{"type", "Point"}, {"coordinates", {q.lon, q.lat}}}));
    }
    return compliance::GeoJsonText("measurements", std::move(features));
}

} // namespace brenvik::measure
