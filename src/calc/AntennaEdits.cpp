#include "calc/AntennaEdits.h"

#include <cstddef>

namespace brenvik {

namespace {

void RemoveRecord(Project& p, int k) {
    p.Antennas.erase(p.Antennas.begin() + k);
    p.Antennas.emplace_back();
}

} // namespace

void RemoveDuplicateAntennas(Project& p) {
    int count = p.AntennaCount;
    for (int k = 2; k <= count;) {
        bool dup = false;
        for (int m = 1; m < k && !dup; ++m)
            dup = p.Antennas[std::size_t(m)] == p.Antennas[std::size_t(k)];
        if (!dup) {
            ++k;
            continue;
        }
        RemoveRecord(p, k);
        --count;
    }
    p.AntennaCount = static_cast<std::int16_t>(count);
}

int EraseAntennasAt(Project& p, double xs, double ys) {
    int removed = 0;
    for (int k = 1; k <= p.AntennaCount;) {
        const Antenna& a = p.Antennas[std::size_t(k)];
        if (a.AntX == xs && a.AntY == ys && a.AntFactor == p.Zoom) {
            RemoveRecord(p, k);
            --p.AntennaCount;
            ++removed;
        } else {
            ++k;
        }
    }
    return removed;
}

} // namespace brenvik
