// Feeds arbitrary bytes to the rules file reader. Besides the sanitizers'
// findings: a refusal stays short whatever the file holds, and every rule
// the reader accepts judges a small site without a value that is not a
// number.
#include "compliance/RuleVerdicts.h"
#include "compliance/Rules.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

brenvik::Project SmallSite() {
    brenvik::Project p;
    p.RecomputeDerived();
    p.EnsureAntennaSlots(1);
    p.AntennaCount = p.TowerCount = 1;
    brenvik::Antenna& a = p.Antennas[1];
    a.AntType = brenvik::AntennaKind::Stick;
    a.AntPower = 500;
    a.AntHeight = 12;
    a.AntTower = a.AntNumber = 1;
    a.AntX = a.AntY = 20.0 * p.CellSize;
    p.Places.push_back({"School", "", 25.0 * p.CellSize, 22.0 * p.CellSize, 1.5});
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace brenvik::compliance;
    static const brenvik::Project site = SmallSite();
    static const LoadedLibrary lib = LoadLibrary("", "");
    const std::string text(reinterpret_cast<const char*>(data), size);
    RuleBook book;
    if (const auto refused = book.addFromText(text, "rules.json")) {
        // The file's name, a quoted id cut short, a field and why.
        if (refused->size() > 1024) {
            std::fprintf(stderr, "refusal of %zu bytes\n", refused->size());
            std::abort();
        }
        return 0;
    }
    for (Rule r : book.rules()) {
        r.where = RuleWhere::Places; // the nodes would need a calculated plan
        const RuleVerdict v = EvaluateRule(site, r, lib.library);
        for (const RuleFinding& f : v.findings)
            if (!std::isfinite(f.share)) {
                std::fprintf(stderr, "rule %s gives a share that is not a number\n", r.id.c_str());
                std::abort();
            }
    }
    return 0;
}
