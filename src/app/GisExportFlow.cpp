#include "app/GisExportFlow.h"

#include "app/dialogs/GisExportDialog.h"
#include "gis/GisExport.h"

namespace brenvik::app {

GisExportDialog* startGisExport(Project& p, Prompts& prompts, QWidget* parent) {
    if (auto refused = gis::gisExportRefusal(p)) {
        prompts.message(*refused);
        return nullptr;
    }
    auto* d = new GisExportDialog(gis::GisFormat::GeoPackage, {}, prompts, parent);
    d->setAcceptHandler([&p, &prompts, d] {
        if (d->path().empty() && !d->browse()) return false;
        if (auto failed = gis::writeGisFile(p, d->format(), d->path())) {
            prompts.message(*failed);
            return false;
        }
        return true;
    });
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
    return d;
}

} // namespace brenvik::app
