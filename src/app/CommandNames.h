#pragma once

#include <QKeySequence>
#include <functional>
#include <vector>

namespace brenvik::app {

struct WindowParts;

// The objectNames of the window's commands, as the users and the tests know
// them.
namespace cmd {
// File menu
inline constexpr char New[] = "nuevo";
inline constexpr char Open[] = "abrir";
inline constexpr char Save[] = "guardar";
inline constexpr char SaveAs[] = "guardarcomo";
inline constexpr char ImportImage[] = "impim";
inline constexpr char SaveImage[] = "guardarim";
inline constexpr char ExportPicture[] = "exportarimagen";
inline constexpr char Print[] = "imprimir";
inline constexpr char PrintImage[] = "ff456";
inline constexpr char Exit[] = "salir";
// Edit menu
inline constexpr char Undo[] = "deshacer";
inline constexpr char Redo[] = "rehacer";
inline constexpr char DeleteSelection[] = "suprimir";
inline constexpr char History[] = "historial";
// View menu
inline constexpr char Zoom[] = "zoom";
inline constexpr char ZoomToPlan[] = "zoomplano";
inline constexpr char ZoomToSelection[] = "zoomseleccion";
inline constexpr char AttributeTable[] = "tablaatributos";
inline constexpr char Properties[] = "propiedades";
inline constexpr char BlackBackground[] = "fondon";
inline constexpr char WhiteBackground[] = "fondob";
inline constexpr char SafeColours[] = "coloresseguros";
inline constexpr char DrawGridLines[] = "dibcua";
inline constexpr char EraseGridLines[] = "eliminacua";
inline constexpr char DrawPicture[] = "dibfon";
inline constexpr char ErasePicture[] = "eliminafon";
inline constexpr char XYPlane[] = "e24";
inline constexpr char XZPlane[] = "e3";
// Antenna menu
inline constexpr char TowerItem[] = "fuentep";
inline constexpr char TopographicItem[] = "relievetopo";
inline constexpr char EraseItem[] = "eliminar";
// Environment menu
inline constexpr char XYCalculationItem[] = "calculobar";
inline constexpr char XZCalculation[] = "c1";
inline constexpr char SectionThroughAntenna[] = "c1antena";
inline constexpr char GradientItem[] = "colorear1";
inline constexpr char IsolinesItem[] = "dibujal1";
inline constexpr char NumericalGridItem[] = "mallanum";
inline constexpr char Dots[] = "u8u";
// Tools menu
inline constexpr char ScaleItem[] = "escalabar";
inline constexpr char CalcColours[] = "ee";
inline constexpr char GridSize[] = "tamano";
inline constexpr char IsolineCount[] = "numtopo";
inline constexpr char DotColours[] = "f5f";
inline constexpr char AntennaParameters[] = "paramant";
// Options menu and its GIS submenu
inline constexpr char Origin[] = "g2";
inline constexpr char Reference[] = "g3";
inline constexpr char Curvature[] = "g4";
inline constexpr char ScaleCalculation[] = "g5";
inline constexpr char GisExport[] = "gisexport";
inline constexpr char ExposureModel[] = "exposureModel";
inline constexpr char About[] = "acercade";
inline constexpr char UserGuide[] = "userGuide";
inline constexpr char SelectButton[] = "selectTool";
// Toolbar pairs (checked: the pressed picture)
inline constexpr char SaveButton[] = "guardapic";
inline constexpr char OpenButton[] = "abripic";
inline constexpr char TowerButton[] = "tiempo";
inline constexpr char EraseButton[] = "borrar";
inline constexpr char TopographicButton[] = "relieve";
inline constexpr char ScaleButton[] = "escala";
inline constexpr char CalculationButton[] = "calculo";
inline constexpr char IsolinesButton[] = "fuente";
inline constexpr char GradientButton[] = "linea";
inline constexpr char NumericalGridButton[] = "area";
inline constexpr char AverageButton[] = "prome";
// Compliance
inline constexpr char PercentOfLimit[] = "porlimite";
inline constexpr char ShowBoundaries[] = "fronteras";
inline constexpr char DominantAntenna[] = "dominante";
inline constexpr char OperatorShare[] = "operatorShare";
inline constexpr char ImportSites[] = "impsitios";
inline constexpr char ExportSites[] = "expsitios";
inline constexpr char ComplianceSettings[] = "cumplimiento";
inline constexpr char ComplianceSummary[] = "resumencumpl";
inline constexpr char Rules[] = "reglas";
inline constexpr char Report[] = "informe";
// Real places
inline constexpr char Places[] = "lugares";
inline constexpr char ImportTerrain[] = "impterreno";
inline constexpr char ImportBuildings[] = "impedificios";
inline constexpr char Measurements[] = "mediciones";
} // namespace cmd

// Where a command sits: one of the menus, or the toolbar.
enum class Place { File, Edit, View, Antenna, Environment, Tools, Options, Gis, Help, Toolbar };

struct Menu {
    Place place;
    const char* name; // objectName
    const char* title;
    Place parent; // the menu bar when equal to `place`
};

// A command runs on the window's services (app/WindowParts.h).
// The menus in the order they are built; a submenu after its parent.
const std::vector<Menu>& menus();

using Handler = std::function<void(WindowParts&)>;

// One command of the window. Menu items run `run`; a toolbar pair is one
// checkable action: a click on its released picture runs `run`, a click on
// its pressed picture runs `release`, and the command itself decides which
// picture shows.
struct Command {
    const char* name;    // objectName of the action (and of its toolbar button)
    const char* caption; // menu text; a toolbar button's text and tooltip
    Place place;
    Handler run;
    Handler release = {}; // toolbar pairs only
    QKeySequence shortcut = {};
    const char* separatorBefore = nullptr; // a separator goes first, with this objectName
};

} // namespace brenvik::app
