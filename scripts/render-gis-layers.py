#!/usr/bin/python3
"""Render every layer of a Brenvik GeoPackage the way a desktop GIS opens it.

Each layer is opened with the default style the file keeps for it in its
`layer_styles` table, as QGIS applies it on its own, and the layers are drawn
stacked (coverage below; zones, isolines, buildings, places, antennas and the
boundaries above) into one PNG, optionally one more PNG per layer. For each
layer it prints whether QGIS found and applied the stored style, the renderer
and its classes with their colours, the stored SLD read back by QGIS, and any
warning QGIS logged while reading them. Exit status 1 when a layer came
without its style (or its style did not load) or a picture was not written,
2 on a usage error.

An operator's and developer's tool, not part of the test suite: it needs
Debian's `qgis` and `python3-qgis` packages and runs headless.

    scripts/render-gis-layers.py site.gpkg site.png --per-layer shots/
"""

import argparse
import math
import os
import sqlite3
import sys
import tempfile

os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

from qgis.core import (  # noqa: E402
    Qgis,
    QgsApplication,
    QgsCoordinateReferenceSystem,
    QgsMapRendererParallelJob,
    QgsMapSettings,
    QgsProject,
    QgsRasterLayer,
    QgsRectangle,
    QgsVectorLayer,
)
from qgis.PyQt.QtCore import QSize  # noqa: E402
from qgis.PyQt.QtGui import QColor  # noqa: E402
from qgis.PyQt.QtXml import QDomDocument  # noqa: E402

# Bottom to top: what covers the most area lies lowest, the points and the
# boundaries the eye looks for lie highest. Layers the list does not know go
# just under the antennas.
STACK = [
    "density",
    "zones",
    "isolines",
    "buildings",
    "floors",
    "places",
    "measurements",
    "*",
    "antennas",
    "maximum",
    "boundaries",
]


def stack_rank(name):
    return STACK.index(name) if name in STACK else STACK.index("*")


def gpkg_layers(path):
    """The file's feature tables and coverages, and the tables with a style."""
    with sqlite3.connect(f"file:{path}?mode=ro", uri=True) as db:
        contents = db.execute("SELECT table_name, data_type FROM gpkg_contents").fetchall()
        try:
            styled = {
                row[0]
                for row in db.execute(
                    "SELECT f_table_name FROM layer_styles WHERE useAsDefault"
                )
            }
        except sqlite3.Error:
            styled = set()
    layers = [(name, kind) for name, kind in contents if name != "layer_styles"]
    return layers, styled


def stored_style(path, name, column):
    """The layer's default style text in `column`, None when there is none."""
    try:
        with sqlite3.connect(f"file:{path}?mode=ro", uri=True) as db:
            row = db.execute(
                f"SELECT {column} FROM layer_styles WHERE f_table_name = ? AND useAsDefault",
                (name,),
            ).fetchone()
    except sqlite3.Error:
        return None
    return row[0] if row else None


class Log:
    """What QGIS reports while the layers are read and drawn."""

    def __init__(self):
        self.lines = []

    def __call__(self, message, tag, level):
        if level >= Qgis.Warning:
            self.lines.append(f"[{tag}] {message}")

    def take(self):
        out, self.lines = self.lines, []
        return out


SYMBOL_KINDS = {0: "marker", 1: "line", 2: "fill"}


def colour_text(c):
    return c.name() if c.alpha() == 255 else f"{c.name()}@{c.alpha()}"


def vector_classes(renderer):
    """Each class's label and a copy of its symbol (the renderer's lists are
    copies whose symbols go with them)."""
    kind = renderer.type()
    if kind == "singleSymbol":
        return [("all", renderer.symbol().clone())]
    if kind == "graduatedSymbol":
        return [(r.label(), r.symbol().clone()) for r in renderer.ranges()]
    if kind == "categorizedSymbol":
        return [(c.label(), c.symbol().clone()) for c in renderer.categories()]
    if kind == "RuleRenderer":
        rules = renderer.rootRule().descendants()
        return [(r.label(), r.symbol().clone()) for r in rules if r.symbol()]
    return []


def top_layer(symbol):
    """The symbol layer drawn last, whose colour the eye reads."""
    count = symbol.symbolLayerCount()
    return symbol.symbolLayer(count - 1) if count else None


def symbol_colours(symbol):
    """Fill and outline colours of a symbol's top layer, with their alpha."""
    layer = top_layer(symbol)
    fill = colour_text(layer.color()) if layer else "?"
    stroke = layer.strokeColor() if layer and hasattr(layer, "strokeColor") else None
    return fill + (f"/{colour_text(stroke)}" if stroke is not None and stroke.isValid() else "")


def describe_vector(layer):
    renderer = layer.renderer()
    classes = vector_classes(renderer)
    lines = [
        f"renderer {renderer.type()}, {len(classes)} class(es), "
        f"layer opacity {layer.opacity():g}"
    ]
    if renderer.usingSymbolLevels():
        lines[0] += ", drawn by symbol levels"
    for label, symbol in classes:
        kind = SYMBOL_KINDS.get(int(symbol.type()), "?")
        layers = "+".join(
            symbol.symbolLayer(k).layerType() for k in range(symbol.symbolLayerCount())
        )
        lines.append(f"    {label}: {kind} {layers} {symbol_colours(symbol)}")
    fills = [top_layer(symbol).color().name() for _, symbol in classes if top_layer(symbol)]
    if len(set(fills)) != len(fills):
        lines.append("    WARNING: two classes share a colour")
    labeled = layer.labelsEnabled() and layer.labeling()
    lines.append(f"    labels: {layer.labeling().settings().fieldName if labeled else 'none'}")
    return lines


def describe_raster(layer):
    renderer = layer.renderer()
    lines = [f"renderer {renderer.type()}, opacity {renderer.opacity():g}"]
    if renderer.type() == "singlebandpseudocolor":
        items = renderer.shader().rasterShaderFunction().colorRampItemList()
        lines[0] += f", {len(items)} ramp stop(s)"
        lines.append("    " + " ".join(f"{i.value:.3g}:{i.color.name()}" for i in items))
    return lines


def sld_check(layer, sld):
    """Reads the stored SLD into a copy of the layer, as QGIS imports it."""
    if not sld:
        return "no SLD stored"
    copy = layer.clone()
    with tempfile.NamedTemporaryFile("w", suffix=".sld", delete=False) as f:
        f.write(sld)
    try:
        message, ok = copy.loadSldStyle(f.name)
    finally:
        os.unlink(f.name)
    if not ok:
        return "SLD not read: " + message.replace(f.name, "the stored SLD").replace("\n", " ")
    said = f"SLD read: renderer {copy.renderer().type()}"
    if isinstance(copy, QgsVectorLayer):
        said += f", {len(vector_classes(copy.renderer()))} class(es)"
    return said


DRAWN_KINDS = ("features", "tiles", "2d-gridded-coverage")


def open_layer(path, name, kind):
    if kind == "features":
        layer = QgsVectorLayer(
            f"{path}|layername={name}", name, "ogr", QgsVectorLayer.LayerOptions(False)
        )
    else:
        layer = QgsRasterLayer(
            f"GPKG:{path}:{name}", name, "gdal", QgsRasterLayer.LayerOptions(False)
        )
    return layer if layer.isValid() else None


def apply_default_style(layer, path, name):
    """QGIS's own reading of the default style. QGIS 3.22 reads none for a
    gridded coverage, so there the stored QML is imported as QGIS imports a
    style file. A feature layer whose style QGIS did not find is a failure,
    drawn all the same with its stored QML so the picture shows the rest."""
    message, ok = layer.loadDefaultStyle()
    if ok and "Provider" in message:
        return "applied by QGIS from layer_styles", True
    qml = stored_style(path, name, "styleQML")
    if not qml:
        return f"no stored style ({message})", False
    doc = QDomDocument()
    parsed = doc.setContent(qml)
    if not (parsed[0] if isinstance(parsed, tuple) else parsed):
        return "stored QML is not XML", False
    imported, error = layer.importNamedStyle(doc)
    if not imported:
        return f"stored QML refused: {error}", False
    if isinstance(layer, QgsVectorLayer):
        return f"NOT found by QGIS ({message or 'no message'}); drawn with the stored QML", False
    return "stored QML imported (QGIS reads no stored style for a coverage)", True


def destination_crs(extent):
    """The UTM zone of the middle of the layers, so the plan keeps its shape."""
    lon, lat = extent.center().x(), extent.center().y()
    zone = int(math.floor((lon + 180) / 6)) % 60 + 1
    return QgsCoordinateReferenceSystem(f"EPSG:{(32600 if lat >= 0 else 32700) + zone}")


def render(layers, frame, out, width, log):
    """Draws the layers (the first on top) over the frame's extent: every
    picture of one file shows the same ground, so they can be laid over
    one another."""
    settings = QgsMapSettings()
    settings.setDestinationCrs(destination_crs(combined_extent(frame)))
    settings.setTransformContext(QgsProject.instance().transformContext())
    settings.setLayers(frame)
    extent = settings.fullExtent()
    extent.scale(1.05)
    settings.setLayers(layers)
    height = max(1, round(width * extent.height() / max(extent.width(), 1e-9)))
    settings.setOutputSize(QSize(width, height))
    settings.setExtent(extent)
    settings.setBackgroundColor(QColor(255, 255, 255))
    settings.setFlag(QgsMapSettings.Antialiasing, True)
    settings.setFlag(QgsMapSettings.DrawLabeling, True)
    job = QgsMapRendererParallelJob(settings)
    job.start()
    job.waitForFinished()
    QgsApplication.processEvents()
    errors = [f"{e.layerID}: {e.message}" for e in job.errors()]
    saved = job.renderedImage().save(out, "PNG")
    if not saved:
        errors.append(f"cannot write {out}")
    return saved, errors + log.take()


def combined_extent(layers):
    extent = QgsRectangle()
    extent.setMinimal()
    for layer in layers:
        extent.combineExtentWith(layer.extent())
    return extent


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("gpkg", help="the GeoPackage brenvik-batch --export gpkg= wrote")
    parser.add_argument("png", help="the picture of all layers stacked")
    parser.add_argument("--per-layer", metavar="DIR", help="also one PNG per layer in DIR")
    parser.add_argument("--width", type=int, default=1600, help="picture width in pixels")
    args = parser.parse_args()
    if not os.path.isfile(args.gpkg):
        parser.error(f"no file {args.gpkg}")

    QgsApplication.setPrefixPath("/usr", True)
    app = QgsApplication([], False)
    app.initQgis()
    try:
        return check_and_draw(args)
    finally:
        app.exitQgis()


def check_and_draw(args):
    log = Log()
    QgsApplication.messageLog().messageReceived.connect(log)
    try:
        entries, styled = gpkg_layers(args.gpkg)
    except sqlite3.Error as e:
        print(f"{args.gpkg}: not a GeoPackage ({e})", file=sys.stderr)
        return 1
    failed, opened = [], []
    for name, kind in sorted(entries, key=lambda e: stack_rank(e[0])):
        if kind not in DRAWN_KINDS:
            print(f"{name} ({kind}): not drawn")
            continue
        layer = open_layer(args.gpkg, name, kind)
        if layer is None:
            print(f"{name}: QGIS cannot open it")
            failed.append(name)
            continue
        how, ok = apply_default_style(layer, args.gpkg, name)
        if name not in styled:
            how, ok = "no row in layer_styles", False
        print(f"{name} ({kind}): style {how}")
        describe = describe_vector if isinstance(layer, QgsVectorLayer) else describe_raster
        for line in describe(layer):
            print(f"  {line}")
        print(f"  {sld_check(layer, stored_style(args.gpkg, name, 'styleSLD'))}")
        for line in log.take():
            print(f"  QGIS: {line}")
        if not ok:
            failed.append(name)
        QgsProject.instance().addMapLayer(layer, False)
        opened.append(layer)
    if not opened:
        print("no layer to draw", file=sys.stderr)
        return 1

    pictures = [(list(reversed(opened)), args.png)]
    if args.per_layer:
        os.makedirs(args.per_layer, exist_ok=True)
        pictures += [([l], os.path.join(args.per_layer, f"{l.name()}.png")) for l in opened]
    unwritten = False
    for layers, out in pictures:
        saved, problems = render(layers, opened, out, args.width, log)
        for problem in problems:
            print(f"render {out}: {problem}")
        print(f"wrote {out}" if saved else f"did not write {out}")
        unwritten |= not saved
    if failed:
        print("without their style: " + ", ".join(failed), file=sys.stderr)
    return 1 if failed or unwritten else 0


if __name__ == "__main__":
    sys.exit(main())
