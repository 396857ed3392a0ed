#pragma once

#include "antenna/BeamForm.h"
#include "app/dialogs/DialogBase.h"

class QComboBox;

namespace brenvik {

// "Exposure model" (`exposure`): how the power density of the antennas is
// worked out, and the reflection factor of the far-field model. The window
// stores form() with antenna::ExposureFormAccept.
class ExposureDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ExposureDialog(const antenna::ExposureForm& form, QWidget* parent = nullptr);

    antenna::ExposureForm form() const;

  private:
    QComboBox* m_model = nullptr;
    QComboBox* m_reflection = nullptr;
};

} // namespace brenvik
