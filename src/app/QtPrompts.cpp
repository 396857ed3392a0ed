#include "app/QtPrompts.h"

#include "app/dialogs/MiscDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace brenvik::app {

QString qtFileFilter(const std::string& filter) {
    const QString f = QString::fromStdString(filter);
    const int bar = f.indexOf('|');
    QString name = (bar < 0 ? f : f.left(bar)).trimmed();
    if (bar >= 0 && !name.contains('(')) name += " (" + f.mid(bar + 1).trimmed() + ")";
    return name + ";;All files (*)";
}

void QtPrompts::message(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, "Brenvik", QString::fromStdString(text), QMessageBox::Ok,
                    parent_);
    box.setObjectName("messageBox");
    box.exec();
}

std::optional<std::string> QtPrompts::openPath(const std::string& filter) {
    const QString path = QFileDialog::getOpenFileName(parent_, "Open", {}, qtFileFilter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtPrompts::savePath(const std::string& filter) {
    const QString path = QFileDialog::getSaveFileName(parent_, "Save as", {}, qtFileFilter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

Prompts::Answer QtPrompts::askSaveChanges() {
    SaveChangesDialog dialog(parent_);
    dialog.exec();
    return dialog.answer();
}

} // namespace brenvik::app
