#include "app/WindowDialogs.h"

#include "app/dialogs/DialogBase.h"
#include "model/Prompts.h"

#include <QDialog>
#include <QWidget>

namespace brenvik::app {

void ShowDialog(QDialog* d, bool modal) {
    d->setAttribute(Qt::WA_DeleteOnClose);
    if (modal)
        d->open();
    else
        d->show();
}

QDialog* OpenDialogNamed(const QWidget& window, const QString& name) {
    for (QDialog* d : window.findChildren<QDialog*>())
        if (d->objectName() == name && d->isVisible()) return d;
    return nullptr;
}

bool FieldsRefused(Prompts& prompts, BrenvikDialog* d, const char* notNumber,
                   const char* outOfRange) {
    const std::optional<BrenvikDialog::BadField> bad = d->checkFields();
    if (!bad) return false;
    const char* text = bad->notANumber || !outOfRange ? notNumber : outOfRange;
    prompts.message(std::string(text) + "\n" + bad->refusal);
    return true;
}

} // namespace brenvik::app
