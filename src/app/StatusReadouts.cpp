#include "app/StatusReadouts.h"

#include "model/Numbers.h"

#include <QLabel>
#include <QStatusBar>

namespace brenvik::app {

void StatusReadouts::build(double firstValue) {
    bar_->setObjectName("statusArea");
    // Each read-out takes the width of the longest text it shows, so that no
    // field is cut; the tool hint takes what is left and clips.
    auto add = [&](const char* name, const QString& text, const QString& longest) {
        auto* l = new QLabel(text, bar_);
        l->setObjectName(name);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (longest.isEmpty()) {
            l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            bar_->addWidget(l, 1);
        } else {
            l->setMinimumWidth(l->fontMetrics().horizontalAdvance(longest) + 2 * l->frameWidth() +
                               8);
            bar_->addWidget(l, 0);
        }
        labels_.insert(name, l);
    };
    add(label::X, "X=", "X=-00000.00 m");
    add(label::Y, "Y=", "Y=-00000.00 m");
    add(label::Lon, "X(long)=", "X(long)=-000.00000000°");
    add(label::Lat, "Y(lat)=", "Y(lat)=-00.00000000°");
    add(label::Z, "Z=", "Z=0000.00 m");
    add(label::Density,
        "C=" + QString::fromStdString(formatFixed(firstValue, 6)) + " microWatts/cm^2",
        "C=00000.000000 microWatts/cm^2");
    add(label::Height, "h=ground level", "h=ground level");
    add(label::Source, "no determined source", "no determined source");
    add(label::Hint, "", QString());
}

QString StatusReadouts::text(const QString& objectName) const {
    QLabel* l = labels_.value(objectName);
    return l ? l->text() : QString();
}

void StatusReadouts::set(const char* name, const QString& text) {
    if (QLabel* l = labels_.value(name)) l->setText(text);
}

void StatusReadouts::clear() {
    set(label::X, "X=");
    set(label::Y, "Y=");
    set(label::Lon, "X(long)=");
    set(label::Lat, "Y(lat)=");
    set(label::Z, "Z=");
    set(label::Density, "C=");
}

void StatusReadouts::show(const Readout& r, bool hasResult) {
    if (!r.onGrid) {
        clear();
        return;
    }
    set(label::X, r.x);
    set(label::Y, r.y);
    if (!r.lon.isEmpty()) set(label::Lon, r.lon);
    if (!r.lat.isEmpty()) set(label::Lat, r.lat);
    set(label::Z, r.z);
    if (!hasResult) {
        set(label::Density, "C=");
        return;
    }
    set(label::Density, r.c);
    set(label::Height, r.h1);
}

namespace {

QString HintOf(const ToolFlags& t) {
    switch (t.Active) {
    case PointerToolKind::PlaceAntenna:
        return "Click on the plan to place the antenna";
    case PointerToolKind::PlaceTower:
        return "Click on the plan to place the tower";
    case PointerToolKind::ReferencePoint:
        return "Click on the plan at the reference point";
    case PointerToolKind::Topographic:
        return "Drag a rectangle on the plan to give it the ground height";
    case PointerToolKind::ScaleMeasure:
        return !t.FirstPointTaken ? "Click on the first point of the known distance"
                                  : "Click on the second point of the known distance";
    case PointerToolKind::Erase:
        return "Click or drag over antennas to remove them";
    case PointerToolKind::Arrow:
        return "Click a tower to select it, drag it to move it, Delete removes it, a "
               "double-click opens it";
    case PointerToolKind::Select:
        if (t.AverageToolOn)
            return "Average: a tool of the older air-pollution model; it has no effect on "
                   "the power density";
        break;
    }
    return {};
}

} // namespace

void StatusReadouts::showHint(const ToolFlags& tools) {
    set(label::Hint, HintOf(tools));
}

} // namespace brenvik::app
