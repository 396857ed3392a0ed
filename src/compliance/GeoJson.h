#pragma once

// The GeoJSON files of the places, buildings, boundaries and measurements:
// one layout for all of them, so that a GIS program reads each the same way.

#include <nlohmann/json.hpp>
#include <string>
#include <utility>

namespace brenvik::compliance {

// A feature with its properties and geometry, in that order.
inline nlohmann::ordered_json GeoJsonFeature(nlohmann::ordered_json properties,
                                             nlohmann::ordered_json geometry) {
    nlohmann::ordered_json f;
    f["type"] = "Feature";
    f["properties"] = std::move(properties);
    f["geometry"] = std::move(geometry);
    return f;
}

// The file's text: a FeatureCollection named `name`, indented one space a
// level, ending in a newline.
inline std::string GeoJsonText(const std::string& name, nlohmann::ordered_json features) {
    nlohmann::ordered_json doc;
    doc["type"] = "FeatureCollection";
    doc["name"] = name;
    doc["features"] = std::move(features);
    return doc.dump(1) + "\n";
}

} // namespace brenvik::compliance
