#pragma once

#include <QIcon>
#include <QString>

namespace brenvik::app {

// The toolbar pictures, SVG drawings of the resource `:/icons` that stay
// sharp at any screen scale. The icon carries both states of a toolbar pair:
// Off is the released picture (`<name>.svg`), On the pressed one
// (`<name>-pressed.svg`: sunken frame, inverted colours).
QIcon ToolIcon(const QString& releasedName);

} // namespace brenvik::app
