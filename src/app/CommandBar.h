#pragma once

#include "app/CommandNames.h"

#include <QMap>
#include <QString>

class QAction;
class QMainWindow;
class QToolBar;

namespace brenvik::app {

// The menus and the toolbar built from the command table, and the pressed or
// released picture of each toolbar pair.
class CommandBar {
  public:
    // Runs a row's handler when its item is triggered.
    using Runner = std::function<void(const Handler&)>;
    // Builds the menus and the toolbar of `window` from the rows of `table`;
    // `submenus` adds what the rows do not hold before the items take their
    // letters.
    void build(QMainWindow& window, std::vector<Command> table, Runner run,
               const std::function<void()>& submenus);
    // A menu item or toolbar button by its objectName.
    QAction* item(const QString& objectName) const { return items_.value(objectName); }
    void setPressed(const char* name, bool pressed);
    // Releases every toolbar picture the tool reset releases.
    void releaseTools();

  private:
    QAction* addToolButton(QMainWindow& window, const Runner& run, Command& c);

    QToolBar* toolbar_ = nullptr;
    QMap<QString, QAction*> items_;
};

} // namespace brenvik::app
