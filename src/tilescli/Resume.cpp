#include "tilescli/Resume.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace brenvik::tilescli {

namespace {

void AppendRange(std::string& ranges, std::int64_t first, std::int64_t last) {
    if (!ranges.empty()) ranges += ',';
    ranges += std::to_string(first);
    if (last > first) ranges += '-' + std::to_string(last);
}

} // namespace

std::vector<ArrayChunk> SplitArrays(const std::vector<std::int64_t>& indices,
                                    std::int64_t maxArraySize) {
    std::vector<ArrayChunk> chunks;
    if (maxArraySize < 1) return chunks;
    std::int64_t first = -1, last = -1;
    const auto closeRange = [&] {
        if (first >= 0)
            AppendRange(chunks.back().ranges, first - chunks.back().offset,
                        last - chunks.back().offset);
        first = last = -1;
    };
    for (const std::int64_t k : indices) {
        const std::int64_t offset = k / maxArraySize * maxArraySize;
        if (chunks.empty() || chunks.back().offset != offset) {
            closeRange();
            chunks.push_back({offset, "", 0});
        }
        if (first >= 0 && k == last + 1) {
            last = k;
        } else {
            closeRange();
            first = last = k;
        }
        ++chunks.back().tasks;
    }
    closeRange();
    return chunks;
}

TaskBudget EstimateTask(const tiles::Manifest& m, const std::vector<std::int64_t>& indices,
                        std::uintmax_t manifestBytes, int cpus) {
    TaskBudget b;
    if (indices.empty()) return b;
    const int bands = m.standard.empty() ? 1 : 2;
    std::int64_t pixels = 0;
    std::uint64_t envelopes = 0;
    for (const std::int64_t k : indices) {
        const tiles::TileEntry& t = m.tiles.at(static_cast<std::size_t>(k));
        const std::int64_t p = static_cast<std::int64_t>(t.window.width) * t.window.height;
        pixels = std::max(pixels, p);
        envelopes = std::max(envelopes, t.envelopeBytes);
        b.pairs = std::max(b.pairs, static_cast<std::uint64_t>(p) *
                                        static_cast<std::uint64_t>(t.antennaCount));
    }
    const std::uint64_t bytes = tiles::TileBytes(pixels, bands, !m.terrain.empty()) + envelopes +
                                ManifestExpansion * static_cast<std::uint64_t>(manifestBytes) +
                                BaseTaskBytes;
    b.memoryMiB = (bytes + (1ull << 20) - 1) >> 20;
    // Twice the expected time, plus reading the manifest at a slow share of
    // a network file system and ten minutes for starting and writing.
    const double seconds = static_cast<double>(b.pairs) / (PairsPerCoreSecond * std::max(cpus, 1)) +
                           static_cast<double>(manifestBytes) / 20e6;
    b.minutes = 10 + static_cast<std::int64_t>(std::ceil(2.0 * seconds / 60.0));
    return b;
}

ResumeScan ScanTiles(const std::string& dir, int cpus) {
    ResumeScan scan;
    const tiles::ManifestRead mr = tiles::ReadManifest(dir);
    if (!mr.manifest) {
        scan.error = mr.error;
        return scan;
    }
    const tiles::Manifest& m = *mr.manifest;
    scan.tiles = static_cast<std::int64_t>(m.tiles.size());
    std::vector<std::int64_t> indices;
    for (std::int64_t k = 0; k < scan.tiles; ++k) {
        tiles::TileCheck c = tiles::CheckTile(dir, m, static_cast<int>(k));
        if (c.state == tiles::TileState::Done) continue;
        scan.todo.push_back({k, c.state, std::move(c.why)});
        indices.push_back(k);
    }
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(tiles::ManifestPath(dir), ec);
    scan.budget = EstimateTask(m, indices, ec ? 0 : bytes, cpus);
    return scan;
}

std::string ResumeReport(const ResumeScan& scan, std::int64_t maxArraySize) {
    std::vector<std::int64_t> indices;
    for (const TileToDo& t : scan.todo)
        indices.push_back(t.index);
    std::string out = "mem_mib " + std::to_string(scan.budget.memoryMiB) + "\ntime_min " +
                      std::to_string(scan.budget.minutes) + "\n";
    for (const ArrayChunk& c : SplitArrays(indices, maxArraySize))
        out += "array " + std::to_string(c.offset) + " " + c.ranges + "\n";
    return out;
}

} // namespace brenvik::tilescli
