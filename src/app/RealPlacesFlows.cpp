#include "app/RealPlacesFlows.h"

#include "app/dialogs/RealPlacesDialogs.h"
#include "compliance/Buildings.h"
#include "compliance/Places.h"
#include "gis/BuildingImport.h"
#include "gis/Terrain.h"
#include "measure/Agreement.h"
#include "measure/PlanMarks.h"
#include "model/Numbers.h"
#include "render/RealPlaces.h"
#include "render/View.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace brenvik::app {

namespace {

constexpr const char* kCsvFilter = "csv Files (*.csv)| *.csv";
constexpr const char* kRasterFilter =
    "Elevation models (*.tif *.tiff *.vrt *.asc *.img *.dem *.hgt)| *.tif;*.tiff;*.vrt;*.asc;"
    "*.img;*.dem;*.hgt";
constexpr const char* kVectorFilter =
    "Map files (*.geojson *.json *.gpkg *.shp *.osm *.pbf)| *.geojson;*.json;*.gpkg;*.shp;"
    "*.osm;*.pbf";
// The canvas draws the plan at its natural size: 15 drawing units a pixel.
constexpr double kCanvasUnitsPerPixel = 15.0;

} // namespace

RealPlacesFlows::RealPlacesFlows(Project& p, Prompts& prompts, QWidget& window,
                                 const compliance::Library& lib, std::function<void()> redraw,
                                 Recorder record)
    : project_(p), prompts_(prompts), window_(window), lib_(lib), redraw_(std::move(redraw)),
      record_(std::move(record)) {}

void RealPlacesFlows::places() {
    const auto rows = compliance::PlacesFormLoad(project_, dialognum::Formatter());
    auto importer = [this]() -> std::optional<std::vector<compliance::PlaceRow>> {
        const auto path = prompts_.openPath(kCsvFilter);
        if (!path) return std::nullopt;
        Project scratch = project_;
        const compliance::PlacesImport r = compliance::ImportPlacesFile(scratch, *path);
        if (r.refusal) {
            prompts_.message(*r.refusal);
            return std::nullopt;
        }
        if (!r.note.empty()) prompts_.message(r.note);
        return compliance::PlacesFormLoad(scratch, dialognum::Formatter());
    };
    auto* d = new PlacesDialog(rows, importer, &window_);
    d->setAcceptHandler([this, d] {
        Edit edit = Edit::settings(project_);
        const auto refused = compliance::PlacesFormAccept(project_, d->rows(), dialognum::parser());
        if (record_) record_("Places", std::move(edit), !refused);
        if (refused) {
            prompts_.message(*refused);
            return false;
        }
        redraw_();
        return true;
    });
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
}

void RealPlacesFlows::importTerrain() {
    const auto path = prompts_.openPath(kRasterFilter);
    if (!path) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const gis::TerrainSample t = gis::SampleTerrain(project_, *path);
    QApplication::restoreOverrideCursor();
    if (t.refusal) {
        prompts_.message(*t.refusal);
        return;
    }
    Edit edit =
        Edit::groundRect(project_, 0, 0, project_.GroundGrid.nx(), project_.GroundGrid.ny());
    gis::ApplyTerrain(project_, t);
    if (record_) record_("Import terrain", std::move(edit), true);
    prompts_.message("Ground heights are relative to the lowest value of the elevation model "
                     "inside the plan, " +
                     FormatShortest(t.datumM) + " m; the highest node stands " +
                     FormatShortest(std::round(t.highestM * 100) / 100) + " m above it." +
                     (t.note.empty() ? "" : "\n" + t.note));
    redraw_();
}

void RealPlacesFlows::importBuildings() {
    const auto path = prompts_.openPath(kVectorFilter);
    if (!path) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    gis::BuildingsImport r = gis::ReadBuildings(project_, *path, gis::DefaultBuildingHeightM);
    QApplication::restoreOverrideCursor();
    if (r.refusal) {
        prompts_.message(*r.refusal);
        return;
    }
    if (r.defaultHeight == 0) {
        storeBuildings(std::move(r));
        return;
    }
    // Some footprints carry no height: the user says how high they stand,
    // and the file is read again with that height. Cancel imports nothing.
    auto* d = new BuildingHeightDialog(
        r.defaultHeight,
        QString::fromStdString(dialognum::Formatter()(gis::DefaultBuildingHeightM)), &window_);
    d->setAcceptHandler([this, d, file = *path] {
        const gis::BuildingHeightAnswer h =
            gis::BuildingHeightAccept(d->height().toStdString(), dialognum::parser());
        if (!h.heightM) {
            prompts_.message(h.refusal);
            return false;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        gis::BuildingsImport again = gis::ReadBuildings(project_, file, *h.heightM);
        QApplication::restoreOverrideCursor();
        if (again.refusal) {
            prompts_.message(*again.refusal);
            return true;
        }
        storeBuildings(std::move(again));
        return true;
    });
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
}

void RealPlacesFlows::storeBuildings(gis::BuildingsImport r) {
    Edit edit = Edit::settings(project_);
    project_.Buildings = std::move(r.buildings);
    if (record_) record_("Import buildings", std::move(edit), true);
    if (!r.note.empty()) prompts_.message(r.note);
    redraw_();
}

RealPlacesFlows::Painter RealPlacesFlows::decorate(Painter paint) const {
    if (project_.Buildings.empty() && project_.Places.empty() && project_.Measurements.empty())
        return paint;
    return [paint = std::move(paint), lib = &lib_](const Project& p, render::Surface& s,
                                                   render::DotRandom& dots) {
        auto controls = paint(p, s, dots);
        if (p.CurrentPlane != Plane::XY) return controls;
        if (p.AntennaCount >= 1 && (!p.Buildings.empty() || !p.Places.empty())) {
            const auto inv =
                compliance::InverseLimits(p, *lib, p.Compliance.Standard, p.Compliance.Group);
            if (!inv.refusal)
                render::DrawRealPlaces(p, s, compliance::ExposureMarks(p, inv.inverse));
        }
        // The measurements go last, over the places, so that their colour
        // of agreement is never hidden.
        if (!p.Measurements.empty()) measure::DrawMeasurements(p, s, measure::MarksOf(p));
        return controls;
    };
}

void RealPlacesFlows::pointerAt(QPointF units, QWidget& canvas) const {
    if (project_.Measurements.empty() && canvas.toolTip().isEmpty()) return;
    const std::string text = project_.CurrentPlane == Plane::XY
                                 ? MeasurementHoverText(project_, units, kCanvasUnitsPerPixel)
                                 : std::string();
    const QString tip = QString::fromStdString(text);
    if (tip == canvas.toolTip()) return;
    canvas.setToolTip(tip);
    if (tip.isEmpty())
        QToolTip::hideText();
    else if (canvas.isVisible())
        QToolTip::showText(QCursor::pos(), tip, &canvas);
}

namespace {

std::string MeasureValueText(double uw) {
    char b[48];
    std::snprintf(b, sizeof b, "%.6g uW/cm^2", uw);
    return b;
}

} // namespace

std::string MeasurementHoverText(const Project& p, QPointF units, double unitsPerPixel) {
    // The mark's own radius, as drawn, and a few pixels of slack around it.
    const double reach = std::max(45.0, 6 * unitsPerPixel) + 3 * unitsPerPixel;
    const Measurement* nearest = nullptr;
    double best = reach;
    for (const Measurement& m : p.Measurements) {
        const render::Point at = render::PlanToScreen(p, m.X, m.Y);
        const double d = std::hypot(at.x - units.x(), at.y - units.y());
        if (d <= best) {
            best = d;
            nearest = &m;
        }
    }
    if (!nearest) return {};
    // Only the point under the pointer is evaluated, not the whole set.
    const measure::PairedPoint q = measure::PairMeasurement(p, *nearest);
    char db[40];
    if (std::isfinite(q.differenceDb))
        std::snprintf(db, sizeof db, "%+.1f dB", q.differenceDb);
    else
        std::snprintf(db, sizeof db, "%s", q.differenceDb > 0 ? "+inf dB" : "-inf dB");
    std::string text = (q.name.empty() ? std::string() : q.name + ": ") + "measured " +
                       MeasureValueText(q.measured);
    if (q.extrapolated != q.measured) text += ", extrapolated " + MeasureValueText(q.extrapolated);
    return text + ", predicted " + MeasureValueText(q.predicted) + ", difference " + db;
}

} // namespace brenvik::app
