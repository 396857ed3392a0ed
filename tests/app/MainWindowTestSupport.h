#pragma once

// Shared pieces of the main-window tests: scripted answers for every box and
// file dialog, a printer that writes PDF files, and a window fixture that
// drives the widgets by their names.

#include "app/CalcRunner.h"
#include "app/MainWindow.h"
#include "app/PlanCanvas.h"
#include "app/PrintService.h"
#include "model/Project.h"
#include "model/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
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
        return next(openPaths);
    }
    std::optional<std::string> savePath(const std::string& filter) override {
        filters.push_back(filter);
        return next(savePaths);
    }
    Answer askSaveChanges() override {
        ++saveChangesAsked;
        if (saveChangesAnswers.empty()) return Answer::Cancel;
        Answer a = saveChangesAnswers.front();
        saveChangesAnswers.pop_front();
        return a;
    }
    std::string lastMessage() const { return messages.empty() ? "" : messages.back(); }

  private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) return std::nullopt;
        auto v = q.front();
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

    // The visible dialog with this name, wherever it hangs.
    QDialog* dialog(const char* name) {
        for (QDialog* d : window->findChildren<QDialog*>())
            if (d->objectName() == name && d->isVisible()) return d;
        return nullptr;
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
        trigger("tiempo");
        QDialog* torre = dialog("torre");
        ASSERT_NE(torre, nullptr);
        for (std::size_t k = 1; k < directions.size(); ++k)
            click(torre, "Command3");
        auto* combo = control<QComboBox>(torre, "Combo1");
        for (std::size_t k = 0; k < directions.size(); ++k) {
            if (!directions[k] || !*directions[k]) continue;
            combo->setCurrentIndex(int(k));
            click(torre, "Command1");
            QDialog* fuent = dialog("fuent");
            ASSERT_NE(fuent, nullptr);
            click(fuent, directions[k]);
            click(fuent, "Command1");
        }
        click(torre, "Command5");
    }
    void runCalculation() {
        window->calcRunner()->waitForFinish();
        QApplication::processEvents();
    }

    QTemporaryDir dir;
    Project project;
    ScriptedPrompts prompts;
    PdfPrinter printer;
    std::unique_ptr<MainWindow> window;
};

} // namespace brenvik::app::testing
