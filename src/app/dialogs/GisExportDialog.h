#pragma once

#include "app/dialogs/DialogBase.h"
#include "model/Prompts.h"
#include "pipeline/Outputs.h"

#include <string>

class QComboBox;
class QLineEdit;

namespace brenvik {

// "GIS export" (`gisexport`): the map layer, one of the outputs the table of
// outputs gives this command, and the file it goes to. The Browse button
// asks for the path with the output's filter and adds its extension.
class GisExportDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    GisExportDialog(pipeline::OutputKind kind, const std::string& path, Prompts& prompts,
                    QWidget* parent = nullptr);
    pipeline::OutputKind kind() const;
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
