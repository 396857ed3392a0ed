#include "app/GisExportFlow.h"

#include "app/OperationRunner.h"
#include "app/dialogs/GisExportDialog.h"
#include "gis/GisExport.h"
#include "model/Messages.h"
#include "pipeline/Outputs.h"

namespace brenvik::app {

GisExportDialog* StartGisExport(Project& p, Prompts& prompts, QWidget* parent) {
    if (auto refused = gis::GisExportRefusal(p)) {
        prompts.message(*refused);
        return nullptr;
    }
    auto* d = new GisExportDialog(pipeline::OutputKind::GeoPackage, {}, prompts, parent);
    d->setAcceptHandler([&p, &prompts, d] {
        if (d->path().empty() && !d->browse()) return false;
        const pipeline::OutputKind kind = d->kind();
        const std::string path = d->path();
        const Project& project = p;
        // Written on the operation's thread, with progress and Cancel.
        const auto failed = RunOperation(d, d->windowTitle(), [&](Feedback& fb) {
            return pipeline::WriteOutput(project, kind, path, fb);
        });
        if (failed) {
            // A cancelled export leaves the dialog open for another try.
            if (*failed != msg::Interrupted) prompts.message(*failed);
            return false;
        }
        return true;
    });
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
    return d;
}

} // namespace brenvik::app
