#pragma once

#include "app/Commands.h"

#include <QMap>
#include <QString>

class QAction;
class QMainWindow;
class QToolBar;

namespace brenvik::app {

struct WindowParts;

// The menus and the toolbar built from the command table, and the pressed or
// released picture of each toolbar pair.
class CommandBar {
  public:
    // Builds the menus and the toolbar of `window` from commandTable(); every
    // handler runs on `parts` inside RunGuarded().
    void build(QMainWindow& window, WindowParts& parts);
    // A menu item or toolbar button by its objectName.
    QAction* item(const QString& objectName) const { return items_.value(objectName); }
    void setPressed(const char* name, bool pressed);
    // Releases every toolbar picture the tool reset releases.
    void releaseTools();

  private:
    QAction* addToolButton(QMainWindow& window, WindowParts& parts, Command& c);

    QToolBar* toolbar_ = nullptr;
    QMap<QString, QAction*> items_;
};

} // namespace brenvik::app
