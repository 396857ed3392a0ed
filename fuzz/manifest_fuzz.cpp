// Feeds arbitrary bytes to the tile manifest reader and to the reader of a
// tile's inputs, which every tile of a run trusts. Besides the sanitizers'
// findings (an overflowing conversion, a division by zero in the grid),
// every manifest or inputs file a reader accepts must be written again and
// read back to the same values and the same text.
#include "tiles/Manifest.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void CheckInputs(const std::string& text) {
    const brenvik::tiles::TileInputsRead first = brenvik::tiles::ParseTileInputs(text);
    if (!first.inputs) {
        if (first.error.empty()) {
            std::fprintf(stderr, "inputs refused without a reason\n");
            std::abort();
        }
        return;
    }
    const brenvik::tiles::Window& w = first.tile.window;
    if (w.width <= 0 || w.height <= 0 ||
        static_cast<std::int64_t>(w.col) + w.width > first.inputs->grid.width ||
        static_cast<std::int64_t>(w.row) + w.height > first.inputs->grid.height) {
        std::fprintf(stderr, "the inputs' tile lies outside the grid\n");
        std::abort();
    }
    // Written again, the inputs keep only the patterns in use: from there on
    // the text must not change.
    const std::string written = brenvik::tiles::TileInputsText(*first.inputs, first.tile);
    const brenvik::tiles::TileInputsRead second = brenvik::tiles::ParseTileInputs(written);
    if (!second.inputs || brenvik::tiles::TileInputsText(*second.inputs, second.tile) != written ||
        second.inputs->antennas.size() != first.inputs->antennas.size()) {
        std::fprintf(stderr, "accepted inputs changed on their way through the file\n");
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckInputs(text);
    const brenvik::tiles::ManifestRead first = brenvik::tiles::ParseManifest(text);
    if (!first.manifest) {
        if (first.error.empty()) {
            std::fprintf(stderr, "refused without a reason\n");
            std::abort();
        }
        return 0;
    }
    const brenvik::tiles::Manifest& m = *first.manifest;
    // Every tile the reader let through has a window inside the grid.
    for (const brenvik::tiles::TileEntry& t : m.tiles) {
        const brenvik::tiles::Window& w = t.window;
        if (w.width <= 0 || w.height <= 0 || w.width > m.grid.tileSize ||
            w.height > m.grid.tileSize ||
            static_cast<std::int64_t>(w.col) + w.width > m.grid.width ||
            static_cast<std::int64_t>(w.row) + w.height > m.grid.height) {
            std::fprintf(stderr, "tile %d lies outside the grid\n", t.index);
            std::abort();
        }
    }
    const std::string written = brenvik::tiles::ManifestText(m);
    const brenvik::tiles::ManifestRead second = brenvik::tiles::ParseManifest(written);
    if (!second.manifest) {
        std::fprintf(stderr, "accepted manifest written back does not read: %s\n",
                     second.error.c_str());
        std::abort();
    }
    if (!(*second.manifest == m) || brenvik::tiles::ManifestText(*second.manifest) != written) {
        std::fprintf(stderr, "manifest changed on its way through the file\n");
        std::abort();
    }
    return 0;
}
