#include "app/QtPrompts.h"

#include "app/dialogs/MiscDialogs.h"
#include "model/Document.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace brenvik::app {

QString QtFileFilter(const std::string& filter) {
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

std::optional<std::string> QtPrompts::choosePath(const std::string& filter, bool save,
                                                 const std::string& suggested,
                                                 bool dialogAsksReplace) {
    QFileDialog d(parent_, save ? "Save as" : "Open", lastDirectory_, QtFileFilter(filter));
    if (!suggested.empty()) d.selectFile(QFile::decodeName(suggested.c_str()));
    // The replace question comes after the extension is added, from the
    // caller: "B2" and "B2.bvk" are the same file.
    if (save && !dialogAsksReplace) d.setOption(QFileDialog::DontConfirmOverwrite);
    d.setObjectName("fileDialog");
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Wide enough for the name, size, type and date columns.
    d.resize(900, 560);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = d.selectedFiles().first();
    // The next dialog opens where this one was left.
    lastDirectory_ = QFileInfo(path).absolutePath();
    std::string chosen = QFile::encodeName(path).toStdString();
    return save ? WithDefaultSuffix(chosen, filter) : chosen;
}

std::optional<std::string> QtPrompts::openPath(const std::string& filter) {
    return choosePath(filter, false);
}

std::optional<std::string> QtPrompts::savePath(const std::string& filter) {
    return choosePath(filter, true);
}

std::optional<std::string> QtPrompts::saveAsPath(const std::string& filter,
                                                 const std::string& suggested) {
    return choosePath(filter, true, suggested, false);
}

bool QtPrompts::confirmReplace(const std::string& path) {
    QMessageBox box(QMessageBox::Question, "Brenvik",
                    QString("%1 already exists.\nDo you want to replace it?")
                        .arg(QFileInfo(QFile::decodeName(path.c_str())).fileName()),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName("replaceQuestion");
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Prompts::Answer QtPrompts::askSaveChanges() {
    SaveChangesDialog dialog(parent_);
    dialog.exec();
    return dialog.answer();
}

Prompts::Answer QtPrompts::ask(const std::string& question) {
    QMessageBox box(QMessageBox::Question, "Brenvik", QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName("questionBox");
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

} // namespace brenvik::app
