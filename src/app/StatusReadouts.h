#pragma once

#include "app/ToolHost.h"

#include <QMap>
#include <QString>

class QLabel;
class QStatusBar;

namespace brenvik::app {

// The objectNames of the read-out labels of the status bar.
namespace label {
inline constexpr char X[] = "Labelx";
inline constexpr char Y[] = "Labely";
inline constexpr char Lon[] = "geox";
inline constexpr char Lat[] = "geoy";
inline constexpr char Z[] = "labelz";
inline constexpr char Density[] = "h";
inline constexpr char Height[] = "h1";
inline constexpr char Source[] = "LETRERO";
// What the armed pointer tool waits for, or what a pressed button does.
inline constexpr char Hint[] = "toolHint";
} // namespace label

// The read-outs of the status bar: the pointer's position and value, the
// calculation height, and the hint of the armed tool.
class StatusReadouts {
  public:
    explicit StatusReadouts(QStatusBar* bar) : bar_(bar) {}
    // Makes the labels with their first texts; `firstValue` is the value of
    // the plan's first node.
    void build(double firstValue);
    QString text(const QString& objectName) const;
    void set(const char* name, const QString& text);
    // The pointer has left the plan: every position and value goes.
    void clear();
    // The read-out of one pointer position; without a result of the plane on
    // view there is neither a value nor a calculation height.
    void show(const Readout& r, bool hasResult);
    // What the armed tool waits for, or what the pressed button does.
    void showHint(const ToolFlags& tools);

  private:
    QStatusBar* bar_;
    QMap<QString, QLabel*> labels_;
};

} // namespace brenvik::app
