#include "gis/LayerStyles.h"

#include "gis/GisLayers.h"
#include "measure/DifferenceBands.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <cmath>
#include <limits>

namespace brenvik::gis {

namespace {

enum class Mark { Line, Fill, DashedOutline, Point, Star, Triangle };

// One class of a layer's features: those whose `field` lies in [lo, hi]
// (every feature when the field is empty), drawn in one colour.
struct StyleRule {
    std::string label;
    double lo = 0.0, hi = 0.0;
    render::Rgb colour;
};

struct LayerStyle {
    std::string layer;
    Mark mark = Mark::Line;
    std::string field; // the classified field, or none
    std::vector<StyleRule> rules;
    std::string labelField; // the field written beside each feature, or none
    double fillOpacity = 1.0;
    // What the desktop tool writes instead of the bare field, when the
    // field's own text would not read well (a double's seventeen digits).
    std::string labelExpression = {};
    // Areas that hold one another (each zone holds the higher levels'): each
    // drawn whole over the lower ones, and the layer as one sheet at
    // `fillOpacity`, so a point shows its own level's colour over the
    // coverage rather than all the levels' tints stacked into a block.
    bool nested = false;
};

std::string QgisColour(render::Rgb c, double opacity = 1.0) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," +
           std::to_string(static_cast<int>(std::lround(255 * opacity)));
}

std::string Prop(const char* key, const std::string& value) {
    return "<prop k=\"" + std::string(key) + "\" v=\"" + XmlEscaped(value) + "\"/>";
}

std::string LayerStart(const char* symbolClass, std::size_t pass) {
    return "<layer class=\"" + std::string(symbolClass) + "\" enabled=\"1\" locked=\"0\" pass=\"" +
           std::to_string(pass) + "\">";
}

std::string SymbolLayer(const LayerStyle& s, render::Rgb c, std::size_t pass) {
    switch (s.mark) {
    case Mark::Line:
        // A pale casing under the line: over the coverage's ramp a level's
        // line has the colour of the ground it crosses.
        return LayerStart("SimpleLine", pass) +
               Prop("line_color", QgisColour({255, 255, 255}, 0.8)) + Prop("line_width", "1.0") +
               Prop("line_width_unit", "MM") + Prop("line_style", "solid") + "</layer>" +
               LayerStart("SimpleLine", pass) + Prop("line_color", QgisColour(c)) +
               Prop("line_width", "0.6") + Prop("line_width_unit", "MM") +
               Prop("line_style", "solid") + "</layer>";
    case Mark::Fill:
        return LayerStart("SimpleFill", pass) +
               Prop("color", QgisColour(c, s.nested ? 1.0 : s.fillOpacity)) +
               Prop("outline_color", QgisColour(c)) + Prop("outline_width", "0.3") +
               Prop("outline_width_unit", "MM") + Prop("style", "solid") + "</layer>";
    case Mark::DashedOutline:
        // An area outlined alone: a line symbol draws nothing on a polygon,
        // so the outline is a fill symbol's, with no brush.
        return LayerStart("SimpleFill", pass) + Prop("color", QgisColour(c, 0)) +
               Prop("style", "no") + Prop("outline_color", QgisColour(c)) +
               Prop("outline_style", "dash") + Prop("outline_width", "0.6") +
               Prop("outline_width_unit", "MM") + "</layer>";
    case Mark::Point:
    case Mark::Star:
    case Mark::Triangle:
        return LayerStart("SimpleMarker", pass) +
               Prop("name", s.mark == Mark::Star       ? "star"
                            : s.mark == Mark::Triangle ? "triangle"
                                                       : "circle") +
               Prop("color", QgisColour(c)) + Prop("outline_color", "255,255,255,255") +
               Prop("outline_width", "0.3") + Prop("size", s.mark == Mark::Point ? "3" : "4.5") +
               Prop("size_unit", "MM") + "</layer>";
    }
    return {};
}

const char* SymbolType(Mark m) {
    switch (m) {
    case Mark::Line:
        return "line";
    case Mark::Fill:
    case Mark::DashedOutline:
        return "fill";
    default:
        return "marker";
    }
}

std::string QmlSymbol(const LayerStyle& s, std::size_t k, render::Rgb c) {
    return "<symbol type=\"" + std::string(SymbolType(s.mark)) + "\" name=\"" + std::to_string(k) +
           "\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">" +
           SymbolLayer(s, c, s.nested ? k : 0) + "</symbol>";
}

std::string QmlLabels(const LayerStyle& s) {
    if (s.labelField.empty()) return {};
    const bool expression = !s.labelExpression.empty();
    return "<labeling type=\"simple\"><settings calloutType=\"simple\"><text-style fieldName=\"" +
           XmlEscaped(expression ? s.labelExpression : s.labelField) +
           "\" fontSize=\"9\" fontSizeUnit=\"Point\" textColor=\"0,0,0,255\" isExpression=\"" +
           (expression ? "1" : "0") +
           "\">"
           "<text-buffer bufferDraw=\"1\" bufferSize=\"1\" bufferColor=\"255,255,255,255\"/>"
           "</text-style><placement placement=\"0\" dist=\"1.5\"/></settings></labeling>";
}

std::string number(double v) {
    return std::isfinite(v) ? NumberText(v) : (v > 0 ? "1e308" : "-1e308");
}

std::string Qml(const LayerStyle& s) {
    std::string renderer;
    if (s.field.empty()) {
        renderer =
            "<renderer-v2 type=\"singleSymbol\" symbollevels=\"0\" forceraster=\"0\"><symbols>" +
            QmlSymbol(s, 0, s.rules.front().colour) + "</symbols></renderer-v2>";
    } else {
        std::string ranges, symbols;
        for (std::size_t k = 0; k < s.rules.size(); ++k) {
            const StyleRule& r = s.rules[k];
            ranges += "<range lower=\"" + number(r.lo) + "\" upper=\"" + number(r.hi) +
                      "\" symbol=\"" + std::to_string(k) + "\" label=\"" + XmlEscaped(r.label) +
                      "\" render=\"true\"/>";
            symbols += QmlSymbol(s, k, r.colour);
        }
        renderer = "<renderer-v2 type=\"graduatedSymbol\" attr=\"" + XmlEscaped(s.field) +
                   "\" graduatedMethod=\"GraduatedColor\" symbollevels=\"" +
                   (s.nested ? "1" : "0") + "\" forceraster=\"0\"><ranges>" + ranges +
                   "</ranges><symbols>" + symbols + "</symbols></renderer-v2>";
        if (s.nested) renderer += "<layerOpacity>" + NumberText(s.fillOpacity) + "</layerOpacity>";
    }
    return "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
           "<qgis version=\"3.22.0\" styleCategories=\"Symbology|Labeling\">" +
           renderer + QmlLabels(s) + "</qgis>\n";
}

std::string SldSymbolizer(const LayerStyle& s, render::Rgb c) {
    const std::string hex = render::HexColour(c);
    const auto param = [](const char* name, const std::string& v) {
        return "<se:SvgParameter name=\"" + std::string(name) + "\">" + v + "</se:SvgParameter>";
    };
    switch (s.mark) {
    case Mark::Line:
        return "<se:LineSymbolizer><se:Stroke>" + param("stroke", "#ffffff") +
               param("stroke-opacity", "0.8") + param("stroke-width", "4") +
               "</se:Stroke></se:LineSymbolizer><se:LineSymbolizer><se:Stroke>" +
               param("stroke", hex) + param("stroke-width", "2") +
               "</se:Stroke></se:LineSymbolizer>";
    case Mark::Fill:
        return "<se:PolygonSymbolizer><se:Fill>" + param("fill", hex) +
               param("fill-opacity", NumberText(s.fillOpacity)) + "</se:Fill><se:Stroke>" +
               param("stroke", hex) + param("stroke-width", "1") +
               "</se:Stroke></se:PolygonSymbolizer>";
    case Mark::DashedOutline:
        return "<se:PolygonSymbolizer><se:Stroke>" + param("stroke", hex) +
               param("stroke-width", "2") + param("stroke-dasharray", "6 3") +
               "</se:Stroke></se:PolygonSymbolizer>";
    default:
        return "<se:PointSymbolizer><se:Graphic><se:Mark><se:WellKnownName>" +
               std::string(s.mark == Mark::Star       ? "star"
                           : s.mark == Mark::Triangle ? "triangle"
                                                      : "circle") +
               "</se:WellKnownName><se:Fill>" + param("fill", hex) + "</se:Fill><se:Stroke>" +
               param("stroke", "#ffffff") +
               "</se:Stroke></se:Mark><se:Size>12</se:Size>"
               "</se:Graphic></se:PointSymbolizer>";
    }
}

std::string SldFilter(const LayerStyle& s, const StyleRule& r) {
    if (s.field.empty()) return {};
    const auto bound = [&](const char* op, double v) {
        return "<ogc:" + std::string(op) + "><ogc:PropertyName>" + XmlEscaped(s.field) +
               "</ogc:PropertyName><ogc:Literal>" + number(v) + "</ogc:Literal></ogc:" + op + ">";
    };
    return "<ogc:Filter><ogc:And>" + bound("PropertyIsGreaterThanOrEqualTo", r.lo) +
           bound("PropertyIsLessThanOrEqualTo", r.hi) + "</ogc:And></ogc:Filter>";
}

std::string Sld(const LayerStyle& s) {
    std::string rules;
    for (const StyleRule& r : s.rules)
        rules += "<se:Rule><se:Name>" + XmlEscaped(r.label) + "</se:Name>" + SldFilter(s, r) +
                 SldSymbolizer(s, r.colour) + "</se:Rule>";
    if (!s.labelField.empty())
        rules += "<se:Rule><se:TextSymbolizer><se:Label><ogc:PropertyName>" +
                 XmlEscaped(s.labelField) +
                 "</ogc:PropertyName></se:Label></se:TextSymbolizer></se:Rule>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<StyledLayerDescriptor version=\"1.1.0\" xmlns=\"http://www.opengis.net/sld\" "
           "xmlns:ogc=\"http://www.opengis.net/ogc\" xmlns:se=\"http://www.opengis.net/se\">"
           "<NamedLayer><se:Name>" +
           XmlEscaped(s.layer) + "</se:Name><UserStyle><se:Name>" + XmlEscaped(s.layer) +
           "</se:Name><se:FeatureTypeStyle>" + rules +
           "</se:FeatureTypeStyle></UserStyle></NamedLayer></StyledLayerDescriptor>\n";
}

// Classes around each level, split halfway between neighbours, so that a
// feature drawn at a level falls in its class alone.
std::vector<StyleRule> LevelRules(const std::vector<double>& levels,
                                  const std::function<Colour(double)>& colourOf) {
    std::vector<double> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    std::vector<StyleRule> out;
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        const double lo = k == 0 ? 0.0 : (sorted[k - 1] + sorted[k]) / 2;
        const double hi = k + 1 == sorted.size() ? std::numeric_limits<double>::infinity()
                                                 : (sorted[k] + sorted[k + 1]) / 2;
        const Colour c = colourOf(sorted[k]);
        out.push_back({render::FormatDensity(sorted[k], 3), lo, hi, render::Rgb{c.r, c.g, c.b}});
    }
    return out;
}

// Shares of the limit a decade apart, as the ratio scale separates them.
std::vector<StyleRule> PercentRules() {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, double>> bands{
        {0, 0.01}, {0.01, 0.1}, {0.1, 1}, {1, 10}, {10, 50}, {50, 100}, {100, 1000}, {1000, inf}};
    std::vector<StyleRule> out;
    for (const auto& [lo, hi] : bands) {
        const double middle = lo == 0 ? hi / 10 : std::isfinite(hi) ? std::sqrt(lo * hi) : lo * 3;
        const std::string label = std::isfinite(hi)
                                      ? NumberText(lo) + " - " + NumberText(hi) + " % of the limit"
                                      : "over " + NumberText(lo) + " % of the limit";
        out.push_back({label, lo, hi, render::RatioColour(middle)});
    }
    return out;
}

// The measurements' differences from the prediction, in the bands the plan
// and the report colour them by.
std::vector<StyleRule> DifferenceRules() {
    std::vector<StyleRule> out;
    for (const measure::DifferenceBand& b : measure::DifferenceBands())
        out.push_back({b.label, b.loDb, b.hiDb, b.colour});
    return out;
}

std::vector<LayerStyle> Styles(const Project& p, double maximum) {
    const auto colourOf = levelColours(p, maximum);
    std::vector<double> isolines = IsolineLevels(p, maximum);
    const render::Rgb dark{0x22, 0x22, 0x22}, above{0x67, 0x00, 0x1f};
    std::vector<LayerStyle> out;
    out.push_back({"isolines", Mark::Line, "level", LevelRules(isolines, colourOf), {}, 1.0});
    out.push_back(
        {"zones", Mark::Fill, "min", LevelRules(MapLevels(p, maximum), colourOf), {}, 0.35});
    out.back().nested = true;
    out.push_back({"antennas", Mark::Triangle, {}, {{"antenna", 0, 0, dark}}, "label", 1.0});
    out.push_back({"maximum", Mark::Star, {}, {{"maximum", 0, 0, above}}, "value", 1.0});
    out.back().labelExpression = R"(format_number("value", 3) || ' ' || "unit")";
    out.push_back({"buildings", Mark::Fill, "percent_of_limit", PercentRules(), "name", 0.8});
    out.push_back({"floors", Mark::Point, "percent_of_limit", PercentRules(), {}, 1.0});
    out.push_back({"places", Mark::Point, "percent_of_limit", PercentRules(), "name", 1.0});
    out.push_back({"measurements", Mark::Point, "difference_db", DifferenceRules(), "name", 1.0});
    out.push_back(
        {"boundaries", Mark::DashedOutline, {}, {{"boundary", 0, 0, above}}, "antenna", 1.0});
    return out;
}

// The density coverage as a colour ramp from nothing to the maximum.
std::string RasterQml(double maximum) {
    std::string items;
    for (int k = 0; k <= 10; ++k) {
        const double v = maximum * k / 10.0;
        const render::Rgb c = render::DensityStep(k);
        items += "<item value=\"" + number(v) + "\" color=\"" + render::HexColour(c) +
                 "\" alpha=\"255\" label=\"" + std::to_string(k * 10) + " % of the maximum\"/>";
    }
    return "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
           "<qgis version=\"3.22.0\" styleCategories=\"Symbology\"><pipe>"
           "<rasterrenderer type=\"singlebandpseudocolor\" band=\"1\" opacity=\"0.8\" "
           "classificationMin=\"0\" classificationMax=\"" +
           number(maximum) +
           "\"><rastershader><colorrampshader colorRampType=\"INTERPOLATED\" "
           "classificationMode=\"1\" clip=\"0\">" +
           items + "</colorrampshader></rastershader></rasterrenderer></pipe></qgis>\n";
}

std::string RasterSld(double maximum) {
    std::string entries;
    for (int k = 0; k <= 10; ++k)
        entries += "<se:ColorMapEntry color=\"" + render::HexColour(render::DensityStep(k)) +
                   "\" quantity=\"" + number(maximum * k / 10.0) + "\" label=\"" +
                   std::to_string(k * 10) + " %\"/>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<StyledLayerDescriptor version=\"1.1.0\" xmlns=\"http://www.opengis.net/sld\" "
           "xmlns:se=\"http://www.opengis.net/se\"><NamedLayer><se:Name>density</se:Name>"
           "<UserStyle><se:Name>density</se:Name><se:FeatureTypeStyle><se:Rule>"
           "<se:RasterSymbolizer><se:Opacity>0.8</se:Opacity><se:ColorMap type=\"ramp\">" +
           entries +
           "</se:ColorMap></se:RasterSymbolizer></se:Rule></se:FeatureTypeStyle></UserStyle>"
           "</NamedLayer></StyledLayerDescriptor>\n";
}

bool AddRow(OGRLayer& table, const std::string& layer, const std::string& geometry,
            const std::string& qmlText, const std::string& sldText) {
    OGRFeature f(table.GetLayerDefn());
    f.SetField("f_table_catalog", "");
    f.SetField("f_table_schema", "");
    f.SetField("f_table_name", layer.c_str());
    f.SetField("f_geometry_column", geometry.c_str());
    f.SetField("styleName", layer.c_str());
    f.SetField("styleQML", qmlText.c_str());
    f.SetField("styleSLD", sldText.c_str());
    f.SetField("useAsDefault", 1);
    f.SetField("description", "Brenvik");
    f.SetField("owner", "");
    f.SetField("ui", "");
    return table.CreateFeature(&f) == OGRERR_NONE;
}

} // namespace

bool AddLayerStyles(GDALDataset& ds, const Project& p, double maximum, const std::string& raster) {
    std::vector<std::pair<OGRLayer*, LayerStyle>> present;
    for (LayerStyle& s : Styles(p, maximum))
        if (OGRLayer* l = ds.GetLayerByName(s.layer.c_str()); l && !s.rules.empty())
            present.emplace_back(l, std::move(s));
    // The table desktop GIS tools read a GeoPackage's default styles from.
    OGRLayer* table = ds.CreateLayer("layer_styles", nullptr, wkbNone, nullptr);
    if (!table) return false;
    for (auto [name, type] : {std::pair{"f_table_catalog", OFTString},
                              {"f_table_schema", OFTString},
                              {"f_table_name", OFTString},
                              {"f_geometry_column", OFTString},
                              {"styleName", OFTString},
                              {"styleQML", OFTString},
                              {"styleSLD", OFTString},
                              {"useAsDefault", OFTInteger},
                              {"description", OFTString},
                              {"owner", OFTString},
                              {"ui", OFTString},
                              {"update_time", OFTDateTime}}) {
        OGRFieldDefn f(name, type);
        if (name == std::string("useAsDefault")) f.SetSubType(OFSTBoolean);
        // The desktop tool picks the newest default style by this column, and
        // finds none at all in a table without it.
        if (type == OFTDateTime) f.SetDefault("CURRENT_TIMESTAMP");
        if (table->CreateField(&f) != OGRERR_NONE) return false;
    }
    for (const auto& [layer, style] : present)
        if (!AddRow(*table, style.layer, layer->GetGeometryColumn(), Qml(style), Sld(style)))
            return false;
    return raster.empty() || AddRow(*table, raster, "", RasterQml(maximum), RasterSld(maximum));
}

} // namespace brenvik::gis
