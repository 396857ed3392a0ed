#pragma once

// Shared pieces of the main-window tests: scripted answers for every box and
// file dialog, a printer that writes PDF files, and a window fixture that
// drives the widgets by their names.

#include "app/CalcRunner.h"
#include "app/ComplianceFlows.h"
#include "app/MainWindow.h"
#include "app/PlanCanvas.h"
#include "app/PrintService.h"
#include "model/Project.h"
#include "model/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace brenvik::app::testing {

class ScriptedPrompts : public Prompts {
  public:
    std::vector<std::string> messages;
    std::deque<std::optional<std::string>> openPaths, savePaths;
    std::deque<Answer> saveChangesAnswers;
    int saveChangesAsked = 0;
    std::vector<std::string> filters;

    void message(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> openPath(const std::string& filter) override {
        filters.push_back(filter);
        return next(openPaths, std::optional<std::string>());
    }
    std::optional<std::string> savePath(const std::string& filter) override {
        filters.push_back(filter);
        return next(savePaths, std::optional<std::string>());
    }
    std::optional<std::string> saveAsPath(const std::string& filter,
                                          const std::string& suggested) override {
        suggestedNames.push_back(suggested);
        return savePath(filter);
    }
    bool confirmReplace(const std::string& path) override {
        replaceAsked.push_back(path);
        return next(replaceAnswers, false);
    }
    std::vector<std::string> suggestedNames, replaceAsked;
    std::deque<bool> replaceAnswers;
    Answer askSaveChanges() override {
        ++saveChangesAsked;
        return next(saveChangesAnswers, Answer::Cancel);
    }
    // Yes/No questions: asked, and answered from the script (No once it runs out).
    std::vector<std::string> questions;
    std::deque<Answer> answers;
    Answer ask(const std::string& question) override {
        questions.push_back(question);
        return next(answers, Answer::No);
    }
    std::string lastMessage() const { return messages.empty() ? "" : messages.back(); }
    // Its first line: the dialog's own text, before the field and its range.
    std::string lastHead() const { return lastMessage().substr(0, lastMessage().find('\n')); }

  private:
    // The next scripted answer, or the fallback once the script runs out.
    template <class T> static T next(std::deque<T>& q, T fallback) {
        if (q.empty()) return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
};

// Prints into a PDF file instead of asking the user.
class PdfPrinter : public PrintService {
  public:
    QString path;
    bool cancel = false;
    int asked = 0;
    bool choose(QPrinter& printer, QWidget*) override {
        ++asked;
        if (cancel) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    }
};

// A PDF's text as pdftotext reads it, on one line; a failure of the test
// when the tool is missing or does not finish.
inline QString PdfText(const QString& pdf) {
    const QString tool = QStandardPaths::findExecutable("pdftotext");
    EXPECT_FALSE(tool.isEmpty())
        << "pdftotext is not installed: install the Debian package poppler-utils";
    QProcess run;
    run.start(tool, {pdf, "-"});
    EXPECT_TRUE(run.waitForFinished(30000)) << pdf.toStdString();
    return QString::fromUtf8(run.readAllStandardOutput()).simplified();
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        printer.path = dir.filePath("print.pdf");
        window = std::make_unique<MainWindow>(project, prompts, printer);
        window->resize(1200, 800);
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        window->calcRunner()->waitForFinish();
        window.reset();
        QApplication::processEvents();
    }

    void trigger(const char* name) {
        QAction* a = window->item(name);
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
        QApplication::processEvents();
    }
    bool pressed(const char* name) { return window->item(name)->isChecked(); }
    // The title without the unsaved-work mark.
    std::string title() const { return window->windowTitle().remove("[*]").toStdString(); }

    // The visible dialog with this name, wherever it hangs.
    QDialog* dialog(const char* name) {
        for (QDialog* d : window->findChildren<QDialog*>())
            if (d->objectName() == name && d->isVisible()) return d;
        return nullptr;
    }
    // Triggers the command and gives the dialog it opens.
    QDialog* open(const char* command, const char* name) {
        trigger(command);
        QDialog* d = dialog(name);
        EXPECT_NE(d, nullptr) << name;
        return d;
    }
    template <class W> W* control(QDialog* d, const char* name) {
        W* w = d ? d->findChild<W*>(name) : nullptr;
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(QDialog* d, const char* button) {
        ASSERT_NE(d, nullptr) << button;
        auto* b = d->findChild<QAbstractButton*>(button);
        ASSERT_NE(b, nullptr) << button;
        b->click();
        QApplication::processEvents();
    }
    void type(QDialog* d, const char* box, const QString& text) {
        auto* e = control<QLineEdit>(d, box);
        if (e) e->setText(text);
    }
    void submit(QDialog* d, const char* box, const QString& text, const char* button = "Command1") {
        type(d, box, text);
        click(d, button);
    }

    // A position in drawing units in the middle of grid cell (i, j) at 100 %.
    QPointF cell(int i, int j) const {
        const double cs = project.CellSize;
        return {i * cs + cs / 2, j * cs + cs / 2};
    }
    // Mouse events as the canvas receives them.
    void mouse(QEvent::Type type, QPointF units) {
        PlanCanvas* c = window->canvasWidget();
        const QPointF pos = c->toWidget(units);
        const Qt::MouseButtons buttons =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent e(type, pos, c->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(c, &e);
        QApplication::processEvents();
    }
    void clickAt(QPointF units) {
        mouse(QEvent::MouseButtonPress, units);
        mouse(QEvent::MouseButtonRelease, units);
    }
    void drag(QPointF from, QPointF to) {
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, to);
        mouse(QEvent::MouseButtonRelease, to);
    }

    // Defines a tower through the tower dialog: one antenna per direction
    // option ("n", "e", "S", "w" or empty to keep the default).
    void defineTower(const std::vector<const char*>& directions) {
        QDialog* torre = open("tiempo", "torre");
        if (!torre) return;
        for (std::size_t k = 1; k < directions.size(); ++k)
            click(torre, "Command3");
        for (std::size_t k = 0; k < directions.size(); ++k)
            if (directions[k] && *directions[k]) setDirection(torre, int(k), directions[k]);
        click(torre, "Command5");
    }
    // Opens the options of one antenna of the tower dialog and picks a direction.
    void setDirection(QDialog* torre, int index, const char* direction) {
        control<QComboBox>(torre, "Combo1")->setCurrentIndex(index);
        click(torre, "Command1");
        click(dialog("fuent"), direction);
        click(dialog("fuent"), "Command1");
    }
    void placeTower(int i, int j, const std::vector<const char*>& directions = {""}) {
        defineTower(directions);
        clickAt(cell(i, j));
    }
    // Writes a file of the test's folder and gives its path.
    std::string write(const char* name, const std::string& text) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << name;
        f.write(text.data(), qint64(text.size()));
        return dir.filePath(name).toStdString();
    }
    // Imports a sites file through its dialog, adding to the antennas or replacing them.
    void importSites(const std::string& path, bool add = false) {
        QDialog* d = open(cmd::ImportSites, "importsites");
        if (add) click(d, "anadir");
        prompts.openPaths.push_back(path);
        click(d, "Command1");
    }
    void runCalculation() {
        window->calcRunner()->waitForFinish();
        QApplication::processEvents();
    }
    // The XY calculation with the options the dialog opens with.
    void calculate() {
        trigger("calculo");
        click(dialog("cal"), "a");
        runCalculation();
    }
    // Opens a dialog by its command, types into one box and presses a button.
    void enter(const char* command, const char* name, const char* box, const QString& text,
               const char* button = "Command1") {
        trigger(command);
        submit(dialog(name), box, text, button);
    }
    void setZoom(const char* option) {
        trigger("zoom");
        click(dialog("zoom1"), option);
        click(dialog("zoom1"), "Command1");
    }

    QTemporaryDir dir;
    Project project;
    ScriptedPrompts prompts;
    PdfPrinter printer;
    std::unique_ptr<MainWindow> window;
};

} // namespace brenvik::app::testing
