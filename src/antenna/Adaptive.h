#pragma once

// Adaptive (beam-steering) antennas: an array of rows x columns of equal
// elements whose beam is pointed anywhere within a range of azimuths and
// tilts. Assessments use its envelope, in each direction the most gain any
// of those beams gives there. Element and array follow the ITU-R M.2101
// model; the envelope is kept as a table of gains over every direction.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace brenvik {
struct Antenna;
}

namespace brenvik::antenna {

// The array of one adaptive antenna. Angles in degrees: azimuths from the
// array's boresight, clockwise seen from above; tilts below the boresight.
struct ArrayParams {
    int rows = 8, columns = 8;
    double elementGainDbi = 5.0;
    double hWidthDeg = 65.0, vWidthDeg = 65.0; // the element's half-power widths
    double frontBackDb = 30.0;                 // A_m
    double sideLobeDb = 30.0;                  // SLA_v
    double hSpacing = 0.5, vSpacing = 0.5;     // wavelengths
    double azMinDeg = -60.0, azMaxDeg = 60.0;
    double tiltMinDeg = 0.0, tiltMaxDeg = 10.0;
    bool operator==(const ArrayParams&) const = default;
    // Field by field, so that distinct arrays can be kept once in an ordered
    // table (the fields are finite once read).
    auto operator<=>(const ArrayParams&) const = default;
};
// The array an antenna's fields describe (counts rounded to whole elements,
// each range put in order).
ArrayParams ArrayOf(const Antenna& a);

// One element's gain in dBi towards phi (degrees from boresight, -180..180)
// and theta (degrees below the horizon, -90..90):
//   A_H = -min(12 (phi/phi3)^2, A_m),  A_V = -min(12 (theta/theta3)^2, SLA_v),
//   G = G_max - min(-(A_H + A_V), A_m).
double ElementGainDbi(const ArrayParams& a, double phiDeg, double thetaDeg);
// The array's gain in dBi with its beam steered to (azimuth, tilt): the
// element's gain plus 10 log10 |sum over elements of w v|^2, the weights w
// of unit total power.
double SteeredGainDbi(const ArrayParams& a, double phiDeg, double thetaDeg, double steerAzDeg,
                      double steerTiltDeg);
// The envelope's gain in dBi: the most SteeredGainDbi gives towards (phi,
// theta) over the steering ranges. Exact over the azimuths; over the tilts
// to far less than 0.01 dB.
double EnvelopeGainDbi(const ArrayParams& a, double phiDeg, double thetaDeg);

// The envelope over every direction, relative to its peak (dB, <= 0), at
// phi = -180..180 and theta = -90..90 every 1 / perDeg degrees, read with
// linear interpolation in dB. The step is halved until halving it again
// changes no value by more than 0.1 dB.
struct EnvelopeTable {
    double peakDbi = 0.0; // the envelope's peak gain
    double perDeg = 1.0;
    int phiCount = 0, thetaCount = 0; // 360 perDeg + 1, 180 perDeg + 1
    // [theta index * phiCount + phi index]: the directions along a line of
    // the plan mostly keep their theta, so neighbours in phi lie side by side.
    std::vector<double> gainDb;
    double GainDb(double phiDeg, double thetaDeg) const;
};
inline constexpr double EnvelopeToleranceDb = 0.1;
std::shared_ptr<const EnvelopeTable> MakeEnvelope(const ArrayParams& a);

// The bytes of the gains of a table sampled every 1 / perDeg degrees.
std::uint64_t EnvelopeBytesAt(double perDeg);
// The bytes of the gains of the table MakeEnvelope makes of `a`: 2 MB at
// half a degree, 8 MB at a quarter. The step is found the same way, by
// sampling the envelope, so this takes as long as making the table does.
std::uint64_t EnvelopeBytes(const ArrayParams& a);

// The envelopes made during one operation (a calculation, a report, an
// export), one per distinct array: a table takes a tenth of a second or more
// to make, and the antennas of a site mostly share one array. Whoever runs
// the operation holds one and hands it to whatever prepares beams; it may
// be asked from several threads. It keeps the latest few arrays' tables (8
// MB each at most), so that one held by a window stays small as the user
// tries array after array.
class EnvelopeCache {
  public:
    // The envelope of `a`, made on the first request for an equal array.
    std::shared_ptr<const EnvelopeTable> Get(const ArrayParams& a);
    // How many tables were made (requests that found none).
    int made() const;
    static constexpr std::size_t Kept = 8;

  private:
    mutable std::mutex mutex_;
    std::vector<std::pair<ArrayParams, std::shared_ptr<const EnvelopeTable>>> tables_;
    int made_ = 0;
};
// The envelope of `a` from `cache`, or made afresh without one.
std::shared_ptr<const EnvelopeTable> EnvelopeOf(const ArrayParams& a, EnvelopeCache* cache);

// A table's gain in dB at (phi, theta): bilinear in dB between its samples;
// the far-field beams read the same table through this.
double EnvelopeLookupDb(const double* gainDb, int phiCount, double perDeg, double phiDeg,
                        double thetaDeg);

} // namespace brenvik::antenna
