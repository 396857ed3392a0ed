// The outputs of the window: one GIS item for every output of the
// pipeline's table no other command offers, the picture exports and printing.

#include "app/CommandActions.h"
#include "app/Commands.h"
#include "app/ComplianceFlows.h"
#include "app/OperationRunner.h"
#include "app/PlanCanvas.h"
#include "app/PlanView.h"
#include "app/PrintLegend.h"
#include "app/PrintService.h"
#include "app/ResultState.h"
#include "app/ToolBench.h"
#include "app/WindowDialogs.h"
#include "app/WindowParts.h"
#include "app/dialogs/PictureDialog.h"
#include "compliance/Summary.h"
#include "model/Document.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "qtsurface/PictureExport.h"
#include "qtsurface/QtSurface.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cstring>

namespace brenvik::app {

void AddOutputCommands(std::vector<Command>& t) {
    // Every output no other command offers gets an item of its own in the
    // GIS submenu, after the geographic commands, in the order of the table;
    // these separators go before the items that begin a group.
    static const std::pair<const char*, const char*> separators[] = {
        {"g7", "g6"}, {"g10", "g9"}, {"g13", "g12"}, {"g16", "g15"}, {"gridxy", "g18"}};
    std::vector<Command> items;
    for (const pipeline::OutputFormat& f : pipeline::OutputFormats()) {
        const auto offered = [&f](const Command& c) { return !std::strcmp(c.name, f.command); };
        if (std::any_of(t.begin(), t.end(), offered) ||
            std::any_of(items.begin(), items.end(), offered))
            continue;
        const char* separator = nullptr;
        for (const auto& [command, name] : separators)
            if (!std::strcmp(command, f.command)) separator = name;
        const pipeline::OutputKind kind = f.kind;
        items.push_back({f.command,
                         f.caption,
                         Place::Gis,
                         [kind](WindowParts& w) { ExportOutput(w, kind); },
                         {},
                         {},
                         separator});
    }
    auto at = t.begin();
    for (auto it = t.begin(); it != t.end(); ++it)
        if (it->place == Place::Gis) at = it + 1;
    t.insert(at, items.begin(), items.end());
}

void ExportOutput(WindowParts& w, pipeline::OutputKind kind) {
    w.tools.reset();
    const pipeline::OutputFormat& f = pipeline::outputFormat(kind);
    // Asked on this thread, written on the operation's; the export names its
    // own file and the title keeps naming the project's.
    const auto write = [&w, &f] {
        if (f.refusal)
            if (const auto refused = f.refusal(w.project)) {
                w.prompts.message(*refused);
                return;
            }
        const std::optional<std::string> path = w.prompts.savePath(f.filter);
        if (!path) return;
        const pipeline::OutputKind k = f.kind;
        const Project& p = w.project;
        const pipeline::OutputContext ctx = w.compliance.outputContext();
        const std::optional<std::string> failed = RunOperation(
            &w.window, QString::fromUtf8(f.caption), [&p, k, &path, &ctx](Feedback& fb) {
                return pipeline::WriteOutput(p, k, *path, fb, ctx);
            });
        if (failed && *failed != msg::Interrupted) w.prompts.message(*failed);
    };
    if (f.needs == pipeline::OutputNeeds::Nothing)
        write();
    else
        w.results.whenCurrent(write);
}

void SaveImage(WindowParts& w) {
    if (w.project.GridLinesOn)
        w.view.paintSteps(
            [](const Project& pr, render::Surface& s, render::DotRandom&) {
                render::drawGridLines(pr, s);
                return std::optional<render::SceneControls>();
            },
            false);
    const std::optional<std::string> path = w.prompts.savePath("bmp Files (*.bmp)| *.bmp");
    if (!path) return;
    w.view.canvas().naturalImage().save(QString::fromStdString(*path), "BMP");
}

namespace {

// Writes the picture of `d`'s sizes to a file the user names; false keeps
// the dialog open.
bool WritePicture(WindowParts& w, PictureDialog* d) {
    if (const std::optional<std::string> bad = d->fieldRefusal()) {
        w.prompts.message(std::string(msg::InputDataError) + "\n" + *bad);
        return false;
    }
    const std::string& filter = pipeline::outputFormat(pipeline::OutputKind::Image).filter;
    std::optional<std::string> path = w.prompts.savePath(filter);
    if (!path) return false; // back to the sizes
    *path = WithDefaultSuffix(*path, filter);
    const std::optional<qtsurface::PictureFormat> format = qtsurface::PictureFormatFor(*path);
    if (!format) {
        w.prompts.message("The picture's name must end in .png, .svg or .pdf");
        return false;
    }
    if (QFileInfo::exists(QFile::decodeName(path->c_str())) && !w.prompts.confirmReplace(*path))
        return false;
    qtsurface::PictureRequest r;
    r.pixels = QSize(d->pictureWidth(), d->pictureHeight());
    r.dpi = d->dpi();
    r.date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    r.standard = w.project.Compliance.Standard;
    const QImage picture = w.view.canvas().backgroundPicture();
    if (!picture.isNull()) r.backgroundPicture = &picture;
    // The picture the batch companion draws, with the same traces,
    // buildings and places over the result as the plan shows.
    pipeline::OutputContext ctx = w.compliance.outputContext();
    if (ctx.library) r.standard = compliance::StandardCaption(w.project, *ctx.library);
    ctx.drawPicture = [&r, format](const Project& p, const std::string& to,
                                   const render::Overlay& overlay,
                                   Feedback& fb) -> std::optional<std::string> {
        r.overlay = overlay;
        try {
            return qtsurface::writePicture(p, to, *format, r, &fb);
        } catch (const render::DrawingCancelled&) {
            return std::string(msg::Interrupted);
        }
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Feedback feedback;
    // The picture shows what the plan shows, "% of limit" included.
    const std::optional<std::string> failed = pipeline::WriteOutput(
        w.compliance.shown(w.project), pipeline::OutputKind::Image, *path, feedback, ctx);
    QApplication::restoreOverrideCursor();
    if (failed) {
        w.prompts.message(*failed);
        return false;
    }
    return true;
}

void PrintWith(WindowParts& w, const std::function<bool(QPrinter&)>& print) {
    QPrinter printer(QPrinter::HighResolution);
    // The document takes the project's name; a PDF file is offered under it.
    const QString base = QFileInfo(QString::fromStdString(w.project.FileName)).completeBaseName();
    printer.setDocName(base.isEmpty() ? QString("Brenvik") : base);
    if (!w.printer.choose(printer, &w.window)) return;
    if (!print(printer)) w.prompts.message("Error al imprimir");
}

} // namespace

void ExportPicture(WindowParts& w) {
    w.tools.reset();
    // The map area's shape (16:10) over the band of the legend: the plan
    // fills the picture's width.
    auto* d = new PictureDialog(3072, 2304, 150, &w.window);
    d->setAcceptHandler([&w, d] { return WritePicture(w, d); });
    ShowDialog(d, true);
}

void PrintPlan(WindowParts& w) {
    const PrintLegend legend =
        printLegend(w.project, QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm"));
    // Paper is white: the plane is drawn again in the colours of the white
    // background.
    Project paper = w.project;
    paper.WhiteBackground = true;
    auto sheet = std::make_shared<const Project>(std::move(paper));
    const render::DotRandom dotsNow = w.view.dots();
    const QImage picture = w.view.canvas().backgroundPicture();
    auto paintArea = [sheet, dotsNow, picture](QPainter& p, const QRectF& target) {
        qtsurface::QtSurface s(p, target);
        s.setBackColour(render::kWhite);
        if (!picture.isNull()) s.setBackgroundPicture(picture);
        s.clear();
        render::DotRandom dots = dotsNow;
        render::redrawView(*sheet, s, dots);
    };
    PrintWith(w, [paintArea, legend](QPrinter& printer) {
        return PrintPlane(printer, paintArea, legend);
    });
}

void PrintImage(WindowParts& w) {
    PrintWith(w, [&w](QPrinter& printer) { return PrintArea(printer, w.view.canvas()); });
}

} // namespace brenvik::app
