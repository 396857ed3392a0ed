#pragma once

// Shared by the batch tests: sites built with the program's own operations, a
// scratch folder per test, and the built program run as a script runs it.

#include "calc/GridCalc.h"
#include "calc/Ground.h"
#include "calc/Towers.h"
#include "model/Project.h"
#include "model/ProjectFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace batchtest {

namespace fs = std::filesystem;

struct Ant {
    bool panel;
    double heightM, tilt, power, direction;
};

inline void placeTower(brenvik::Project& p, double x, double y, const std::vector<Ant>& ants) {
    using namespace brenvik;
    TowerBeginNew(p);
    for (std::size_t k = 0; k < ants.size(); ++k) {
        if (k > 0) TowerAddAntenna(p);
        int slot = TowerOptionsSlot(p, static_cast<int>(k) + 1);
        AntennaForm f = AntennaFormLoad(p, slot);
        AntennaFormClickType(f, ants[k].panel ? FuentType::Alta : FuentType::Baja);
        AntennaFormClickHeight(f, FuentHeight::Altm);
        f.mText = FormatNumberC(ants[k].heightM);
        AntennaFormClickPower(f, FuentPower::Otr);
        f.potext = FormatNumberC(ants[k].power);
        if (ants[k].panel) {
            AntennaFormClickDirection(f, FuentDirection::Ang);
            f.antang = FormatNumberC(ants[k].direction);
            f.angText = FormatNumberC(ants[k].tilt);
        }
        ASSERT_FALSE(AntennaFormAccept(p, f, slot, false));
    }
    PlaceTower(p, x, y, 1.0);
}

// A grid of GridNX columns with `towers` three-sector towers spread over it.
inline brenvik::Project makeSite(int gridNX, int towers, double planWidthM = 300.0) {
    brenvik::Project p;
    p.PlanWidthM = planWidthM;
    p.GridNX = static_cast<std::int16_t>(gridNX);
    p.RecomputeDerived();
    p.GroundGrid.resize(p.GridNX, p.GridNY);
    p.DensityGrid.resize(p.GridNX, p.GridNY);
    for (int t = 0; t < towers; ++t) {
        double x = 1000.0 + (t * 2731) % 13000 + 0.5 * t;
        double y = 900.0 + (t * 1913) % 8000 + 0.25 * t;
        placeTower(p, x, y,
                   {{true, 20.0 + t % 7, 5, 1600, 10.0 * t},
                    {true, 20.0 + t % 7, 5, 1200, 10.0 * t + 120},
                    {t % 2 == 0, 24, 3, 800, 10.0 * t + 240}});
    }
    return p;
}

inline void writeSite(const brenvik::Project& p, const fs::path& path) {
    ASSERT_TRUE(brenvik::SaveProjectFile(p, path.string()));
}

inline std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder for the test, removed afterwards.
class ScratchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / (std::string("brenvik-batch-") + info->test_suite_name() +
                                           "-" + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir))
            out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string at(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

} // namespace batchtest
