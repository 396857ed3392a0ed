#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QRectF;

class QPrinter;
class QWidget;

namespace brenvik::app {

// The print dialog, behind a small interface so that the tests print to a PDF
// file without any dialog.
class PrintService {
  public:
    virtual ~PrintService() = default;
    // Lets the user set up `printer` (printer, page, or a PDF file); false when
    // the user cancelled.
    virtual bool choose(QPrinter& printer, QWidget* parent) = 0;
};

// The platform's print dialog.
class QtPrintService : public PrintService {
  public:
    bool choose(QPrinter& printer, QWidget* parent) override;
};

// What the legend of a printout tells besides the picture.
struct PrintLegend {
    QString plane;      // "XY-Plane" or "XZ-Plane"
    QString style;      // display style
    QString fileName;   // the project file, or empty
    QString date;       // date and time of printing
    QString maximum;    // maximum power density, with its unit
    QString width;      // plan width in metres
    QString heading;    // what the levels are, with their unit
    QStringList levels; // level texts next to the colours of the scale
    QList<QColor> levelColours;
    QList<bool> levelLines; // the level is drawn as a line of its colour (isolines)
};

} // namespace brenvik::app

class QPrinter;
namespace brenvik::app {
class PlanCanvas;

// Prints the drawing area, painted by `paintArea` into the rectangle it is
// given, fitted to the page, with a title, the colour scale and the legend
// below it. False when the printer cannot be painted on.
bool PrintPlane(QPrinter& printer, const std::function<void(QPainter&, const QRectF&)>& paintArea,
                const PrintLegend& legend);
// Prints the drawing area alone, fitted to the page.
bool PrintArea(QPrinter& printer, const PlanCanvas& canvas);

} // namespace brenvik::app
