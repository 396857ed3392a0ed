#pragma once

#include "app/dialogs/DialogBase.h"
#include "compliance/ComplianceView.h"
#include "compliance/SiteInventory.h"

#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QListWidget;
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

// "Rules" (`rules`): the rules the site is judged by, each checked or not,
// in the order they apply; "From file..." adds a rules file to the list.
class RulesDialog : public BrenvikDialog {
    Q_OBJECT
  public:
    struct Choice {
        std::string name;    // a rule's id, or a rules file's path
        std::string caption; // what the list shows
        bool chosen = false;
    };
    RulesDialog(const std::vector<Choice>& choices, QWidget* parent = nullptr);
    // The checked names, in the list's order.
    std::vector<std::string> chosen() const;
    // Adds a file to the list, checked; a name the list has is checked instead.
    void addFile(const std::string& path);

  signals:
    void fileRequested();

  private:
    void addChoice(const Choice& c);
    QListWidget* m_list = nullptr;
};

} // namespace brenvik
