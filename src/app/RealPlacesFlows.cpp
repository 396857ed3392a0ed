#include "app/RealPlacesFlows.h"

#include "app/dialogs/RealPlacesDialogs.h"
#include "compliance/Buildings.h"
#include "compliance/Places.h"
#include "gis/BuildingImport.h"
#include "gis/Terrain.h"
#include "model/Numbers.h"
#include "render/RealPlaces.h"

#include <QApplication>
#include <algorithm>
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
    if (project_.Buildings.empty() && project_.Places.empty()) return paint;
    return [paint = std::move(paint), lib = &lib_](const Project& p, render::Surface& s,
                                                   render::DotRandom& dots) {
        auto controls = paint(p, s, dots);
        if (p.CurrentPlane != Plane::XY || p.AntennaCount < 1) return controls;
        const auto inv =
            compliance::InverseLimits(p, *lib, p.Compliance.Standard, p.Compliance.Group);
        if (!inv.refusal) render::DrawRealPlaces(p, s, compliance::ExposureMarks(p, inv.inverse));
        return controls;
    };
}

} // namespace brenvik::app
