// Every stored field of an antenna comes back from the project file and from
// the site inventory as it went in, and a project without a field writes as
// it did before the field existed.
#include "compliance/SiteInventory.h"
#include "model/AntennaFields.h"
#include "model/ProjectFile.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

using namespace brenvik;
using namespace brenvik::compliance;

namespace {

const std::string kOneSite = std::string(SitesHeader) + "\nmast,,,40,60,6,panel,100,90,2,900,\n";

Project ImportedProject() {
    Project p;
    EXPECT_EQ(ImportSites(p, kOneSite, ImportMode::Replace), std::nullopt);
    return p;
}

// A value of the field that is none of a new record's and lies in its range,
// in eighths: the project file writes a number in 15 digits.
void SetOther(Antenna& a, const AntennaFieldRow& r) {
    if (r.text)
        a.*r.text = std::string(r.label) + " \"A\", north";
    else if (r.number)
        a.*r.number = std::round((r.min + (r.max - r.min) * 0.375) * 8) / 8;
    else
        a.AntType = AntennaKind::Stick;
}

} // namespace

TEST(FieldRoundTrip, EachFieldComesBackFromTheProjectFileAndTheInventory) {
    for (const AntennaFieldRow& r : AntennaFieldTable()) {
        // Positions and patterns have tests of their own.
        if (r.kind == FieldKind::Position || r.id == AntennaField::Pattern) continue;
        Project p = ImportedProject();
        SetOther(p.Antennas[1], r);
        const Antenna& want = p.Antennas[1];

        if (r.block != BlockPart::None) {
            std::string text;
            ASSERT_TRUE(WriteProjectText(p, text)) << r.label;
            Project back;
            std::string why;
            ASSERT_TRUE(ReadProjectText(back, text, &why)) << r.label << ": " << why;
            EXPECT_EQ(FieldNumber(back.Antennas[1], r), FieldNumber(want, r)) << r.label;
            EXPECT_EQ(FieldText(back.Antennas[1], r), FieldText(want, r)) << r.label;
            std::string again;
            ASSERT_TRUE(WriteProjectText(back, again));
            EXPECT_EQ(again, text) << r.label;
        }
        Project back;
        ASSERT_EQ(ImportSites(back, ExportSites(p), ImportMode::Replace), std::nullopt) << r.label;
        const Antenna& got = back.Antennas[1];
        EXPECT_EQ(FieldNumber(got, r), FieldNumber(want, r)) << r.label;
        EXPECT_EQ(FieldText(got, r), FieldText(want, r)) << r.label;
        EXPECT_EQ(got.AntType, want.AntType) << r.label;
        EXPECT_EQ(ExportSites(back), ExportSites(p)) << r.label;
    }
}

TEST(FieldRoundTrip, ANamelessProjectWritesNoKeyOrColumnOfTheNames) {
    Project p = ImportedProject();
    p.Antennas[1].AntSite.clear();
    std::string text;
    ASSERT_TRUE(WriteProjectText(p, text));
    for (const AntennaFieldRow& r : AntennaFieldTable()) {
        if (r.block == BlockPart::Names || r.block == BlockPart::Beam) {
            EXPECT_EQ(text.find(r.blockKey), std::string::npos) << r.blockKey;
        }
    }
    const std::string csv = ExportSites(p);
    EXPECT_EQ(csv.substr(0, csv.find('\r')), SitesHeader);
}

TEST(FieldRoundTrip, ABadNameIsRefusedNamingItsLineAndColumn) {
    for (const AntennaFieldRow& r : AntennaFieldTable()) {
        if (r.inventory != InventoryPart::Own || !r.text) continue;
        const std::string head = std::string(SitesHeader) + "," + r.column + "\n";
        const std::string row = "mast,,,40,60,6,panel,100,90,2,900,,";
        const std::string cases[][2] = {
            {"a\tb", "line 2: " + std::string(r.column) + " 'a?b' holds a control character"},
            {std::string(r.maxLength + 1, 'x'),
             "is longer than " + std::to_string(r.maxLength) + " characters"},
        };
        for (const auto& [value, says] : cases) {
            Project p;
            const auto refused = ImportSites(p, head + row + value + "\n", ImportMode::Replace);
            ASSERT_TRUE(refused) << r.column;
            EXPECT_NE(refused->find(says), std::string::npos) << *refused;
            EXPECT_EQ(p.AntennaCount, 0);
        }
        Project p;
        ASSERT_EQ(
            ImportSites(p, head + row + std::string(r.maxLength, 'x') + "\n", ImportMode::Replace),
            std::nullopt);
    }
}
