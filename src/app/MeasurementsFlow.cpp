#include "app/MeasurementsFlow.h"

#include "app/DocumentHolder.h"
#include "app/PlanView.h"
#include "app/WindowParts.h"
#include "app/dialogs/MeasurementsDialog.h"
#include "measure/Import.h"
#include "measure/MeasurementsForm.h"
#include "model/Edits.h"
#include "model/Prompts.h"

#include <QMainWindow>
#include <memory>

namespace brenvik::app {

void EditMeasurements(WindowParts& w) {
    static constexpr const char* kFilter =
        "Measurements (*.csv *.geojson *.json)| *.csv;*.geojson;*.json";
    // The rows as the dialog shows them; imports replace the list, which
    // reaches the project only on Accept.
    auto list = std::make_shared<std::vector<Measurement>>(w.project.Measurements);
    const Project& project = w.project;
    const auto rows = [&project](const std::vector<Measurement>& l) {
        return measure::MeasurementsFormLoad(project, l, dialognum::Formatter());
    };
    WindowParts* parts = &w;
    auto importer = [parts, list, rows](const MeasurementsDialog::ImportChoices& choices)
        -> std::optional<std::vector<measure::MeasurementRow>> {
        measure::ImportOptions options;
        options.unit = measure::FieldUnitFromText(choices.unit);
        std::optional<std::string> refused;
        if (!choices.columns.empty())
            refused = measure::ParseColumnOption(choices.columns, options);
        if (!refused && !choices.bandFactors.empty())
            refused = measure::ParseBandFactors(choices.bandFactors, options);
        if (refused) {
            parts->prompts.message(*refused);
            return std::nullopt;
        }
        const auto path = parts->prompts.openPath(kFilter);
        if (!path) return std::nullopt;
        const measure::FormImport r =
            measure::MeasurementsFormImport(parts->project, *path, options, *list);
        if (r.refusal) {
            parts->prompts.message(*r.refusal);
            return std::nullopt;
        }
        if (!r.note.empty()) parts->prompts.message(r.note);
        return rows(*list);
    };
    auto* d = new MeasurementsDialog(rows(*list), importer, &w.window);
    d->setAcceptHandler([parts, d, list] {
        std::vector<Measurement> kept;
        for (int k : d->keptRows())
            kept.push_back((*list)[static_cast<std::size_t>(k)]);
        Edit edit = Edit::settings(parts->project);
        measure::MeasurementsFormAccept(parts->project, std::move(kept));
        parts->document.record("Measurements", std::move(edit), true);
        parts->view.redraw();
        return true;
    });
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
}

} // namespace brenvik::app
