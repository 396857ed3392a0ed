#pragma once

#include <QIcon>
#include <QString>

namespace brenvik::app {

// The toolbar pictures, drawn in code so that they stay sharp at any screen
// scale. The icon carries both states of a toolbar pair: Off is the released
// picture, On the pressed one (sunken frame, inverted colours).
QIcon toolIcon(const QString& releasedName);

} // namespace brenvik::app
