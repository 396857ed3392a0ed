#include "compliance/Limits.h"

#include "compliance/BuiltInLimits.inc" // kBuiltInLimits, generated from data/limits.json
#include "model/InputFile.h"
#include "model/Messages.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>
#include <unordered_map>

namespace brenvik::compliance {

namespace fs = std::filesystem;
using nlohmann::json;

double PowerLaw::at(double mhz) const {
    return n == 0.0 ? k : k * std::pow(mhz, n);
}

std::optional<Level> ReferenceLevel(const Standard& s, Population g, double mhz) {
    if (!std::isfinite(mhz)) return std::nullopt;
    for (const LevelPiece& piece : s.levels(g)) {
        if (mhz < piece.fromMHz || mhz > piece.toMHz) continue;
        Level l;
        if (piece.S) l.sWm2 = piece.S->at(mhz);
        if (piece.E) l.eVm = piece.E->at(mhz);
        if (!piece.S) l.sWm2 = l.eVm * l.eVm / FreeSpaceImpedance;
        if (!piece.E) l.eVm = std::sqrt(l.sWm2 * FreeSpaceImpedance);
        return l;
    }
    return std::nullopt;
}

const Standard* Library::find(const std::string& id) const {
    for (const Standard& s : standards_)
        if (s.id == id) return &s;
    return nullptr;
}

std::vector<std::string> Library::ids() const {
    std::vector<std::string> out;
    for (const Standard& s : standards_)
        out.push_back(s.id);
    return out;
}

namespace {

// A structural fault of a file that parses as JSON; the reader names the
// standard and the item.
struct BadItem {
    std::string what;
};

PowerLaw ReadLaw(const json& j, const std::string& where) {
    if (!j.is_array() || j.size() != 2 || !j[0].is_number() || !j[1].is_number())
        throw BadItem{where + ": a level is [k, n] for k * f^n"};
    PowerLaw law{j[0].get<double>(), j[1].get<double>()};
    if (!std::isfinite(law.k) || !std::isfinite(law.n) || !(law.k > 0.0))
        throw BadItem{where + ": a level needs a positive k"};
    return law;
}

std::string RangeText(const LevelPiece& piece) {
    std::ostringstream m;
    m << piece.fromMHz << " to " << piece.toMHz << " MHz";
    return m.str();
}

// k * f^n is monotonic in f, so the levels at a range's two ends bound every
// level inside it: both must be finite and positive, and so must the inverse
// the calculation multiplies by (an underflow to zero would make every
// exposure look compliant, an overflow every one infinite).
void CheckLevels(const LevelPiece& piece, const std::string& where) {
    for (const double mhz : {piece.fromMHz, piece.toMHz}) {
        double s = 0.0, e = 0.0;
        if (piece.S) s = piece.S->at(mhz);
        if (piece.E) e = piece.E->at(mhz);
        if (!piece.S) s = e * e / FreeSpaceImpedance;
        if (!piece.E) e = std::sqrt(s * FreeSpaceImpedance);
        const double inverse = 1.0 / (s * 100.0);
        if (!std::isfinite(s) || !std::isfinite(e) || !std::isfinite(inverse) || s == 0.0 ||
            e == 0.0)
            throw BadItem{
                where + ": the level over " + RangeText(piece) +
                (!std::isfinite(s) || !std::isfinite(e) ? " overflows" : " underflows to zero") +
                " (k * f^n must stay a finite, positive number)"};
    }
}

std::vector<LevelPiece> ReadPieces(const json& j, const std::string& where) {
    if (!j.is_array() || j.empty()) throw BadItem{where + ": a list of frequency ranges is needed"};
    std::vector<LevelPiece> out;
    for (const json& item : j) {
        if (!item.is_object() || !item.contains("from_mhz") || !item.contains("to_mhz") ||
            !item["from_mhz"].is_number() || !item["to_mhz"].is_number())
            throw BadItem{where + ": every range needs from_mhz and to_mhz"};
        LevelPiece piece;
        piece.fromMHz = item["from_mhz"].get<double>();
        piece.toMHz = item["to_mhz"].get<double>();
        if (!(piece.fromMHz > 0.0) || !(piece.toMHz >= piece.fromMHz))
            throw BadItem{where + ": a range runs from a positive frequency upward"};
        if (item.contains("S")) piece.S = ReadLaw(item["S"], where);
        if (item.contains("E")) piece.E = ReadLaw(item["E"], where);
        if (!piece.S && !piece.E) throw BadItem{where + ": a range gives S or E"};
        CheckLevels(piece, where);
        out.push_back(piece);
    }
    return out;
}

Standard ReadStandard(const json& j) {
    if (!j.is_object() || !j.contains("id") || !j["id"].is_string() ||
        j["id"].get<std::string>().empty())
        throw BadItem{"every standard needs an id"};
    Standard s;
    s.id = j["id"].get<std::string>();
    const std::string where = "standard " + QuoteCut(s.id);
    if (j.contains("title") && !j["title"].is_string())
        throw BadItem{where + ": its title is not a text"};
    s.title = j.value("title", s.id);
    if (j.contains("national") && !j["national"].is_boolean())
        throw BadItem{where + ": \"national\" is true or false"};
    s.national = j.value("national", false);
    if (!j.contains("public")) throw BadItem{where + ": no public levels"};
    s.publicLevels = ReadPieces(j["public"], where);
    if (j.contains("occupational")) s.occupationalLevels = ReadPieces(j["occupational"], where);
    return s;
}

int LineOf(const std::string& text, std::size_t byte) {
    const std::size_t end = std::min(byte, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + end, '\n'));
}

// A limits file holds a few dozen standards; one of this size is not one.
constexpr std::uintmax_t MaxLimitsFileBytes = 64u << 20;

// The DOM parser, but a parse error keeps where it happened (the line for
// the message) instead of throwing an exception that may not carry it (a
// number too large for a double). A limits file nests a few levels; a file
// of brackets nested millions deep would take gigabytes and is refused.
class PlacedParser : public nlohmann::detail::json_sax_dom_parser<json> {
  public:
    using Base = nlohmann::detail::json_sax_dom_parser<json>;
    static constexpr int MaxDepth = 32;
    explicit PlacedParser(json& root) : Base(root, false) {}
    template <class Exception>
    bool parse_error(std::size_t byte, const std::string&, const Exception& e) {
        failed = true;
        failedAt = byte;
        overflow = e.id == 406;
        return false;
    }
    bool start_object(std::size_t n) { return deeper() && Base::start_object(n); }
    bool start_array(std::size_t n) { return deeper() && Base::start_array(n); }
    bool end_object() { return --depth, Base::end_object(); }
    bool end_array() { return --depth, Base::end_array(); }
    bool failed = false;
    bool overflow = false;
    bool tooDeep = false;
    std::size_t failedAt = 0;

  private:
    bool deeper() {
        if (++depth <= MaxDepth) return true;
        failed = tooDeep = true;
        return false;
    }
    int depth = 0;
};

// The file at `path` when there is one: nothing when no file is there, the
// refusal when something is there that cannot serve (a folder, a pipe, a
// device, an unreadable or oversized file).
struct FileText {
    std::optional<std::string> text;
    std::optional<std::string> refusal;
};
FileText ReadFile(const std::string& path) {
    FileText out;
    std::error_code ec;
    if (path.empty() || !fs::exists(fs::symlink_status(path, ec)) || ec) return out;
    std::string text;
    if (auto refused = ReadInputFile(path, MaxLimitsFileBytes, text))
        out.refusal = *refused;
    else
        out.text = std::move(text);
    return out;
}

} // namespace

std::optional<std::string> Library::addFromText(const std::string& text,
                                                const std::string& fileName) {
    std::vector<Standard> read;
    try {
        json doc;
        PlacedParser parser(doc);
        json::sax_parse(text, &parser);
        if (parser.tooDeep)
            return fileName + ": its lists nest deeper than " +
                   std::to_string(PlacedParser::MaxDepth) + " levels";
        if (parser.failed) {
            // The parser counts from 1 the byte it stopped at.
            const std::size_t at = parser.failedAt > 0 ? parser.failedAt - 1 : 0;
            return fileName + ": line " + std::to_string(LineOf(text, at)) +
                   (parser.overflow ? ": a number is too large" : ": not a valid limits file");
        }
        if (!doc.is_object() || !doc.contains("standards") || !doc["standards"].is_array())
            return fileName + ": line 1: a limits file holds a list \"standards\"";
        for (const json& j : doc["standards"])
            read.push_back(ReadStandard(j));
    } catch (const json::parse_error& e) {
        // The parser counts from 1 the byte it stopped at.
        const std::size_t at = e.byte > 0 ? e.byte - 1 : 0;
        return fileName + ": line " + std::to_string(LineOf(text, at)) +
               ": not a valid limits file";
    } catch (const BadItem& e) {
        return fileName + ": " + e.what;
    } catch (const json::exception& e) {
        return fileName + ": " + QuoteCut(e.what(), 200);
    }
    // A standard of a known id replaces it in place; a file of many standards
    // must not cost a search of the whole library for each.
    std::unordered_map<std::string, std::size_t> index;
    index.reserve(standards_.size() + read.size());
    for (std::size_t k = 0; k < standards_.size(); ++k)
        index.emplace(standards_[k].id, k);
    for (Standard& s : read) {
        const auto [it, added] = index.emplace(s.id, standards_.size());
        if (added)
            standards_.push_back(std::move(s));
        else
            standards_[it->second] = std::move(s);
    }
    return std::nullopt;
}

std::string ShippedLimitsPath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    const fs::path exe(std::string(buf, static_cast<std::size_t>(n)));
    return (exe.parent_path().parent_path() / "share" / "brenvik" / "limits.json").string();
}

std::string UserLimitsPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return (fs::path(xdg) / "brenvik" / "limits.json").string();
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return (fs::path(home) / ".config" / "brenvik" / "limits.json").string();
}

LoadedLibrary LoadLibrary(const std::string& shippedPath, const std::string& userPath) {
    LoadedLibrary out;
    // A shipped file that does not read is a broken installation: the copy
    // built into the program stands in for it.
    const FileText shipped = ReadFile(shippedPath);
    if (!shipped.text || out.library.addFromText(*shipped.text, shippedPath))
        out.library.addFromText(kBuiltInLimits, "limits.json");
    const FileText user = ReadFile(userPath);
    std::optional<std::string> refused = user.refusal;
    if (!refused && user.text) refused = out.library.addFromText(*user.text, userPath);
    if (refused) out.warning = "The limits file was refused: " + *refused;
    return out;
}

LoadedLibrary LoadLibrary() {
    return LoadLibrary(ShippedLimitsPath(), UserLimitsPath());
}

std::optional<std::string> FrequencyRefusal(double mhz) {
    if (!(mhz >= MinFrequencyMHz && mhz <= MaxFrequencyMHz))
        return std::string(msg::InputDataError);
    return std::nullopt;
}

AntennaName NameOf(const Project& p, int slot) {
    AntennaName n;
    if (slot < 1 || slot > p.AntennaSlotBound()) return n;
    n.tower = p.Antennas[static_cast<std::size_t>(slot)].AntTower;
    for (int k = 1; k <= slot; ++k)
        if (p.Antennas[static_cast<std::size_t>(k)].AntTower == n.tower) ++n.number;
    return n;
}

std::string NameText(const Project& p, int slot) {
    const AntennaName n = NameOf(p, slot);
    return "tower " + std::to_string(n.tower) + ", antenna " + std::to_string(n.number);
}

InverseLimitsResult InverseLimits(const Project& p, const Library& lib, const std::string& standard,
                                  Population g) {
    InverseLimitsResult r;
    const Standard* s = lib.find(standard);
    if (!s) {
        r.refusal = "Unknown standard " + standard;
        return r;
    }
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    r.inverse.assign(static_cast<std::size_t>(count) + 1, 0.0);
    for (int k = 1; k <= count; ++k) {
        const double f = p.Antennas[static_cast<std::size_t>(k)].AntFrequencyMHz;
        const auto level = ReferenceLevel(*s, g, f);
        if (level && !(std::isfinite(level->sWm2) && level->sWm2 * 100.0 > 0.0 &&
                       std::isfinite(1.0 / (level->sWm2 * 100.0)))) {
            r.inverse.clear();
            std::ostringstream m;
            m << "The level of " << s->title << " at " << f << " MHz (" << NameText(p, k)
              << ") is not a finite, positive number";
            r.refusal = m.str();
            return r;
        }
        if (!level) {
            r.inverse.clear();
            std::ostringstream m;
            m << "The frequency of " << NameText(p, k) << " (" << f << " MHz) lies outside the "
              << "ranges of " << s->title;
            r.refusal = m.str();
            return r;
        }
        // The engine works in uW/cm^2: 1 W/m^2 = 100 uW/cm^2.
        r.inverse[static_cast<std::size_t>(k)] = 1.0 / (level->sWm2 * 100.0);
    }
    return r;
}

} // namespace brenvik::compliance
