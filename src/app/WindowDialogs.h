#pragma once

class QDialog;
class QString;
class QWidget;

namespace brenvik {
class BrenvikDialog;
class Prompts;
} // namespace brenvik

namespace brenvik::app {

// The objectNames of the dialogs the window looks for.
namespace dlg {
inline constexpr char Tower[] = "torre";
inline constexpr char Antenna[] = "fuent";
} // namespace dlg

// Opens a dialog made for the window, modal (window-modal, never blocking)
// or modeless; it is deleted when it closes.
void ShowDialog(QDialog* d, bool modal);
// The visible dialog of `window` named `name`, or null.
QDialog* OpenDialogNamed(const QWidget& window, const QString& name);
// A box of `d` out of its range: the dialog's own message (`notNumber` for a
// word, `outOfRange` for a number, the same one when null), the field and its
// range on the second line; the dialog is to stay open.
bool FieldsRefused(Prompts& prompts, BrenvikDialog* d, const char* notNumber,
                   const char* outOfRange = nullptr);

} // namespace brenvik::app
