#pragma once

#include "model/Project.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::antenna {
class EnvelopeCache;
}

namespace brenvik::compliance {

// The places file: one row per place of sensitive use, its position either
// as lon/lat (WGS 84) or as x_m/y_m (the cartesian Coordinates of the CSV
// exports), height_m above the ground there, kind free text.
inline constexpr const char* PlacesHeader = "name,lon,lat,x_m,y_m,height_m,kind";
// A receptor higher than this above its ground is no place of sensitive use.
inline constexpr double MaxPlaceHeightM = 1000.0;

// What an import did: the refusal (nothing changed), or how many places came
// in and how many lay off the plan and were skipped, with a note saying so.
struct PlacesImport {
    std::optional<std::string> refusal;
    int imported = 0;
    int skipped = 0;
    std::string note; // "2 places off the plan skipped: lines 4, 7"
};
// Reads places from the file text into a list, replacing the project's only
// when every row inside the plan is sound. `fileName` names the file in the
// messages. A name or kind with a control character, a number that is not
// finite or a height out of 0..MaxPlaceHeightM refuses its row; each quoted
// field is cut short in the message.
PlacesImport ImportPlaces(Project& p, const std::string& csv, const std::string& fileName);
PlacesImport ImportPlacesFile(Project& p, const std::string& path);

// The heights of one exact evaluation, in metres of the calculation's
// height frame: the antenna sits at its height over the ground at its foot,
// the receptor at `heightM` over the ground at the point.
// The ground at an exact point, plan metres (x, y) of the calculation frame
// (y growing down the plan): the elevation model's own surface there when
// the project keeps one (geo::DemHeightAt), else `stepped`, what the ground
// grid's rule gives.
double GroundAtPoint(const Project& p, double xm, double ym, double stepped);
// Ground at plan metres (x, y) of the calculation frame: the model's surface,
// or the grid's cell as the calculation reads it; 0 off the grid.
double GroundAt(const Project& p, double xm, double ym);
double AntennaZ(const Project& p, int slot);

// The density one antenna gives at a receptor in the calculation frame,
// uW/cm^2, with the project's exposure model; nothing on the antenna's
// vertical. An adaptive antenna's envelope comes from `envelopes` when
// given: callers asking for many receptors hold one for the lot.
double AntennaDensity(const Project& p, int slot, double xm, double ym, double zAntenna,
                      double zReceptor, antenna::EnvelopeCache* envelopes = nullptr);

// One antenna seen from a place.
struct AntennaAtPlace {
    int slot = 0;
    std::string label;         // "T2 A1"
    double sUw = 0.0;          // its density there, uW/cm^2
    double percent = 0.0;      // of its own limit
    double horizontalM = 0.0;  // from the antenna's foot
    double directM = 0.0;      // from the antenna itself
    double azimuthDeg = 0.0;   // of the place seen from the antenna, clockwise from the top
    double elevationDeg = 0.0; // of the place above the antenna's horizontal (negative below)
};

struct PlaceValue {
    std::string name, kind;
    double X = 0.0, Y = 0.0;     // cartesian, metres
    double lon = 0.0, lat = 0.0; // degrees
    double groundM = 0.0, heightM = 0.0;
    double sUw = 0.0;                     // total, uW/cm^2
    double eVm = 0.0;                     // sqrt(S * 376.73), S in W/m^2
    double percent = 0.0;                 // sum of each antenna's share of its limit, x 100
    std::vector<AntennaAtPlace> antennas; // every antenna, the largest share first
};

// "T2 A1": the tower and the antenna's place on it, as the report names it.
std::string ShortName(const Project& p, int slot);

// Evaluates the place exactly. `inverse` holds each antenna's 1 / S_L in
// 1 / (uW/cm^2) (compliance::InverseLimits), slot 0 unused.
PlaceValue EvaluatePlace(const Project& p, const Place& place, const std::vector<double>& inverse,
                         antenna::EnvelopeCache* envelopes = nullptr);
std::vector<PlaceValue> EvaluatePlaces(const Project& p, const std::vector<double>& inverse);

// The places export: PlacesHeader's columns, then for each antenna by rank
// its label, density, % of limit, distances, azimuth and elevation; numbers
// with 17 significant digits, lines ending in CR LF.
std::string PlacesCsv(const std::vector<PlaceValue>& values);
// The same as GeoJSON points in longitude/latitude.
std::string PlacesGeoJson(const std::vector<PlaceValue>& values);
// Writes the CSV or, for a path ending in .geojson/.json, the GeoJSON.
bool SavePlacesFile(const std::vector<PlaceValue>& values, const std::string& path);

// The "Places" dialog's table: one row per place, the position in the
// cartesian metres of the CSV exports, numbers as the window's locale writes
// them.
struct PlaceRow {
    std::string name, kind, x, y, height;
    friend bool operator==(const PlaceRow&, const PlaceRow&) = default;
};
using NumberFormat = std::function<std::string(double)>;
using NumberParse = std::function<std::optional<double>(const std::string&)>;
std::vector<PlaceRow> PlacesFormLoad(const Project& p, const NumberFormat& format);
// Checks every row and stores the places, or returns the message naming
// each bad row ("row 2: height is not a number") and changes nothing.
std::optional<std::string> PlacesFormAccept(Project& p, const std::vector<PlaceRow>& rows,
                                            const NumberParse& parse);

// Places' drawing positions from cartesian metres, and back.
struct PlanPoint {
    double x = 0.0, y = 0.0;
};
PlanPoint DrawingFromCartesian(const Project& p, double X, double Y);

} // namespace brenvik::compliance
