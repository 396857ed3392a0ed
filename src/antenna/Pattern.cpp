#include "antenna/Pattern.h"

#include "model/FileValues.h"
#include "model/InputFile.h"
#include "model/Numbers.h"
#include "model/Project.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>
#include <set>

namespace brenvik::antenna {

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double DegPerRad = 180.0 / Pi;
constexpr double RadPerDeg = Pi / 180.0;
constexpr double FullTurnDeg = 360.0;
constexpr double DbdToDbi = 2.15;
// Points of a cut whose line gives no count.
constexpr int DefaultCutPoints = 360;
// The finest step a cut may have, which bounds a cut to 720 points.
constexpr double MinStepDeg = 0.5;
constexpr int MaxCutPoints = 720;
// A pattern file is a few tens of kilobytes; anything far beyond is not one.
constexpr std::uintmax_t MaxFileBytes = 4u << 20;
// Beyond these no antenna is measured: such a value is a broken file.
constexpr double MaxGainDbi = 100.0;
constexpr double MaxTiltDeg = 90.0;
constexpr double MaxLossDb = 1000.0;

// The project file keeps 15 significant digits: a value read with more is
// held as a save will give it back, so that a project reads back the very
// pattern it saved.
double AsSaved(double v) {
    return ParseFileDouble(FormatDouble(v)).value_or(v);
}

// A control character (a CR, a form feed, an escape...) in a name would
// break the project file's lines and the reports; a tab is only a blank.
bool HasControl(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7F;
    });
}

// The warning of a cut whose smallest loss is not 0 dB (its gains never
// reach the file's GAIN), or none.
std::optional<std::string> CutWarning(const std::string& key, const PatternCut& cut) {
    if (cut.Loss.empty()) return std::nullopt;
    const double least = *std::min_element(cut.Loss.begin(), cut.Loss.end());
    if (least == 0.0) return std::nullopt;
    return key + " cut: the smallest loss is " + FormatShortest(least) +
           " dB, not 0 dB; its gains stay relative to the file's GAIN";
}

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> w;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        std::size_t j = i;
        while (j < s.size() && !IsBlank(s[j]))
            ++j;
        if (j > i) w.push_back(s.substr(i, j - i));
        i = j;
    }
    return w;
}

// A number followed by an optional unit, with or without a blank between
// ("13.2 dBd", "13.2dBd", "2.45 GHz"): splits at the first letter after the
// number's digits. An exponent ("1e3") stays with the number.
std::pair<std::string_view, std::string_view> SplitUnit(std::string_view v) {
    v = Trim(v);
    std::size_t i = 0;
    for (; i < v.size(); ++i) {
        const char c = v[i];
        const bool exponent = (c == 'e' || c == 'E') && i > 0 &&
                              std::isdigit(static_cast<unsigned char>(v[i - 1])) &&
                              i + 1 < v.size() &&
                              (std::isdigit(static_cast<unsigned char>(v[i + 1])) ||
                               v[i + 1] == '-' || v[i + 1] == '+');
        if (std::isalpha(static_cast<unsigned char>(c)) && !exponent) break;
    }
    return {Trim(v.substr(0, i)), Trim(v.substr(i))};
}

// The header keys this reader knows; a first line that starts with none of
// them is the pattern's name written without its NAME token.
bool IsKnownKey(const std::string& key) {
    static constexpr std::array<std::string_view, 16> keys{
        "NAME",          "MAKE",    "FREQUENCY",  "H_WIDTH",         "V_WIDTH",
        "FRONT_TO_BACK", "GAIN",    "TILT",       "ELECTRICAL_TILT", "MECHANICAL_TILT",
        "POLARIZATION",  "COMMENT", "HORIZONTAL", "VERTICAL",        "POWER",
        "ORIGINAL_FILE"};
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::optional<double> FrequencyMHz(std::string_view value) {
    auto [number, unit] = SplitUnit(value);
    const std::string u = Upper(unit);
    double scale = 1.0;
    if (u == "GHZ")
        scale = 1000.0;
    else if (u == "KHZ")
        scale = 0.001;
    else if (!u.empty() && u != "MHZ")
        return std::nullopt;
    // A band "2450-2550" stands for its middle; the dash is not a sign when
    // it follows a digit.
    std::optional<double> f;
    const std::size_t dash = number.find('-', 1);
    if (dash != std::string_view::npos) {
        auto lo = ParseFileDouble(number.substr(0, dash));
        auto hi = ParseFileDouble(number.substr(dash + 1));
        if (lo && hi && *hi >= *lo) f = (*lo + *hi) / 2.0;
    } else {
        f = ParseFileDouble(number);
    }
    if (!f || !(*f > 0.0)) return std::nullopt;
    // A carrier outside what an antenna can be given (0.1 MHz to 300 GHz),
    // infinity included, is a broken header, not a band.
    const double mhz = AsSaved(*f * scale);
    if (!(mhz >= MinAntennaFrequencyMHz && mhz <= MaxAntennaFrequencyMHz)) return std::nullopt;
    return mhz;
}

std::string Quoted(std::string_view s) {
    std::string q = "\"";
    q.append(s.substr(0, 60));
    if (s.size() > 60) q += "...";
    return q + "\"";
}

struct CutReader {
    std::string key; // HORIZONTAL or VERTICAL
    int headerLine = 0;
    int declared = 0;
    bool counted = false; // the line gave a count
    int lastLine = 0;     // line of the previous row
    PatternCut cut;
};

class Parser {
  public:
    PatternRead Run(std::string_view text);

  private:
    bool Fail(int line, std::string reason) {
        read_.error = "line " + std::to_string(line) + ": " + std::move(reason);
        read_.line = line;
        return false;
    }
    bool HeaderLine(int line, std::string_view body, bool first);
    bool Row(int line, const std::vector<std::string_view>& w);
    bool CloseCut();

    PatternRead read_;
    AntennaPattern p_;
    std::optional<CutReader> open_;
    bool haveH_ = false, haveV_ = false;
};

bool Parser::HeaderLine(int line, std::string_view body, bool first) {
    const std::vector<std::string_view> w = Words(body);
    const std::string key = Upper(w.front());
    std::string_view rest = Trim(body.substr(w.front().size()));
    if (first && !IsKnownKey(key)) {
        if (HasControl(Trim(body))) return Fail(line, "the name holds a control character");
        p_.Name = std::string(Trim(body));
        return true;
    }
    if ((key == "NAME" || key == "MAKE" || key == "COMMENT") && HasControl(rest))
        return Fail(line, key + " holds a control character");
    if (key == "HORIZONTAL" || key == "VERTICAL") {
        if ((key == "HORIZONTAL" && haveH_) || (key == "VERTICAL" && haveV_))
            return Fail(line, "a second " + key + " cut");
        CutReader c;
        c.key = key;
        c.headerLine = line;
        c.lastLine = line;
        c.declared = DefaultCutPoints;
        if (w.size() > 2) return Fail(line, key + " takes one point count, not " + Quoted(rest));
        if (w.size() == 2) {
            const auto n = ParseFileDouble(w[1]);
            if (!n || *n != std::floor(*n) || *n < 1.0)
                return Fail(line, key + " point count " + Quoted(w[1]) +
                                      " is not a whole number above 0");
            if (*n > MaxCutPoints)
                return Fail(line, key + " declares " + FormatShortest(*n) +
                                      " points; steps of 0.5 degrees or more allow at most " +
                                      std::to_string(MaxCutPoints));
            c.declared = static_cast<int>(*n);
            c.counted = true;
        }
        (key == "HORIZONTAL" ? haveH_ : haveV_) = true;
        open_ = std::move(c);
        return true;
    }
    if (key == "NAME")
        p_.Name = std::string(rest);
    else if (key == "MAKE")
        p_.Make = std::string(rest);
    else if (key == "COMMENT")
        p_.Comment = std::string(rest);
    else if (key == "FREQUENCY") {
        const auto f = FrequencyMHz(rest);
        if (!f)
            return Fail(line, "FREQUENCY " + Quoted(rest) +
                                  " is not a frequency between 0.1 MHz and 300 GHz");
        p_.FrequencyMHz = *f;
    } else if (key == "GAIN") {
        auto [number, unit] = SplitUnit(rest);
        const auto g = ParseFileDouble(number);
        const std::string u = Upper(unit);
        if (!g || !(u.empty() || u == "DBD" || u == "DBI") || !(std::fabs(*g) <= MaxGainDbi))
            return Fail(line, "GAIN " + Quoted(rest) + " is not a gain in dBi or dBd");
        p_.GainDbi = AsSaved(u == "DBI" ? *g : *g + DbdToDbi);
    } else if (key == "TILT" || key == "ELECTRICAL_TILT") {
        // TILT may name the kind of tilt ("ELECTRICAL") rather than give it.
        auto [number, unit] = SplitUnit(rest);
        const auto t = number.empty() ? std::nullopt : ParseFileDouble(number);
        if (t && !(std::fabs(*t) <= MaxTiltDeg))
            return Fail(line, key + " " + Quoted(rest) + " is not an angle within 90 degrees");
        if (t)
            p_.TiltDeg = AsSaved(*t);
        else if (key == "ELECTRICAL_TILT" || !number.empty())
            return Fail(line, key + " " + Quoted(rest) + " is not an angle");
    }
    // Other keys (beamwidths, front-to-back ratio, polarisation, vendors'
    // own) describe the pattern without changing its cuts.
    return true;
}

bool Parser::Row(int line, const std::vector<std::string_view>& w) {
    if (!open_) return Fail(line, "a row of numbers outside a HORIZONTAL or VERTICAL cut");
    CutReader& c = *open_;
    if (w.size() != 2) return Fail(line, "a " + c.key + " row needs an angle and a loss");
    auto angle = ParseFileDouble(w[0]);
    auto loss = ParseFileDouble(w[1]);
    if (angle) angle = AsSaved(*angle);
    if (loss) loss = AsSaved(*loss);
    if (!angle) return Fail(line, "angle " + Quoted(w[0]) + " is not a number");
    if (!loss) return Fail(line, "loss " + Quoted(w[1]) + " is not a number");
    if (static_cast<int>(c.cut.Angle.size()) >= c.declared)
        return Fail(c.headerLine, c.key +
                                      (c.counted ? " declares " : " gives no count, so expects ") +
                                      std::to_string(c.declared) + " points, and more follow");
    if (*angle < 0.0 || *angle >= FullTurnDeg)
        return Fail(line, "angle " + FormatShortest(*angle) + " is outside 0 to 360 degrees");
    if (!c.cut.Angle.empty()) {
        const double prev = c.cut.Angle.back();
        if (*angle == prev)
            return Fail(line, "angle " + FormatShortest(*angle) + " repeats line " +
                                  std::to_string(c.lastLine));
        if (*angle < prev)
            return Fail(line, "angle " + FormatShortest(*angle) + " follows " +
                                  FormatShortest(prev) + "; angles must ascend");
        if (*angle - prev < MinStepDeg - 1e-9)
            return Fail(line, "step of " + FormatShortest(*angle - prev) + " degrees after angle " +
                                  FormatShortest(prev) + "; steps must be 0.5 degrees or more");
    }
    if (*loss < 0.0) return Fail(line, "negative loss " + FormatShortest(*loss));
    if (*loss > MaxLossDb)
        return Fail(line, "loss " + FormatShortest(*loss) + " dB is beyond any measured pattern");
    c.cut.Angle.push_back(*angle);
    c.cut.Loss.push_back(*loss);
    c.lastLine = line;
    return true;
}

bool Parser::CloseCut() {
    if (!open_) return true;
    CutReader c = std::move(*open_);
    open_.reset();
    const int n = static_cast<int>(c.cut.Angle.size());
    if (n != c.declared)
        return Fail(c.headerLine, c.key +
                                      (c.counted ? " declares " : " gives no count, so expects ") +
                                      std::to_string(c.declared) + " points, but " +
                                      std::to_string(n) + (n == 1 ? " follows" : " follow"));
    if (auto w = CutWarning(c.key, c.cut))
        read_.warnings.push_back("line " + std::to_string(c.headerLine) + ": " + *w);
    (c.key == "HORIZONTAL" ? p_.Horizontal : p_.Vertical) = std::move(c.cut);
    return true;
}

PatternRead Parser::Run(std::string_view text) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    // Lines end in LF or CR LF; a file of CR alone comes from old editors.
    const char eol = text.find('\n') == std::string_view::npos ? '\r' : '\n';
    int line = 0;
    bool first = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(eol, pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view body = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++line;
        if (body.empty()) continue;
        if (body.find('\0') != std::string_view::npos) {
            Fail(line, "not a text line");
            return read_;
        }
        const std::vector<std::string_view> w = Words(body);
        const char c0 = w.front().front();
        const bool numeric =
            std::isdigit(static_cast<unsigned char>(c0)) || c0 == '-' || c0 == '+' || c0 == '.';
        bool ok = true;
        // A first line of numbers is a stray row; one that merely starts
        // with a digit is a name (many names are article numbers).
        const bool row =
            numeric &&
            (!first || (w.size() == 2 && ParseFileDouble(w[0]) && ParseFileDouble(w[1])));
        if (row) {
            ok = Row(line, w);
        } else {
            ok = CloseCut() && HeaderLine(line, body, first);
        }
        if (!ok) return read_;
        first = false;
    }
    if (!CloseCut()) return read_;
    const int last = std::max(line, 1);
    if (!haveH_ && !haveV_) {
        Fail(last, first ? "the file is empty" : "no HORIZONTAL or VERTICAL cut");
        return read_;
    }
    if (!haveH_ || !haveV_) {
        Fail(last, std::string("no ") + (haveH_ ? "VERTICAL" : "HORIZONTAL") + " cut");
        return read_;
    }
    read_.pattern = std::move(p_);
    return read_;
}

} // namespace

PatternRead ParsePattern(std::string_view text) {
    return Parser().Run(text);
}

PatternRead ReadPatternFile(const std::string& path) {
    const std::filesystem::path fp(path);
    PatternRead r;
    // The file's name becomes the pattern's source, and its stem may become
    // its name: both go into the project file.
    if (HasControl(fp.filename().string())) {
        std::string shown = QuoteCut(fp.filename().string());
        std::replace_if(
            shown.begin(), shown.end(),
            [](char c) {
                return HasControl({&c, 1});
            },
            '?');
        r.error = "the name of \"" + shown + "\" holds a control character; rename the file";
        return r;
    }
    std::string text;
    if (auto refused = ReadInputFile(path, MaxFileBytes, text)) {
        r.error = *refused;
        return r;
    }
    r = ParsePattern(text);
    if (r.pattern) {
        r.pattern->Source = fp.filename().string();
        if (r.pattern->Name.empty()) r.pattern->Name = fp.stem().string();
    }
    return r;
}

std::vector<std::string> PatternWarnings(const AntennaPattern& p) {
    std::vector<std::string> out;
    for (const auto& [key, cut] :
         {std::pair<std::string, const PatternCut*>{"HORIZONTAL", &p.Horizontal},
          {"VERTICAL", &p.Vertical}})
        if (auto w = CutWarning(key, *cut)) out.push_back(*w);
    return out;
}

std::optional<std::string> FrequencyWarning(const AntennaPattern& p, double antennaMHz) {
    if (!(p.FrequencyMHz > 0.0) || !(antennaMHz > 0.0)) return std::nullopt;
    const double off = std::fabs(p.FrequencyMHz - antennaMHz) / antennaMHz;
    if (!(off > PatternFrequencyTolerance)) return std::nullopt;
    return "measured at " + FormatShortest(p.FrequencyMHz) + " MHz, " +
           std::to_string(static_cast<int>(std::lround(off * 100.0))) + " % from the " +
           FormatShortest(antennaMHz) + " MHz of the antenna that uses it";
}

std::vector<std::string> ProjectPatternWarnings(const Project& p) {
    std::vector<std::string> out;
    std::set<std::string> named;
    std::set<std::pair<std::string, double>> carriers;
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    for (int k = 1; k <= count; ++k) {
        const Antenna& a = p.Antennas[static_cast<std::size_t>(k)];
        const AntennaPattern* q = FindPattern(p.Patterns, a.AntPattern);
        if (!q) continue;
        if (named.insert(q->Name).second)
            for (const std::string& w : PatternWarnings(*q))
                out.push_back("Pattern " + q->Name + ": " + w);
        if (carriers.insert({q->Name, a.AntFrequencyMHz}).second)
            if (auto w = FrequencyWarning(*q, a.AntFrequencyMHz))
                out.push_back("Pattern " + q->Name + ": " + *w);
    }
    return out;
}

// ---- Gains ------------------------------------------------------------------------------

double CutLossDb(const PatternCut& cut, double angleDeg) {
    const std::size_t n = std::min(cut.Angle.size(), cut.Loss.size());
    if (n == 0) return 0.0;
    if (n == 1) return cut.Loss[0];
    double a = std::fmod(angleDeg, FullTurnDeg);
    if (a < 0.0) a += FullTurnDeg;
    if (a >= FullTurnDeg) a -= FullTurnDeg;
    const auto first = cut.Angle.begin();
    const std::size_t hi = static_cast<std::size_t>(
        std::upper_bound(first, first + static_cast<std::ptrdiff_t>(n), a) - first);
    double a0, a1, l0, l1;
    if (hi == 0) { // before the first angle: from the last one, a turn earlier
        a0 = cut.Angle[n - 1] - FullTurnDeg, l0 = cut.Loss[n - 1];
        a1 = cut.Angle[0], l1 = cut.Loss[0];
    } else if (hi == n) { // after the last angle: towards the first, a turn later
        a0 = cut.Angle[n - 1], l0 = cut.Loss[n - 1];
        a1 = cut.Angle[0] + FullTurnDeg, l1 = cut.Loss[0];
    } else {
        a0 = cut.Angle[hi - 1], l0 = cut.Loss[hi - 1];
        a1 = cut.Angle[hi], l1 = cut.Loss[hi];
    }
    return l0 + (l1 - l0) * (a - a0) / (a1 - a0);
}

double PatternGainDb(const AntennaPattern& p, double phiDeg, double thetaDeg) {
    const auto gh = [&](double a) { return -CutLossDb(p.Horizontal, a); };
    const auto gv = [&](double a) { return -CutLossDb(p.Vertical, a); };
    const double a = std::fabs(phiDeg) / 180.0;
    const double g = gh(phiDeg) - ((1.0 - a) * (gh(0.0) - gv(thetaDeg)) +
                                   a * (gh(180.0) - gv(180.0 - thetaDeg)));
    return std::min(g, 0.0);
}

double ParametricGainDb(const ParametricBeam& b, double phiDeg, double thetaDeg) {
    const double v = (thetaDeg - b.electricalTiltDeg) / b.vBeamwidthDeg;
    const double av = -std::min(12.0 * v * v, ParametricSideLobeDb);
    if (b.stick) return av;
    const double h = phiDeg / b.hBeamwidthDeg;
    const double ah = -std::min(12.0 * h * h, ParametricMaxAttenuationDb);
    return -std::min(-(ah + av), ParametricMaxAttenuationDb);
}

double Beam::GainDb(double phiDeg, double thetaDeg) const {
    if (pattern) return PatternGainDb(*pattern, phiDeg, thetaDeg);
    if (envelope) return envelope->GainDb(phiDeg, thetaDeg);
    return ParametricGainDb(parametric, phiDeg, thetaDeg);
}

bool IsStick(const Antenna& a) {
    return a.AntType == AntennaKind::Stick;
}

const AntennaPattern* FindPattern(const std::vector<AntennaPattern>& patterns,
                                  const std::string& name) {
    if (name.empty()) return nullptr;
    for (const AntennaPattern& p : patterns)
        if (p.Name == name) return &p;
    return nullptr;
}

ParametricBeam ParametricBeamOf(const Antenna& a, double openAngleBTS, double openAngleDTS) {
    ParametricBeam b;
    b.stick = IsStick(a);
    b.hBeamwidthDeg = a.AntHBeamwidthDeg;
    b.vBeamwidthDeg = a.AntVBeamwidthDeg > 0.0 ? a.AntVBeamwidthDeg
                                               : 2.0 * (b.stick ? openAngleDTS : openAngleBTS);
    b.electricalTiltDeg = a.AntElectricalTiltDeg;
    return b;
}

Beam BeamOf(const Project& p, const Antenna& a, EnvelopeCache* cache) {
    Beam b;
    b.pattern = FindPattern(p.Patterns, a.AntPattern);
    b.parametric = ParametricBeamOf(a, p.OpenAngleBTS, p.OpenAngleDTS);
    if (!b.pattern && IsAdaptive(a) && a.AntType == AntennaKind::Panel)
        b.envelope = EnvelopeOf(ArrayOf(a), cache);
    return b;
}

// ---- Geometry ----------------------------------------------------------------------------

Direction DirectionInBeam(double e, double n, double u, double azDeg, double tiltDeg) {
    const double az = azDeg * RadPerDeg;
    const double t = tiltDeg * RadPerDeg;
    const double f = e * std::sin(az) + n * std::cos(az);
    const double s = e * std::cos(az) - n * std::sin(az);
    const double f1 = f * std::cos(t) - u * std::sin(t);
    const double u1 = f * std::sin(t) + u * std::cos(t);
    return {std::atan2(s, f1) * DegPerRad, std::atan2(-u1, std::sqrt(f1 * f1 + s * s)) * DegPerRad};
}

double FarFieldDensity(double erpW, double reflection, double gain, double rM) {
    const double r = std::max(rM, MinDistanceM);
    return 100.0 * reflection * ErpToEirp * erpW * gain / (4.0 * Pi * r * r);
}

// ---- Compliance boundary ------------------------------------------------------------------

double BoundaryRadius(const Beam& b, double erpW, double reflection, double limitWm2, double phiDeg,
                      double thetaDeg) {
    const double g = std::pow(10.0, b.GainDb(phiDeg, thetaDeg) / 10.0);
    const double r2 = reflection * ErpToEirp * erpW * g / (4.0 * Pi * limitWm2);
    return r2 > 0.0 ? std::sqrt(r2) : 0.0;
}

BoundaryExtent ComplianceBoundary(const Beam& b, double erpW, double reflection, double limitWm2,
                                  double tiltDeg) {
    BoundaryExtent x;
    const double t = tiltDeg * RadPerDeg;
    const double ct = std::cos(t), st = std::sin(t);
    // One direction of the horizontal frame (forward, right, up), unit length.
    const auto visit = [&](double f, double s, double u) {
        const double f1 = f * ct - u * st;
        const double u1 = f * st + u * ct;
        const double phi = std::atan2(s, f1) * DegPerRad;
        const double theta = std::atan2(-u1, std::sqrt(f1 * f1 + s * s)) * DegPerRad;
        const double r = BoundaryRadius(b, erpW, reflection, limitWm2, phi, theta);
        x.front = std::max(x.front, r * f);
        x.back = std::max(x.back, -r * f);
        x.side = std::max(x.side, std::fabs(r * s));
        x.above = std::max(x.above, r * u);
        x.below = std::max(x.below, -r * u);
    };
    // The axes themselves, exactly.
    visit(1, 0, 0), visit(-1, 0, 0), visit(0, 1, 0), visit(0, -1, 0), visit(0, 0, 1),
        visit(0, 0, -1);
    // Then every 0.5 degrees of azimuth and elevation.
    constexpr int steps = 2; // per degree
    std::vector<double> cosAz(360 * steps), sinAz(360 * steps);
    for (int i = 0; i < 360 * steps; ++i) {
        const double az = (i - 180 * steps) * RadPerDeg / steps;
        cosAz[i] = std::cos(az), sinAz[i] = std::sin(az);
    }
    for (int j = -90 * steps + 1; j < 90 * steps; ++j) {
        const double el = j * RadPerDeg / steps;
        const double ce = std::cos(el), se = std::sin(el);
        for (int i = 0; i < 360 * steps; ++i)
            visit(ce * cosAz[i], ce * sinAz[i], se);
    }
    return x;
}

} // namespace brenvik::antenna
