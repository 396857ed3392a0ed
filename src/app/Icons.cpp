#include "app/Icons.h"

// The pictures are compiled into the application library; a static library's
// resources are registered by hand.
static void RegisterIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace brenvik::app {

QIcon ToolIcon(const QString& releasedName) {
    static const bool registered = (RegisterIconResources(), true);
    (void)registered;
    const QString released = ":/icons/" + releasedName + ".svg";
    const QString pressed = ":/icons/" + releasedName + "-pressed.svg";
    QIcon icon;
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active}) {
        icon.addFile(released, QSize(), mode, QIcon::Off);
        icon.addFile(pressed, QSize(), mode, QIcon::On);
    }
    return icon;
}

} // namespace brenvik::app
