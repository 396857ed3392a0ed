// The window's commands as menus and a toolbar.

#include "app/CommandBar.h"

#include "app/Icons.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QToolBar>
#include <QToolButton>

namespace brenvik::app {

namespace {

// The toolbar pairs that the tool reset releases.
const char* const kToolbarOrder[] = {
    cmd::TowerButton,   cmd::IsolinesButton, cmd::GradientButton,      cmd::TopographicButton,
    cmd::AverageButton, cmd::ScaleButton,    cmd::NumericalGridButton, cmd::CalculationButton,
    cmd::EraseButton,   cmd::SelectButton};

void GiveMnemonics(QMenu* menu) {
    // Every item keeps the letter it was given; the others take the first
    // free letter that starts a word, else any free letter.
    const QList<QAction*> actions = menu->actions();
    QSet<QChar> used;
    for (QAction* a : actions) {
        const QString t = a->text();
        const int amp = t.indexOf('&');
        if (amp >= 0 && amp + 1 < t.size()) used.insert(t.at(amp + 1).toLower());
    }
    for (QAction* a : actions) {
        QString t = a->text();
        if (a->isSeparator() || t.isEmpty() || t.contains('&')) continue;
        int pick = -1;
        for (int pass = 0; pass < 2 && pick < 0; ++pass)
            for (int i = 0; i < t.size() && pick < 0; ++i) {
                const bool wordStart = i == 0 || !t.at(i - 1).isLetterOrNumber();
                if (t.at(i).isLetter() && (pass == 1 || wordStart) &&
                    !used.contains(t.at(i).toLower()))
                    pick = i;
            }
        if (pick < 0) continue;
        used.insert(t.at(pick).toLower());
        t.insert(pick, '&');
        a->setText(t);
    }
}

} // namespace

void CommandBar::build(QMainWindow& window, std::vector<Command> table, Runner run,
                       const std::function<void()>& submenus) {
    QMap<Place, QMenu*> menus;
    for (const Menu& m : app::menus()) {
        QMenu* made = m.parent == m.place ? window.menuBar()->addMenu(m.title)
                                          : menus.value(m.parent)->addMenu(m.title);
        made->setObjectName(m.name);
        menus.insert(m.place, made);
    }
    toolbar_ = window.addToolBar("Tools");
    toolbar_->setObjectName("iconshape");
    toolbar_->setMovable(false);
    toolbar_->setIconSize(QSize(32, 32));
    for (Command& c : table) {
        const bool onToolbar = c.place == Place::Toolbar;
        if (c.separatorBefore) {
            QAction* sep =
                onToolbar ? toolbar_->addSeparator() : menus.value(c.place)->addSeparator();
            sep->setObjectName(c.separatorBefore);
        }
        QAction* a = onToolbar ? addToolButton(window, run, c) : new QAction(c.caption, &window);
        a->setObjectName(c.name);
        items_.insert(c.name, a);
        if (onToolbar) {
            toolbar_->addAction(a);
            if (auto* b = qobject_cast<QToolButton*>(toolbar_->widgetForAction(a)))
                b->setObjectName(c.name);
            continue;
        }
        if (!c.shortcut.isEmpty()) {
            a->setShortcut(c.shortcut);
            a->setToolTip(QString(c.caption).remove('&') + " (" +
                          c.shortcut.toString(QKeySequence::NativeText) + ")");
        }
        QObject::connect(a, &QAction::triggered, &window,
                         [run, handler = std::move(c.run)] { run(handler); });
        menus.value(c.place)->addAction(a);
    }
    submenus();
    for (QMenu* m : menus)
        GiveMnemonics(m);
    // Redo answers both of the usual keys.
    if (QAction* redo = items_.value(cmd::Redo))
        redo->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
}

QAction* CommandBar::addToolButton(QMainWindow& window, const Runner& run, Command& c) {
    auto* a = new QAction(ToolIcon(c.name), c.caption, &window);
    a->setCheckable(true);
    a->setToolTip(c.caption);
    // The click has toggled the button already: put it back and let the
    // command decide whether it shows its pressed picture.
    QObject::connect(
        a, &QAction::triggered, &window,
        [run, a, press = std::move(c.run), release = std::move(c.release)](bool nowChecked) {
            const bool wasPressed = !nowChecked;
            a->setChecked(wasPressed);
            if (!wasPressed)
                run(press);
            else if (release)
                run(release);
        });
    return a;
}

void CommandBar::setPressed(const char* name, bool pressed) {
    if (QAction* a = items_.value(name)) a->setChecked(pressed);
}

void CommandBar::releaseTools() {
    for (const char* name : kToolbarOrder)
        setPressed(name, false);
}

} // namespace brenvik::app
