#include "batch/BatchOptions.h"

#include "model/Numbers.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace brenvik::batch {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The options that take one value; --export takes one per use and repeats.
constexpr std::array<const char*, 22> kSingleValued{
    "--open-angle-bts", "--open-angle-dts", "--isolines",   "--xy",         "--xz",
    "--xz-through",     "--image",          "--plane",      "--style",      "--background",
    "--size",           "--save",           "--standard",   "--population", "--import-sites",
    "--report",         "--model",          "--reflection", "--places",     "--terrain",
    "--buildings",      "--building-height"};
// The report's signature fields.
constexpr std::array<const char*, 2> kReportFields{"--site", "--assessor"};

} // namespace

std::string usageText() {
    // The export kinds, wrapped after the option's text.
    std::string kinds = "  --export KIND=PATH    repeatable; KIND is one of ";
    std::size_t lineStart = 0;
    std::vector<const char*> rows;
    for (const pipeline::OutputFormat& f : pipeline::outputFormats())
        if (f.exportKind) rows.push_back(f.keyword);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        std::string item = rows[k];
        if (k + 1 < rows.size()) item += ',';
        if (kinds.size() - lineStart + 1 + item.size() > 95) {
            kinds += "\n";
            lineStart = kinds.size();
            kinds += std::string(24, ' ');
        } else if (k > 0) {
            kinds += ' ';
        }
        kinds += item;
    }
    return "Usage: brenvik-batch PROJECT.bvk [options]\n"
           "  --open-angle-bts DEG, --open-angle-dts DEG   the antenna parameters (defaults 3.6 "
           "and 12)\n"
           "  --isolines N          number of isolines (default: the file's when it holds a "
           "result, else 7)\n"
           "  --xy surface          run the XY calculation at surface height\n"
           "  --xy HEIGHT           run it at a certain height in metres (made whole)\n"
           "  --xz DISTANCE         run the XZ calculation for the section DISTANCE metres from "
           "the origin\n"
           "  --xz-through N        run it for the vertical section through antenna N along its "
           "azimuth\n" +
           kinds +
           "\n"
           "  --standard NAME       the limits the exposure ratio is taken against (default: the "
           "project's,\n"
           "                        icnirp-2020 unless it chose another)\n"
           "  --population public|occupational   whose limits (default: the project's, public)\n"
           "  --import-sites PATH   replace the antennas by the site inventory in PATH before the "
           "calculations\n"
           "  --terrain PATH        fill the ground grid from the elevation model at PATH\n"
           "  --buildings PATH      replace the buildings by the footprints of the vector file at "
           "PATH\n"
           "  --building-height M   height of a footprint without height or levels (default 9)\n"
           "  --places PATH         replace the places of sensitive use by those of the CSV at "
           "PATH\n"
           "  --report PATH.pdf     write the compliance report\n"
           "  --model specified|far-field   the exposure model (default: the project's)\n"
           "  --reflection 1|2.56   the far-field model's reflection factor (default: the "
           "project's, 1)\n"
           "  --site NAME, --assessor NAME   the site's name and who signs the report (kept in "
           "the project)\n"
           "  --image PATH          draw the plane (PNG, BMP, SVG or PDF by the extension)\n"
           "  --decorate            the image carries a title block, the legend, a scale bar and "
           "a north arrow\n"
           "                        (always for SVG and PDF)\n"
           "  --plane xy|xz  --style isolines|gradient|grid|dots  --background black|white  "
           "--size WxH\n"
           "                        (for --image)\n"
           "  --save PATH           write the project file, with the result\n"
           "  --quiet               no progress\n"
           "  --help                this text\n"
           "Each option but --export is given once.\n"
           "Steps, whatever the order of the options: read the file, apply the settings, the XY\n"
           "calculation, the XZ calculation, the exports, the image, the save.\n"
           "Exit status: 0 success, 1 failure, 2 usage error.\n";
}

ParseResult parseArguments(const std::vector<std::string>& args) {
    BatchOptions o;
    auto fail = [](std::string why) { return ParseResult{std::nullopt, std::move(why)}; };

    // A flag given a value ("--quiet=yes") is a mistake the parser below would
    // take as a yes; look before it.
    for (const std::string& arg : args) {
        if (arg == "--") break;
        for (const char* flag : {"--quiet", "--help"})
            if (arg.rfind(std::string(flag) + "=", 0) == 0)
                return fail("option " + std::string(flag) + " takes no value");
    }

    // Every valued option collects its values as typed; the checks of form
    // below give the messages. A single-valued option given twice is refused
    // by the parser rather than the last one winning silently.
    CLI::App app;
    app.allow_extras();
    app.set_help_flag();
    std::vector<std::string> positional, exports;
    std::map<std::string, std::vector<std::string>> single;
    for (const char* name : kSingleValued)
        app.add_option(name, single[name])->expected(1)->allow_extra_args(false);
    for (const char* name : kReportFields)
        app.add_option(name, single[name])->expected(1)->allow_extra_args(false);
    app.add_option("--export", exports)->allow_extra_args(false);
    app.add_flag("--quiet", o.quiet);
    bool decorate = false;
    app.add_flag("--decorate", decorate);
    app.add_flag("--help,-h", o.help);
    app.add_option("project", positional);
    std::vector<std::string> argv(args.rbegin(), args.rend());
    try {
        app.parse(argv);
    } catch (const CLI::ArgumentMismatch& e) {
        const std::string what = e.what();
        const std::string name = what.substr(0, what.find(':'));
        if (what.find("missing") != std::string::npos)
            return fail("option " + name + " needs a value");
        return fail("option " + name + " given more than once");
    } catch (const CLI::Error& e) {
        return fail(e.what());
    }
    // What the parser did not take is an unknown option (or the "--" that
    // ended the options).
    for (const std::string& unknown : app.remaining())
        if (unknown != "--") return fail("unknown option " + unknown.substr(0, unknown.find('=')));
    auto value = [&single](const char* name) -> std::optional<std::string> {
        const auto& v = single[name];
        if (v.empty()) return std::nullopt;
        return v.front();
    };

    for (const char* name : {"--open-angle-bts", "--open-angle-dts"}) {
        if (auto text = value(name)) {
            auto v = ParseOptionNumber(*text);
            if (!v)
                return fail("option " + std::string(name) + " needs a number, not '" + *text + "'");
            (std::string(name) == "--open-angle-bts" ? o.openAngleBTS : o.openAngleDTS) = *v;
        }
    }
    if (auto text = value("--isolines")) {
        auto v = ParseOptionInteger(*text);
        if (!v) return fail("option --isolines needs a whole number, not '" + *text + "'");
        o.isolines = *v;
    }
    if (auto text = value("--xy")) {
        o.xy = true;
        if (lower(*text) == "surface") {
            o.xySurface = true;
        } else if (auto v = ParseOptionNumber(*text)) {
            o.xyHeight = *v;
        } else {
            return fail("option --xy needs 'surface' or a height in metres, not '" + *text + "'");
        }
    }
    if (auto text = value("--xz")) {
        auto v = ParseOptionNumber(*text);
        if (!v) return fail("option --xz needs a distance in metres, not '" + *text + "'");
        o.xzDistance = *v;
    }
    if (auto text = value("--xz-through")) {
        const auto v = ParseOptionNumber(*text);
        if (!v || *v != std::floor(*v) || *v < 1 || *v > 1e6)
            return fail("option --xz-through needs an antenna's number, not '" + *text + "'");
        if (o.xzDistance) return fail("options --xz and --xz-through exclude each other");
        o.xzThrough = static_cast<int>(*v);
    }
    for (const std::string& e : exports) {
        std::size_t eq = e.find('=');
        if (eq == std::string::npos) return fail("option --export needs KIND=PATH");
        auto kind = exportKindFromName(lower(e.substr(0, eq)));
        if (!kind) return fail("unknown export kind '" + e.substr(0, eq) + "'");
        std::string path = e.substr(eq + 1);
        if (path.empty()) return fail("option --export needs a path after '='");
        // The places and buildings take their file's form from its extension.
        const std::string low = lower(path);
        const bool json = endsWith(low, ".geojson") || endsWith(low, ".json");
        if (*kind == ExportKind::Places && json) kind = ExportKind::PlacesGeoJson;
        if (*kind == ExportKind::Buildings && json) kind = ExportKind::BuildingsGeoJson;
        if (*kind == ExportKind::Buildings && endsWith(low, ".gpkg"))
            kind = ExportKind::BuildingsGpkg;
        o.exports.push_back({*kind, path});
    }
    if (auto path = value("--image")) {
        if (path->empty()) return fail("option --image needs a path");
        o.image.emplace();
        o.image->path = *path;
    }
    if (auto path = value("--save")) {
        if (path->empty()) return fail("option --save needs a path");
        o.savePath = *path;
    }
    if (auto text = value("--standard")) o.standard = *text;
    if (auto text = value("--population")) {
        if (*text != "public" && *text != "occupational")
            return fail("--population is public or occupational, not '" + *text + "'");
        o.population = *text;
    }
    if (auto path = value("--import-sites")) {
        if (path->empty()) return fail("option --import-sites needs a path");
        o.importSites = *path;
    }
    if (auto path = value("--terrain")) {
        if (path->empty()) return fail("option --terrain needs a path");
        o.terrain = *path;
    }
    if (auto path = value("--buildings")) {
        if (path->empty()) return fail("option --buildings needs a path");
        o.buildings = *path;
    }
    if (auto text = value("--building-height")) {
        const auto h = ParseFileDouble(*text);
        if (!h || !(*h > 0.0) || !std::isfinite(*h))
            return fail("--building-height is a height in metres above 0, not '" + *text + "'");
        o.buildingHeightM = *h;
    }
    if (auto path = value("--places")) {
        if (path->empty()) return fail("option --places needs a path");
        o.places = *path;
    }
    if (auto path = value("--report")) {
        if (!endsWith(lower(*path), ".pdf")) return fail("the report path must end in .pdf");
        o.reportPath = *path;
    }
    if (auto text = value("--model")) {
        if (lower(*text) == "specified")
            o.model = ExposureModel::Specified;
        else if (lower(*text) == "far-field")
            o.model = ExposureModel::FarField;
        else
            return fail("--model is specified or far-field, not '" + *text + "'");
    }
    if (auto text = value("--reflection")) {
        const auto v = ParseOptionNumber(*text);
        if (!v || (*v != 1.0 && *v != 2.56))
            return fail("--reflection is 1 or 2.56, not '" + *text + "'");
        o.reflection = *v;
    }
    // Kept in the project file, one line each: no line break and no '='.
    for (const auto& [name, field] :
         {std::pair{"--site", &o.siteName}, {"--assessor", &o.assessor}})
        if (auto text = value(name)) {
            if (text->find_first_of("\r\n=") != std::string::npos)
                return fail(std::string(name) + " must not hold a line break or '='");
            *field = *text;
        }
    std::optional<std::string> plane = value("--plane"), style = value("--style"),
                               background = value("--background"), size = value("--size");
    if (plane) plane = lower(*plane);
    if (style) style = lower(*style);
    if (background) background = lower(*background);
    if (size) size = lower(*size);

    if (o.help) return ParseResult{o, {}};
    if (positional.empty()) return fail("no project file given");
    if (positional.size() > 1) return fail("more than one project file given: " + positional[1]);
    o.projectPath = positional[0];

    if (!o.image && (plane || style || background || size || decorate))
        return fail("--plane, --style, --background, --size and --decorate go with --image");
    if (o.image) {
        std::string ext = lower(o.image->path);
        if (endsWith(ext, ".png"))
            o.image->format = ImageFormat::Png;
        else if (endsWith(ext, ".bmp"))
            o.image->format = ImageFormat::Bmp;
        else if (endsWith(ext, ".svg"))
            o.image->format = ImageFormat::Svg;
        else if (endsWith(ext, ".pdf"))
            o.image->format = ImageFormat::Pdf;
        else
            return fail("the image path must end in .png, .bmp, .svg or .pdf");
        if (decorate && o.image->format == ImageFormat::Bmp)
            return fail("--decorate draws PNG, SVG or PDF images, not BMP");
        o.image->decorate =
            decorate || o.image->format == ImageFormat::Svg || o.image->format == ImageFormat::Pdf;
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
    if (o.reportPath && !claim(*o.reportPath))
        return fail("two outputs on the same path: " + *o.reportPath);
    return ParseResult{o, {}};
}

ParseResult parseArguments(const std::vector<std::string>& args,
                           const std::vector<std::string>& knownStandards,
                           const std::string& limitsWarning) {
    ParseResult r = parseArguments(args);
    if (r.options && r.options->standard &&
        std::find(knownStandards.begin(), knownStandards.end(), *r.options->standard) ==
            knownStandards.end()) {
        std::string known;
        for (const std::string& id : knownStandards)
            known += (known.empty() ? "" : ", ") + id;
        std::string error = "unknown standard '" + *r.options->standard + "'; known: " + known;
        // The standard may be one of the user's file that did not read.
        if (!limitsWarning.empty()) error += "\n" + limitsWarning;
        return ParseResult{std::nullopt, error};
    }
    return r;
}

} // namespace brenvik::batch
