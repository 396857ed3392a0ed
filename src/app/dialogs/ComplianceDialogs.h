#pragma once

#include "app/dialogs/DialogBase.h"
#include "compliance/ComplianceView.h"
#include "compliance/SiteInventory.h"

#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace brenvik {

// "Import sites" (`importsites`): whether the inventory replaces the plan's
// antennas or is added to them.
class ImportModeDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    explicit ImportModeDialog(QWidget* parent = nullptr);
    compliance::ImportMode mode() const;

  private:
    QRadioButton* m_replace = nullptr;
    QRadioButton* m_add = nullptr;
};

// "Compliance" (`compliance`): the standard (id and title of each one the
// library knows), the population, the site's name and the unit.
class ComplianceDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    using Choice = std::pair<std::string, std::string>; // id, title
    ComplianceDialog(const compliance::ComplianceForm& form, const std::vector<Choice>& standards,
                     QWidget* parent = nullptr);
    compliance::ComplianceForm form() const;

  private:
    QComboBox* m_standard = nullptr;
    QRadioButton* m_public = nullptr;
    QRadioButton* m_occupational = nullptr;
    QLineEdit* m_site = nullptr;
    QLineEdit* m_assessor = nullptr;
    QComboBox* m_unit = nullptr;
};

// "Compliance summary" (`summary`): the summary's lines, read only.
class SummaryDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    SummaryDialog(const std::vector<std::string>& lines, QWidget* parent = nullptr);
    QString text() const;

  private:
    QString m_text;
};

} // namespace brenvik
