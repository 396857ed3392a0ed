#include "app/CommandNames.h"

namespace brenvik::app {

const std::vector<Menu>& menus() {
    static const std::vector<Menu> table = {
        {Place::File, "archivo", "&File", Place::File},
        {Place::Edit, "edicion", "&Edit", Place::Edit},
        {Place::View, "ver", "&View", Place::View},
        {Place::Antenna, "fuentes", "&Antenna", Place::Antenna},
        {Place::Environment, "medio", "E&nvironment", Place::Environment},
        {Place::Tools, "herramientas", "&Tools", Place::Tools},
        {Place::Options, "configuracion", "&Options", Place::Options},
        {Place::Gis, "g1", "GIS", Place::Options},
        {Place::Help, "help", "&Help", Place::Help},
    };
    return table;
}

} // namespace brenvik::app
