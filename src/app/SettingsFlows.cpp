// The dialogs of the view, the scale, the grid and display settings, the
// antenna parameters and the exposure model, and the geographic dialogs.

#include "app/SettingsFlows.h"

#include "antenna/BeamForm.h"
#include "app/CommandBar.h"
#include "app/CommandNames.h"
#include "app/DocumentHolder.h"
#include "app/PlanCanvas.h"
#include "app/PlanView.h"
#include "app/ToolBench.h"
#include "app/WindowDialogs.h"
#include "app/dialogs/DisplayDialogs.h"
#include "app/dialogs/ExposureDialog.h"
#include "app/dialogs/GeoDialogs.h"
#include "app/dialogs/MiscDialogs.h"
#include "app/dialogs/TowerDialogs.h"
#include "calc/FieldRules.h"
#include "geo/GeoForms.h"
#include "model/Invalidation.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "render/DisplayForms.h"

#include <QApplication>
#include <QDialog>
#include <QLocale>
#include <QWidget>

namespace brenvik::app {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The busy pointer for as long as a long step runs, however it ends.
struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

// The decimal point of the user's locale, for the boxes of the dialogs.
char DecimalPoint() {
    return QLocale().decimalPoint().at(0).toLatin1();
}

// A geographic dialog's accept: the settings it may change are one undo step,
// whatever its boxes' fate; returns how many boxes were refused.
template <class Accept>
int GeoSettingsEdit(DocumentHolder& document, Project& p, const char* text, Accept accept) {
    Edit e = Edit::settings(p);
    const int failed = accept();
    document.record(text, std::move(e), true);
    return failed;
}

} // namespace

void SettingsFlows::about() {
    ShowDialog(new AboutDialog(&k_.window), true);
}

void SettingsFlows::userGuide() {
    if (QDialog* open = OpenDialogNamed(k_.window, QStringLiteral("userGuide")))
        open->raise();
    else
        ShowDialog(new UserGuideDialog(&k_.window), false);
}

void SettingsFlows::zoom() {
    if (k_.project.BackgroundLoaded) {
        Warn(k_, "It is needed not background image to activate the Zoom");
        return;
    }
    k_.view.ensurePlan();
    auto* d = new ZoomDialog(k_.project.Zoom, &k_.window);
    d->setAcceptHandler([this, d] {
        k_.view.applyZoom(d->zoom());
        return true;
    });
    ShowDialog(d, true);
}

void SettingsFlows::pending(PendingDialog dialog) {
    switch (dialog) {
    case PendingDialog::None:
        break;
    case PendingDialog::ScaleCalculation:
        scaleCalculation();
        break;
    case PendingDialog::GridSize:
        gridValue(SizeFormValue::GridSize);
        break;
    case PendingDialog::IsolineCount:
        gridValue(SizeFormValue::IsolineCount);
        break;
    case PendingDialog::Scale:
        scale();
        break;
    }
}

void SettingsFlows::scale() {
    auto* d = new ScaleDialog(geo::OpenScaleForm(k_.project, DecimalPoint()), &k_.window);
    d->setFieldRules(geo::ScaleRules());
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::InputDataError)) return false;
        Edit e = Edit::scaleReset(k_.project);
        const geo::ScaleOutcome out =
            geo::AcceptScale(k_.project, d->form(), k_.prompts, dialognum::parser());
        // A kept scale changes nothing worth a step.
        k_.document.record("Scale", std::move(e), out == geo::ScaleOutcome::Reset);
        if (out == geo::ScaleOutcome::InputError) return false;
        k_.bar.setPressed(cmd::ScaleButton, false);
        if (out == geo::ScaleOutcome::Reset) {
            k_.view.canvas().clear();
            k_.document.updateTitle();
            k_.view.redraw();
        }
        return true;
    });
    QObject::connect(d, &QDialog::rejected, &k_.window,
                     [this] { k_.bar.setPressed(cmd::ScaleButton, false); });
    ShowDialog(d, true);
}

void SettingsFlows::scaleCalculation() {
    auto* d = new ScaleDistanceDialog(geo::OpenScaleCalculationForm(k_.project, DecimalPoint()),
                                      &k_.window);
    d->setFieldRules(geo::ScaleCalculationRules());
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::InputDataError)) return false;
        Edit e = Edit::settings(k_.project);
        const bool ok =
            geo::AcceptScaleCalculation(k_.project, d->form(), k_.prompts, dialognum::parser());
        if (ok) k_.tools.flags().arm(PointerToolKind::ScaleMeasure);
        k_.document.record("Scale calculation", std::move(e), ok);
        return ok;
    });
    ShowDialog(d, true);
}

void SettingsFlows::gridValue(SizeFormValue mode) {
    k_.project.Display.MallaMode = mode;
    auto* d = new SizeDialog(render::sizeFormTexts(k_.project), &k_.window);
    d->setFieldRules(mode == SizeFormValue::GridSize ? render::GridSizeRules()
                                                     : render::IsolineCountRules());
    if (mode == SizeFormValue::GridSize) {
        auto coverage = [d](const std::string& text) {
            const auto c = render::gridCoverage(text, dialognum::parser());
            d->showCoverage(c ? q(render::GridCoverageNote(*c)) : QString(), c ? c->fullCount : 0);
        };
        QObject::connect(d, &SizeDialog::valueEdited, d, coverage);
        coverage(d->valueText());
    }
    d->setAcceptHandler([this, d, mode] {
        if (FieldsRefused(k_.prompts, d, msg::InputDataError)) return false;
        // A fine grid takes a while to make and to draw.
        Hourglass busy;
        std::optional<std::string> err;
        if (mode == SizeFormValue::GridSize) {
            Edit e = Edit::gridSize(k_.project);
            err = render::AcceptGridSize(k_.project, d->valueText(), dialognum::parser());
            k_.document.record("Grid size", std::move(e), !err);
        } else {
            Edit e = Edit::isolineCount(k_.project);
            err = render::AcceptIsolineCount(k_.project, d->valueText(), dialognum::parser());
            k_.document.record("Number of isolines", std::move(e), !err);
        }
        if (err) {
            Warn(k_, *err);
            return false;
        }
        k_.document.updateTitle();
        k_.view.redraw();
        return true;
    });
    ShowDialog(d, true);
}

void SettingsFlows::calcColours() {
    k_.view.ensurePlan();
    k_.tools.reset();
    auto* d = new ColoursDialog(k_.project.Display.IsolineColour, k_.project.Display.MarkColour,
                                &k_.window);
    // A click changes the dialog's swatch; Accept stores the options the user
    // changed, and closing the dialog any other way stores nothing.
    d->setAcceptHandler([this, d, isoline = d->isolineOption(), mark = d->markOption()] {
        if (const auto o = d->isolineOption(); o && o != isoline)
            render::ChooseIsolineColour(k_.project.Display, *o);
        if (const auto o = d->markOption(); o && o != mark)
            render::ChooseMarkColour(k_.project.Display, *o);
        k_.view.redraw();
        return true;
    });
    ShowDialog(d, true);
}

void SettingsFlows::dotColours() {
    k_.tools.reset();
    auto* d = new DotColoursDialog(k_.project.Display, &k_.window);
    // Option clicks change the dialog alone. Accept stores the options the
    // user changed and the two boxes together, or nothing when a box is
    // refused; closing the dialog any other way stores nothing.
    d->setFieldRules(render::DotColourRules());
    d->setAcceptHandler([this, d, scheme = d->scheme(), jitter = d->jitter(), count = d->count()] {
        if (FieldsRefused(k_.prompts, d, msg::InputDataError)) return false;
        DisplaySettings s = k_.project.Display;
        if (d->scheme() != scheme) render::ChooseDotScheme(s, d->scheme());
        if (d->jitter() != jitter) render::ChooseJitter(s, d->jitter());
        if (d->count() != count) render::ChooseDotCount(s, d->count());
        if (auto err = render::AcceptDotColours(s, d->radiusText(), d->fromPercentText(),
                                                dialognum::parser())) {
            Warn(k_, *err);
            return false;
        }
        k_.project.Display = s;
        k_.view.redraw();
        return true;
    });
    ShowDialog(d, true);
}

void SettingsFlows::antennaParameters() {
    auto* d =
        new AntennaParamsDialog(OpenAnglesFormLoad(k_.project, dialognum::Formatter()), &k_.window);
    d->setFieldRules(OpenAnglesRules());
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::InputDataError)) return false;
        OpenAnglesForm f = d->form();
        Edit e = Edit::settings(k_.project);
        const auto err =
            OpenAnglesFormAccept(k_.project, f, dialognum::parser(), dialognum::Formatter());
        k_.document.record("Antenna parameters", std::move(e), !err);
        if (err) {
            Warn(k_, *err);
            return false;
        }
        return true;
    });
    ShowDialog(d, true);
}

void SettingsFlows::exposureModel() {
    auto* d = new ExposureDialog(antenna::ExposureFormLoad(k_.project), &k_.window);
    d->setAcceptHandler([this, d] {
        const ExposureSettings before = k_.project.Exposure;
        Edit e = Edit::settings(k_.project);
        antenna::ExposureFormAccept(k_.project, d->form());
        // A result of the previous model no longer stands; the same step
        // brings it back on undo.
        ResultPlanes dropped;
        if (!(k_.project.Exposure == before))
            dropped = DropInvalidatedResults(k_.project, ModelChange::ExposureModel);
        k_.document.record("Exposure model", std::move(e), true);
        if (dropped.xy || dropped.xz) {
            k_.view.redraw();
            Warn(k_, "The results worked out with the previous exposure model were discarded; "
                     "calculate again to see the new one.");
        }
        return true;
    });
    ShowDialog(d, true);
}

bool GeoFlows::precondition() {
    if (k_.project.CurrentPlane == Plane::XZ) {
        Warn(k_, "Pase primero al plano XY");
        return false;
    }
    if (k_.project.Zoom != 1.0) {
        Warn(k_, "Primero debe establecer un valor del Zoom del 100%");
        return false;
    }
    return true;
}

void GeoFlows::origin() {
    if (!precondition()) return;
    k_.tools.reset();
    auto* d = new OriginDialog(geo::OpenOriginForm(k_.project, DecimalPoint()), &k_.window);
    d->setFieldRules(geo::PositionRules());
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::BoxNotANumber)) return false;
        GeoSettingsEdit(k_.document, k_.project, "Origin of coordinates", [&] {
            return geo::AcceptOrigin(k_.project, d->form(), k_.prompts, dialognum::parser());
        });
        k_.view.redraw();
        return true;
    });
    ShowDialog(d, true);
}

void GeoFlows::reference() {
    if (!precondition()) return;
    k_.tools.reset();
    auto* d = new ReferenceDialog(geo::OpenReferenceForm(k_.project, DecimalPoint()), &k_.window);
    d->setFieldRules(geo::PositionRules());
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::BoxNotANumber)) return false;
        k_.tools.flags().arm(PointerToolKind::ReferencePoint);
        GeoSettingsEdit(k_.document, k_.project, "Reference point", [&] {
            return geo::AcceptReference(k_.project, d->form(), k_.prompts, dialognum::parser());
        });
        return true;
    });
    ShowDialog(d, true);
}

void GeoFlows::curvature() {
    if (!precondition()) return;
    k_.tools.reset();
    auto* d = new CurvatureDialog(geo::OpenCurvatureForm(k_.project, DecimalPoint()), &k_.window);
    d->setFieldRules(geo::CurvatureRules());
    d->setAcceptHandler([this, d] {
        if (FieldsRefused(k_.prompts, d, msg::BoxNotANumber, msg::InputDataError)) return false;
        // A refused box keeps the dialog open for another try.
        return GeoSettingsEdit(k_.document, k_.project, "Curvature radius", [&] {
                   return geo::AcceptCurvature(k_.project, d->form(), k_.prompts,
                                               dialognum::parser());
               }) == 0;
    });
    ShowDialog(d, true);
}

} // namespace brenvik::app
