#include "batch/BatchOptions.h"

#include "model/Messages.h"
#include "model/Numbers.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <set>
#include <tuple>
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

// A usage error's text; none: the options so far are well formed.
using Error = std::optional<std::string>;

// The command line as typed: each option's values in the order given. A
// single-valued option holds at most one (the parser refuses a second).
struct Typed {
    using Values = std::vector<std::string>;
    Values openAngleBts, openAngleDts, isolines, xy, xz, xzThrough, image, plane, style, background,
        size, save, standard, population, importSites, report, model, reflection, places, terrain,
        buildings, buildingHeight, site, assessor, measurements, measurementColumns,
        measurementUnit, measurementFactors, colours;
    Values exports, rules, positional;
    bool quiet = false, decorate = false, help = false;
};

// Each option declared once, into the place its values are kept.
void DeclareOptions(CLI::App& app, Typed& t) {
    const auto single = [&app](const char* name, Typed::Values& into) {
        app.add_option(name, into)->expected(1)->allow_extra_args(false);
    };
    single("--open-angle-bts", t.openAngleBts);
    single("--open-angle-dts", t.openAngleDts);
    single("--isolines", t.isolines);
    single("--xy", t.xy);
    single("--xz", t.xz);
    single("--xz-through", t.xzThrough);
    single("--image", t.image);
    single("--plane", t.plane);
    single("--style", t.style);
    single("--background", t.background);
    single("--size", t.size);
    single("--save", t.save);
    single("--standard", t.standard);
    single("--population", t.population);
    single("--import-sites", t.importSites);
    single("--report", t.report);
    single("--model", t.model);
    single("--reflection", t.reflection);
    single("--colours", t.colours);
    single("--places", t.places);
    single("--terrain", t.terrain);
    single("--buildings", t.buildings);
    single("--building-height", t.buildingHeight);
    single("--site", t.site);
    single("--assessor", t.assessor);
    single("--measurements", t.measurements);
    single("--measurement-columns", t.measurementColumns);
    single("--measurement-unit", t.measurementUnit);
    single("--measurement-factors", t.measurementFactors);
    app.add_option("--export", t.exports)->allow_extra_args(false);
    app.add_option("--rules", t.rules)->allow_extra_args(false);
    app.add_flag("--quiet", t.quiet);
    app.add_flag("--decorate", t.decorate);
    app.add_flag("--help,-h", t.help);
    app.add_option("project", t.positional);
}

std::optional<std::string> First(const Typed::Values& v) {
    if (v.empty()) return std::nullopt;
    return v.front();
}

// Reads the command line into `t`: every valued option collects its values
// as typed, and the checks of form after it give the messages.
Error ReadCommandLine(const std::vector<std::string>& args, Typed& t) {
    // A flag given a value ("--quiet=yes") is a mistake the parser would
    // take as a yes; look before it.
    for (const std::string& arg : args) {
        if (arg == "--") break;
        for (const char* flag : {"--quiet", "--help"})
            if (arg.rfind(std::string(flag) + "=", 0) == 0)
                return "option " + std::string(flag) + " takes no value";
    }
    CLI::App app;
    app.allow_extras();
    app.set_help_flag();
    DeclareOptions(app, t);
    std::vector<std::string> argv(args.rbegin(), args.rend());
    try {
        app.parse(argv);
    } catch (const CLI::ArgumentMismatch& e) {
        // A single-valued option given twice is refused rather than the
        // last one winning silently.
        const std::string what = e.what();
        const std::string name = what.substr(0, what.find(':'));
        if (what.find("missing") != std::string::npos) return "option " + name + " needs a value";
        return "option " + name + " given more than once";
    } catch (const CLI::Error& e) {
        return std::string(e.what());
    }
    // What the parser did not take is an unknown option (or the "--" that
    // ended the options).
    for (const std::string& unknown : app.remaining())
        if (unknown != "--") return "unknown option " + unknown.substr(0, unknown.find('='));
    return std::nullopt;
}

Error CheckCalculations(const Typed& t, BatchOptions& o) {
    for (const auto& [name, typed, into] :
         {std::tuple{"--open-angle-bts", &t.openAngleBts, &o.openAngleBTS},
          std::tuple{"--open-angle-dts", &t.openAngleDts, &o.openAngleDTS}}) {
        if (auto text = First(*typed)) {
            auto v = ParseOptionNumber(*text);
            if (!v) return "option " + std::string(name) + " needs a number, not '" + *text + "'";
            *into = *v;
        }
    }
    if (auto text = First(t.isolines)) {
        auto v = ParseOptionInteger(*text);
        if (!v) return "option --isolines needs a whole number, not '" + *text + "'";
        o.isolines = *v;
    }
    if (auto text = First(t.xy)) {
        o.xy = true;
        if (lower(*text) == "surface")
            o.xySurface = true;
        else if (auto v = ParseOptionNumber(*text))
            o.xyHeight = *v;
        else
            return "option --xy needs 'surface' or a height in metres, not '" + *text + "'";
    }
    if (auto text = First(t.xz)) {
        auto v = ParseOptionNumber(*text);
        if (!v) return "option --xz needs a distance in metres, not '" + *text + "'";
        o.xzDistance = *v;
    }
    if (auto text = First(t.xzThrough)) {
        const auto v = ParseOptionNumber(*text);
        if (!v || *v != std::floor(*v) || *v < 1 || *v > 1e6)
            return "option --xz-through needs an antenna's number, not '" + *text + "'";
        if (o.xzDistance) return std::string("options --xz and --xz-through exclude each other");
        o.xzThrough = static_cast<int>(*v);
    }
    return std::nullopt;
}

// Each --export KIND=PATH names an output of the table: by its keyword, or
// by a keyword it shares with others and the path's extension.
Error CheckExports(const Typed& t, std::span<const pipeline::OutputFormat> outputs,
                   BatchOptions& o) {
    for (const std::string& e : t.exports) {
        const std::size_t eq = e.find('=');
        if (eq == std::string::npos) return std::string("option --export needs KIND=PATH");
        const std::string keyword = lower(e.substr(0, eq));
        if (!pipeline::OutputKindFromKeyword(keyword, outputs))
            return "unknown export kind '" + e.substr(0, eq) + "'";
        std::string path = e.substr(eq + 1);
        if (path.empty()) return std::string("option --export needs a path after '='");
        o.exports.push_back({*pipeline::ExportKindFor(keyword, path, outputs), path});
    }
    return std::nullopt;
}

// The options that name a file, read or written.
Error CheckFiles(const Typed& t, BatchOptions& o) {
    if (auto path = First(t.image)) {
        if (path->empty()) return std::string("option --image needs a path");
        o.image.emplace().path = *path;
    }
    if (auto path = First(t.save)) {
        if (path->empty()) return std::string("option --save needs a path");
        o.savePath = *path;
    }
    if (auto text = First(t.standard)) o.standard = *text;
    if (auto text = First(t.population)) {
        if (*text != "public" && *text != "occupational")
            return "--population is public or occupational, not '" + *text + "'";
        o.population = *text;
    }
    for (const auto& [name, typed, into] :
         {std::tuple{"--import-sites", &t.importSites, &o.importSites},
          {"--terrain", &t.terrain, &o.terrain},
          {"--buildings", &t.buildings, &o.buildings}})
        if (auto path = First(*typed)) {
            if (path->empty()) return "option " + std::string(name) + " needs a path";
            *into = *path;
        }
    if (auto text = First(t.buildingHeight)) {
        const auto h = ParseFileDouble(*text);
        if (!h || !(*h > 0.0) || !std::isfinite(*h))
            return "--building-height is a height in metres above 0, not '" + *text + "'";
        o.buildingHeightM = *h;
    }
    if (auto path = First(t.places)) {
        if (path->empty()) return std::string("option --places needs a path");
        o.places = *path;
    }
    if (auto path = First(t.report)) {
        if (!endsWith(lower(*path), ".pdf")) return std::string("the report path must end in .pdf");
        o.reportPath = *path;
    }
    for (const std::string& rule : t.rules)
        if (rule.empty()) return std::string("option --rules needs a rule's name or a path");
    // The rules' verdicts are the report's pages.
    if (!t.rules.empty() && !o.reportPath) return std::string("option --rules needs --report");
    o.rules = t.rules;
    return std::nullopt;
}

Error CheckExposure(const Typed& t, BatchOptions& o) {
    if (auto text = First(t.model)) {
        if (lower(*text) == "specified")
            o.model = ExposureModel::Specified;
        else if (lower(*text) == "far-field")
            o.model = ExposureModel::FarField;
        else
            return "--model is specified or far-field, not '" + *text + "'";
    }
    if (auto text = First(t.colours)) {
        if (lower(*text) == "safe")
            o.colours = ColourScheme::ColourBlindSafe;
        else if (lower(*text) == "classic")
            o.colours = ColourScheme::Classic;
        else
            return "--colours is safe or classic, not '" + *text + "'";
    }
    if (auto text = First(t.reflection)) {
        const auto v = ParseOptionNumber(*text);
        if (!v || (*v != 1.0 && *v != 2.56))
            return "--reflection is 1 or 2.56, not '" + *text + "'";
        o.reflection = *v;
    }
    // Kept in the project file, one line each: no line break and no '='.
    for (const auto& [name, typed, field] :
         {std::tuple{"--site", &t.site, &o.siteName}, {"--assessor", &t.assessor, &o.assessor}})
        if (auto text = First(*typed)) {
            if (text->find_first_of("\r\n=") != std::string::npos)
                return std::string(name) + " must not hold a line break or '='";
            *field = *text;
        }
    return std::nullopt;
}

// The image's format from its path's extension, and the settings that go
// with it.
Error CheckImage(const Typed& t, BatchOptions& o) {
    const auto lowered = [](const Typed::Values& v) -> std::optional<std::string> {
        if (auto text = First(v)) return lower(*text);
        return std::nullopt;
    };
    const std::optional<std::string> plane = lowered(t.plane), style = lowered(t.style),
                                     background = lowered(t.background), size = lowered(t.size);
    if (!o.image) {
        if (plane || style || background || size || t.decorate)
            return std::string(
                "--plane, --style, --background, --size and --decorate go with --image");
        return std::nullopt;
    }
    ImageRequest& image = *o.image;
    static const std::array<std::pair<const char*, ImageFormat>, 4> formats{
        {{".png", ImageFormat::Png},
         {".bmp", ImageFormat::Bmp},
         {".svg", ImageFormat::Svg},
         {".pdf", ImageFormat::Pdf}}};
    const auto format = std::find_if(formats.begin(), formats.end(), [&](const auto& f) {
        return endsWith(lower(image.path), f.first);
    });
    if (format == formats.end())
        return std::string("the image path must end in .png, .bmp, .svg or .pdf");
    image.format = format->second;
    if (t.decorate && image.format == ImageFormat::Bmp)
        return std::string("--decorate draws PNG, SVG or PDF images, not BMP");
    image.decorate =
        t.decorate || image.format == ImageFormat::Svg || image.format == ImageFormat::Pdf;
    if (plane) {
        if (*plane != "xy" && *plane != "xz") return "--plane is xy or xz, not '" + *plane + "'";
        image.plane = *plane == "xy" ? ImagePlane::XY : ImagePlane::XZ;
    }
    if (style) {
        static const std::array<const char*, 4> names{"isolines", "gradient", "grid", "dots"};
        auto it = std::find(names.begin(), names.end(), *style);
        if (it == names.end())
            return "--style is isolines, gradient, grid or dots, not '" + *style + "'";
        image.style = static_cast<int>(it - names.begin());
    }
    if (background) {
        if (*background != "black" && *background != "white")
            return "--background is black or white, not '" + *background + "'";
        image.whiteBackground = *background == "white";
    }
    if (size) {
        const std::size_t x = size->find('x');
        auto w = x == std::string::npos ? std::nullopt : ParseOptionInteger(size->substr(0, x));
        auto h = x == std::string::npos ? std::nullopt : ParseOptionInteger(size->substr(x + 1));
        if (!w || !h || *w < 1 || *h < 1 || *w > 20000 || *h > 20000)
            return "--size is WIDTHxHEIGHT in pixels (1 to 20000), not '" + *size + "'";
        image.width = static_cast<int>(*w);
        image.height = static_cast<int>(*h);
    }
    return std::nullopt;
}

// --measurements and how its file reads: the column names, the unit of
// rows without one, the bands' full-load factors.
Error CheckMeasurements(const Typed& t, BatchOptions& o) {
    const auto path = First(t.measurements);
    if (!path) {
        if (!t.measurementColumns.empty() || !t.measurementUnit.empty() ||
            !t.measurementFactors.empty())
            return std::string("--measurement-columns, --measurement-unit and "
                               "--measurement-factors go with --measurements");
        return std::nullopt;
    }
    if (path->empty()) return std::string("option --measurements needs a path");
    o.measurements = *path;
    measure::ImportOptions& m = o.measurementOptions;
    if (auto text = First(t.measurementColumns))
        if (auto bad = measure::ParseColumnOption(*text, m))
            return "--measurement-columns: " + *bad;
    if (auto text = First(t.measurementFactors))
        if (auto bad = measure::ParseBandFactors(*text, m)) return "--measurement-factors: " + *bad;
    if (auto text = First(t.measurementUnit)) {
        m.unit = measure::FieldUnitFromText(*text);
        if (!m.unit)
            return "--measurement-unit is V/m, uW/cm^2, W/m^2 or mW/cm^2, not '" + *text + "'";
    }
    return std::nullopt;
}

// Two outputs on one path would overwrite each other: one of them would be lost.
Error CheckPaths(const BatchOptions& o) {
    std::set<std::string> paths;
    std::vector<const std::string*> outputs;
    for (const auto& e : o.exports)
        outputs.push_back(&e.path);
    if (o.image) outputs.push_back(&o.image->path);
    if (o.savePath) outputs.push_back(&*o.savePath);
    if (o.reportPath) outputs.push_back(&*o.reportPath);
    for (const std::string* path : outputs)
        if (!paths.insert(*path).second) return "two outputs on the same path: " + *path;
    return std::nullopt;
}

} // namespace

std::string UsageText() {
    // The export kinds, wrapped after the option's text.
    std::string kinds = "  --export KIND=PATH    repeatable; KIND is one of ";
    std::size_t lineStart = 0;
    std::vector<const char*> rows;
    for (const pipeline::OutputFormat& f : pipeline::OutputFormats())
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
           "  --measurements PATH   replace the field measurements by those of the CSV or GeoJSON "
           "at PATH\n"
           "  --measurement-columns NAME=COLUMN,...   the file's own names of the default "
           "columns\n"
           "  --measurement-unit UNIT   V/m, uW/cm^2, W/m^2 or mW/cm^2 of rows without a unit\n"
           "  --measurement-factors BAND=F,...   full-load factors of the bands' readings\n"
           "  --report PATH.pdf     write the compliance report\n"
           "  --rules NAME|PATH     judge the site in the report by a rule of the shipped or "
           "the user's rules,\n"
           "                        or by every rule of the rules file at PATH (repeatable)\n"
           "  --model specified|far-field   the exposure model (default: the project's):\n"
           "                        specified: " +
           std::string(msg::ModelSimplified) + "; far-field: " + msg::ModelFarField +
           "\n"
           "  --reflection 1|2.56   the far-field model's reflection factor (default: the "
           "project's, 1)\n"
           "  --site NAME, --assessor NAME   the site's name and who signs the report (kept in "
           "the project)\n"
           "  --image PATH          draw the plane (PNG, BMP, SVG or PDF by the extension)\n"
           "  --colours safe|classic   the levels' colours in the image and the report: "
           "colour-blind\n"
           "                        safe (default) or the classic yellow to red\n"
           "  --decorate            the image carries a title block, the legend, a scale bar and "
           "a north arrow\n"
           "                        (always for SVG and PDF)\n"
           "  --plane xy|xz  --style isolines|gradient|grid|dots  --background black|white  "
           "--size WxH\n"
           "                        (for --image)\n"
           "  --save PATH           write the project file, with the result\n"
           "  --quiet               no progress\n"
           "  --help                this text\n"
           "Each option but --export and --rules is given once.\n"
           "Steps, whatever the order of the options: read the file, apply the settings, the XY\n"
           "calculation, the XZ calculation, the exports, the image, the save.\n"
           "Exit status: 0 success, 1 failure, 2 usage error.\n";
}

ParseResult ParseArguments(const std::vector<std::string>& args,
                           std::span<const pipeline::OutputFormat> outputs) {
    BatchOptions o;
    Typed t;
    Error error = ReadCommandLine(args, t);
    if (!error) error = CheckCalculations(t, o);
    if (!error) error = CheckExports(t, outputs, o);
    if (!error) error = CheckFiles(t, o);
    if (!error) error = CheckExposure(t, o);
    if (!error) error = CheckMeasurements(t, o);
    if (error) return ParseResult{std::nullopt, *error};
    o.quiet = t.quiet;
    o.help = t.help;
    if (o.help) return ParseResult{o, {}};
    if (t.positional.empty()) return ParseResult{std::nullopt, "no project file given"};
    if (t.positional.size() > 1)
        return ParseResult{std::nullopt, "more than one project file given: " + t.positional[1]};
    o.projectPath = t.positional[0];
    error = CheckImage(t, o);
    if (!error) error = CheckPaths(o);
    if (error) return ParseResult{std::nullopt, *error};
    return ParseResult{o, {}};
}

ParseResult ParseArguments(const std::vector<std::string>& args,
                           const std::vector<std::string>& knownStandards,
                           const std::string& limitsWarning) {
    ParseResult r = ParseArguments(args);
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
