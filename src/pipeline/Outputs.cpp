#include "pipeline/Outputs.h"

#include "calc/CalcForms.h"
#include "compliance/Boundaries.h"
#include "compliance/Buildings.h"
#include "compliance/Contributions.h"
#include "compliance/Limits.h"
#include "compliance/Places.h"
#include "compliance/ReportLayout.h"
#include "compliance/SiteInventory.h"
#include "compliance/Summary.h"
#include "export/CsvExport.h"
#include "gis/BuildingLayer.h"
#include "gis/ContributionRaster.h"
#include "gis/GisExport.h"
#include "measure/Agreement.h"
#include "measure/PlanMarks.h"
#include "measure/ReportPages.h"
#include "model/AtomicFile.h"
#include "model/ExtensionBlock.h"
#include "model/FileValues.h"
#include "model/Messages.h"
#include "model/ProjectFile.h"
#include "pipeline/GridDump.h"
#include "render/RealPlaces.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace brenvik::pipeline {

namespace {

using Message = std::optional<std::string>;

// A failed write: "Interrupted" when it was canceled, else the file error
// with its cause.
Message Failed(const Feedback& fb, const std::string& why) {
    if (fb.isCanceled()) return std::string(msg::Interrupted);
    return msg::WithCause(msg::FileError, why);
}

// A text of records, one a line (a table, a GeoJSON of one feature a line),
// written through a staged file a chunk of rows at a time: the feedback
// hears how far it is under `label`, and its cancel, asked at every chunk,
// leaves the target as it was.
Message WriteRows(const std::string& text, const std::string& path, const char* label,
                  Feedback& fb) {
    constexpr std::size_t kRowsPerChunk = 4096;
    const auto produce = [&](ChunkedText& out) {
        std::size_t at = 0;
        while (at < text.size()) {
            out.progress(static_cast<double>(at) / static_cast<double>(text.size()), label);
            std::size_t end = at;
            for (std::size_t k = 0; k < kRowsPerChunk && end < text.size(); ++k) {
                const std::size_t nl = text.find('\n', end);
                end = nl == std::string::npos ? text.size() : nl + 1;
            }
            out.buffer().append(text, at, end - at);
            at = end;
            if (!out.flush()) return false;
        }
        out.progress(1.0, label);
        return out.flush();
    };
    std::string why;
    try {
        if (WriteFileInChunks(path, produce, fb, text.size(), &why)) return std::nullopt;
    } catch (const std::bad_alloc&) {
        why = path + ": " + msg::OutOfMemory;
    }
    return Failed(fb, why);
}

Message ZoomRefusal(const Project& p) {
    if (p.Zoom != 1.0) return std::string(msg::ExportNeedsZoom);
    return std::nullopt;
}

Message GisRefusal(const Project& p) {
    return gis::GisExportRefusal(p);
}

template <CsvExport Kind>
Message WriteCsvTable(const Project& p, const std::string& path, Feedback& fb,
                      const OutputContext&) {
    std::string why;
    if (SaveCsvFile(p, Kind, path, fb, &why)) return std::nullopt;
    return Failed(fb, why);
}

Message Dump(const Grid2D<double>& g, int nx, int ny, const char* value, const std::string& path,
             Feedback& fb) {
    std::string why;
    try {
        if (WriteFileInChunks(
                path, [&](ChunkedText& text) { return WriteGridDump(text, g, nx, ny, value); }, fb,
                0, &why))
            return std::nullopt;
    } catch (const std::bad_alloc&) {
        why = path + ": " + msg::OutOfMemory;
    }
    return Failed(fb, why);
}

Message WriteGridXY(const Project& p, const std::string& path, Feedback& fb, const OutputContext&) {
    return Dump(p.XY.Density, p.GridNX, p.GridNY, "c", path, fb);
}

Message WriteGridXZ(const Project& p, const std::string& path, Feedback& fb, const OutputContext&) {
    return Dump(p.XZ.Density, p.GridNX, p.GridNY, "c", path, fb);
}

// The section's nodes where they lie, in the frame of the CSV exports: the
// distance along the section, x, y, the height and the density, one record a
// node, column by column.
Message WriteSectionPoints(const Project& p, const std::string& path, Feedback& fb,
                           const OutputContext&) {
    const SectionLine line = SectionLineOf(p);
    const int nx = std::min<int>(p.GridNX, p.XZ.Density.nx());
    const int top = std::min(SectionTopRow(p), p.XZ.Density.ny());
    std::string why;
    const auto produce = [&](ChunkedText& text) {
        std::string& out = text.buffer();
        out += "\"n\",\"d\",\"x\",\"y\",\"z\",\"c\"\r\n";
        long long n = 0;
        for (int i = 0; i <= nx; ++i) {
            text.progress(static_cast<double>(i) / (nx + 1), "section");
            for (int j = 0; j <= top; ++j) {
                const auto node = SectionNodeAt(p, line, i, j);
                if (!node) continue;
                out += std::to_string(++n);
                for (double v : {node->d, node->x, node->y, node->z}) {
                    out += ',';
                    AppendDouble(out, CsvCoordinate(v));
                }
                out += ',';
                AppendDouble(out, CsvValue(p.XZ.Density(i, j)));
                out += "\r\n";
            }
            if (!text.maybeFlush()) return false;
        }
        return text.flush();
    };
    try {
        if (WriteFileInChunks(path, produce, fb, 0, &why)) return std::nullopt;
    } catch (const std::bad_alloc&) {
        why = path + ": " + msg::OutOfMemory;
    }
    return Failed(fb, why);
}

Message WriteRatioGrid(const Project& p, const std::string& path, Feedback& fb,
                       const OutputContext&) {
    const Grid2D<double>& g = p.XY.Ratio;
    if (!compliance::HasRatio(p, false) || p.GridNX > g.nx() || p.GridNY > g.ny())
        return std::string(msg::NoResult);
    return Dump(g, p.GridNX, p.GridNY, "r", path, fb);
}

Message WritePlaceShares(const Project& p, const std::string& path, Feedback& fb,
                         const OutputContext&) {
    if (p.Places.empty()) return std::string("The project has no places of sensitive use");
    const auto values = compliance::EvaluatePlaces(p, {});
    if (fb.isCanceled()) return std::string(msg::Interrupted);
    return WriteRows(compliance::PlaceSharesCsv(p, values), path, "place shares", fb);
}

template <bool GeoPackage>
Message WriteContributions(const Project& p, const std::string& path, Feedback& fb,
                           const OutputContext&) {
    return gis::WriteContributionsFile(p, path, GeoPackage, &fb);
}

template <gis::GisFormat F>
Message WriteMapLayer(const Project& p, const std::string& path, Feedback& fb,
                      const OutputContext&) {
    return gis::WriteGisFile(p, F, path, &fb);
}

Message WriteSites(const Project& p, const std::string& path, Feedback& fb, const OutputContext&) {
    return WriteRows(compliance::ExportSites(p), path, "sites", fb);
}

// The context's library, or the one the program loads at start.
class LibraryOf {
  public:
    explicit LibraryOf(const OutputContext& ctx) : given_(ctx.library) {
        if (!given_) loaded_ = compliance::LoadLibrary().library;
    }
    const compliance::Library& get() const { return given_ ? *given_ : loaded_; }

  private:
    const compliance::Library* given_;
    compliance::Library loaded_;
};

// Each place and building evaluated exactly against the project's standard.
template <OutputKind Kind>
Message WriteRealPlaces(const Project& p, const std::string& path, Feedback& fb,
                        const OutputContext& ctx) {
    constexpr bool places = Kind == OutputKind::Places || Kind == OutputKind::PlacesGeoJson;
    const LibraryOf lib(ctx);
    const auto inv =
        compliance::InverseLimits(p, lib.get(), p.Compliance.Standard, p.Compliance.Group);
    if (inv.refusal) return inv.refusal;
    if (places && p.Places.empty())
        return std::string("The project has no places of sensitive use");
    if (!places && p.Buildings.empty()) return std::string("The project has no buildings");
    std::string text;
    if constexpr (places) {
        const auto values = compliance::EvaluatePlaces(p, inv.inverse);
        if (fb.isCanceled()) return std::string(msg::Interrupted);
        text = Kind == OutputKind::Places ? compliance::PlacesCsv(values)
                                          : compliance::PlacesGeoJson(values);
    } else {
        // The buildings' points are most of the work; the text is written
        // in the last tenth.
        FeedbackPart evaluation(fb, 0.0, 0.9);
        const auto values = compliance::EvaluateBuildings(p, inv.inverse, evaluation);
        if (!values) return std::string(msg::Interrupted);
        if constexpr (Kind == OutputKind::BuildingsGpkg) {
            return gis::WriteBuildingsGpkg(p, *values, path);
        }
        text = Kind == OutputKind::Buildings ? compliance::BuildingsCsv(*values)
                                             : compliance::BuildingsGeoJson(p, *values);
    }
    if (places) return WriteRows(text, path, "places", fb);
    FeedbackPart writing(fb, 0.9, 1.0);
    return WriteRows(text, path, "buildings", writing);
}

// Each radiating antenna's boundary against the project's standard, seen
// from above.
Message WriteBoundaries(const Project& p, const std::string& path, Feedback& fb,
                        const OutputContext& ctx) {
    const LibraryOf lib(ctx);
    const compliance::LimitsResult limits = compliance::AntennaLimits(p, lib.get());
    if (limits.refusal) return limits.refusal;
    const auto outlines = compliance::BoundaryOutlines(p, limits.limitWm2);
    if (outlines.empty()) return std::string("The project has no antenna that radiates");
    return WriteRows(compliance::BoundariesGeoJson(p, outlines), path, "boundaries", fb);
}

// Each field measurement set against the prediction at its point.
template <OutputKind Kind>
Message WriteMeasurements(const Project& p, const std::string& path, Feedback& fb,
                          const OutputContext&) {
    if (p.Measurements.empty()) return std::string("The project has no measurements");
    const auto points = measure::PairMeasurements(p);
    if (fb.isCanceled()) return std::string(msg::Interrupted);
    return WriteRows(Kind == OutputKind::Measurements ? measure::MeasurementsCsv(points)
                                                      : measure::MeasurementsGeoJson(points),
                     path, "measurements", fb);
}

Message WriteProject(const Project& p, const std::string& path, Feedback& fb,
                     const OutputContext&) {
    std::string why;
    if (SaveProjectFile(p, path, &fb, &why)) return std::nullopt;
    return Failed(fb, why);
}

// The compliance report: the summary against the project's standard, the
// buildings and places evaluated when there are any, laid out in pages.
Message WriteReport(const Project& p, const std::string& path, Feedback& fb,
                    const OutputContext& ctx) {
    if (!ctx.writePdf) return std::string("Cannot write reports in this program");
    const LibraryOf lib(ctx);
    compliance::SummaryResult s =
        compliance::Summarise(p, lib.get(), p.Compliance.Standard, p.Compliance.Group);
    if (s.refusal) return s.refusal;
    compliance::ReportInput in;
    in.project = &p;
    in.summary = std::move(s.summary);
    in.projectFile = p.FileName;
    in.date = ctx.date;
    in.unit = ctx.unit;
    if (!p.Buildings.empty() || !p.Places.empty()) {
        const auto inv =
            compliance::InverseLimits(p, lib.get(), p.Compliance.Standard, p.Compliance.Group);
        if (inv.refusal) return inv.refusal;
        auto buildings = compliance::EvaluateBuildings(p, inv.inverse, fb);
        if (!buildings) return std::string(msg::Interrupted);
        in.buildings = std::move(*buildings);
        in.places = compliance::EvaluatePlaces(p, inv.inverse);
    }
    for (const compliance::Rule& r : ctx.rules) {
        in.rules.push_back(compliance::EvaluateRule(p, r, lib.get(), &fb));
        if (fb.isCanceled()) return std::string(msg::Interrupted);
    }
    // The field measurements' pages follow, when the project has any.
    if (!p.Measurements.empty()) {
        auto pages = std::make_shared<const measure::MeasurementPages>(p);
        for (int k = 0; k < pages->pageCount(); ++k)
            in.laterPages.push_back([pages, k](render::Surface& s) { pages->drawPage(k, s); });
    }
    if (fb.isCanceled()) return std::string(msg::Interrupted);
    const compliance::ReportLayout layout(std::move(in));
    const std::string failed =
        ctx.writePdf(path, "Exposure compliance report", layout.pageCount(),
                     [&layout](int k, render::Surface& surface) { layout.drawPage(k, surface); });
    if (!failed.empty()) return failed;
    return std::nullopt;
}

Message WritePicture(const Project& p, const std::string& path, Feedback& fb,
                     const OutputContext& ctx) {
    if (!ctx.drawPicture) return std::string("Cannot draw images in this program");
    const LibraryOf lib(ctx);
    return ctx.drawPicture(p, path, PlanOverlay(p, lib.get()), fb);
}

Message SaveRefusal(const Project& p) {
    return ExtensionSaveRefusal(p);
}

constexpr const char* kCsvFiles = "csv Files (*.csv)| *.csv";

// The needs of an output read from its result grids.
constexpr OutputNeeds ReadsXY{ResultUse::IfThere};
constexpr OutputNeeds MadeOfXY{ResultUse::Required};
constexpr OutputNeeds MadeOfXZ{ResultUse::None, ResultUse::Required};

std::vector<OutputFormat> MakeTable() {
    using K = OutputKind;
    using N = OutputNeeds;
    const auto csv = [](K kind, const char* keyword, const char* command, const char* caption,
                        N needs, OutputWriter write) {
        // Described by the caption without its "Export ".
        return OutputFormat{kind,        keyword,       true,  command,     caption, ".csv",
                            caption + 7, CsvFileFilter, needs, ZoomRefusal, write};
    };
    const auto file = [](K kind, const char* keyword, const char* command, const char* caption,
                         const char* extension, const char* description, std::string filter,
                         N needs, OutputWriter write) {
        return OutputFormat{kind,        keyword,           true,  command, caption, extension,
                            description, std::move(filter), needs, nullptr, write};
    };
    const auto layer = [](K kind, const char* keyword, gis::GisFormat f, OutputWriter write) {
        return OutputFormat{kind,
                            keyword,
                            true,
                            "gisexport",
                            "GIS export...",
                            gis::GisFormatExtension(f),
                            gis::GisFormatCaption(f),
                            gis::GisFormatFilter(f),
                            MadeOfXY,
                            GisRefusal,
                            write};
    };
    // Written in another form when its family's keyword names a path of that form.
    const auto sharing = [](OutputFormat f, const char* keyword, const char* extensions) {
        f.sharedKeyword = keyword;
        f.sharedExtensions = extensions;
        return f;
    };
    using G = gis::GisFormat;
    // The places and buildings are judged at the antennas themselves, but a
    // run that put its XY result out of date is refused as for every table
    // of a result.
    const N placesNeeds = ReadsXY;
    const N reportNeeds{ResultUse::Required, ResultUse::IfThere, false, true};
    const N ratioNeeds{ResultUse::Required, ResultUse::None, false, true};
    const N pictureNeeds{ResultUse::None, ResultUse::None, true};
    // clang-format off
    std::vector<OutputFormat> t = {
        csv(K::IsolinesCartesian, "isolines-cartesian", "g7", "Export isolines (cartesian)", ReadsXY,
            WriteCsvTable<CsvExport::IsolinesCartesian>),
        csv(K::IsolinesGeographic, "isolines-geographic", "g8", "Export isolines (geographic)", ReadsXY,
            WriteCsvTable<CsvExport::IsolinesGeographic>),
        csv(K::SourcesCartesian, "sources-cartesian", "g10", "Export sources (cartesian)", N::Nothing,
            WriteCsvTable<CsvExport::SourcesCartesian>),
        csv(K::SourcesGeographic, "sources-geographic", "g11", "Export sources (geographic)",
            N::Nothing, WriteCsvTable<CsvExport::SourcesGeographic>),
        csv(K::ConcentrationsCartesian, "concentrations-cartesian", "g13",
            "Export concentrations (cartesian)", ReadsXY,
            WriteCsvTable<CsvExport::ConcentrationsCartesian>),
        csv(K::ConcentrationsGeographic, "concentrations-geographic", "g14",
            "Export concentrations (geographic)", ReadsXY,
            WriteCsvTable<CsvExport::ConcentrationsGeographic>),
        csv(K::MaximumCartesian, "maximum-cartesian", "g16", "Export maximum (cartesian)", ReadsXY,
            WriteCsvTable<CsvExport::MaximumCartesian>),
        csv(K::MaximumGeographic, "maximum-geographic", "g17", "Export maximum (geographic)", ReadsXY,
            WriteCsvTable<CsvExport::MaximumGeographic>),
        file(K::GridXY, "grid-xy", "gridxy", "Export grid (XY)", ".csv",
             "XY result grid as stored", "Grid dump (*.csv)| *.csv", MadeOfXY, WriteGridXY),
        file(K::GridXZ, "grid-xz", "gridxz", "Export grid (XZ)", ".csv",
             "XZ result grid as stored", "Grid dump (*.csv)| *.csv", MadeOfXZ, WriteGridXZ),
        file(K::SectionCartesian, "section-cartesian", "expsection", "Export section (cartesian)",
             ".csv", "XZ result at its nodes' positions", kCsvFiles, MadeOfXZ, WriteSectionPoints),
        file(K::Sites, "sites", "expsitios", "Export sites...", ".csv", "Site inventory",
             kCsvFiles, N::Nothing, WriteSites),
        file(K::ExposureRatioGrid, "exposure-ratio-grid", "ratiogrid", "Export exposure ratio grid",
             ".csv", "XY exposure ratio grid", "Exposure ratio grid (*.csv)| *.csv", ratioNeeds,
             WriteRatioGrid),
        layer(K::GeoTiff, "geotiff", G::GeoTiff, WriteMapLayer<G::GeoTiff>),
        layer(K::IsolinesGeoJson, "isolines-geojson", G::IsolinesGeoJson,
              WriteMapLayer<G::IsolinesGeoJson>),
        layer(K::ZonesGeoJson, "zones-geojson", G::ZonesGeoJson, WriteMapLayer<G::ZonesGeoJson>),
        layer(K::GeoPackage, "gpkg", G::GeoPackage, WriteMapLayer<G::GeoPackage>),
        layer(K::Kmz, "kmz", G::Kmz, WriteMapLayer<G::Kmz>),
        file(K::Places, "places", "expplaces", "Export places (CSV)", ".csv",
             "Places of sensitive use", kCsvFiles, placesNeeds, WriteRealPlaces<K::Places>),
        sharing(file(K::PlacesGeoJson, "places-geojson", "expplacesgeojson", "Export places (GeoJSON)",
                     ".geojson", "Places of sensitive use as GeoJSON", "GeoJSON (*.geojson)| *.geojson",
                     placesNeeds, WriteRealPlaces<K::PlacesGeoJson>),
                "places", ".geojson .json"),
        file(K::Buildings, "buildings", "expbuildings", "Export buildings (CSV)", ".csv",
             "Buildings floor by floor", kCsvFiles, placesNeeds, WriteRealPlaces<K::Buildings>),
        sharing(file(K::BuildingsGeoJson, "buildings-geojson", "expbuildingsgeojson",
                     "Export buildings (GeoJSON)", ".geojson", "Buildings as GeoJSON",
                     "GeoJSON (*.geojson)| *.geojson", placesNeeds,
                     WriteRealPlaces<K::BuildingsGeoJson>),
                "buildings", ".geojson .json"),
        sharing(file(K::BuildingsGpkg, "buildings-gpkg", "expbuildingsgpkg",
                     "Export buildings (GeoPackage)", ".gpkg", "Buildings as GeoPackage",
                     "GeoPackage (*.gpkg)| *.gpkg", placesNeeds, WriteRealPlaces<K::BuildingsGpkg>),
                "buildings", ".gpkg"),
        file(K::BoundariesGeoJson, "boundaries-geojson", "expboundariesgeojson",
             "Export boundaries (GeoJSON)", ".geojson", "Compliance boundaries seen from above",
             "GeoJSON (*.geojson)| *.geojson", N::Nothing, WriteBoundaries),
        file(K::Measurements, "measurements", "expmeasurements", "Export measurements (CSV)", ".csv",
             "Measurements against the prediction", kCsvFiles, placesNeeds,
             WriteMeasurements<K::Measurements>),
        sharing(file(K::MeasurementsGeoJson, "measurements-geojson", "expmeasurementsgeojson",
                     "Export measurements (GeoJSON)", ".geojson",
                     "Measurements against the prediction as GeoJSON",
                     "GeoJSON (*.geojson)| *.geojson", placesNeeds,
                     WriteMeasurements<K::MeasurementsGeoJson>),
                "measurements", ".geojson .json"),
        {K::Contributions, "contributions", true, "expcontributions",
         "Export contributions (GeoTIFF)", ".tif", "Dominant antenna and density per operator",
         "GeoTIFF (*.tif)| *.tif", MadeOfXY, GisRefusal, WriteContributions<false>},
        sharing({K::ContributionsGpkg, "contributions-gpkg", true, "expcontributionsgpkg",
                 "Export contributions (GeoPackage)", ".gpkg",
                 "Dominant antenna and density per operator as GeoPackage",
                 "GeoPackage (*.gpkg)| *.gpkg", MadeOfXY, GisRefusal, WriteContributions<true>},
                "contributions", ".gpkg"),
        file(K::PlaceShares, "place-shares", "expplaceshares", "Export places' shares per operator",
             ".csv", "Each place's share per operator", kCsvFiles, placesNeeds, WritePlaceShares),
        {K::Report, "--report", false, "informe", "Report...", ".pdf", "Compliance report",
         "pdf Files (*.pdf)| *.pdf", reportNeeds, nullptr, WriteReport},
        {K::Image, "--image", false, "exportarimagen", "Export picture...", ".png",
         "Picture of the plan", "Pictures (*.png *.svg *.pdf)| *.png", pictureNeeds, nullptr,
         WritePicture},
        {K::ProjectFile, "--save", false, "guardarcomo", "Save &as...", ".bvk", "Project",
         ProjectFileFilter, N::Nothing, SaveRefusal, WriteProject},
    };
    // clang-format on
    return t;
}

// `path` ends in one of the space-separated `extensions`, in any case.
bool EndsInOneOf(std::string_view path, std::string_view extensions) {
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    while (!extensions.empty()) {
        const std::size_t space = extensions.find(' ');
        const std::string_view ext = extensions.substr(0, space);
        extensions =
            space == std::string_view::npos ? std::string_view{} : extensions.substr(space + 1);
        if (!ext.empty() && path.size() >= ext.size() &&
            std::equal(ext.begin(), ext.end(), path.end() - std::ptrdiff_t(ext.size()),
                       [&](char a, char b) { return lower(a) == lower(b); }))
            return true;
    }
    return false;
}

// The result an output requires and the project lacks, as the program words it.
Message MissingResult(const Project& p, const OutputNeeds& needs) {
    if (needs.xy == ResultUse::Required && !p.XY.Calculated) return std::string(msg::NoResult);
    if (needs.xz == ResultUse::Required && !p.XZ.Calculated) return std::string(msg::NoXZResult);
    return std::nullopt;
}

} // namespace

std::span<const OutputFormat> OutputFormats() {
    // Built once, read only after.
    static const std::vector<OutputFormat> table = MakeTable();
    return table;
}

const OutputFormat& outputFormat(OutputKind kind, std::span<const OutputFormat> table) {
    for (const OutputFormat& f : table)
        if (f.kind == kind) return f;
    throw std::logic_error("an output kind without a row");
}

std::optional<OutputKind> OutputKindFromKeyword(std::string_view keyword,
                                                std::span<const OutputFormat> table) {
    for (const OutputFormat& f : table)
        if (f.exportKind && keyword == f.keyword) return f.kind;
    return std::nullopt;
}

std::optional<OutputKind> ExportKindFor(std::string_view keyword, std::string_view path,
                                        std::span<const OutputFormat> table) {
    for (const OutputFormat& f : table)
        if (f.exportKind && f.sharedKeyword && keyword == f.sharedKeyword &&
            EndsInOneOf(path, f.sharedExtensions))
            return f.kind;
    return OutputKindFromKeyword(keyword, table);
}

std::vector<Plane> PlanesRead(const Project& p, const OutputNeeds& needs) {
    std::vector<Plane> planes;
    if (needs.xy != ResultUse::None) planes.push_back(Plane::XY);
    if (needs.xz != ResultUse::None) planes.push_back(Plane::XZ);
    if (needs.planeOnView) planes.push_back(p.CurrentPlane);
    return planes;
}

std::optional<std::string> WriteOutput(const Project& p, const OutputFormat& f,
                                       const std::string& path, Feedback& feedback,
                                       const OutputContext& context) {
    if (f.refusal)
        if (auto refused = f.refusal(p)) return refused;
    if (auto missing = MissingResult(p, f.needs)) return missing;
    if (feedback.isCanceled()) return std::string(msg::Interrupted);
    return f.write(p, path, feedback, context);
}

std::optional<std::string> WriteOutput(const Project& p, OutputKind kind, const std::string& path,
                                       Feedback& feedback, const OutputContext& context) {
    return WriteOutput(p, outputFormat(kind), path, feedback, context);
}

render::Overlay PlanOverlay(const Project& p, const compliance::Library& library) {
    bool traced = false;
    std::vector<double> traces;
    if (compliance::TracesShown(p)) {
        compliance::LimitsResult limits = compliance::AntennaLimits(p, library);
        traced = !limits.refusal;
        if (traced) traces = std::move(limits.limitWm2);
    }
    render::RealPlaceMarks marks;
    bool places = false;
    if ((!p.Buildings.empty() || !p.Places.empty()) && p.CurrentPlane == Plane::XY &&
        p.AntennaCount >= 1) {
        const auto inv =
            compliance::InverseLimits(p, library, p.Compliance.Standard, p.Compliance.Group);
        if (!inv.refusal) {
            marks = compliance::ExposureMarks(p, inv.inverse);
            places = true;
        }
    }
    // The field measurements, each in the colour of its difference from the
    // prediction.
    const bool measured = !p.Measurements.empty() && p.CurrentPlane == Plane::XY;
    measure::MeasurementMarks measurements;
    if (measured) measurements = measure::MarksOf(p);
    if (!traced && !places && !measured) return {};
    return [traced, traces = std::move(traces), places, marks = std::move(marks), measured,
            measurements = std::move(measurements)](const Project& shown, render::Surface& s) {
        if (traced) compliance::DrawTraces(shown, s, traces);
        if (places) render::DrawRealPlaces(shown, s, marks);
        if (measured) measure::DrawMeasurements(shown, s, measurements);
    };
}

std::vector<OutputKind> OutputsOfCommand(std::string_view command) {
    std::vector<OutputKind> kinds;
    for (const OutputFormat& f : OutputFormats())
        if (command == f.command) kinds.push_back(f.kind);
    return kinds;
}

std::string WithExtension(const std::string& path, OutputKind kind) {
    const std::string_view ext = outputFormat(kind).extension;
    if (EndsInOneOf(path, ext)) return path;
    return path + std::string(ext);
}

compliance::ChosenRules ResolveRules(const compliance::RuleBook& book,
                                     const std::vector<std::string>& names,
                                     const compliance::Library& library) {
    compliance::ChosenRules chosen = compliance::ChooseRules(book, names);
    if (chosen.refusal) return chosen;
    for (const compliance::Rule& r : chosen.rules)
        if (auto refused = compliance::StandardRefusal(r, library)) return {{}, refused};
    return chosen;
}

std::vector<std::string> RuleVerdictLines(const Project& p,
                                          const std::vector<compliance::Rule>& rules,
                                          const compliance::Library& library) {
    std::vector<std::string> lines;
    for (const compliance::Rule& r : rules) {
        const compliance::RuleVerdict v = compliance::EvaluateRule(p, r, library);
        lines.push_back(r.title + ": " + v.text());
    }
    return lines;
}

} // namespace brenvik::pipeline
