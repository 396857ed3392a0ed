#pragma once

#include "model/Project.h"
#include "model/Prompts.h"

class QWidget;

namespace brenvik {
class GisExportDialog;
}

namespace brenvik::app {

// The Options menu's "GIS export...", after the window's tool reset: refused
// as the geographic point tables are (no result, a zoom other than 100 %);
// otherwise opens the dialog (window-modal, deleted on close) and returns
// it. Accept without a path asks for one; a file that cannot be written is
// reported and the dialog stays open for another path.
GisExportDialog* StartGisExport(Project& p, Prompts& prompts, QWidget* parent);

} // namespace brenvik::app
