#pragma once

#include "app/dialogs/DialogBase.h"
#include "gis/GisExport.h"
#include "model/Prompts.h"

#include <string>

class QComboBox;
class QLineEdit;

namespace brenvik {

// "GIS export" (`gisexport`): the format of the map layer and the file it
// goes to. The Browse button asks for the path with the format's filter and
// adds the format's extension.
class GisExportDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    GisExportDialog(gis::GisFormat format, const std::string& path, Prompts& prompts,
                    QWidget* parent = nullptr);
    gis::GisFormat format() const;
    // The path as typed or chosen, with the format's extension.
    std::string path() const;

    // Asks for the path through the file dialog; false when it was cancelled.
    bool browse();

  private:
    Prompts& m_prompts;
    QComboBox* m_format = nullptr;
    QLineEdit* m_path = nullptr;
};

} // namespace brenvik
