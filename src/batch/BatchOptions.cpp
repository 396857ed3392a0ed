#include "batch/BatchOptions.h"

#include "model/Numbers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <set>
#include <utility>

namespace brenvik::batch {

namespace {

constexpr std::array<std::pair<ExportKind, const char*>, 10> kKindNames{{
    {ExportKind::IsolinesCartesian, "isolines-cartesian"},
    {ExportKind::IsolinesGeographic, "isolines-geographic"},
    {ExportKind::SourcesCartesian, "sources-cartesian"},
    {ExportKind::SourcesGeographic, "sources-geographic"},
    {ExportKind::ConcentrationsCartesian, "concentrations-cartesian"},
    {ExportKind::ConcentrationsGeographic, "concentrations-geographic"},
    {ExportKind::MaximumCartesian, "maximum-cartesian"},
    {ExportKind::MaximumGeographic, "maximum-geographic"},
    {ExportKind::GridXY, "grid-xy"},
    {ExportKind::GridXZ, "grid-xz"},
}};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Options that take a value; the others are flags.
const std::set<std::string> kValued{
    "--open-angle-bts", "--open-angle-dts", "--isolines", "--xy",         "--xz",   "--export",
    "--image",          "--plane",          "--style",    "--background", "--size", "--save"};
const std::set<std::string> kFlags{"--quiet", "--help", "-h"};

} // namespace

const char* exportKindName(ExportKind kind) {
    for (const auto& [k, name] : kKindNames)
        if (k == kind) return name;
    return "";
}

std::optional<ExportKind> exportKindFromName(const std::string& name) {
    for (const auto& [k, n] : kKindNames)
        if (name == n) return k;
    return std::nullopt;
}

std::string usageText() {
    return "Usage: brenvik-batch PROJECT.bvk [options]\n"
           "  --open-angle-bts DEG, --open-angle-dts DEG   the antenna parameters (defaults 3.6 "
           "and 12)\n"
           "  --isolines N          number of isolines (default: the file's when it holds a "
           "result, else 7)\n"
           "  --xy surface          run the XY calculation at surface height\n"
           "  --xy HEIGHT           run it at a certain height in metres (made whole)\n"
           "  --xz DISTANCE         run the XZ calculation for the section DISTANCE metres from "
           "the origin\n"
           "  --export KIND=PATH    repeatable; KIND is one of isolines-cartesian, "
           "isolines-geographic,\n"
           "                        sources-cartesian, sources-geographic, "
           "concentrations-cartesian,\n"
           "                        concentrations-geographic, maximum-cartesian, "
           "maximum-geographic,\n"
           "                        grid-xy, grid-xz\n"
           "  --image PATH          draw the plane (PNG or BMP by the extension)\n"
           "  --plane xy|xz  --style isolines|gradient|grid|dots  --background black|white  "
           "--size WxH\n"
           "                        (for --image)\n"
           "  --save PATH           write the project file, with the result\n"
           "  --quiet               no progress\n"
           "  --help                this text\n"
           "Steps, whatever the order of the options: read the file, apply the settings, the XY\n"
           "calculation, the XZ calculation, the exports, the image, the save.\n"
           "Exit status: 0 success, 1 failure, 2 usage error.\n";
}

ParseResult parseArguments(const std::vector<std::string>& args) {
    BatchOptions o;
    std::vector<std::string> positional;
    auto fail = [](std::string why) { return ParseResult{std::nullopt, std::move(why)}; };

    std::optional<std::string> plane, style, background, size;
    bool optionsEnded = false;
    for (std::size_t a = 0; a < args.size(); ++a) {
        std::string arg = args[a];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        if (std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        if (kFlags.count(name)) {
            if (inlineValue) return fail("option " + name + " takes no value");
            if (name == "--quiet")
                o.quiet = true;
            else
                o.help = true;
            continue;
        }
        if (!kValued.count(name)) return fail("unknown option " + name);
        if (!inlineValue) {
            if (a + 1 >= args.size()) return fail("option " + name + " needs a value");
            value = args[++a];
        }

        if (name == "--open-angle-bts" || name == "--open-angle-dts") {
            auto v = ParseOptionNumber(value);
            if (!v) return fail("option " + name + " needs a number, not '" + value + "'");
            (name == "--open-angle-bts" ? o.openAngleBTS : o.openAngleDTS) = *v;
        } else if (name == "--isolines") {
            auto v = ParseOptionInteger(value);
            if (!v) return fail("option --isolines needs a whole number, not '" + value + "'");
            o.isolines = *v;
        } else if (name == "--xy") {
            o.xy = true;
            if (lower(value) == "surface") {
                o.xySurface = true;
                o.xyHeight = 0.0;
            } else if (auto v = ParseOptionNumber(value)) {
                o.xySurface = false;
                o.xyHeight = *v;
            } else {
                return fail("option --xy needs 'surface' or a height in metres, not '" + value +
                            "'");
            }
        } else if (name == "--xz") {
            auto v = ParseOptionNumber(value);
            if (!v) return fail("option --xz needs a distance in metres, not '" + value + "'");
            o.xzDistance = *v;
        } else if (name == "--export") {
            std::size_t eq = value.find('=');
            if (eq == std::string::npos) return fail("option --export needs KIND=PATH");
            auto kind = exportKindFromName(lower(value.substr(0, eq)));
            if (!kind) return fail("unknown export kind '" + value.substr(0, eq) + "'");
            std::string path = value.substr(eq + 1);
            if (path.empty()) return fail("option --export needs a path after '='");
            o.exports.push_back({*kind, path});
        } else if (name == "--image") {
            if (value.empty()) return fail("option --image needs a path");
            if (!o.image) o.image.emplace();
            o.image->path = value;
        } else if (name == "--plane") {
            plane = lower(value);
        } else if (name == "--style") {
            style = lower(value);
        } else if (name == "--background") {
            background = lower(value);
        } else if (name == "--size") {
            size = lower(value);
        } else if (name == "--save") {
            if (value.empty()) return fail("option --save needs a path");
            o.savePath = value;
        }
    }

    if (o.help) return ParseResult{o, {}};
    if (positional.empty()) return fail("no project file given");
    if (positional.size() > 1) return fail("more than one project file given: " + positional[1]);
    o.projectPath = positional[0];

    if (!o.image && (plane || style || background || size))
        return fail("--plane, --style, --background and --size go with --image");
    if (o.image) {
        std::string ext = lower(o.image->path);
        if (endsWith(ext, ".png"))
            o.image->format = ImageFormat::Png;
        else if (endsWith(ext, ".bmp"))
            o.image->format = ImageFormat::Bmp;
        else
            return fail("the image path must end in .png or .bmp");
        if (plane) {
            if (*plane == "xy")
                o.image->plane = ImagePlane::XY;
            else if (*plane == "xz")
                o.image->plane = ImagePlane::XZ;
            else
                return fail("--plane is xy or xz, not '" + *plane + "'");
        }
        if (style) {
            static const std::array<const char*, 4> names{"isolines", "gradient", "grid", "dots"};
            auto it = std::find(names.begin(), names.end(), *style);
            if (it == names.end())
                return fail("--style is isolines, gradient, grid or dots, not '" + *style + "'");
            o.image->style = static_cast<int>(it - names.begin());
        }
        if (background) {
            if (*background == "black")
                o.image->whiteBackground = false;
            else if (*background == "white")
                o.image->whiteBackground = true;
            else
                return fail("--background is black or white, not '" + *background + "'");
        }
        if (size) {
            std::size_t x = size->find('x');
            auto w = x == std::string::npos ? std::nullopt : ParseOptionInteger(size->substr(0, x));
            auto h =
                x == std::string::npos ? std::nullopt : ParseOptionInteger(size->substr(x + 1));
            if (!w || !h || *w < 1 || *h < 1 || *w > 20000 || *h > 20000)
                return fail("--size is WIDTHxHEIGHT in pixels (1 to 20000), not '" + *size + "'");
            o.image->width = static_cast<int>(*w);
            o.image->height = static_cast<int>(*h);
        }
    }

    // Two outputs on one path would overwrite each other: one of them would be lost.
    std::set<std::string> paths;
    auto claim = [&paths](const std::string& p) { return paths.insert(p).second; };
    for (const auto& e : o.exports)
        if (!claim(e.path)) return fail("two outputs on the same path: " + e.path);
    if (o.image && !claim(o.image->path))
        return fail("two outputs on the same path: " + o.image->path);
    if (o.savePath && !claim(*o.savePath))
        return fail("two outputs on the same path: " + *o.savePath);
    return ParseResult{o, {}};
}

} // namespace brenvik::batch
