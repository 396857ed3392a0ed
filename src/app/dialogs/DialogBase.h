#pragma once

#include "calc/FieldRules.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace brenvik {

// Common ground of every dialog of the program: the window installs an accept
// handler that reads the dialog's getters, applies the project's rules and says
// whether the dialog may close (a refused input keeps some dialogs open). The
// dialog itself never touches the Project.
class BrenvikDialog : public QDialog {
    Q_OBJECT
  public:
    using AcceptHandler = std::function<bool()>;

    explicit BrenvikDialog(QWidget* parent = nullptr);

    // Called by the Accept button. Returning false keeps the dialog open. With
    // no handler installed Accept simply closes the dialog.
    void setAcceptHandler(AcceptHandler handler) { m_acceptHandler = std::move(handler); }

    // The numeric boxes and their ranges: a box whose text is not a number of
    // its range is highlighted while the user types.
    void setFieldRules(const std::vector<FieldRule>& rules);
    // The refusal of the first enabled box outside its range, naming the
    // field and the range; none when every box passes.
    std::optional<std::string> fieldRefusal() const;
    // The same on Accept: which kind of refusal it is (a dialog's own message
    // may differ for a word and for a number out of range), with the focus
    // put on the box and its text selected for the correction.
    struct BadField {
        std::string refusal;
        bool notANumber = false;
    };
    std::optional<BadField> checkFields();

  public slots:
    // What the Accept button (and Enter) does: run the handler, close on success.
    // A handler that already closed the dialog (e.g. a tool reset after an
    // error) is not followed by an accept.
    void tryAccept();

  public:
    void done(int result) override;

  protected:
    // Makes `button` the Accept button: default button (Enter), wired to tryAccept.
    void makeAcceptButton(QPushButton* button);
    // Makes `button` close the dialog without storing (Escape does the same).
    void makeCancelButton(QPushButton* button);
    // A table dialog's layout: `note` over `table`, the `edits` in a row
    // under it, then its own Accept and Cancel buttons.
    void layOutTable(QLabel* note, QTableWidget* table, std::initializer_list<QWidget*> edits);

    void showEvent(QShowEvent* event) override;

  private:
    void markBox(QLineEdit* box, const FieldRule& rule);

    AcceptHandler m_acceptHandler;
    std::vector<std::pair<QLineEdit*, FieldRule>> m_rules;
    bool m_centred = false;
    bool m_inHandler = false;
    bool m_closedInHandler = false;
};

// Numbers as the dialogs show and read them: in the user's locale (decimal
// separator of QLocale()), without digit grouping.
namespace dialognum {

// Shortest plain text of a value, as a text box shows a stored number: 12 is
// "12", 3.6 is "3.6" (or "3,6" in a comma locale).
QString text(double value);
// Fixed number of decimals: fixed(2.5, 2) is "2.50".
QString fixed(double value, int decimals);
// Reads a typed number: the locale's form first, then the plain "." form;
// surrounding blanks are allowed. No value for anything else (empty, "abc").
std::optional<double> parse(const QString& text);
// The same parser for the core's rules, which take text as std::string.
std::optional<double> ParseStd(const std::string& text);
// A parser object for core functions that take one.
std::function<std::optional<double>(const std::string&)> parser();
// The Formatter the core's form loaders take (text() as std::string).
std::function<std::string(double)> Formatter();
// The locale's decimal point, for the core forms that take one ('.' or ',').
char decimalPoint();

} // namespace dialognum

// Small builders that give every control its objectName at birth.
namespace dialogui {

QPushButton* button(const char* name, const QString& caption, QWidget* parent);
QRadioButton* option(const char* name, const QString& caption, QWidget* parent);
QLineEdit* box(const char* name, const QString& toolTip, QWidget* parent);
// The Accept / Cancel row at the bottom right of a dialog; `cancel` may be null.
QHBoxLayout* ButtonRow(QPushButton* accept, QPushButton* cancel);
// Removes the rows of `table` that hold a selected cell.
void RemoveSelectedRows(QTableWidget* table);

} // namespace dialogui

} // namespace brenvik
